#include "support/Broker.h"

#include <QDateTime>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QRandomGenerator>
#include <QStandardPaths>
#include <QTcpSocket>
#include <QTest>

#include <mosquitto.h>

#include <map>
#include <set>

#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace tavin::test {

namespace {

// A port that is free now, below the range the system hands out for outgoing connections, so
// that it stays free while the broker is stopped and started again.
int freePort()
{
    for (;;) {
        const int port = 20000 + int(QRandomGenerator::global()->bounded(10000));
        const int s = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(quint16(port));
        const bool free = ::bind(s, reinterpret_cast<sockaddr*>(&a), sizeof a) == 0;
        ::close(s);
        if (free)
            return port;
    }
}

bool listening(int port)
{
    QTcpSocket s;
    s.connectToHost(QStringLiteral("127.0.0.1"), quint16(port));
    return s.waitForConnected(200);
}

}  // namespace

Broker::Broker(QStringList listenerLines) : lines_(std::move(listenerLines)), port_(freePort())
{
    p_.setMergedChannels(true);
}

Broker::~Broker() { stop(); }

bool Broker::start()
{
    QFile conf(dir_.filePath("mosquitto.conf"));
    if (!conf.open(QIODevice::WriteOnly))
        return false;
    // As root it would switch to its own user, who cannot read the test's folder.
    QString text =
        QStringLiteral("user root\npersistence true\npersistence_location %1/\nautosave_interval 1\n"
                       "listener %2 127.0.0.1\n")
            .arg(dir_.path())
            .arg(port_);
    if (!lines_.join(u'\n').contains(QStringLiteral("password_file")))
        text += QStringLiteral("allow_anonymous true\n");
    text += lines_.join(u'\n') + u'\n';
    conf.write(text.toUtf8());
    conf.close();
    // A daemon: outside an administrator's PATH.
    QString program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"));
    if (program.isEmpty())
        program = QStandardPaths::findExecutable(QStringLiteral("mosquitto"), {QStringLiteral("/usr/sbin")});
    if (!p_.start(program, {"-c", conf.fileName()}))
        return false;
    return QTest::qWaitFor([&] { return listening(port_) || !p_.running(); }, 10000) && p_.running();
}

void Broker::stop()
{
    if (!p_.running())
        return;
    p_.terminate();
    p_.waitForFinished(10000);
}

// ---- the subscriber ----

Subscriber::Subscriber(int port, const QString& filter, const QString& clientId, const QString& caFile,
                       const QString& user, const QString& password)
    : filter_(filter)
{
    static const int init = mosquitto_lib_init();
    (void)init;
    mosq_ = mosquitto_new(clientId.toUtf8().constData(), false, this);
    mosquitto_connect_callback_set(mosq_, &Subscriber::onConnect);
    mosquitto_message_callback_set(mosq_, &Subscriber::onMessage);
    mosquitto_reconnect_delay_set(mosq_, 1, 1, false);
    if (!user.isEmpty())
        mosquitto_username_pw_set(mosq_, user.toUtf8().constData(), password.toUtf8().constData());
    if (!caFile.isEmpty())
        mosquitto_tls_set(mosq_, QFile::encodeName(caFile).constData(), nullptr, nullptr, nullptr, nullptr);
    mosquitto_connect_async(mosq_, caFile.isEmpty() ? "127.0.0.1" : "localhost", port, 30);
    mosquitto_loop_start(mosq_);
}

Subscriber::~Subscriber()
{
    mosquitto_disconnect(mosq_);
    mosquitto_loop_stop(mosq_, false);  // the disconnect ends its thread
    mosquitto_destroy(mosq_);
}

void Subscriber::onConnect(mosquitto* mosq, void* self, int rc)
{
    auto& s = *static_cast<Subscriber*>(self);
    if (rc != 0)
        return;
    mosquitto_subscribe(mosq, nullptr, s.filter_.toUtf8().constData(), 1);
    std::lock_guard lock(s.m_);
    s.subscribed_ = true;
}

void Subscriber::onMessage(mosquitto*, void* self, const mosquitto_message* m)
{
    auto& s = *static_cast<Subscriber*>(self);
    std::lock_guard lock(s.m_);
    s.got_.push_back({QString::fromUtf8(m->topic),
                      QByteArray(static_cast<const char*>(m->payload), m->payloadlen), m->retain});
}

bool Subscriber::waitConnected(int ms)
{
    // The subscription is taken once the broker answered the connect; a moment more for its ack.
    const bool ok = QTest::qWaitFor(
        [&] {
            std::lock_guard lock(m_);
            return subscribed_;
        },
        ms);
    QTest::qWait(200);
    return ok;
}

std::vector<Message> Subscriber::messages() const
{
    std::lock_guard lock(m_);
    return got_;
}

bool Subscriber::waitFor(const std::function<bool(const std::vector<Message>&)>& done, int ms)
{
    return QTest::qWaitFor([&] { return done(messages()); }, ms);
}

// ---- the values contract ----

Batches ValuesOf(const std::vector<Message>& messages)
{
    Batches b;
    std::map<long long, QJsonObject> bySeq;
    std::set<long long> explained;  // numbers a gap message says were given up
    for (const Message& m : messages) {
        if (m.topic.endsWith(QStringLiteral("/gap"))) {
            const QJsonObject g = QJsonDocument::fromJson(m.payload).object();
            for (long long s = g["first_seq"].toInteger(); s <= g["last_seq"].toInteger(); ++s)
                explained.insert(s);
        }
        if (!m.topic.endsWith(QStringLiteral("/values")))
            continue;
        const QJsonObject o = QJsonDocument::fromJson(m.payload).object();
        const QStringList keys = o.keys();
        if (keys !=
            QStringList{"coef", "index", "period_ms", "segment", "seq", "t0", "t0_ms", "unit", "values"}) {
            b.error = QStringLiteral("keys: ") + keys.join(u',');
            return b;
        }
        const long long seq = o["seq"].toInteger();
        b.seqs.push_back(seq);
        if (const auto it = bySeq.find(seq); it != bySeq.end()) {
            ++b.duplicates;
            if (it->second != o)
                b.error = QStringLiteral("seq %1 came twice with different contents").arg(seq);
            continue;
        }
        bySeq.emplace(seq, o);
    }
    b.firstSeq = bySeq.empty() ? 0 : bySeq.begin()->first;
    long long expected = b.firstSeq;
    // The values in the order they were taken: segment by segment, by their place in it (the
    // half of a batch split for the broker comes under a later number).
    std::map<QString, long long> segmentOrder;
    std::map<std::pair<long long, long long>, const QJsonObject*> byPlace;
    for (const auto& [seq, o] : bySeq) {
        while (expected < seq && explained.count(expected))
            ++expected;
        if (seq != expected++)
            return b;
        if (QDateTime::fromString(o["t0"].toString(), Qt::ISODateWithMs).toMSecsSinceEpoch() !=
            o["t0_ms"].toInteger())
            b.error = QStringLiteral("seq %1: t0 and t0_ms differ").arg(seq);
        const long long order = segmentOrder.emplace(o["segment"].toString(), seq).first->second;
        byPlace.emplace(std::pair(order, o["index"].toInteger()), &o);
    }
    // Along a segment the values follow one another without a gap in their numbers, and each
    // batch starts at least a period after the previous one's last value.
    const QJsonObject* previous = nullptr;
    for (const auto& [place, o] : byPlace) {
        const QJsonArray values = (*o)["values"].toArray();
        if (previous && (*previous)["segment"] == (*o)["segment"]) {
            const auto n = (*previous)["values"].toArray().size();
            if ((*previous)["index"].toInteger() + n != (*o)["index"].toInteger())
                b.error = QStringLiteral("seq %1: index %2 does not follow")
                              .arg((*o)["seq"].toInteger())
                              .arg((*o)["index"].toInteger());
            if ((*o)["t0_ms"].toInteger() <
                (*previous)["t0_ms"].toInteger() + n * (*previous)["period_ms"].toInteger())
                b.error =
                    QStringLiteral("seq %1: its times overlap the batch before").arg((*o)["seq"].toInteger());
        }
        previous = o;
        for (const QJsonValue v : values)
            b.values.push_back(float(v.toDouble()));
        b.unit = (*o)["unit"].toString();
        b.periodMs = (*o)["period_ms"].toDouble();
    }
    b.contiguous = !bySeq.empty();
    return b;
}

}  // namespace tavin::test
