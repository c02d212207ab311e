#include "engine/StreamFeed.h"

#include "core/app/basLog.h"
#include "core/files/CsvWriter.h"
#include "core/files/RecordingFiles.h"
#include "core/trend/SampleStore.h"
#include "engine/CommControl.h"

#include <QFileInfo>
#include <QTimer>

namespace tavin {

StreamFeed::StreamFeed(EventLog& log, const SampleStore& store, EngineState& state, EngineOutput& out,
                       QObject* owner)
    : log_(log), store_(store), st_(state), out_(out), watch_(new QTimer(owner))
{
    watch_->setInterval(WatchMs);
    QObject::connect(watch_, &QTimer::timeout, watch_, [this] { watchNow(); });
}

StreamFeed::~StreamFeed() { delete watch_; }

// Options that change the broker seldom do: at a start.
QString StreamFeed::end()
{
    if (!stream_)
        return QString();
    stream_->close();
    QString left;
    if (const std::int64_t n = stream_->status().backlog; n > 0) {
        left = QStringLiteral(
                   "MQTT ブローカーへ送れなかった %1 値を残して送信を終えます (値は記録ファイルにあります)。")
                   .arg(n);
        log_.LogMsg(1, QStringLiteral("MQTT"), left);
    }
    stream_.reset();
    return left;
}

void StreamFeed::restart()
{
    end();
    st_.view.stream = {};
    problemsSeen_ = 0;
    droppingSaid_ = false;
    if (!st_.opt.stream.on()) {
        watch_->stop();
        out_.publish();
        return;
    }
    StreamOptions o = st_.opt.stream;
    if (o.topic.isEmpty())
        o.topic = DefaultTopic(PortName(st_.opt.port, st_.opt.device));
    stream_ = std::make_unique<MqttPublisher>(o, context());
    log_.LogMsg(
        0, QStringLiteral("MQTT"),
        QStringLiteral("MQTT ブローカー %1 のトピック %2 へ送ります。").arg(UrlForText(o.url), o.topic));
    watch_->start();
    watchNow();
}

void StreamFeed::contextChanged()
{
    if (stream_)
        stream_->setContext(context());
}

void StreamFeed::segmentBegun()
{
    axis_ = SegmentAxis(st_.opt.sampling);
    contextChanged();
}

StreamContext StreamFeed::context() const
{
    const AcquisitionOptions& o = st_.opt;
    return {st_.view.unit, o.keisu, o.sampling, o.term,
            QFileInfo(SegmentStem(o.baseName, st_.view.startTime, store_.g_FileNo)).fileName()};
}

// While the period is being measured from the first frames, nothing is placed before the segment
// ends.
void StreamFeed::place(bool final)
{
    if (!stream_ || (st_.opt.samplingAuto && !final))
        return;
    const std::int32_t count = store_.g_DataCnt.load(std::memory_order_relaxed);
    std::int64_t ms = 0;
    while (axis_.next(store_.g_DataTime.data(), count, final, &ms)) {
        const auto i = std::size_t(axis_.placed() - 1);
        if (store_.g_DataTime[i] != stamp_) {
            stamp_ = store_.g_DataTime[i];
            offsetMs_ = AxisEpochOffsetMs(stamp_);
        }
        stream_->sample(store_.g_Datas[i], ms - offsetMs_, std::int32_t(i) + 1);
    }
}

void StreamFeed::saved(const QString& path, const CsvHeader& header, const OleDate* times,
                       std::size_t samples)
{
    if (!stream_)
        return;
    SegmentAxis axis(header.sampling);
    std::int64_t first = 0;
    axis.next(times, std::int32_t(samples), true, &first);
    std::int64_t last = first;
    while (axis.next(times, std::int32_t(samples), true, &last)) {
    }
    stream_->segment(path, std::int64_t(samples), first - AxisEpochOffsetMs(times[0]),
                     last - AxisEpochOffsetMs(times[samples - 1]));
}

void StreamFeed::flush()
{
    if (stream_)
        stream_->flush();
}

void StreamFeed::watchNow()
{
    if (stream_)
        watch(stream_->status());
}

void StreamFeed::watch(const StreamStatus& s)
{
    using Link = StreamStatus::Link;
    const auto announce = [this](int level, const QString& text) {
        log_.LogMsg(level, QStringLiteral("MQTT"), text);
        out_.announce({AcquisitionEvent::Kind::Stream, text});
    };
    if (s.problems != problemsSeen_) {
        problemsSeen_ = s.problems;
        if (!s.problem.isEmpty())
            announce(1, s.problem);
    }
    const QString connected = QStringLiteral("MQTT ブローカー %1 に接続しました。").arg(s.broker);
    if (s.link == Link::Connected && st_.view.stream.link != Link::Connected) {
        droppingSaid_ = false;
        if (s.problems > 0)
            announce(0, connected);
        else
            log_.LogMsg(0, QStringLiteral("MQTT"), connected);
    }
    if (s.dropped > st_.view.stream.dropped && !droppingSaid_) {
        droppingSaid_ = true;
        announce(
            1, QStringLiteral(
                   "MQTT ブローカーに送れない値が保持できる量 (%1 値) を超えたため、古い値から捨てています。"
                   "捨てた範囲は gap トピックで知らせます。")
                   .arg(st_.opt.stream.backlogSamples));
    }
    st_.view.stream = s;
    out_.publish();
}

}  // namespace tavin
