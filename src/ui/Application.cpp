#include "Application.h"

#include <QApplication>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QStyleFactory>
#include <QTranslator>

namespace moyuta::ui {

void prepareApplication(QApplication &app)
{
    // One style everywhere, so the coloured buttons look the same on every platform.
    if (QStyleFactory::keys().contains(QStringLiteral("Fusion"), Qt::CaseInsensitive))
        app.setStyle(QStyleFactory::create(QStringLiteral("Fusion")));

    const QStringList families = QFontDatabase::families();
    for (const char *name : {"Noto Sans CJK JP", "Noto Sans JP", "Yu Gothic UI", "Meiryo UI", "Hiragino Sans"}) {
        const QString family = QString::fromLatin1(name);
        if (families.contains(family)) {
            QFont font(family);
            font.setPointSizeF(10);
            app.setFont(font);
            break;
        }
    }

    // Qt's own dialogs (file dialogs, standard buttons) in Japanese when the translation is installed.
    auto *translator = new QTranslator(&app);
    if (translator->load(QStringLiteral("qtbase_ja"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(translator);
    else
        delete translator;
}

}  // namespace moyuta::ui
