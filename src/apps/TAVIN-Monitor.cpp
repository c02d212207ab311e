// TAVIN-Monitor: records and shows the values of a digital pressure gauge on a serial port.
#include "core/app/AppState.h"
#include "core/platform/QuitSignals.h"
#include "window/main/frmMain.h"
#include "window/platform/DialogPrompts.h"
#include "window/platform/QtTranslations.h"

#include <QApplication>
#include <QFileInfo>
#include <QLocale>

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("TAVIN-Monitor"));
    // Standard buttons and file dialogs in the user's language, like the program's own texts.
    tavin::InstallQtTranslations(app, QLocale::system());

    tavin::AppEnv env;
    env.exeDir = QCoreApplication::applicationDirPath();
    env.exeBaseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    tavin::DialogPrompts prompts(env.exeBaseName);
    env.prompts = &prompts;

    tavin::AppState state(std::move(env));
    tavin::frmMain window(state);
    QObject::connect(&window, &tavin::frmMain::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    tavin::OnTerminationSignals(&window, [&window] { window.close(); });
    window.show();
    return app.exec();
}
