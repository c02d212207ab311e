// The measurement on a thread of its own: the port, the cutting of the byte stream into frames,
// the decoders, the sample store's append, the limit check, the journal's feed and the save of
// each segment. Its clients (the main window, the console, a recorder without a window) set its
// options, start and stop it, and read what it publishes; none of them can hold up a frame.
//
// It owns the thread and coordinates three pieces that live on it: PortReader (the port, paced
// reads, frames and their arrival times, decoding, the console's tap), SegmentKeeper (the store's
// append, held samples, the journal, the saves and the unsaved segments) and StreamFeed (the MQTT
// stream); itself it keeps the options, the readout and what is published.
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

#include "engine/EngineState.h"
#include "engine/PortReader.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QObject>
#include <QString>
#include <QStringList>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string_view>
#include <vector>

class QThread;
class QTimer;

namespace tavin {

struct AppEnv;
class EventLog;
class Journal;
class SampleStore;
class SegmentKeeper;
class StreamFeed;
class UnsavedRecordings;

class Acquisition : public QObject, private EngineOutput, private PortReader::Frames {
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
    static constexpr qsizetype TapMaxBytes = PortReader::TapMaxBytes;
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
    // to the journal folder list as journals open in new ones.
    void setJournalFolders(const QStringList& folders);
    // How long to wait between attempts at a new journal when no folder takes one.
    qint64 journalRetryMs = 5000;
    // The samples counted as received by the port since the engine was made (tests, benchmarks).
    std::uint64_t frames() const { return framesSeen_.load(std::memory_order_relaxed); }

Q_SIGNALS:
    // Something in the event queue waits (emitted on the engine's thread).
    void news();
    // A measurement began or ended: measuring() changed (emitted on the engine's thread).
    void measuringChanged(bool measuring);

private:
    using Clock = PortReader::Clock;
    // A frame cut from the port's bytes, and when it arrived.
    void frame(std::string_view text, Clock::time_point arrived) override;
    // `ago`: how long before now the frame arrived.
    short decodeAndStore(std::string_view text, std::chrono::microseconds ago);
    void measureSampling(std::int32_t ticks);
    void arrived(OleDate now);
    void store(float value, OleDate now);
    void applyOptions();
    void setUnit(const QString& unit);
    QString open();
    void onReceived();
    void onLost(const QString& reason);
    void stopHere();
    void tick();
    void announce(AcquisitionEvent e) override;
    void publish() override;
    QString portName() const;
    bool onThread() const;
    // This object as what its pieces send to (the bases are private: no client sees them).
    EngineOutput& output();
    PortReader::Frames& frameSink();
    // Runs the calls queued by `call`, on the engine's thread.
    Q_INVOKABLE void runCalls();

    const AppEnv& env_;
    EventLog& log_;
    SampleStore& store_;
    Journal& journal_;

    QThread* thread_;
    QTimer* tick_ = nullptr;  // while measuring: publish, journal, held samples
    // The engine thread's own state, and its pieces (ended on its thread).
    EngineState st_;
    std::unique_ptr<PortReader> reader_;
    std::unique_ptr<StreamFeed> feed_;
    std::unique_ptr<SegmentKeeper> keeper_;
    // The readout: refreshed about every 100 ms of data, its format taken from the first frames.
    std::string_view dispFormat_;
    std::int32_t firstFrameTicks_ = 0;
    OleDate lastRecvTime_ = 0;
    OleDate prevRecvTime_ = 0;
    std::int16_t refreshCount_ = 0;
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
};

}  // namespace tavin
