#include "Cp932.h"

#include <QStringDecoder>
#include <QStringEncoder>

namespace moyuta {

QByteArray toCp932(const QString &text)
{
    QStringEncoder encoder("cp932");
    return encoder.encode(text);
}

QString fromCp932(const QByteArray &bytes)
{
    QStringDecoder decoder("cp932");
    return decoder.decode(bytes);
}

bool survivesCp932(const QString &text)
{
    QStringEncoder encoder("cp932");
    const QByteArray bytes = encoder.encode(text);
    return !encoder.hasError() && fromCp932(bytes) == text;
}

}  // namespace moyuta
