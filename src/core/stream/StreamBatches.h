// What is published and in what pieces: samples cut into batches of values, each batch and each
// saved recording written as the JSON consumers rely on, and the backlog of messages a broker has
// not acknowledged yet, kept in order and bounded. No network here: the publisher drives it.
//
// The values contract (`<topic>/values`, one JSON object per batch, exactly these keys):
//   seq        batch number, contiguous from 1 for each run of the program (a batch too large for
//              the broker goes in halves: the first keeps its number, the second takes the next
//              free one, so that its values come later than those of higher numbers)
//   t0         the first value's time, ISO 8601 with milliseconds and the UTC offset
//   t0_ms      the same instant in milliseconds since 1970 (UTC)
//   period_ms  the sampling period: value i was taken at t0 + i * period_ms
//   unit       the unit of the values
//   coef       the coefficient the values were multiplied by
//   segment    the recording the values go into: its file name without the save time and ".csv"
//   index      the first value's sample number in that recording, from 1
//   values     the values times the coefficient at the gauge's resolution (null for one that is
//              not a number)
// Times are the segment's time axis (SampleAxis.h), as the analysis CSV has them: along a segment
// they strictly increase, and a batch never starts before the previous one's end plus a period.
#pragma once

#include <QString>

#include <algorithm>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

namespace tavin {

// What the values of a batch share; a change starts a new batch.
struct StreamContext {
    QString unit = QStringLiteral("---");
    float coef = 1.0f;
    std::int32_t periodMs = 1000;
    std::int16_t kind = 0;
    QString segment;  // the recording's name without its save time

    bool operator==(const StreamContext&) const = default;
};

// A sample on its way from the measurement to the publisher.
struct StreamSample {
    std::int64_t ms;        // its time on the segment's axis, in ms since 1970 (UTC)
    float value;            // as decoded, before the coefficient
    std::uint32_t context;  // the StreamContext it was measured under
    std::int32_t index;     // its number in the segment, from 1
};

struct ValuesBatch {
    std::uint64_t seq = 0;
    std::int64_t t0Ms = 0;
    std::int64_t index = 1;
    StreamContext context;
    std::vector<float> values;  // as decoded; the coefficient is applied when written
};

// Cuts samples into batches: at most `MaxSamples` and `SpanMs` of the axis each, closed `MaxAgeMs`
// after it opened, and cut where the context changes or the axis moves on by more than a period (a
// stall, a slow gauge, a clock step: the move shows as a new batch).
class BatchCutter {
public:
    static constexpr std::size_t MaxSamples = 100;
    // A message costs the publisher's thread a wake-up and a write, far more than its values: at
    // 100 Hz a fifth of a second of values a batch keeps streaming under half the recorder's cost.
    static constexpr std::int64_t SpanMs = 200;
    static constexpr std::int64_t MaxAgeMs = 200;

    // `nowMs`: the publisher's monotonic clock; closed batches are appended to `out`.
    void add(const StreamSample& s, const StreamContext& context, std::int64_t nowMs,
             std::vector<ValuesBatch>& out);
    // Closes the open batch when its time is up (or at once with `all`).
    void close(std::int64_t nowMs, std::vector<ValuesBatch>& out, bool all = false);
    // When the open batch must be closed; INT64_MAX when none is open.
    std::int64_t deadline() const;
    // Closes the open batch and takes the next number: for values that never became a batch, so
    // that a consumer sees them missing, or for the second half of a batch the broker refused.
    std::uint64_t skip(std::int64_t nowMs, std::vector<ValuesBatch>& out)
    {
        close(nowMs, out, true);
        return seq_++;
    }
    // Batches from now on hold at most `maxSamples` (1 to MaxSamples): what a broker takes.
    void limit(std::size_t maxSamples) { max_ = std::clamp<std::size_t>(maxSamples, 1, MaxSamples); }

private:
    std::size_t max_ = MaxSamples;
    ValuesBatch open_;
    std::uint32_t openContext_ = 0;
    std::int64_t openedAt_ = 0;
    bool isOpen_ = false;
    std::uint64_t seq_ = 1;
};

// Batches that had to be dropped: their numbers, samples and the time they spanned, and why.
struct GapRange {
    std::uint64_t firstSeq = 0;
    std::uint64_t lastSeq = 0;
    std::int64_t samples = 0;
    std::int64_t fromMs = 0;
    std::int64_t toMs = 0;
    std::string reason = "backlog full";  // or the broker's refusal
};

// Why the broker did not take a message: the MQTT 5 reason code it acknowledged the message with
// (0x80 and above), or this one when it closed the connection on the message twice.
constexpr int ClosedOnIt = 1;

// A message waiting for the broker's acknowledgement. Values and gaps are written as JSON when
// sent, so that the backlog holds floats.
struct Outgoing {
    enum class Kind { Values, Segment, Gap } kind;
    ValuesBatch batch;    // Values
    GapRange gap;         // Gap
    std::string payload;  // Segment
    int mid = 0;          // the client's message id while in flight; 0: not in flight
    bool acked = false;
    bool everSent = false;  // it may have reached the broker: never dropped or changed any more
    int refused = 0;        // why the broker refused it (a reason code or ClosedOnIt); 0: it did not
    int closings = 0;       // connections the broker closed while this was its oldest in flight
};

// The messages not acknowledged yet, in order, bounded by the values they hold and by their
// number. Beyond either bound the oldest batches never sent are dropped; a run of them becomes
// one gap message in their place.
class StreamBacklog {
public:
    static constexpr std::size_t DefaultMaxMessages = 100'000;  // about 15 MB of slow gauges' batches

    explicit StreamBacklog(std::int64_t maxSamples, std::size_t maxMessages = DefaultMaxMessages)
        : max_(maxSamples), maxMessages_(maxMessages)
    {
    }

    void push(ValuesBatch batch);
    void pushSegment(std::string payload);
    // Values lost before they became a batch: counted as dropped.
    void pushGap(const GapRange& gap);
    // The oldest message not in flight; nullptr when all are.
    Outgoing* nextUnsent();
    void sent(Outgoing& m, int mid)
    {
        m.mid = mid;
        m.everSent = true;
        ++inFlight_;
    }
    // The broker acknowledged `mid`: what is acknowledged at the front is let go of. With a
    // `refused` reason code it did not take the message, which is the next to be dealt with.
    void acknowledged(int mid, int refused = 0);
    // The connection ended: what was in flight is sent again on the next one. When the broker
    // `closed` it, it may have been on the oldest message in flight, the first it had not taken:
    // one it closed on twice counts as refused (ClosedOnIt).
    void resend(bool closed = false);
    // A batch refused (or larger than the broker takes) keeps its number, its place and the first
    // half of its values, ready to be sent; the second half is returned, to be numbered anew.
    ValuesBatch splitOff(Outgoing& m);
    // A message the broker refused is given up: a batch becomes a gap with `reason` in its place,
    // a segment's or gap's message is let go of.
    void giveUp(Outgoing& m, const std::string& reason);

    std::int64_t samples() const { return samples_; }
    std::size_t messages() const { return q_.size(); }
    std::size_t inFlight() const { return inFlight_; }
    // Samples dropped since the start, for want of room.
    std::int64_t dropped() const { return dropped_; }
    // Samples given up since the start, refused by the broker.
    std::int64_t givenUp() const { return givenUp_; }

private:
    void trim();
    // Lets go of what is acknowledged at the front.
    void letGo();

    std::deque<Outgoing> q_;
    std::int64_t max_;
    std::size_t maxMessages_;
    std::int64_t samples_ = 0;
    std::size_t inFlight_ = 0;
    std::int64_t dropped_ = 0;
    std::int64_t givenUp_ = 0;
};

// ISO 8601 with milliseconds and the local UTC offset: "2026-12-08T16:45:01.123+09:00" ("Z" for
// UTC itself).
std::string IsoMs(std::int64_t msSinceEpoch);
// The batch as the values topic carries it.
std::string ValuesJson(const ValuesBatch& b);
// What the gap topic carries: the batches numbered first..last were dropped, with their samples
// and the time they span.
std::string GapJson(const GapRange& g);
// A JSON string literal of `text` (quotes included).
std::string JsonString(const QString& text);

}  // namespace tavin
