// The engine's feed of the MQTT stream: the publisher made, restarted and closed as the options
// say, each sample placed on its segment's axis and handed over, a message for each recording
// saved, and the broker's state watched for the clients.
//
// Threads: the engine's thread only (the publisher's own thread is the publisher's affair). The
// per-frame path, `place`, hands samples to the publisher's ring: no lock, no allocation. The
// timer that watches the broker is a child of the engine's object and moves with it.
#pragma once

#include "core/platform/SampleAxis.h"
#include "engine/EngineState.h"
#include "engine/MqttPublisher.h"

#include <QString>

#include <cstdint>
#include <memory>

class QObject;
class QTimer;

namespace tavin {

class EventLog;
class SampleStore;
struct CsvHeader;

class StreamFeed {
public:
    // How often the broker's state is looked at while streaming.
    static constexpr int WatchMs = 250;

    // The watch's timer is made a child of `owner`, so that it moves with it to the engine's thread.
    StreamFeed(EventLog& log, const SampleStore& store, EngineState& state, EngineOutput& out,
               QObject* owner);
    ~StreamFeed();
    StreamFeed(const StreamFeed&) = delete;
    StreamFeed& operator=(const StreamFeed&) = delete;

    bool streaming() const { return bool(stream_); }
    // The stream as the options now say: the one running ends, a new one starts while a broker is set.
    void restart();
    // Ends the stream for good: what the broker has not taken goes while it takes it (a few
    // seconds at most). What was left, said for the user and logged (empty: nothing).
    QString end();

    // The unit, coefficient, period, kind or segment name of the samples that follow changed.
    void contextChanged();
    // A new segment starts: its samples are placed on an axis of their own.
    void segmentBegun();
    // The sampling period changed (nothing of the segment is placed while it is being measured).
    void setPeriod(std::int32_t ms) { axis_.setPeriod(ms); }
    // Hands over the store's samples whose place on the segment's axis is known: each as it comes,
    // the segment's first second once it is over, the rest when the segment ends (`final`).
    void place(bool final);
    // A recording was saved: its message, with the times of its first and last value on its axis.
    void saved(const QString& path, const CsvHeader& header, const OleDate* times, std::size_t samples);
    // The measurement stopped: the open batch goes at once.
    void flush();

    // The broker's state `s` for the clients: a new problem, the connection back after one, and the
    // first values dropped since the connection are logged and announced once each.
    void watch(const StreamStatus& s);

private:
    void watchNow();
    StreamContext context() const;

    EventLog& log_;
    const SampleStore& store_;
    EngineState& st_;
    EngineOutput& out_;
    QTimer* watch_;
    std::unique_ptr<MqttPublisher> stream_;
    SegmentAxis axis_{1000};     // the segment's samples placed on its axis
    OleDate stamp_ = 0;          // the last stamp handed over,
    std::int64_t offsetMs_ = 0;  // and its local time's offset from UTC
    std::uint32_t problemsSeen_ = 0;
    bool droppingSaid_ = false;  // since the broker was last connected
};

}  // namespace tavin
