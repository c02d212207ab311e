// The recorder without a window: the acquisition engine with its store, journal and segments as
// the window has them, and a terminal's worth of output: one line per saved recording on stdout,
// a status line while stdout is a terminal, and on stderr only what went wrong. Both go through
// queues that never hold up the recording when nobody reads them.
#pragma once

#include "core/app/basLog.h"
#include "core/files/Journal.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/platform/Prompts.h"
#include "core/trend/SampleStore.h"
#include "engine/Acquisition.h"
#include "record/OutputQueue.h"
#include "record/RecordOptions.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include <memory>

namespace tavin {

// Exit statuses.
enum RecordStatus : int {
    RecordOk = 0,
    RecordUnsaved = 1,   // measured data could not be saved anywhere by the end
    RecordBadInput = 2,  // the command line, the port, the folder or the name
    RecordPortLost = 3,  // the device vanished (without --reconnect)
};

class Recorder : public QObject {
    Q_OBJECT

public:
    // `env.prompts` is replaced: what would be a box is a line on `err`. `terminal`: `out` is one,
    // which gets a status line.
    Recorder(AppEnv env, RecordOptions options, OutputQueue& out, OutputQueue& err, bool terminal);
    ~Recorder() override;

    // Opens the port and starts measuring, then opens the log and recovers what an earlier run
    // left. Empty when it runs; else why not, with nothing created.
    QString start();
    // Ends the run: the partial segment is saved, then `finished` tells the exit status.
    void finish(int status);
    // How often the status line is written (only while `out` is a terminal) and unsaved segments
    // and what the gauge sends are looked at.
    static constexpr int StatusMs = 1000;

Q_SIGNALS:
    void finished(int status);

private:
    void onNews();
    void onEvent(const AcquisitionEvent& e);
    void onPortLost(const QString& why);
    // A saved segment judged as a pressure-decay test (--decay).
    void judgeDecay(const QString& recording);
    void connected();
    void checkWhatComes();
    void tryReconnect();
    void everySecond();
    void armDuration();
    // A line for the terminal, in the user's language, and for the log, in the program's own
    // (Japanese, as the window writes the same log): a source text of the recorder's translated
    // and not, or a text of the core's or the engine's, the same in both.
    struct Message {
        Message(const QString& text) : shown(text), logged(text) {}
        explicit Message(const char* source);  // marked with QT_TRANSLATE_NOOP("tavin-record", ...)
        Message(QString s, QString l) : shown(std::move(s)), logged(std::move(l)) {}
        template <typename... A>
        Message arg(const A&... a) const
        {
            return {shown.arg(a...), logged.arg(a...)};
        }
        QString shown, logged;
    };
    // A line on stderr, and in the log at `level` when one is given.
    void say(const Message& text, int level = -1);
    void clearStatus();

    // The boxes of the log and of the files' code, said on stderr.
    class Said : public Prompts {
    public:
        explicit Said(Recorder& r) : r_(r) {}
        MsgAnswer message(const MessageBox& box) override;
        void notice(const MessageBox& box) override { message(box); }
        std::optional<QString> file(const FileDialog&) override { return std::nullopt; }
        void printerProperties(const QString&, QStringList&) override {}

    private:
        Recorder& r_;
    };

    Said said_{*this};
    AppEnv env_;
    RecordOptions o_;
    OutputQueue& out_;
    OutputQueue& err_;
    bool tty_;

    EventLog log_;
    SampleStore store_;
    Journal journal_;
    UnsavedRecordings unsaved_;
    std::unique_ptr<Acquisition> engine_;
    std::unique_ptr<SampleStore> judged_;  // a saved segment read back for --decay

    QTimer second_;
    QTimer reconnect_;
    QDeadlineTimer deadline_;
    bool finishing_ = false;
    bool statusShown_ = false;
    QString shownForBox_;  // what the terminal shows for the log's box being said
    std::int32_t generation_ = 0;
    std::int64_t samplesBefore_ = 0;  // in the segments ended, and in earlier connections
    std::int64_t errorsBefore_ = 0;   // rejected frames of earlier connections
    std::uint64_t framesAtTick_ = 0;
    double rate_ = -1;  // frames a second; -1: not measured yet
    QElapsedTimer tickClock_;
    QElapsedTimer connected_;  // since the port last opened
    std::int64_t samplesAtConnect_ = 0;
    std::uint64_t framesAtConnect_ = 0;
    bool checked_ = false;  // what comes was looked at in this connection
    int unsavedTicks_ = 0;
};

}  // namespace tavin
