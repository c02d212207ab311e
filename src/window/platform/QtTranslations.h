// Qt's own texts (message-box buttons, the file dialogs, serial-port errors) in Japanese, so that
// they match the program's Japanese texts instead of appearing in English.
#pragma once

#include <QList>

class QCoreApplication;
class QLocale;
class QTranslator;

namespace tavin {

// Loads Qt's translation catalogs for `locale` from Qt's translations folder (Debian package
// qt6-translations-l10n) and installs them in `app`, which owns them. Returns the installed
// translators: none when no catalog exists for that language.
QList<QTranslator*> InstallQtTranslations(QCoreApplication& app, const QLocale& locale);

// The window's texts are Japanese: Qt's are made Japanese too, whatever the user's locale, so that
// no box mixes a Japanese question with "Yes" and "No".
QList<QTranslator*> UseJapaneseQtTexts(QCoreApplication& app);

}  // namespace tavin
