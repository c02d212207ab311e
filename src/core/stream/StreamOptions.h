// Where a measurement is streamed to: an MQTT broker that a plant's collector reads into its
// database. Nothing here talks to the network; it names the broker, the topics and the password,
// and says plainly what is wrong with them.
#pragma once

#include <QString>

#include <cstdint>
#include <optional>

namespace tavin {

// The samples kept for a broker that is away: an hour of the fastest gauge (about 14 MB).
constexpr std::int64_t DefaultBacklogSamples = 3'600'000;

struct StreamOptions {
    QString url;           // mqtt://host[:port] or mqtts://host[:port]; empty: nothing is published
    QString topic;         // the root of the topics; empty: DefaultTopic of the port
    QString user;          // empty: none
    QString passwordFile;  // a file holding the password (its first line); empty: none
    std::int64_t backlogSamples = DefaultBacklogSamples;

    bool on() const { return !url.isEmpty(); }
    bool operator==(const StreamOptions&) const = default;
};

struct BrokerAddress {
    bool tls = false;
    QString host;
    int port = 1883;

    QString text() const
    {
        return (host.contains(u':') ? QStringLiteral("[%1]:%2") : QStringLiteral("%1:%2"))
            .arg(host)
            .arg(port);
    }
};

// The broker `url` names; nothing, with why, when it names none.
std::optional<BrokerAddress> ParseBrokerUrl(const QString& url, QString* why);
// `url` as it may stand in a message, the log or a window, the one form every text shows: a user
// part (up to the last "@" before the host, where a password may hold "/ ? # @" of its own) as
// "***", and control characters by their code, so that the line stays one line.
QString UrlForText(const QString& url);
// Why `topic` cannot be the root of the topics published to; empty when it can.
QString TopicProblem(const QString& topic);
// "tavin/<host name>/<port>": COM3 for a numbered port, the device's name (ttyUSB0) for a path.
QString DefaultTopic(const QString& portName);
// The password: the first line of `path`, which nobody but its owner may read. Empty when read,
// else why not.
QString ReadPasswordFile(const QString& path, QString* password);

}  // namespace tavin
