// tavin-record: records a gauge without a window, for benches without a screen and for services.
// Its settings file, log and journal list are the window's own (AppFolders): beside a portable
// executable, in the user's folders when installed; a service names its own with TAVIN_CONFIG_DIR
// and TAVIN_STATE_DIR.
#include "core/platform/AppFolders.h"
#include "core/platform/QuitSignals.h"
#include "core/platform/ToolTexts.h"
#include "record/RecordOptions.h"
#include "record/Recorder.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>
#include <unistd.h>

namespace {

tavin::OutputQueue* qtWarnings = nullptr;

void toQueue(QtMsgType type, const QMessageLogContext&, const QString& text)
{
    const QByteArray line = "tavin-record: " + text.toUtf8() + '\n';
    if (type == QtFatalMsg)  // the program ends before a writer would take it
        [[maybe_unused]]
        auto n = ::write(STDERR_FILENO, line.constData(), std::size_t(line.size()));
    else
        qtWarnings->line(line);
}

}  // namespace

int main(int argc, char* argv[])
{
    // A reader of the output that went away (`| head`) must not end a recording unsaved.
    std::signal(SIGPIPE, SIG_IGN);
    // Neither output may hold up the recording, Qt's own warnings included. Both outlive the
    // application object, whose end may still warn.
    tavin::OutputQueue out(STDOUT_FILENO), err(STDERR_FILENO);
    qtWarnings = &err;
    qInstallMessageHandler(toQueue);
    const struct Unhook {
        ~Unhook() { qInstallMessageHandler(nullptr); }
    } unhook;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavin-record"));
    tavin::InstallToolLanguage(app);

    tavin::AppEnv env;
    env.exeDir = QCoreApplication::applicationDirPath();
    tavin::UseAppFolders(env, tavin::ProgramFolders(env.exeDir));
    env.exeBaseName = QStringLiteral("TAVIN-Monitor");

    const tavin::ParsedCommandLine parsed = tavin::ParseRecordCommandLine(app.arguments().mid(1), env);
    if (parsed.help) {
        std::fputs(tavin::RecordUsage().toUtf8().constData(), stdout);
        return tavin::RecordOk;
    }
    if (parsed.version) {
        std::puts(tavin::ToolVersionLine(QStringLiteral("tavin-record")).toUtf8().constData());
        return tavin::RecordOk;
    }
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "tavin-record: %s\n", parsed.error.toUtf8().constData());
        return tavin::RecordBadInput;
    }
    tavin::MakeAppFolders(env);

    tavin::Recorder recorder(env, parsed.options, out, err, ::isatty(STDOUT_FILENO) != 0);
    QObject::connect(&recorder, &tavin::Recorder::finished, &app, &QCoreApplication::exit,
                     Qt::QueuedConnection);
    tavin::OnTerminationSignals(&recorder, [&recorder] { recorder.finish(tavin::RecordOk); });
    if (const QString why = recorder.start(); !why.isEmpty()) {
        err.line("tavin-record: " + why.toUtf8() + '\n');
        return tavin::RecordBadInput;
    }
    return app.exec();
}
