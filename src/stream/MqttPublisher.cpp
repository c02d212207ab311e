#include "stream/MqttPublisher.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <mosquitto.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>

#include <pthread.h>

namespace tavin {

namespace {

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// How long the thread may wait on the socket before it looks at the ring again.
constexpr std::int64_t PollMs = 100;
constexpr int KeepAliveS = 30;

const char* kindName(int kind)
{
    static const char* const names[] = {"VRT50", "VRT50-QL", "HOSTU-VRT", "RQ", "QZ", "MW200", "other"};
    return kind >= 0 && kind < int(std::size(names)) ? names[kind] : "other";
}

QString refusal(int rc)
{
    switch (rc) {
    case 1: return QStringLiteral("プロトコルのバージョンが合いません");
    case 2: return QStringLiteral("クライアント ID が拒否されました");
    case 3: return QStringLiteral("ブローカーが使えません");
    case 4: return QStringLiteral("ユーザー名またはパスワードが違います");
    case 5: return QStringLiteral("認証されていません (ユーザー名とパスワードを確かめてください)");
    default: return QString::fromUtf8(mosquitto_connack_string(rc));
    }
}

}  // namespace

QString StreamStatusText(const StreamStatus& s)
{
    QString text;
    switch (s.link) {
    case StreamStatus::Link::Off: return QString();
    case StreamStatus::Link::Connecting: text = QStringLiteral("MQTT %1: 接続待ち").arg(s.broker); break;
    case StreamStatus::Link::Connected: text = QStringLiteral("MQTT %1: 接続中").arg(s.broker); break;
    case StreamStatus::Link::Failed: text = QStringLiteral("MQTT %1: 接続できません").arg(s.broker); break;
    }
    // While connected a batch or two is always on its way: only a backlog still being sent counts.
    if (s.backlog > 0 && (s.link != StreamStatus::Link::Connected || s.backlog >= 1000))
        text += QStringLiteral(" (未送信 %1 値)").arg(s.backlog);
    if (s.dropped > 0)
        text += QStringLiteral(" (送れずに捨てた値 %1)").arg(s.dropped);
    return text;
}

MqttPublisher::MqttPublisher(const StreamOptions& options, const StreamContext& context)
    : options_(options), topic_(options.topic), valuesTopic_((topic_ + QStringLiteral("/values")).toStdString()),
      segmentTopic_((topic_ + QStringLiteral("/segment")).toStdString()),
      gapTopic_((topic_ + QStringLiteral("/gap")).toStdString()),
      statusTopic_((topic_ + QStringLiteral("/status")).toStdString()), context_(context),
      backlog_(options.backlogSamples)
{
    static std::once_flag init;
    std::call_once(init, [] { mosquitto_lib_init(); });
    if (const auto a = ParseBrokerUrl(options.url, &badUrl_))
        broker_ = *a;
    status_.link = StreamStatus::Link::Connecting;
    status_.broker = brokerText();
    contexts_.push_back({0, context});
    thread_ = std::thread([this] {
        ::pthread_setname_np(::pthread_self(), "mqtt");  // its CPU apart from the program's in top and perf
        run();
    });
}

void MqttPublisher::close()
{
    if (!thread_.joinable())
        return;
    {
        std::lock_guard lock(m_);  // not between the thread's look at quit_ and its wait
        quit_.store(true, std::memory_order_release);
    }
    wake_.notify_one();
    thread_.join();
}

QString MqttPublisher::brokerText() const { return broker_.host.isEmpty() ? UrlForText(options_.url) : broker_.text(); }

void MqttPublisher::setContext(const StreamContext& context)
{
    std::lock_guard lock(m_);
    if (contexts_.back().second == context)
        return;
    contexts_.push_back({++contextId_, context});
}

void MqttPublisher::segment(const QString& path, std::int64_t samples, OleDate first, OleDate last)
{
    const auto iso = [](OleDate d) { return IsoMs(FromOleDate(d).toMSecsSinceEpoch()); };
    std::string json = "{\"file\":" + JsonString(QFileInfo(path).fileName()) + ",\"path\":" + JsonString(path) +
                       ",\"samples\":" + std::to_string(samples) + ",\"first\":\"" + iso(first) +
                       "\",\"last\":\"" + iso(last) + "\"}";
    {
        std::lock_guard lock(m_);
        segments_.push_back({head_.load(std::memory_order_relaxed), std::move(json)});
    }
    notes_.store(true, std::memory_order_release);
}

StreamStatus MqttPublisher::status() const
{
    std::lock_guard lock(m_);
    return status_;
}

void MqttPublisher::problem(const QString& text)
{
    std::lock_guard lock(m_);
    if (text == status_.problem)
        return;  // said once, not at every attempt
    status_.problem = text;
    ++status_.problems;
}

void MqttPublisher::setLink(StreamStatus::Link link)
{
    std::lock_guard lock(m_);
    status_.link = link;
    if (link == StreamStatus::Link::Connected)
        status_.problem.clear();  // a problem after this one is said again
}

// ---- the thread ----

void MqttPublisher::run()
{
    if (!badUrl_.isEmpty()) {
        problem(QStringLiteral("MQTT の URL %1 は使えません: %2").arg(UrlForText(options_.url), badUrl_));
        setLink(StreamStatus::Link::Failed);
    }
    for (;;) {
        const bool quitting = quit_.load(std::memory_order_acquire);
        const std::int64_t now = steadyMs();
        takeSamples(now);
        if (quitting || flush_.exchange(false, std::memory_order_acq_rel))
            cutter_.close(now, cut_, true);
        keepCut();
        if (!mosq_ && badUrl_.isEmpty() && now >= retryAt_ && !quitting)
            connect();
        send();
        {
            std::lock_guard lock(m_);
            status_.backlog = backlog_.samples();
            status_.dropped = backlog_.dropped();
        }
        if (quitting)
            break;
        // Until the open batch is due, the next attempt to connect or the next look at the ring.
        const std::int64_t next = mosq_ || !badUrl_.isEmpty() ? now + PollMs : retryAt_;
        const std::int64_t wait = std::clamp<std::int64_t>(std::min(cutter_.deadline(), next) - now, 1, PollMs);
        if (mosq_) {
            const int rc = mosquitto_loop(mosq_, int(wait), 1);
            if (refused_ || rc != MOSQ_ERR_SUCCESS)
                dropConnection(rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                                    : QString::fromUtf8(mosquitto_strerror(rc)));
            else if (!connected_ && steadyMs() - connectingSince_ > ConnectTimeoutMs)
                dropConnection(QStringLiteral("%1 秒待っても応答がありません").arg(ConnectTimeoutMs / 1000));
        } else {
            std::unique_lock lock(m_);
            wake_.wait_for(lock, std::chrono::milliseconds(wait), [this] { return quit_.load(); });
        }
    }

    // The end: what waits goes while the broker takes it, then the status says offline.
    const std::int64_t until = steadyMs() + DrainMs;
    while (connected_ && backlog_.messages() > 0 && steadyMs() < until) {
        send();
        if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    if (connected_) {
        publishStatus(false);
        while (statusMid_ >= 0 && steadyMs() < until + 1000)
            if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS)
                break;
        mosquitto_disconnect(mosq_);
        mosquitto_loop(mosq_, 50, 1);
    }
    if (mosq_)
        mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    std::lock_guard lock(m_);
    status_.backlog = backlog_.samples();
    status_.dropped = backlog_.dropped();
}

void MqttPublisher::keepCut()
{
    for (ValuesBatch& b : cut_)
        backlog_.push(std::move(b));
    cut_.clear();
}

void MqttPublisher::takeSamples(std::int64_t nowMs)
{
    // The segments first: each was noted at a ring position the head read after it has reached.
    if (notes_.exchange(false, std::memory_order_acq_rel)) {
        std::lock_guard lock(m_);
        for (Segment& s : segments_)
            segmentsDue_.push_back(std::move(s));
        segments_.clear();
    }
    const std::uint64_t lost = ringDropped_.load(std::memory_order_acquire);
    const std::uint64_t head = head_.load(std::memory_order_acquire);
    std::uint64_t tail = tail_.load(std::memory_order_relaxed);
    // A segment's message follows the last batch of the values sampled before it was saved.
    const auto segmentsUpTo = [&](std::uint64_t position) {
        while (!segmentsDue_.empty() && segmentsDue_.front().at <= position) {
            cutter_.close(nowMs, cut_, true);
            keepCut();
            backlog_.pushSegment(std::move(segmentsDue_.front().json));
            segmentsDue_.pop_front();
        }
    };
    for (; tail != head; ++tail) {
        segmentsUpTo(tail);
        const StreamSample& s = ring_[tail % RingSize];
        if (s.context != haveContext_) {
            std::lock_guard lock(m_);
            while (contexts_.size() > 1 && contexts_.front().first != s.context)
                contexts_.erase(contexts_.begin());
            haveContext_ = s.context;
            context_ = contexts_.front().second;
        }
        cutter_.add(s, context_, nowMs, cut_);
        lastSampleMs_ = s.ms;
    }
    segmentsUpTo(head);
    tail_.store(tail, std::memory_order_release);
    // Samples the ring had no room for came after all it held: their batch number is left out,
    // and a gap says how many, from when.
    if (lost != ringDroppedSeen_) {
        const auto n = std::int64_t(lost - ringDroppedSeen_);
        const std::uint64_t seq = cutter_.skip(nowMs, cut_);
        keepCut();
        backlog_.pushGap({seq, seq, n, lastSampleMs_, lastSampleMs_ + n * context_.periodMs});
        ringDroppedSeen_ = lost;
    }
    cutter_.close(nowMs, cut_);
}

void MqttPublisher::connect()
{
    retryAt_ = steadyMs() + ReconnectMs;
    connectingSince_ = steadyMs();
    refused_ = false;
    QString password;
    if (!options_.passwordFile.isEmpty() && options_.user.isEmpty()) {
        problem(QStringLiteral("MQTT のパスワードファイルを使うにはユーザー名 (MqttUser) も指定してください。"));
        setLink(StreamStatus::Link::Failed);
        return;
    }
    if (!options_.passwordFile.isEmpty()) {
        if (const QString why = ReadPasswordFile(options_.passwordFile, &password); !why.isEmpty()) {
            problem(why);
            setLink(StreamStatus::Link::Failed);
            return;
        }
    }
    mosq_ = mosquitto_new(nullptr, true, this);
    if (!mosq_) {
        problem(QStringLiteral("MQTT のクライアントを作れません。"));
        return;
    }
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, MQTT_PROTOCOL_V311);
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::onConnect);
    mosquitto_publish_callback_set(mosq_, &MqttPublisher::onPublish);
    mosquitto_log_callback_set(mosq_, &MqttPublisher::onLog);
    statusContext_ = context_;
    const std::string offline = statusJson(false);
    mosquitto_will_set(mosq_, statusTopic_.c_str(), int(offline.size()), offline.data(), 1, true);
    if (!options_.user.isEmpty())
        mosquitto_username_pw_set(mosq_, options_.user.toUtf8().constData(),
                                  options_.passwordFile.isEmpty() ? nullptr : password.toUtf8().constData());
    if (broker_.tls) {
        // The system's certificate store (SSL_CERT_FILE and SSL_CERT_DIR name others); the peer's
        // certificate and its host name are checked.
        mosquitto_int_option(mosq_, MOSQ_OPT_TLS_USE_OS_CERTS, 1);
        mosquitto_tls_opts_set(mosq_, 1, nullptr, nullptr);
        mosquitto_tls_insecure_set(mosq_, false);
    }
    lastLog_.clear();
    const int rc = mosquitto_connect_async(mosq_, broker_.host.toUtf8().constData(), broker_.port, KeepAliveS);
    if (rc != MOSQ_ERR_SUCCESS) {
        dropConnection(rc == MOSQ_ERR_ERRNO ? QString::fromLocal8Bit(std::strerror(errno))
                                            : QString::fromUtf8(mosquitto_strerror(rc)));
        return;
    }
}

void MqttPublisher::dropConnection(const QString& why)
{
    const bool was = connected_;
    connected_ = false;
    if (mosq_)
        mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    statusMid_ = -1;  // message ids start again with the next connection
    backlog_.resend();
    retryAt_ = steadyMs() + ReconnectMs;
    if (refused_)
        return;  // said by onConnect
    QString reason = why;
    if (broker_.tls && !lastLog_.isEmpty())
        reason = lastLog_;
    if (was) {
        problem(QStringLiteral("MQTT ブローカー %1 との接続が切れました (%2)。未送信の値は再接続後に送ります。")
                    .arg(brokerText(), reason));
        setLink(StreamStatus::Link::Connecting);
    } else {
        problem(QStringLiteral("MQTT ブローカー %1 に接続できません (%2)。").arg(brokerText(), reason));
        setLink(StreamStatus::Link::Failed);
    }
}

void MqttPublisher::send()
{
    if (!connected_)
        return;
    if (statusDue_ || statusContext_.kind != context_.kind) {
        statusDue_ = false;
        statusContext_ = context_;
        publishStatus(true);
    }
    while (backlog_.inFlight() < InFlightMax) {
        Outgoing* m = backlog_.nextUnsent();
        if (!m)
            return;
        using Kind = Outgoing::Kind;
        const std::string& topic = m->kind == Kind::Values ? valuesTopic_ : m->kind == Kind::Gap ? gapTopic_ : segmentTopic_;
        const std::string payload = m->kind == Kind::Values ? ValuesJson(m->batch)
                                    : m->kind == Kind::Gap  ? GapJson(m->gap)
                                                            : m->payload;
        int mid = 0;
        if (mosquitto_publish(mosq_, &mid, topic.c_str(), int(payload.size()), payload.data(), 1, false) !=
            MOSQ_ERR_SUCCESS)
            return;  // the loop finds the connection gone
        backlog_.sent(*m, mid);
    }
}

std::string MqttPublisher::statusJson(bool online) const
{
    const QString version = QStringLiteral("%1.%2.%3").arg(TAVIN_VERSION_MAJOR).arg(TAVIN_VERSION_MINOR).arg(TAVIN_VERSION_REVISION);
    return std::string("{\"state\":\"") + (online ? "online" : "offline") + "\",\"kind\":" +
           std::to_string(statusContext_.kind) + ",\"kind_name\":\"" + kindName(statusContext_.kind) +
           "\",\"program\":" + JsonString(QCoreApplication::applicationName()) + ",\"version\":\"" +
           version.toStdString() + "\"}";
}

void MqttPublisher::publishStatus(bool online)
{
    const std::string payload = statusJson(online);
    int mid = 0;
    if (mosquitto_publish(mosq_, &mid, statusTopic_.c_str(), int(payload.size()), payload.data(), 1, true) ==
        MOSQ_ERR_SUCCESS)
        statusMid_ = mid;
}

void MqttPublisher::onConnect(mosquitto*, void* self, int rc)
{
    auto& p = *static_cast<MqttPublisher*>(self);
    if (rc != 0) {
        p.refused_ = true;
        p.problem(QStringLiteral("MQTT ブローカー %1 が接続を拒否しました: %2。").arg(p.brokerText(), refusal(rc)));
        p.setLink(StreamStatus::Link::Failed);
        return;
    }
    // The status goes from the loop: the client library holds its own locks during a callback.
    p.connected_ = true;
    p.statusDue_ = true;
    p.setLink(StreamStatus::Link::Connected);
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid)
{
    auto& p = *static_cast<MqttPublisher*>(self);
    if (mid == p.statusMid_) {
        p.statusMid_ = -1;  // message ids come round again: this one may be a batch's next time
        return;
    }
    p.backlog_.acknowledged(mid);
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttPublisher*>(self)->lastLog_ = QString::fromUtf8(text);
}

}  // namespace tavin
