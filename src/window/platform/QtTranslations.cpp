#include "window/platform/QtTranslations.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

namespace tavin {

QList<QTranslator*> InstallQtTranslations(QCoreApplication& app, const QLocale& locale)
{
    const QString folder = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    QList<QTranslator*> installed;
    // "qtbase" holds the widgets' and dialogs' texts, "qtserialport" the port errors. They are
    // loaded one by one rather than through the "qt" meta catalog, which fails as a whole when
    // any module it lists (such as multimedia) is not installed.
    for (const QString& catalog : {QStringLiteral("qtbase"), QStringLiteral("qtserialport")}) {
        auto* t = new QTranslator(&app);
        // Tries the locale's languages in turn: qtbase_ja_JP.qm, then qtbase_ja.qm, ...
        if (t->load(locale, catalog, QStringLiteral("_"), folder) && QCoreApplication::installTranslator(t))
            installed.append(t);
        else
            delete t;
    }
    return installed;
}

QList<QTranslator*> UseJapaneseQtTexts(QCoreApplication& app)
{
    return InstallQtTranslations(app, QLocale(QLocale::Japanese, QLocale::Japan));
}

}  // namespace tavin
