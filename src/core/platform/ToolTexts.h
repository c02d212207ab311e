// What the command-line tools (tavin-record, gauge-sim, tavin-demo) say on a terminal: in the
// language of whoever runs them. The window never installs this; its texts are Japanese whatever
// the locale.
#pragma once

#include <QLocale>
#include <QString>

class QCoreApplication;

namespace tavin {

// One rule for every tool: its texts are written in Japanese in the source, as the window's are,
// and wrapped for lupdate (QCoreApplication::translate with the tool's name as context, or
// QT_TRANSLATE_NOOP in a table). translations/tavin_en.ts holds their English. A tool speaks
// Japanese when the user's language is Japanese and English under any other, "C" included:
// the English catalog is installed unless `locale` (QLocale::system() reads LC_ALL, LC_MESSAGES,
// LANG and LANGUAGE) is Japanese. A text the catalog lacks stays Japanese. The catalog is compiled
// into the executable (":/i18n/tavin_en.qm", the tavin_tool_catalogs library), so no path is looked
// up, from the build folder or installed. True when the English catalog was installed.
bool InstallToolLanguage(QCoreApplication& app, const QLocale& locale = QLocale::system());

// What --version prints: "tavin-record 1.0.0".
QString ToolVersionLine(const QString& tool);

}  // namespace tavin
