#include "core/platform/ToolTexts.h"

#include <QCoreApplication>
#include <QTranslator>

namespace tavin {

bool InstallToolLanguage(QCoreApplication& app, const QLocale& locale)
{
    if (locale.language() == QLocale::Japanese)
        return false;  // the source texts
    auto* english = new QTranslator(&app);
    if (english->load(QStringLiteral(":/i18n/tavin_en.qm")) && QCoreApplication::installTranslator(english))
        return true;
    delete english;
    return false;
}

QString ToolVersionLine(const QString& tool)
{
    return QStringLiteral("%1 %2.%3.%4")
        .arg(tool)
        .arg(TAVIN_VERSION_MAJOR)
        .arg(TAVIN_VERSION_MINOR)
        .arg(TAVIN_VERSION_REVISION);
}

}  // namespace tavin
