#pragma once
// Code page 932, the encoding of the program's text files and of its datagrams.

#include <QByteArray>
#include <QString>

namespace moyuta {

QByteArray toCp932(const QString &text);
QString fromCp932(const QByteArray &bytes);
// True when the text comes back unchanged through cp932.
bool survivesCp932(const QString &text);

}  // namespace moyuta
