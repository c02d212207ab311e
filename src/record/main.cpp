// tavin-record: records a gauge without a window, for benches without a screen and for services.
// The files beside the executable (log, journal list, settings) are the window's own.
#include "platform/QuitSignals.h"
#include "record/RecordOptions.h"
#include "record/Recorder.h"

#include <QCoreApplication>

#include <csignal>
#include <cstdio>

int main(int argc, char* argv[])
{
    // A reader of the output that went away (`| head`) must not end a recording unsaved.
    std::signal(SIGPIPE, SIG_IGN);
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("tavin-record"));

    tavin::AppEnv env;
    env.exeDir = QCoreApplication::applicationDirPath();
    env.exeBaseName = QStringLiteral("TAVIN-Monitor");

    const tavin::ParsedCommandLine parsed = tavin::ParseRecordCommandLine(app.arguments().mid(1), env);
    if (parsed.help) {
        std::fputs(tavin::RecordUsage().toUtf8().constData(), stdout);
        return tavin::RecordOk;
    }
    if (!parsed.error.isEmpty()) {
        std::fprintf(stderr, "tavin-record: %s\n", parsed.error.toUtf8().constData());
        return tavin::RecordBadInput;
    }

    tavin::Recorder recorder(env, parsed.options);
    QObject::connect(&recorder, &tavin::Recorder::finished, &app, &QCoreApplication::exit, Qt::QueuedConnection);
    tavin::OnTerminationSignals(&recorder, [&recorder] { recorder.finish(tavin::RecordOk); });
    if (const QString why = recorder.start(); !why.isEmpty()) {
        std::fprintf(stderr, "tavin-record: %s\n", why.toUtf8().constData());
        return tavin::RecordBadInput;
    }
    return app.exec();
}
