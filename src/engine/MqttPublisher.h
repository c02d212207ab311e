// Publishes a measurement to an MQTT broker on a thread of its own, so that neither the network
// nor a broker that is away can hold up a frame. The measurement's thread hands over each sample
// through a ring without a lock; this thread cuts them into batches, keeps what the broker has not
// acknowledged (bounded, in order) and sends it once the broker is back.
//
// Topics under the root: `values` (the batches, QoS 1), `segment` (one message per saved
// recording, QoS 1), `gap` (values that had to be dropped, QoS 1) and `status` (retained:
// online while connected, stopped at a clean end, lost as the last will).
#pragma once

#include "core/platform/DateTime.h"
#include "core/stream/StreamBatches.h"
#include "core/stream/StreamOptions.h"

#include <QString>

#include <array>
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

struct mosquitto;
struct mosquitto_message;
struct mqtt5__property;  // mosquitto_property

namespace tavin {

// The publisher's state as a client shows it.
struct StreamStatus {
    enum class Link { Off, Connecting, Connected, Failed };
    Link link = Link::Off;
    QString broker;              // host:port
    std::int64_t backlog = 0;    // samples not acknowledged by the broker yet
    std::int64_t dropped = 0;    // samples dropped since the start because the backlog was full
    std::int64_t refused = 0;    // samples the broker refused, given up into gap messages
    std::uint32_t problems = 0;  // counts the problems reported; `problem` is the last
    QString problem;

    bool operator==(const StreamStatus&) const = default;
};

// "MQTT: 接続中" and the like, for a status bar or a status line.
QString StreamStatusText(const StreamStatus& s);

class MqttPublisher {
public:
    // `topic` must be set (DefaultTopic for the port when the user named none); `context` is that
    // of the first samples, and names the kind in the status.
    MqttPublisher(const StreamOptions& options, const StreamContext& context);
    ~MqttPublisher() { close(); }
    MqttPublisher(const MqttPublisher&) = delete;
    MqttPublisher& operator=(const MqttPublisher&) = delete;

    static constexpr int ReconnectMs = 2000;
    static constexpr int ConnectTimeoutMs = 10000;  // a broker that does not answer the connect
    static constexpr int DrainMs = 3000;
    static constexpr std::size_t InFlightMax = 16;
    static constexpr std::size_t RingSize = std::size_t(1) << 16;  // a minute of the fastest gauge

    // ---- the measurement's thread: one producer ----
    // A sample of the segment: its time on the segment's axis (ms since 1970) and its number in
    // the segment, from 1. No lock, no allocation.
    void sample(float value, std::int64_t ms, std::int32_t index)
    {
        const std::uint64_t head = head_.load(std::memory_order_relaxed);
        if (head - tail_.load(std::memory_order_acquire) >= RingSize) {
            ringDropped_.fetch_add(1, std::memory_order_release);
            return;
        }
        ring_[head % RingSize] = {ms, value, contextId_, index};
        head_.store(head + 1, std::memory_order_release);
    }
    // The unit, coefficient, period, kind or segment of the samples that follow.
    void setContext(const StreamContext& context);
    // A recording was saved: announced after the values sampled before this call, with the times
    // of its first and last value (ms since 1970).
    void segment(const QString& path, std::int64_t samples, std::int64_t firstMs, std::int64_t lastMs);
    // The measurement stopped: the open batch goes at once rather than when its time is up.
    void flush() { flush_.store(true, std::memory_order_release); }

    // ---- any thread ----
    StreamStatus status() const;
    // Sends what waits for up to `DrainMs` while the broker is there, says offline and ends the
    // thread; `status()` then tells what was left unsent.
    void close();

private:
    void run();
    // The end of run(): what waits is sent while the broker takes it, then the connection closes.
    void drain();
    // The backlog's counts into the status the other threads read.
    void publishCounts();
    void takeSamples(std::int64_t nowMs);
    void keepCut();
    void connect();
    void lost(int rc);
    void dropConnection(const QString& why, bool closedByBroker = false);
    void send();
    bool reshape(Outgoing& m);
    void split(Outgoing& m);
    void giveUp(Outgoing& m);
    void sayOnce(const QString& text);
    void publishStatus(const char* state);
    void problem(const QString& text);
    void setLink(StreamStatus::Link link);
    std::string statusJson(const char* state) const;
    QString brokerText() const;

    static void onConnect(mosquitto*, void* self, int rc);
    static void onDisconnect(mosquitto*, void* self, int rc, const mqtt5__property*);
    static void onPublish(mosquitto*, void* self, int mid, int reason, const mqtt5__property*);
    static void onLog(mosquitto*, void* self, int level, const char* text);

    const StreamOptions options_;
    const QString topic_;
    const std::string valuesTopic_, segmentTopic_, gapTopic_, statusTopic_;
    BrokerAddress broker_;
    QString badUrl_;

    // The ring: written by the measurement's thread, read by this one.
    std::array<StreamSample, RingSize> ring_{};
    std::atomic<std::uint64_t> head_{0};
    std::atomic<std::uint64_t> tail_{0};
    std::atomic<std::uint64_t> ringDropped_{0};
    std::uint32_t contextId_ = 0;  // the producer's

    // What seldom comes, under m_.
    mutable std::mutex m_;
    std::vector<std::pair<std::uint32_t, StreamContext>> contexts_;
    struct Segment {
        std::uint64_t at;  // the ring position when it was saved: the values before it go first
        std::string json;
    };
    std::vector<Segment> segments_;
    std::atomic<bool> notes_{false};
    std::atomic<bool> flush_{false};
    std::atomic<bool> quit_{false};
    std::condition_variable wake_;
    StreamStatus status_;

    // This thread's own.
    mosquitto* mosq_ = nullptr;
    bool connected_ = false;
    bool refused_ = false;
    int protocol_ = 5;           // MQTT 5, where the broker says why; 3.1.1 for a broker of that alone
    bool retryQuickly_ = false;  // the broker asked for the other protocol version
    int disconnectRc_ = 0;       // why the connection ended, as the client library said
    std::size_t largest_ = BatchCutter::MaxSamples;  // values in a batch the broker was seen to take
    std::vector<QString> said_;                      // refusals said, each once
    std::int64_t retryAt_ = 0;
    std::int64_t connectingSince_ = 0;
    std::int64_t statusMid_ = -1;  // the status message in flight; -1: none
    bool statusDue_ = false;       // connected: the online status goes first
    QString lastLog_;              // the client library's last error, for a TLS failure
    std::uint32_t haveContext_ = 0;
    StreamContext context_;
    StreamContext statusContext_;  // the kind the status last said
    BatchCutter cutter_;
    StreamBacklog backlog_;
    std::vector<ValuesBatch> cut_;
    std::deque<Segment> segmentsDue_;
    std::uint64_t ringDroppedSeen_ = 0;
    std::int64_t lastSampleMs_ = 0;
    std::thread thread_;
};

}  // namespace tavin
