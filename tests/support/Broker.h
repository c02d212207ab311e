// A real MQTT broker for the tests, on a free loopback port, and a subscriber that keeps every
// message it receives. The broker is the system's mosquitto, started and stopped by the test.
#pragma once

#include "support/Spawned.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>

#include <functional>
#include <mutex>
#include <vector>

struct mosquitto;
struct mosquitto_message;

namespace tavin::test {

class Broker {
public:
    // Extra lines for the listener (password_file, certfile ...). The port is chosen once and kept
    // across restarts, as a plant's broker keeps its address.
    explicit Broker(QStringList listenerLines = {});
    ~Broker();

    // Starts it and waits until it takes connections; false with its output when it did not.
    bool start();
    // Ends it (SIGTERM: it keeps the subscribers' sessions on disk for the next start).
    void stop();
    int port() const { return port_; }
    QString url() const { return QStringLiteral("mqtt://127.0.0.1:%1").arg(port_); }
    QString output() { return QString::fromUtf8(p_.readAllStandardOutput()); }
    QString folder() const { return dir_.path(); }

private:
    QTemporaryDir dir_;
    QStringList lines_;
    int port_ = 0;
    Spawned p_;
};

struct Message {
    QString topic;
    QByteArray payload;
    bool retained = false;
};

// Subscribes to `filter` with QoS 1 in a lasting session, so that a broker that restarts keeps
// what came for it meanwhile. Runs the client on a thread of its own.
class Subscriber {
public:
    // With `caFile`, over TLS to "localhost".
    Subscriber(int port, const QString& filter,
               const QString& clientId = QStringLiteral("tavin-test-subscriber"), const QString& caFile = {},
               const QString& user = {}, const QString& password = {});
    ~Subscriber();

    bool waitConnected(int ms = 10000);
    std::vector<Message> messages() const;
    // Waits until `done` holds for the messages so far.
    bool waitFor(const std::function<bool(const std::vector<Message>&)>& done, int ms);

private:
    static void onConnect(mosquitto*, void* self, int rc);
    static void onMessage(mosquitto*, void* self, const mosquitto_message* m);

    mosquitto* mosq_ = nullptr;
    QString filter_;
    mutable std::mutex m_;
    std::vector<Message> got_;
    bool subscribed_ = false;
};

// The values topic's batches, decoded as a consumer reads them: each seq once (a repeat is a QoS 1
// duplicate and must be the same batch), a missing one named by a gap message.
struct Batches {
    std::vector<long long> seqs;  // as received, duplicates included
    std::vector<float> values;    // of the distinct batches in the order they were taken
    long long firstSeq = 0;       // the lowest seq (1 unless a gap dropped the first batches)
    bool contiguous = false;      // seqs firstSeq..n, each at least once or named by a gap message
    QString unit;
    double periodMs = 0;
    int duplicates = 0;
    QString error;  // a payload that is not the contract
};
Batches ValuesOf(const std::vector<Message>& messages);

}  // namespace tavin::test
