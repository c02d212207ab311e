#include "core/stream/StreamBatches.h"

#include "core/platform/NumText.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <limits>
#include <utility>

namespace tavin {

namespace {

void appendNumber(std::string& out, float v)
{
    if (!std::isfinite(v)) {
        out += "null";
        return;
    }
    char buf[32];
    // The shortest text that reads back as the same float.
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

template <class Int>
void appendInt(std::string& out, Int v)
{
    char buf[24];
    const auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, r.ptr);
}

}  // namespace

std::string IsoMs(std::int64_t msSinceEpoch)
{
    // Each batch carries one: formatted here rather than through the time-zone machinery, which
    // looks at the zone's files on every call. The offset is looked up once a minute.
    thread_local std::int64_t minute = INT64_MIN;
    thread_local long offsetS = 0;
    const std::int64_t s = msSinceEpoch >= 0 ? msSinceEpoch / 1000 : (msSinceEpoch - 999) / 1000;
    const int ms = int(msSinceEpoch - s * 1000);
    if (s / 60 != minute) {
        minute = s / 60;
        const std::time_t t = std::time_t(s);
        std::tm local{};
        localtime_r(&t, &local);
        offsetS = local.tm_gmtoff;
    }
    const std::time_t shifted = std::time_t(s + offsetS);
    std::tm f{};
    gmtime_r(&shifted, &f);
    char buf[48];
    int n = std::snprintf(buf, sizeof buf, "%04d-%02d-%02dT%02d:%02d:%02d.%03d", f.tm_year + 1900,
                          f.tm_mon + 1, f.tm_mday, f.tm_hour, f.tm_min, f.tm_sec, ms);
    if (offsetS == 0)
        std::snprintf(buf + n, sizeof buf - std::size_t(n), "Z");
    else
        std::snprintf(buf + n, sizeof buf - std::size_t(n), "%c%02ld:%02ld", offsetS < 0 ? '-' : '+',
                      std::labs(offsetS) / 3600, std::labs(offsetS) % 3600 / 60);
    return buf;
}

std::string JsonString(const QString& text)
{
    std::string out = "\"";
    for (const char c : text.toStdString()) {
        switch (c) {
        case '"': out += "\\\""; break;
        case '\\': out += "\\\\"; break;
        case '\n': out += "\\n"; break;
        case '\r': out += "\\r"; break;
        case '\t': out += "\\t"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20) {
                char buf[8];
                std::snprintf(buf, sizeof buf, "\\u%04x", unsigned(c));
                out += buf;
            } else {
                out += c;
            }
        }
    }
    return out + '"';
}

std::string GapJson(const GapRange& g)
{
    return "{\"first_seq\":" + std::to_string(g.firstSeq) + ",\"last_seq\":" + std::to_string(g.lastSeq) +
           ",\"samples\":" + std::to_string(g.samples) + ",\"from\":\"" + IsoMs(g.fromMs) + "\",\"to\":\"" +
           IsoMs(g.toMs) + "\",\"reason\":" + JsonString(QString::fromStdString(g.reason)) + "}";
}

std::string ValuesJson(const ValuesBatch& b)
{
    std::string out;
    out.reserve(96 + b.values.size() * 10);
    out += "{\"seq\":";
    appendInt(out, b.seq);
    out += ",\"t0\":\"";
    out += IsoMs(b.t0Ms);
    out += "\",\"t0_ms\":";
    appendInt(out, b.t0Ms);
    out += ",\"period_ms\":";
    appendInt(out, b.context.periodMs);
    out += ",\"unit\":";
    out += JsonString(b.context.unit);
    out += ",\"coef\":";
    appendNumber(out, b.context.coef);
    out += ",\"segment\":";
    out += JsonString(b.context.segment);
    out += ",\"index\":";
    appendInt(out, b.index);
    out += ",\"values\":[";
    const float coef = b.context.coef;
    for (std::size_t i = 0; i < b.values.size(); ++i) {
        if (i > 0)
            out += ',';
        const float v = b.values[i];
        if (std::isfinite(v * coef)) {
            char buf[48];
            out.append(buf, WriteProduct(buf, v, coef));
        } else {
            out += "null";
        }
    }
    out += "]}";
    return out;
}

// ---- cutting ----

void BatchCutter::add(const StreamSample& s, const StreamContext& context, std::int64_t nowMs,
                      std::vector<ValuesBatch>& out)
{
    const std::int64_t period = std::max(1, context.periodMs);
    const auto n = std::int64_t(open_.values.size());
    if (isOpen_ &&
        (s.context != openContext_ || s.ms != open_.t0Ms + n * period || s.index != open_.index + n))
        close(nowMs, out, true);
    if (!isOpen_) {
        isOpen_ = true;
        openedAt_ = nowMs;
        openContext_ = s.context;
        open_.seq = seq_++;
        open_.t0Ms = s.ms;
        open_.index = s.index;
        open_.context = context;
        open_.values.reserve(MaxSamples);
    }
    open_.values.push_back(s.value);
    if (open_.values.size() >=
        std::min<std::size_t>(max_, std::size_t(std::max<std::int64_t>(1, SpanMs / period))))
        close(nowMs, out, true);
}

void BatchCutter::close(std::int64_t nowMs, std::vector<ValuesBatch>& out, bool all)
{
    if (!isOpen_ || (!all && nowMs < deadline()))
        return;
    if (open_.values.size() < MaxSamples / 2)
        open_.values.shrink_to_fit();  // a slow gauge's batches wait in the backlog with one value
    out.push_back(std::move(open_));
    open_ = ValuesBatch{};
    isOpen_ = false;
}

std::int64_t BatchCutter::deadline() const
{
    return isOpen_ ? openedAt_ + MaxAgeMs : std::numeric_limits<std::int64_t>::max();
}

// ---- the backlog ----

void StreamBacklog::push(ValuesBatch batch)
{
    samples_ += std::int64_t(batch.values.size());
    q_.push_back({Outgoing::Kind::Values, std::move(batch), {}, {}});
    trim();
}

void StreamBacklog::pushSegment(std::string payload)
{
    q_.push_back({Outgoing::Kind::Segment, {}, {}, std::move(payload)});
}

void StreamBacklog::pushGap(const GapRange& gap)
{
    dropped_ += gap.samples;
    q_.push_back({Outgoing::Kind::Gap, {}, gap, {}});
}

Outgoing* StreamBacklog::nextUnsent()
{
    // Messages go out in order: the first unsent one follows at most the few in flight.
    for (Outgoing& m : q_)
        if (m.mid == 0 && !m.acked)
            return &m;
    return nullptr;
}

void StreamBacklog::acknowledged(int mid, int refused)
{
    for (Outgoing& m : q_)
        if (m.mid == mid && !m.acked) {
            m.acked = refused == 0;
            m.refused = refused;
            m.mid = 0;
            --inFlight_;
            break;
        }
    letGo();
}

void StreamBacklog::letGo()
{
    while (!q_.empty() && q_.front().acked) {
        if (q_.front().kind == Outgoing::Kind::Values)
            samples_ -= std::int64_t(q_.front().batch.values.size());
        q_.pop_front();
    }
}

void StreamBacklog::resend(bool closed)
{
    Outgoing* oldest = nullptr;
    for (Outgoing& m : q_) {
        if (m.mid != 0 && !m.acked && !oldest)
            oldest = &m;
        if (!m.acked)
            m.mid = 0;
    }
    inFlight_ = 0;
    if (closed && oldest && ++oldest->closings >= 2)
        oldest->refused = ClosedOnIt;
}

ValuesBatch StreamBacklog::splitOff(Outgoing& m)
{
    std::vector<float>& v = m.batch.values;
    const auto keep = std::ptrdiff_t(v.size() + 1) / 2;
    ValuesBatch rest{0,
                     m.batch.t0Ms + keep * m.batch.context.periodMs,
                     m.batch.index + keep,
                     m.batch.context,
                     {v.begin() + keep, v.end()}};
    v.erase(v.begin() + keep, v.end());
    samples_ -= std::int64_t(rest.values.size());
    m.refused = 0;
    m.closings = 0;
    m.everSent = false;  // refused: it did not reach the broker's subscribers
    return rest;
}

void StreamBacklog::giveUp(Outgoing& m, const std::string& reason)
{
    if (m.kind != Outgoing::Kind::Values) {
        q_.erase(std::find_if(q_.begin(), q_.end(), [&](const Outgoing& x) { return &x == &m; }));
        letGo();  // what was acknowledged behind it
        return;
    }
    const ValuesBatch& b = m.batch;
    const auto n = std::int64_t(b.values.size());
    samples_ -= n;
    givenUp_ += n;
    const GapRange gap{b.seq, b.seq, n, b.t0Ms, b.t0Ms + (n - 1) * b.context.periodMs, reason};
    m = Outgoing{Outgoing::Kind::Gap, {}, gap, {}};
}

void StreamBacklog::trim()
{
    while (samples_ > max_ || q_.size() > maxMessages_) {
        // The oldest batch never sent: one that was may have reached the broker.
        const auto it = std::find_if(q_.begin(), q_.end(), [](const Outgoing& m) {
            return m.kind == Outgoing::Kind::Values && !m.everSent;
        });
        if (it == q_.end())
            return;
        const ValuesBatch& b = it->batch;
        const auto n = std::int64_t(b.values.size());
        const std::int64_t lastMs = b.t0Ms + (n - 1) * b.context.periodMs;
        samples_ -= n;
        dropped_ += n;
        // A gap just before it that was never sent takes it in; else the gap takes its place.
        if (it != q_.begin() && std::prev(it)->kind == Outgoing::Kind::Gap && !std::prev(it)->everSent &&
            std::prev(it)->gap.reason == GapRange{}.reason) {
            GapRange& g = std::prev(it)->gap;
            g.lastSeq = b.seq;
            g.samples += n;
            g.toMs = lastMs;
            q_.erase(it);
        } else {
            *it = Outgoing{Outgoing::Kind::Gap, {}, GapRange{b.seq, b.seq, n, b.t0Ms, lastMs}, {}};
        }
    }
}

}  // namespace tavin
