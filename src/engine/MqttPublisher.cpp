#include "engine/MqttPublisher.h"

#include "core/files/RecordingFiles.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QFileInfo>

#include <mosquitto.h>
#include <mqtt_protocol.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <utility>

#include <pthread.h>

namespace tavin {

namespace {

std::int64_t steadyMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// How long the thread may wait on the socket before it looks at the ring again.
constexpr std::int64_t PollMs = 200;
constexpr int KeepAliveS = 30;

const char* kindName(int kind)
{
    static const char* const names[] = {"VRT50", "VRT50-QL", "HOSTU-VRT", "RQ", "QZ", "MW200", "other"};
    return kind >= 0 && kind < int(std::size(names)) ? names[kind] : "other";
}

// Why the broker refused or ended something, from a reason code of MQTT 5 (or ClosedOnIt).
QString reasonText(int code)
{
    switch (code) {
    case ClosedOnIt: return QStringLiteral("このメッセージを送るたびに接続が切られます");
    case MQTT_RC_UNSPECIFIED: return QStringLiteral("理由は示されていません");
    case MQTT_RC_MALFORMED_PACKET:
    case MQTT_RC_PROTOCOL_ERROR: return QStringLiteral("プロトコルの誤りです");
    case MQTT_RC_IMPLEMENTATION_SPECIFIC:
        return QStringLiteral("ブローカー独自の理由です (大きさの制限など)");
    case MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION: return QStringLiteral("プロトコルのバージョンが合いません");
    case MQTT_RC_CLIENTID_NOT_VALID: return QStringLiteral("クライアント ID が拒否されました");
    case MQTT_RC_BAD_USERNAME_OR_PASSWORD: return QStringLiteral("ユーザー名またはパスワードが違います");
    case MQTT_RC_NOT_AUTHORIZED:
        return QStringLiteral(
            "権限がありません (ユーザー名とパスワード、ブローカーのアクセス制御を確かめてください)");
    case MQTT_RC_SERVER_UNAVAILABLE: return QStringLiteral("ブローカーが使えません");
    case MQTT_RC_SERVER_BUSY: return QStringLiteral("ブローカーが混み合っています");
    case MQTT_RC_BANNED: return QStringLiteral("接続を禁止されています");
    case MQTT_RC_SERVER_SHUTTING_DOWN: return QStringLiteral("ブローカーが停止します");
    case MQTT_RC_BAD_AUTHENTICATION_METHOD: return QStringLiteral("認証方式が合いません");
    case MQTT_RC_KEEP_ALIVE_TIMEOUT: return QStringLiteral("キープアライブの時間内に通信がありませんでした");
    case MQTT_RC_SESSION_TAKEN_OVER: return QStringLiteral("同じクライアント ID の別の接続に替わりました");
    case MQTT_RC_TOPIC_NAME_INVALID: return QStringLiteral("トピック名を受け付けません");
    case MQTT_RC_RECEIVE_MAXIMUM_EXCEEDED: return QStringLiteral("確認待ちのメッセージが多すぎます");
    case MQTT_RC_PACKET_TOO_LARGE: return QStringLiteral("メッセージが大きすぎます");
    case MQTT_RC_MESSAGE_RATE_TOO_HIGH: return QStringLiteral("送信が速すぎます");
    case MQTT_RC_QUOTA_EXCEEDED: return QStringLiteral("ブローカーの割り当て量を超えました");
    case MQTT_RC_ADMINISTRATIVE_ACTION: return QStringLiteral("管理者の操作によります");
    case MQTT_RC_PAYLOAD_FORMAT_INVALID: return QStringLiteral("ペイロードの形式を受け付けません");
    case MQTT_RC_RETAIN_NOT_SUPPORTED: return QStringLiteral("保持メッセージを受け付けません");
    case MQTT_RC_QOS_NOT_SUPPORTED: return QStringLiteral("QoS 1 を受け付けません");
    case MQTT_RC_USE_ANOTHER_SERVER:
    case MQTT_RC_SERVER_MOVED: return QStringLiteral("別のブローカーを使うよう指示されました");
    case MQTT_RC_CONNECTION_RATE_EXCEEDED: return QStringLiteral("接続の頻度が高すぎます");
    case MQTT_RC_MAXIMUM_CONNECT_TIME: return QStringLiteral("接続時間の上限に達しました");
    default:
        return QStringLiteral("理由コード %1 (%2)")
            .arg(code)
            .arg(QString::fromUtf8(mosquitto_reason_string(code)));
    }
}

// A refused connection: MQTT 3.1.1's return codes, or MQTT 5's reason codes.
QString refusal(int rc)
{
    switch (rc) {
    case CONNACK_REFUSED_PROTOCOL_VERSION: return QStringLiteral("プロトコルのバージョンが合いません");
    case CONNACK_REFUSED_IDENTIFIER_REJECTED: return QStringLiteral("クライアント ID が拒否されました");
    case CONNACK_REFUSED_SERVER_UNAVAILABLE: return QStringLiteral("ブローカーが使えません");
    case CONNACK_REFUSED_BAD_USERNAME_PASSWORD: return QStringLiteral("ユーザー名またはパスワードが違います");
    case CONNACK_REFUSED_NOT_AUTHORIZED:
        return QStringLiteral("認証されていません (ユーザー名とパスワードを確かめてください)");
    default: return reasonText(rc);
    }
}

// Why a connection could not be made or ended, from the client library's code and errno.
QString linkText(int rc, int err)
{
    switch (rc) {
    case MOSQ_ERR_ERRNO:
        if (err == ECONNREFUSED)
            return QStringLiteral("そのポートで待ち受けているブローカーがありません");
        if (err == ECONNRESET || err == EPIPE)
            return QStringLiteral("ブローカーが接続を切りました");
        if (err == ETIMEDOUT)
            return QStringLiteral("応答がないまま時間切れになりました");
        if (err == EHOSTUNREACH || err == ENETUNREACH)
            return QStringLiteral("ネットワークでブローカーに届きません");
        return QString::fromLocal8Bit(std::strerror(err));
    case MOSQ_ERR_CONN_LOST: return QStringLiteral("ブローカーが接続を切りました");
    case MOSQ_ERR_KEEPALIVE: return QStringLiteral("キープアライブの時間内にブローカーから応答がありません");
    case MOSQ_ERR_NO_CONN: return QStringLiteral("接続がありません");
    case MOSQ_ERR_EAI:
    case MOSQ_ERR_LOOKUP: return QStringLiteral("ホスト名からアドレスを引けません");
    case MOSQ_ERR_TLS:
    case MOSQ_ERR_TLS_HANDSHAKE: return QStringLiteral("TLS の接続に失敗しました");
    case MOSQ_ERR_PROTOCOL:
    case MOSQ_ERR_MALFORMED_PACKET: return QStringLiteral("プロトコルの誤りです");
    case MOSQ_ERR_NOMEM: return QStringLiteral("メモリが足りません");
    case MOSQ_ERR_TIMEOUT: return QStringLiteral("時間切れです");
    default:
        return QStringLiteral("通信エラー %1 (%2)").arg(rc).arg(QString::fromUtf8(mosquitto_strerror(rc)));
    }
}

// The broker may refuse a message for its size: smaller pieces may go.
bool sizeMayBeWhy(int code)
{
    return code == ClosedOnIt || code == MQTT_RC_PACKET_TOO_LARGE ||
           code == MQTT_RC_IMPLEMENTATION_SPECIFIC || code == MQTT_RC_UNSPECIFIED;
}

// The gap's reason for a message the broker refused: the protocol's own words, for consumers.
std::string gapReason(int code)
{
    if (code == ClosedOnIt)
        return "refused: the broker closed the connection on it";
    return std::string("refused: ") + mosquitto_reason_string(code);
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
    if (s.refused > 0)
        text += QStringLiteral(" (ブローカーが受け取らなかった値 %1)").arg(s.refused);
    return text;
}

MqttPublisher::MqttPublisher(const StreamOptions& options, const StreamContext& context)
    : options_(options), topic_(options.topic),
      valuesTopic_((topic_ + QStringLiteral("/values")).toStdString()),
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

QString MqttPublisher::brokerText() const
{
    return broker_.host.isEmpty() ? UrlForText(options_.url) : broker_.text();
}

void MqttPublisher::setContext(const StreamContext& context)
{
    std::lock_guard lock(m_);
    if (contexts_.back().second == context)
        return;
    contexts_.push_back({++contextId_, context});
}

void MqttPublisher::segment(const QString& path, std::int64_t samples, std::int64_t firstMs,
                            std::int64_t lastMs)
{
    const QString file = QFileInfo(path).fileName();
    std::string json = "{\"file\":" + JsonString(file) + ",\"path\":" + JsonString(path) +
                       ",\"segment\":" + JsonString(SegmentName(file)) +
                       ",\"samples\":" + std::to_string(samples) + ",\"first\":\"" + IsoMs(firstMs) +
                       "\",\"last\":\"" + IsoMs(lastMs) + "\"}";
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
        publishCounts();
        if (quitting)
            break;
        // Until the open batch is due, the next attempt to connect or the next look at the ring.
        const std::int64_t next = mosq_ || !badUrl_.isEmpty() ? now + PollMs : retryAt_;
        const std::int64_t wait =
            std::clamp<std::int64_t>(std::min(cutter_.deadline(), next) - now, 1, PollMs);
        // While messages wait for room in flight, the broker's acknowledgements are met as they
        // come. Otherwise the thread sleeps until the next look at the ring and then takes what
        // the connection brought: one wake-up a batch rather than one more for its acknowledgement
        // (each costs the thread as much as the batch).
        const bool sleeping = !mosq_ || (connected_ && backlog_.inFlight() < InFlightMax);
        if (sleeping) {
            std::unique_lock lock(m_);
            wake_.wait_for(lock, std::chrono::milliseconds(wait), [this] { return quit_.load(); });
        }
        if (mosq_) {
            const int rc = mosquitto_loop(mosq_, sleeping ? 0 : int(wait), 1);
            if (refused_ || rc != MOSQ_ERR_SUCCESS)
                lost(rc);
            else if (!connected_ && steadyMs() - connectingSince_ > ConnectTimeoutMs)
                dropConnection(QStringLiteral("%1 秒待っても応答がありません").arg(ConnectTimeoutMs / 1000));
        }
    }
    drain();
    publishCounts();
}

void MqttPublisher::drain()
{
    // The end: what waits goes while the broker takes it, then the status says stopped.
    const std::int64_t until = steadyMs() + DrainMs;
    while (connected_ && backlog_.messages() > 0 && steadyMs() < until) {
        send();
        if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS)
            break;
    }
    if (connected_) {
        publishStatus("stopped");
        while (statusMid_ >= 0 && steadyMs() < until + 1000)
            if (mosquitto_loop(mosq_, 50, 1) != MOSQ_ERR_SUCCESS)
                break;
        mosquitto_disconnect(mosq_);
        mosquitto_loop(mosq_, 50, 1);
    }
    if (mosq_)
        mosquitto_destroy(mosq_);
    mosq_ = nullptr;
}

void MqttPublisher::publishCounts()
{
    std::lock_guard lock(m_);
    status_.backlog = backlog_.samples();
    status_.dropped = backlog_.dropped();
    status_.refused = backlog_.givenUp();
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
        backlog_.pushGap(
            {seq, seq, n, lastSampleMs_ + context_.periodMs, lastSampleMs_ + n * context_.periodMs});
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
        problem(
            QStringLiteral("MQTT のパスワードファイルを使うにはユーザー名 (MqttUser) も指定してください。"));
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
    mosquitto_int_option(mosq_, MOSQ_OPT_PROTOCOL_VERSION, protocol_);
    mosquitto_connect_callback_set(mosq_, &MqttPublisher::onConnect);
    mosquitto_disconnect_v5_callback_set(mosq_, &MqttPublisher::onDisconnect);
    mosquitto_publish_v5_callback_set(mosq_, &MqttPublisher::onPublish);
    mosquitto_log_callback_set(mosq_, &MqttPublisher::onLog);
    statusContext_ = context_;
    // The will: said by the broker when the connection dies; its time is when the connection began.
    const std::string lost = statusJson("lost");
    mosquitto_will_set(mosq_, statusTopic_.c_str(), int(lost.size()), lost.data(), 1, true);
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
    disconnectRc_ = 0;
    const QByteArray host = broker_.host.toUtf8();
    if (const int rc = mosquitto_connect_async(mosq_, host.constData(), broker_.port, KeepAliveS);
        rc != MOSQ_ERR_SUCCESS)
        dropConnection(linkText(rc, errno));
}

// The loop ended the connection (`rc`), or the broker refused it: said with the broker's reason
// when it gave one.
void MqttPublisher::lost(int rc)
{
    const int err = errno;
    const int reason = disconnectRc_ >= MQTT_RC_UNSPECIFIED ? disconnectRc_ : 0;
    // A broker of MQTT 3.1.1 cannot say that it refuses a message, only close the connection on
    // it: that counts against the oldest message in flight. A silent or broken network does not,
    // and a broker of MQTT 5 says why (a refused message comes back with its reason).
    const bool closedByTheBroker =
        rc == MOSQ_ERR_CONN_LOST || (rc == MOSQ_ERR_ERRNO && (err == ECONNRESET || err == EPIPE));
    const bool closed = protocol_ == MQTT_PROTOCOL_V311 && closedByTheBroker;
    dropConnection(reason ? reasonText(reason) : linkText(rc, err), closed);
}

void MqttPublisher::dropConnection(const QString& why, bool closedByBroker)
{
    const bool was = connected_;
    connected_ = false;
    if (mosq_)
        mosquitto_destroy(mosq_);
    mosq_ = nullptr;
    statusMid_ = -1;  // message ids start again with the next connection
    backlog_.resend(was && closedByBroker);
    retryAt_ = steadyMs() + (std::exchange(retryQuickly_, false) ? 0 : ReconnectMs);
    if (refused_)
        return;  // said by onConnect
    QString reason = why;
    if (broker_.tls && !lastLog_.isEmpty())
        reason = lastLog_;
    if (was) {
        problem(
            QStringLiteral("MQTT ブローカー %1 との接続が切れました (%2)。未送信の値は再接続後に送ります。")
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
        publishStatus("online");
    }
    while (backlog_.inFlight() < InFlightMax) {
        Outgoing* m = backlog_.nextUnsent();
        if (!m)
            return;
        if (reshape(*m))
            continue;
        using Kind = Outgoing::Kind;
        const std::string& topic = m->kind == Kind::Values ? valuesTopic_
                                   : m->kind == Kind::Gap  ? gapTopic_
                                                           : segmentTopic_;
        const std::string payload = m->kind == Kind::Values ? ValuesJson(m->batch)
                                    : m->kind == Kind::Gap  ? GapJson(m->gap)
                                                            : m->payload;
        int mid = 0;
        const int rc =
            mosquitto_publish(mosq_, &mid, topic.c_str(), int(payload.size()), payload.data(), 1, false);
        if (rc == MOSQ_ERR_OVERSIZE_PACKET)  // larger than the broker said it takes when we connected
            m->refused = MQTT_RC_PACKET_TOO_LARGE;
        else if (rc != MOSQ_ERR_SUCCESS)
            return;  // the loop finds the connection gone
        else
            backlog_.sent(*m, mid);
    }
}

// A message the broker refused, or a batch larger than it was seen to take, is dealt with
// before anything else goes: split in halves while its size may be why, else given up. True
// when `m` was dealt with (and is no longer to be used), false when it is to be sent as it is.
bool MqttPublisher::reshape(Outgoing& m)
{
    const std::size_t n = m.kind == Outgoing::Kind::Values ? m.batch.values.size() : 0;
    if (m.refused == 0) {
        if (n <= largest_ || m.everSent)  // one that may have reached the broker goes as it was
            return false;
        split(m);
    } else if (n > 1 && sizeMayBeWhy(m.refused)) {
        largest_ = std::min(largest_, (n + 1) / 2);
        cutter_.limit(largest_);  // the batches cut from now on are no larger
        split(m);
    } else {
        giveUp(m);
    }
    return true;
}

// The first half keeps the batch's number and place; the second half takes the next number, after
// the batch being cut, and goes last.
void MqttPublisher::split(Outgoing& m)
{
    ValuesBatch rest = backlog_.splitOff(m);
    rest.seq = cutter_.skip(steadyMs(), cut_);
    keepCut();
    backlog_.push(std::move(rest));
}

void MqttPublisher::giveUp(Outgoing& m)
{
    const int code = m.refused;
    const bool values = m.kind == Outgoing::Kind::Values;
    const QString what = values                          ? QStringLiteral("値")
                         : m.kind == Outgoing::Kind::Gap ? QStringLiteral("gap のメッセージ")
                                                         : QStringLiteral("segment のメッセージ");
    backlog_.giveUp(m, gapReason(code));
    sayOnce(QStringLiteral("MQTT ブローカー %1 が%2を受け取りません (%3)。%4")
                .arg(brokerText(), what, reasonText(code),
                     values ? QStringLiteral("その値は送らず、gap トピックで知らせます。")
                            : QStringLiteral("そのメッセージは送らずに次へ進みます。")));
}

void MqttPublisher::sayOnce(const QString& text)
{
    if (std::find(said_.begin(), said_.end(), text) != said_.end())
        return;
    said_.push_back(text);
    problem(text);
}

std::string MqttPublisher::statusJson(const char* state) const
{
    const QString version = QStringLiteral("%1.%2.%3")
                                .arg(TAVIN_VERSION_MAJOR)
                                .arg(TAVIN_VERSION_MINOR)
                                .arg(TAVIN_VERSION_REVISION);
    return std::string("{\"state\":\"") + state + "\",\"at\":\"" +
           IsoMs(QDateTime::currentMSecsSinceEpoch()) + "\",\"kind\":" + std::to_string(statusContext_.kind) +
           ",\"kind_name\":\"" + kindName(statusContext_.kind) +
           "\",\"program\":" + JsonString(QCoreApplication::applicationName()) + ",\"version\":\"" +
           version.toStdString() + "\"}";
}

void MqttPublisher::publishStatus(const char* state)
{
    const std::string payload = statusJson(state);
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
        if (p.protocol_ == MQTT_PROTOCOL_V5 &&
            (rc == MQTT_RC_UNSUPPORTED_PROTOCOL_VERSION || rc == CONNACK_REFUSED_PROTOCOL_VERSION)) {
            p.protocol_ = MQTT_PROTOCOL_V311;  // a broker of MQTT 3.1.1 alone: asked again in it at once
            p.retryQuickly_ = true;
            return;
        }
        p.problem(
            QStringLiteral("MQTT ブローカー %1 が接続を拒否しました: %2。").arg(p.brokerText(), refusal(rc)));
        p.setLink(StreamStatus::Link::Failed);
        return;
    }
    // The status goes from the loop: the client library holds its own locks during a callback.
    p.connected_ = true;
    p.statusDue_ = true;
    p.setLink(StreamStatus::Link::Connected);
}

void MqttPublisher::onDisconnect(mosquitto*, void* self, int rc, const mqtt5__property*)
{
    static_cast<MqttPublisher*>(self)->disconnectRc_ = rc;
}

void MqttPublisher::onPublish(mosquitto*, void* self, int mid, int reason, const mqtt5__property*)
{
    auto& p = *static_cast<MqttPublisher*>(self);
    if (mid == p.statusMid_) {
        p.statusMid_ = -1;  // message ids come round again: this one may be a batch's next time
        return;
    }
    // Below 0x80 it was taken (0x10: nobody subscribes yet).
    p.backlog_.acknowledged(mid, reason >= MQTT_RC_UNSPECIFIED ? reason : 0);
}

void MqttPublisher::onLog(mosquitto*, void* self, int level, const char* text)
{
    if (level == MOSQ_LOG_ERR)
        static_cast<MqttPublisher*>(self)->lastLog_ = QString::fromUtf8(text);
}

}  // namespace tavin
