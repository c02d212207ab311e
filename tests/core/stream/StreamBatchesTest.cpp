// What consumers of the stream rely on: how samples are cut into batches, the JSON of a batch,
// and the backlog that keeps what the broker has not acknowledged, in order and bounded.
#include "core/stream/StreamBatches.h"

#include "core/platform/SampleAxis.h"

#include <QDateTime>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <functional>

using namespace tavin;

namespace {

constexpr std::int64_t T0 = 1'796'000'000'000;  // ms since 1970

ValuesBatch batch(std::uint64_t seq, std::size_t n, std::int64_t t0 = T0)
{
    ValuesBatch b;
    b.seq = seq;
    b.t0Ms = t0;
    b.context.periodMs = 1;
    b.values.assign(n, 1.5f);
    return b;
}

TEST(BatchCutter, CutsAtAFifthOfASecondOfTheAxisAHundredSamplesAndAnyChangeOfContext)
{
    BatchCutter c;
    std::vector<ValuesBatch> out;
    const StreamContext kpa{"kPa", 2.0f, 1, 0, "bench-20261208-164012-1"};
    // 250 samples at 1 ms taken in one go: two full batches, the rest waits for its time.
    for (int i = 0; i < 250; ++i)
        c.add({T0 + i, float(i), 0, i + 1}, kpa, 1000, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].seq, 1u);
    EXPECT_EQ(out[1].t0Ms, T0 + 100);
    EXPECT_EQ(out[1].index, 101);
    EXPECT_EQ(out[1].values.front(), 100.0f);  // as decoded: the coefficient is applied when written
    EXPECT_EQ(c.deadline(), 1000 + BatchCutter::MaxAgeMs);
    c.close(1000 + BatchCutter::MaxAgeMs - 1, out);
    EXPECT_EQ(out.size(), 2u);
    c.close(1000 + BatchCutter::MaxAgeMs, out);
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(out[2].values.size(), 50u);
    EXPECT_EQ(c.deadline(), INT64_MAX);

    // A new unit starts a new batch, and so do an axis moved on (a gauge that paused) and a new
    // segment.
    out.clear();
    const StreamContext mpa{"MPa", 2.0f, 1, 0, kpa.segment};
    c.add({T0 + 300, 1, 0, 251}, kpa, 2000, out);
    c.add({T0 + 301, 1, 1, 252}, mpa, 2000, out);
    c.add({T0 + 302, 1, 1, 253}, mpa, 2000, out);
    c.add({T0 + 5000, 1, 1, 254}, mpa, 2000, out);
    c.add({T0 + 5001, 1, 2, 1}, {"MPa", 2.0f, 1, 0, "next"}, 2000, out);
    c.close(0, out, true);
    ASSERT_EQ(out.size(), 4u);
    EXPECT_EQ(out[0].context.unit, "kPa");
    EXPECT_EQ(out[1].context.unit, "MPa");
    EXPECT_EQ(out[1].values.size(), 2u);
    EXPECT_EQ(out[2].t0Ms, T0 + 5000);
    EXPECT_EQ(out[3].context.segment, "next");
    EXPECT_EQ(out[3].seq, 7u);  // contiguous

    // Values the ring had no room for take a number of their own, so that one is seen missing.
    EXPECT_EQ(c.skip(0, out), 8u);
    c.add({T0 + 6000, 1, 2, 20}, mpa, 3000, out);
    c.close(0, out, true);
    EXPECT_EQ(out.back().seq, 9u);

    // A broker that takes fewer values at once gets no larger batches; a slower gauge fills one
    // with a fifth of a second of values, and one of 200 ms or more sends each value at once.
    out.clear();
    c.limit(30);
    for (int i = 0; i < 70; ++i)
        c.add({T0 + 7000 + i, 1, 2, 21 + i}, mpa, 4000, out);
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[1].values.size(), 30u);
    c.limit(BatchCutter::MaxSamples);
    out.clear();
    for (int i = 0; i < 25; ++i)
        c.add({T0 + 8000 + 10 * i, 1, 3, 1 + i}, {"kPa", 1, 10, 0, "ten"}, 5000, out);
    ASSERT_EQ(out.size(), 2u);  // the rest of the others, then twenty at 10 ms
    EXPECT_EQ(out[1].values.size(), 20u);
    c.add({T0 + 9000, 1, 4, 1}, {"kPa", 1, 200, 0, "slow"}, 6000, out);
    EXPECT_EQ(out.back().context.segment, "slow");
}

// A gauge read in the ways a bench sees, placed on the axis as the engine places the samples
// (each as it comes, the first second once it is over) and cut into batches: the stream's times
// never overlap, run on one period inside a batch, and are those the whole recording gives.
TEST(BatchCutter, BatchTimesNeverOverlapAndAreTheRecordingsAxis)
{
    const std::int64_t start = T0 + 437;  // the segment begins in the middle of a second
    const struct {
        const char* what;
        int periodMs;
        std::function<std::int64_t(int)> arrival;              // when sample i reaches the store, in ms
        std::function<std::int64_t(int, std::int64_t)> taken;  // when the publisher takes it
        int secondPeriodFrom = -1;                             // the sampling changes to 1 ms here
    } cases[] = {
        {"no stall", 1, [&](int i) { return start + i + i % 3; }, {}},
        {"a stall of 20 ms", 1, [&](int i) { return i >= 2000 && i < 2020 ? start + 2020 : start + i; }, {}},
        {"a stall of 350 ms",
         10,
         [&](int i) { return i >= 200 && i < 235 ? start + 2350 : start + 10 * i; },
         {}},
        {"a stall of 2000 ms",
         1,
         [&](int i) { return i >= 1500 && i < 3500 ? start + 3500 : start + i; },
         {}},
        {"a paced read every 50 ms", 1, [&](int i) { return (start + i + 49) / 50 * 50; }, {}},
        {"a window held for 2 s", 10, [&](int i) { return start + 10 * i; },
         [&](int i, std::int64_t at) { return i >= 100 && i < 300 ? start + 3000 : at; }},
        {"a sampling change",
         10,
         [&](int i) { return i < 300 ? start + 10 * i : start + 3000 + (i - 300); },
         {},
         300},
        {"a clock step back of 1 s", 1, [&](int i) { return i < 2500 ? start + i : start + i - 1000; }, {}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        BatchCutter c;
        std::vector<ValuesBatch> out;
        std::vector<OleDate> stamps;  // as the recording keeps them
        SegmentAxis axis(t.periodMs);
        const int n = 5000;
        const auto place = [&](bool final, std::int64_t now) {
            std::int64_t ms = 0;
            while (axis.next(stamps.data(), std::int32_t(stamps.size()), final, &ms)) {
                const int i = axis.placed() - 1;
                const bool fast = t.secondPeriodFrom >= 0 && i >= t.secondPeriodFrom;
                const StreamContext context{"kPa", 1, fast ? 1 : t.periodMs, 0, "s"};
                c.add({ms, float(i), fast ? 1u : 0u, i + 1}, context, now, out);
            }
        };
        for (int i = 0; i < n; ++i) {
            const std::int64_t at = t.arrival(i);
            if (i == t.secondPeriodFrom)
                axis.setPeriod(1);
            stamps.push_back(double(at / 1000) / 86'400.0);
            place(false, t.taken ? t.taken(i, at) : at);
            if (i % 7 == 0)
                c.close(at, out);
        }
        place(true, 0);
        c.close(0, out, true);
        std::vector<std::int64_t> times;
        for (const ValuesBatch& b : out) {
            ASSERT_EQ(b.index, std::int64_t(times.size()) + 1);
            ASSERT_TRUE(times.empty() || b.t0Ms >= times.back() + b.context.periodMs) << "batch " << b.seq;
            ASSERT_LE(std::int64_t(b.values.size()) * b.context.periodMs,
                      BatchCutter::SpanMs + b.context.periodMs - 1);
            for (std::size_t k = 0; k < b.values.size(); ++k)
                times.push_back(b.t0Ms + std::int64_t(k) * b.context.periodMs);
        }
        ASSERT_EQ(times.size(), std::size_t(n));
        if (t.secondPeriodFrom < 0) {
            SegmentAxis whole(t.periodMs);
            std::int64_t ms = 0;
            for (int i = 0; i < n; ++i) {
                ASSERT_TRUE(whole.next(stamps.data(), n, true, &ms));
                ASSERT_EQ(times[std::size_t(i)], ms) << "sample " << i;
            }
        }
    }
}

TEST(ValuesJson, HoldsExactlyTheKeysConsumersReadWithTheShortestNumbers)
{
    ValuesBatch b = batch(42, 0);
    b.context = {"kPa", 2.5f, 5, 0, "bench7-20261208-164012-3"};
    b.index = 300001;
    b.values = {0.1f, -3.0f, 1e-7f, 123456.5f, 69.27f, std::nanf(""), INFINITY, 2e38f};
    const std::string json = ValuesJson(b);
    EXPECT_NE(json.find("\"values\":[0.25,-7.5,0.00000025,308641.25,173.175,null,null,null]"),
              std::string::npos)
        << json;
    const QJsonObject o = QJsonDocument::fromJson(QByteArray::fromStdString(json)).object();
    EXPECT_EQ(o.keys(),
              (QStringList{"coef", "index", "period_ms", "segment", "seq", "t0", "t0_ms", "unit", "values"}));
    EXPECT_EQ(o["t0_ms"].toInteger(), T0);
    EXPECT_EQ(o["index"].toInteger(), 300001);
    EXPECT_EQ(o["segment"].toString(), "bench7-20261208-164012-3");
    EXPECT_EQ(o["seq"].toInt(), 42);
    EXPECT_EQ(o["period_ms"].toInt(), 5);
    EXPECT_EQ(o["unit"].toString(), "kPa");
    EXPECT_EQ(o["coef"].toDouble(), 2.5);
    // t0: ISO 8601 with milliseconds and the offset, the same instant.
    const QString t0 = o["t0"].toString();
    EXPECT_TRUE(t0.contains('T') && t0.contains('.')) << t0.toStdString();
    EXPECT_EQ(QDateTime::fromString(t0, Qt::ISODateWithMs).toMSecsSinceEpoch(), T0);

    // A unit that needs escaping stays one JSON string.
    b.context.unit = "a\"b\\c\n";
    EXPECT_EQ(QJsonDocument::fromJson(QByteArray::fromStdString(ValuesJson(b))).object()["unit"].toString(),
              "a\"b\\c\n");
}

TEST(IsoMs, GivesTheLocalTimeWithMillisecondsAndItsOffset)
{
    const QByteArray tz = qgetenv("TZ");
    // 2026-11-30 21:33:20.007 UTC; a minute apart each, since the offset is looked up once a minute.
    const struct {
        const char* zone;
        std::int64_t ms;
        const char* text;
    } cases[] = {
        {"UTC0", 1'796'074'400'007, "2026-11-30T21:33:20.007Z"},
        {"JST-9", 1'796'074'460'007, "2026-12-01T06:34:20.007+09:00"},
        {"EST5", 1'796'074'520'999, "2026-11-30T16:35:20.999-05:00"},
        {"IST-5:30", 1'796'074'580'000, "2026-12-01T03:06:20.000+05:30"},
    };
    for (const auto& c : cases) {
        qputenv("TZ", c.zone);
        tzset();
        EXPECT_EQ(IsoMs(c.ms), c.text) << c.zone;
        EXPECT_EQ(
            QDateTime::fromString(QString::fromStdString(IsoMs(c.ms)), Qt::ISODateWithMs).toMSecsSinceEpoch(),
            c.ms);
    }
    tz.isNull() ? qunsetenv("TZ") : qputenv("TZ", tz);
    tzset();
}

TEST(StreamBacklog, SendsInOrderLetsGoOfWhatIsAcknowledgedAndResendsWhatWasInFlight)
{
    StreamBacklog q(1000);
    for (std::uint64_t s = 1; s <= 3; ++s)
        q.push(batch(s, 100));
    q.pushSegment("{}");
    EXPECT_EQ(q.samples(), 300);
    Outgoing* a = q.nextUnsent();
    q.sent(*a, 11);
    Outgoing* b = q.nextUnsent();
    ASSERT_NE(a, b);
    q.sent(*b, 12);
    EXPECT_EQ(q.nextUnsent()->batch.seq, 3u);
    EXPECT_EQ(q.inFlight(), 2u);

    // Acknowledged out of order: the first stays until it is acknowledged too.
    q.acknowledged(12);
    EXPECT_EQ(q.messages(), 4u);
    q.acknowledged(99);  // not ours
    q.acknowledged(11);
    EXPECT_EQ(q.messages(), 2u);
    EXPECT_EQ(q.samples(), 100);

    // The connection ended with the third in flight: it is the next to go again.
    q.sent(*q.nextUnsent(), 13);
    q.resend();
    EXPECT_EQ(q.inFlight(), 0u);
    EXPECT_EQ(q.nextUnsent()->batch.seq, 3u);
    q.sent(*q.nextUnsent(), 1);
    EXPECT_EQ(q.nextUnsent()->kind, Outgoing::Kind::Segment);
}

QJsonObject gapOf(const Outgoing* m)
{
    EXPECT_TRUE(m && m->kind == Outgoing::Kind::Gap);
    return m ? QJsonDocument::fromJson(QByteArray::fromStdString(GapJson(m->gap))).object() : QJsonObject();
}

TEST(StreamBacklog, BeyondItsBoundDropsTheOldestNeverSentIntoOneGap)
{
    StreamBacklog q(300);  // the batch in flight counts too
    q.push(batch(1, 100, T0));
    q.sent(*q.nextUnsent(), 1);
    for (std::uint64_t s = 2; s <= 6; ++s)
        q.push(batch(s, 100, T0 + std::int64_t(s) * 100));
    // 1 in flight, 2..4 dropped into one gap, 5 and 6 kept.
    EXPECT_EQ(q.samples(), 300);
    EXPECT_EQ(q.dropped(), 300);
    EXPECT_EQ(q.messages(), 4u);  // 1, the gap, 5, 6
    const QJsonObject g = gapOf(q.nextUnsent());
    EXPECT_EQ(g["first_seq"].toInt(), 2);
    EXPECT_EQ(g["last_seq"].toInt(), 4);
    EXPECT_EQ(g["samples"].toInt(), 300);
    EXPECT_EQ(QDateTime::fromString(g["from"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch(), T0 + 200);
    EXPECT_EQ(QDateTime::fromString(g["to"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch(),
              T0 + 400 + 99);
    EXPECT_EQ(g["reason"], "backlog full");

    // Once sent, a gap and a batch may have reached the broker: after the connection broke they
    // are sent again as they were, and later drops make a gap of their own.
    q.sent(*q.nextUnsent(), 2);
    q.resend();
    q.push(batch(7, 100));
    EXPECT_EQ(q.nextUnsent()->batch.seq, 1u);
    q.sent(*q.nextUnsent(), 3);
    EXPECT_EQ(gapOf(q.nextUnsent())["last_seq"].toInt(), 4);
    q.sent(*q.nextUnsent(), 4);
    const QJsonObject g2 = gapOf(q.nextUnsent());
    EXPECT_EQ(g2["first_seq"].toInt(), 5);
    EXPECT_EQ(g2["last_seq"].toInt(), 5);

    // Slow gauges' batches of one value are bounded by their number too.
    StreamBacklog few(1'000'000, 5);
    for (std::uint64_t s = 1; s <= 20; ++s)
        few.push(batch(s, 1));
    EXPECT_LE(few.messages(), 5u);
    const QJsonObject g3 = gapOf(few.nextUnsent());
    EXPECT_EQ(g3["first_seq"].toInt(), 1);
    EXPECT_EQ(g3["samples"].toInt(), few.dropped());
    EXPECT_EQ(few.dropped() + few.samples(), 20);
}

TEST(StreamBacklog, ARefusedBatchGoesInHalvesAndARefusedValueBecomesAGapWithItsReason)
{
    StreamBacklog q(1000);
    q.push(batch(1, 5));
    q.push(batch(2, 1, T0 + 5));
    q.sent(*q.nextUnsent(), 1);
    q.sent(*q.nextUnsent(), 2);
    // Refused in its acknowledgement: the next to be dealt with, ahead of what follows it.
    q.acknowledged(1, 0x95);
    EXPECT_EQ(q.inFlight(), 1u);
    Outgoing* m = q.nextUnsent();
    ASSERT_EQ(m->refused, 0x95);
    const ValuesBatch rest = q.splitOff(*m);
    EXPECT_EQ(m->batch.values.size(), 3u);
    EXPECT_EQ(rest.values.size(), 2u);
    EXPECT_EQ(rest.t0Ms, T0 + 3);  // value i was taken at t0 + i * period
    EXPECT_EQ(rest.index, 4);
    EXPECT_EQ(q.samples(), 4);

    // A broker that closes the connection on the oldest message in flight, twice: refused. A
    // connection that ended otherwise (a keep-alive time-out) does not count.
    for (const bool closed : {true, false, true}) {
        EXPECT_EQ(q.nextUnsent()->refused, 0);
        q.sent(*q.nextUnsent(), 3);
        q.resend(closed);
    }
    ASSERT_EQ(q.nextUnsent()->refused, ClosedOnIt);
    q.giveUp(*q.nextUnsent(), "refused: the broker closed the connection on it");
    const QJsonObject g = gapOf(q.nextUnsent());
    EXPECT_EQ(g["last_seq"].toInt(), 1);
    EXPECT_EQ(g["samples"].toInt(), 3);
    EXPECT_EQ(g["reason"], "refused: the broker closed the connection on it");
    EXPECT_EQ(q.givenUp(), 3);
    EXPECT_EQ(q.dropped(), 0);  // not for want of room
    EXPECT_EQ(q.samples(), 1);
}

}  // namespace
