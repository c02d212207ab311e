// The measurement on a thread of its own: the port, the cutting of the byte stream into frames,
// the decoders, the sample store's append, the limit check, the journal's feed and the save of
// each segment. Its clients (the main window, the console, a recorder without a window) set its
// options, start and stop it, and read what it publishes; none of them can hold up a frame.
//
// Reading. A gauge that sends faster than one frame a pace (the client's: 20 ms for a window, more
// for a recorder) is read once a pace, its frames waiting in the system's buffer meanwhile: waking
// for each frame costs many times what the frame does. The frames that waited are stamped as arrived evenly
// over the pause, the last one now, so a regular gauge's stamps stay within a frame's period of its arrival.
// Slower gauges are read as each frame comes.
//
// Publishing. The store's count is an atomic written with release after the sample it counts, so
// a reader that loads it with acquire sees whole samples only. Everything else a client shows
// (counts, unit, readout, battery, start and end times) is copied under a mutex at the client's
// publishing period (25 ms for a window) and taken by the client at its screen refresh; what a client must
// act on at once (a segment saved, the device gone, the unit or battery changed) is queued and announced by
// `news()`.
//
// Handshakes. At the end of a full segment the engine saves it, sets the count to 0 and keeps the
// samples that follow aside (stamped and counted, not lost) until the client acknowledges the
// new segment with `acknowledge()`: it never overwrites a sample a client may be reading. What a
// client changes in the store while measuring (the average recalculated) and start, stop and
// reload run through `call`, on the engine's thread while the client waits.
#pragma once

#include "core/decode/Decoders.h"
#include "core/files/CsvWriter.h"
#include "core/platform/DateTime.h"
#include "core/platform/SampleAxis.h"
#include "core/serial/FrameAssembler.h"
#include "core/stream/StreamOptions.h"
#include "core/trend/Recording.h"
#include "engine/MqttPublisher.h"

#include <QByteArray>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

class QThread;
class QTimer;

namespace tavin {

struct AppEnv;
class CommControl;
class EventLog;
class Journal;
class SampleStore;
class UnsavedRecordings;

// What the client decides. A change takes effect before the next frame is decoded.
struct AcquisitionOptions {
    int port = 1;         // COM number
    bool noPort = false;  // frames come only through inject and receive (tests, tools)
    int baudRate = 9600;
    std::int16_t term = 0;                 // gauge kind 0..5
    bool samplingAuto = false;             // measure the period from the first frames
    std::int32_t sampling = 1000;          // the period in ms
    bool unitAuto = true;                  // the unit follows the frames
    QString unit = QStringLiteral("---");  // the unit while unitAuto is off, and until a frame sets one
    float keisu = 1.0f;                    // coefficient
    float limitHi = 0.0f;
    float limitLow = 0.0f;
    std::int16_t etcConf = 0;       // flag 4: upper limit on, flag 2: lower limit on
    bool readoutAverage = false;    // the readout shows the moving average
    double aveLength = 1000;        // the average's length as typed, taken at the start
    std::int32_t maxDatas = 30000;  // samples per segment
    std::int16_t rangePlus = 0;     // written in each recording's header
    std::int16_t rangeMinus = 0;
    QString saveDir;   // where recordings and journals go
    QString baseName;  // the recordings' base name
    QString device;    // a device path opened instead of the port numbered `port`
    // A gauge faster than a frame in `paceMs` is read once in it, its frames waiting in the
    // system's buffer meanwhile: a window wants its readout fresh, a recorder wakes less often.
    int paceMs = 20;
    // How often what clients show is published, the journal handed its lines and held samples
    // stored: a little faster than a screen refreshes.
    int publishMs = 25;
    // The broker the samples are streamed to, while its URL is set; an empty topic is the port's.
    StreamOptions stream;
    // Each saved recording gets its analysis CSV beside it ("…_analysis.csv").
    bool analysisCsv = false;

    bool operator==(const AcquisitionOptions&) const = default;
};

// What a client shows, as of the engine's last publish.
struct AcquisitionView {
    std::int32_t generation = 0;  // segments ended since the engine was made
    std::int32_t fileNo = 1;      // the current segment's number
    std::int32_t errorCount = 0;  // frames rejected since the start
    QString lastError;            // the last rejected frame and why
    std::int64_t startCount = 1;  // the number of the segment's first sample, counted from the start
    OleDate startTime = 0;        // the segment's start (0: none yet)
    OleDate endTime = 0;          // the end of the last segment (0: none yet)
    QString unit = QStringLiteral("---");
    std::int32_t battery = 0;  // tenths of a volt; 0: none
    char reference = 0;        // the reference character; 0: none
    // The readout refreshes about every 100 ms of data: its value, format and limit check, and
    // `readouts` counting the refreshes (a client shows one whenever it changed).
    std::uint32_t readouts = 0;
    float readoutValue = 0.0f;
    std::string_view readoutFormat;
    LimitCheck limits;
    std::uint32_t lampBlinks = 0;  // the fast gauge's receive lamp changed (kind 5): its state
    bool lampOn = false;
    bool measuring = false;
    bool protecting = true;                // the journal holds the segment (crash protection on)
    std::int32_t unsaved = 0;              // segments kept in memory whose recording could not be written
    std::int32_t unsavedInMemoryOnly = 0;  // of those, the ones no journal would bring back
    StreamStatus stream;                   // the broker's state while streaming is configured
};

// What happened that a client acts on at once, in order.
struct AcquisitionEvent {
    enum class Kind {
        Status,        // a status-bar text: "保存しました." ...
        SavedAs,       // the first recording's name of this measurement (text)
        SegmentEnded,  // a full segment was saved; the store starts the next one
        Saved,         // a recording was written (text: its path, number: samples, first, last: their times)
        PortLost,      // the device vanished; the measurement stopped and was saved (text: why)
        UnitChanged,   // (text: the unit)
        BatteryChanged,    // (number: tenths of a volt)
        SamplingMeasured,  // the automatic period: number = the average in ms, whole = the standard period
        ProtectionOff,     // crash protection off (text: why)
        ProtectionBack,    // the journal holds the segment again (text: its path)
        Stream,            // the broker: a problem, values dropped, or back after a problem (text, logged)
    };
    Kind kind;
    QString text;
    double number = 0;
    std::int32_t whole = 0;
    OleDate first = 0;
    OleDate last = 0;
};

// Bytes received and the port's open and close, as the console shows them (it shows what it
// sends itself).
struct TapEntry {
    enum class Kind { Received, Line } kind;
    QByteArray bytes;  // Received
    QString text;      // Line: "Open(COM3,9600,N,8,1)"
};

class Acquisition : public QObject, private FrameSink {
    Q_OBJECT

public:
    // The store, journal and unsaved segments are the engine's while it lives: a client reads the
    // store as described above and changes them only through `call`.
    Acquisition(const AppEnv& env, EventLog& log, SampleStore& store, Journal& journal,
                UnsavedRecordings& unsaved);
    // Stops the thread and closes the port. A measurement still running is not saved (a client
    // stops it first): its journal stays, and the next start recovers it.
    ~Acquisition() override;

    // Applies `options` before the next frame. Any thread.
    void setOptions(const AcquisitionOptions& options);
    AcquisitionOptions options() const;

    // Opens the port and starts a measurement with segment 1. Empty when it runs, else why not.
    QString start(const AcquisitionOptions& options);
    // Stops a measurement: the port closes, the end time is taken and the segment is saved (or
    // kept as unsaved). Nothing when none runs.
    void stop();
    bool measuring() const { return measuring_.load(std::memory_order_acquire); }
    bool portOpen() const { return portOpen_.load(std::memory_order_acquire); }

    // Runs `fn` on the engine's thread and waits for it: the store, journal and unsaved segments
    // may be changed there, no sample is appended meanwhile.
    void call(const std::function<void()>& fn);

    // What changed since the last take; `events` are appended to.
    AcquisitionView view(std::vector<AcquisitionEvent>* events = nullptr);
    // The client holds nothing of segments before `generation` any more: the samples held for it
    // are stored before this returns.
    void acknowledge(std::int32_t generation);

    // Frames as if they came from the port, decoded and stored at once (tests, tools). Returns -1
    // for a rejected frame, as the decoders' handlers do.
    short inject(std::string_view frame);
    // Bytes as if the port had received them: cut into frames, decoded and stored at once.
    void receive(QByteArrayView bytes);
    // A value as if a gauge had sent it, time-stamped now.
    void injectValue(float value);

    // The console: bytes to the gauge (a frame being received is abandoned), a half frame given
    // up, and the tap of the bytes received while it is on (at most TapMaxBytes kept) with the
    // port's open and close lines.
    static constexpr qsizetype TapMaxBytes = 64 * 1024;
    void send(const QByteArray& bytes);
    void resetFrame();
    void setTap(bool on);
    std::vector<TapEntry> takeTap();

    // Saves what the store holds now, as at a segment's end but without ending it.
    bool saveNow();
    // Saves the segments kept unsaved; how many were saved.
    int saveUnsaved();
    // Ends the stream for good, after the last measurement: what the broker has not taken goes
    // while it takes it. What was left unsent, said for the user (empty: nothing).
    QString closeStream();
    // The journal's state now rather than at the next tick (tests).
    void checkJournalNow();
    // The folders journals went to before (as recovery found them); more are added and written
    // to the list beside the program as journals open in new ones.
    void setJournalFolders(const QStringList& folders);
    // How long to wait between attempts at a new journal when no folder takes one.
    qint64 journalRetryMs = 5000;
    // The samples counted as received by the port since the engine was made (tests, benchmarks).
    std::uint64_t frames() const { return framesSeen_.load(std::memory_order_relaxed); }

Q_SIGNALS:
    // Something in the event queue waits (emitted on the engine's thread).
    void news();

private:
    // A sample on its way into the store, with its moving average taken when it arrived.
    struct Held {
        float value;
        OleDate time;
        float mean;
        bool averaged;
    };
    using Clock = std::chrono::steady_clock;
    // Frames are cut from all the bytes one read brings, then stamped and stored.
    void frame(std::string_view text) override;
    void storeCut(Clock::time_point readAt, Clock::duration spread);
    // `ago`: how long before now the frame arrived.
    short decodeAndStore(std::string_view text, std::chrono::microseconds ago);
    void arrived(OleDate now);
    void store(float value, OleDate now);
    void append(const Held& h, bool journaled);
    bool isHeld() const;
    void drainHeld();
    void journalHeld();
    void journalHeldSamples(std::size_t from, std::size_t to);
    void endSegment(std::int32_t lastIndex);
    void saveSegment();
    int saveUnsavedHere(bool announce);
    void countUnsaved();
    bool autoSave(QString* triedPath);
    CsvHeader header() const;
    void journalSample(std::int32_t index, float value, OleDate time);
    bool openJournal(bool replacing);
    void checkJournal();
    void journalHeaderAgain();
    void journalOff(const QString& why);
    QString endStream();
    void restartStream();
    void streamContext();
    StreamContext streamContextNow() const;
    void streamPlaced(bool final);
    void watchStream();
    void rememberJournalFolder(const QString& folder);
    void writeJournalFolders();
    void applyOptions();
    void setUnit(const QString& unit);
    void onReceived();
    void onLost(const QString& reason);
    void stopHere();
    void tick();
    void tapLine(const QString& text);
    void tapReceived(const char* data, qsizetype size);
    void event(AcquisitionEvent::Kind kind, const QString& text = {}, double number = 0,
               std::int32_t whole = 0);
    void event(AcquisitionEvent e);
    void saved(const QString& path, const CsvHeader& header, const float* values, const OleDate* times,
               std::size_t samples);
    QString portName() const;
    void publish();
    bool onThread() const;
    // Runs the calls queued by `call`, on the engine's thread.
    Q_INVOKABLE void runCalls();

    const AppEnv& env_;
    EventLog& log_;
    SampleStore& store_;
    Journal& journal_;
    UnsavedRecordings& unsaved_;

    QThread* thread_;
    CommControl* port_ = nullptr;   // lives on thread_
    QTimer* tick_ = nullptr;        // while measuring: publish, journal, held samples
    QTimer* streamTick_ = nullptr;  // while streaming: the broker's state published
    std::unique_ptr<MqttPublisher> stream_;
    SegmentAxis streamAxis_{1000};     // the segment's samples placed on its axis for the stream
    OleDate streamStamp_ = 0;          // the last stamp handed to the stream,
    std::int64_t streamOffsetMs_ = 0;  // and its local time's offset from UTC

    // The engine thread's own state.
    AcquisitionOptions opt_;
    FrameAssembler assembler_;
    QByteArray readBuf_;
    std::string cut_;                   // the frames cut from the last read, back to back
    std::vector<std::size_t> cutEnds_;  // where each ends in cut_
    Clock::time_point lastRead_;
    Clock::time_point listening_;  // when the thread last went back to wait for events
    bool pacing_ = true;           // a fast gauge is read once a pace (not while stopping)
    bool paused_ = false;          // the last read was followed by a pause
    AcquisitionView mine_;         // what the next publish hands out
    std::string_view dispFormat_;  // the readout's number format
    QStringList journalFolders_;
    std::vector<Held> held_;         // samples after a segment's end, before the client's acknowledge
    std::size_t heldJournaled_ = 0;  // the first of them, in the next segment's journal already
    std::int32_t generation_ = 0;
    std::int32_t firstFrameTicks_ = 0;
    OleDate lastRecvTime_ = 0;
    OleDate prevRecvTime_ = 0;
    std::int16_t refreshCount_ = 0;
    std::int16_t blinkCount_ = 0;
    bool protectionOff_ = false;
    qint64 journalRetryAt_ = 0;
    bool folderListPending_ = false;  // the folder list was held by another program: written later
    qint64 folderListRetryAt_ = 0;
    bool savedNameShown_ = false;
    std::uint32_t streamProblemsSeen_ = 0;
    bool droppingSaid_ = false;  // since the broker was last connected
    std::atomic<std::int32_t> acked_{0};
    std::atomic<bool> measuring_{false};
    std::atomic<bool> portOpen_{false};
    std::atomic<std::uint64_t> framesSeen_{0};

    // Shared with clients, under m_.
    mutable std::mutex m_;
    AcquisitionOptions wanted_;
    std::atomic<bool> optionsChanged_{false};
    AcquisitionView published_;
    std::vector<AcquisitionEvent> events_;
    std::vector<std::function<void()>> calls_;
    std::condition_variable wake_;  // a call is queued
    std::atomic<bool> tapOn_{false};
    std::deque<TapEntry> tap_;
    qsizetype tapBytes_ = 0;
    qint64 lastPublish_ = 0;
};

}  // namespace tavin
