// TAVIN-Monitor: records and shows the values of a digital pressure gauge on a serial port.
#include "core/app/AppState.h"
#include "core/platform/AppFolders.h"
#include "core/platform/QuitSignals.h"
#include "core/platform/ToolTexts.h"
#include "window/main/frmMain.h"
#include "window/platform/DialogPrompts.h"
#include "window/platform/QtTranslations.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>

#include <cstdio>
#include <optional>

namespace {

QString usage(const tavin::AppEnv& env)
{
    return QCoreApplication::translate(
               "TAVIN-Monitor",
               "使い方: TAVIN-Monitor [オプション] [ファイル.csv]\n"
               "デジタル圧力ゲージの値をシリアルポートから受けて表示し、記録します。\n"
               "ファイルを指定すると、その記録を読み出しモードで開きます。\n\n"
               "  --help        この説明\n"
               "  --version     版\n"
               "  -platform X   Qt の表示先 (offscreen: 画面なし)\n\n"
               "設定ファイル:   %1\n"
               "ログ (LOG):     %2\n"
               "実行ファイルのフォルダに書き込めるとき (/usr/bin を除く) は、すべてそのフォルダに置きます。\n"
               "書き込めないとき (インストールしたとき) は $XDG_CONFIG_HOME/TAVIN-Monitor と\n"
               "$XDG_STATE_HOME/TAVIN-Monitor (~/.config と ~/.local/state の下) に置きます。\n")
        .arg(QDir::toNativeSeparators(env.configPath(QStringLiteral("TAVIN-Monitor.ini"))),
             QDir::toNativeSeparators(env.statePath(QStringLiteral("LOG"))));
}

tavin::AppEnv programEnv()
{
    tavin::AppEnv env;
    env.exeDir = QCoreApplication::applicationDirPath();
    env.exeBaseName = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
    tavin::UseAppFolders(env, tavin::ProgramFolders(env.exeDir));
    return env;
}

// --help and --version are answered without a display, before the window's application starts.
std::optional<int> answerWithoutWindow(int argc, char* argv[])
{
    for (int i = 1; i < argc; ++i) {
        const QByteArray arg(argv[i]);
        if (arg != "--help" && arg != "-h" && arg != "--version")
            continue;
        QCoreApplication app(argc, argv);
        tavin::InstallToolLanguage(app);  // a terminal's text, in the user's language
        const QString text = arg == "--version"
                                 ? tavin::ToolVersionLine(QStringLiteral("TAVIN-Monitor")) + u'\n'
                                 : usage(programEnv());
        std::fputs(text.toUtf8().constData(), stdout);
        return 0;
    }
    return std::nullopt;
}

}  // namespace

int main(int argc, char* argv[])
{
    if (const std::optional<int> status = answerWithoutWindow(argc, argv))
        return *status;
    QApplication app(argc, argv);  // takes Qt's own options (-platform) first
    // What is said on the terminal, in the user's language; the catalog holds no window text.
    tavin::InstallToolLanguage(app);
    QApplication::setApplicationName(QStringLiteral("TAVIN-Monitor"));
    tavin::AppEnv env = programEnv();

    QString recording;
    for (const QString& arg : app.arguments().mid(1)) {
        if (arg.startsWith(u'-') || !recording.isEmpty()) {
            std::fprintf(stderr, "TAVIN-Monitor: %s\n%s",
                         QCoreApplication::translate("TAVIN-Monitor", "使えない引数です: %1")
                             .arg(arg)
                             .toUtf8()
                             .constData(),
                         usage(env).toUtf8().constData());
            return 2;
        }
        recording = QFileInfo(arg).absoluteFilePath();
        if (!QFileInfo(recording).isFile()) {
            std::fprintf(stderr, "TAVIN-Monitor: %s\n",
                         QCoreApplication::translate("TAVIN-Monitor", "ファイル %1 が見つかりません。")
                             .arg(QDir::toNativeSeparators(recording))
                             .toUtf8()
                             .constData());
            return 2;
        }
    }
    tavin::MakeAppFolders(env);
    // The window speaks Japanese: Qt's own buttons and dialogs too, whatever the locale.
    tavin::UseJapaneseQtTexts(app);
    tavin::DialogPrompts prompts(env.exeBaseName);
    env.prompts = &prompts;

    tavin::AppState state(std::move(env));
    tavin::frmMain window(state);
    QObject::connect(&window, &tavin::frmMain::unloaded, &app, &QCoreApplication::quit, Qt::QueuedConnection);
    tavin::OnTerminationSignals(&window, [&window] { window.close(); });
    window.show();
    if (!recording.isEmpty())  // once the window is up, as if the user had chosen it
        QTimer::singleShot(0, &window, [&window, recording] { window.openRecording(recording); });
    return app.exec();
}
