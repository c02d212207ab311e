// Streaming to a real broker as a plant runs it: the recorder without a window publishing a gauge
// at 1 kHz to the system's mosquitto, a broker that goes away and comes back, one that refuses
// the password, and one that speaks TLS with a certificate of the test's own.
#include "e2e/RecorderFixture.h"
#include "support/Broker.h"
#include "support/Recordings.h"

#include <QJsonDocument>
#include <QJsonObject>

#include <sys/stat.h>

using namespace tavin;

namespace {

class Streaming : public test::RecorderFixture {
protected:
    // Runs a tool to its end, its output kept from the test's; whether it succeeded.
    static bool run(const QString& program, const QStringList& args)
    {
        test::Spawned p;
        return p.start(program, args) && p.waitForFinished(60000) && p.exitCode() == 0;
    }
    // A password file as its owner alone may read it.
    QString passwordFile(const QByteArray& password)
    {
        const QString path = t.path("mqtt-password");
        t.write("mqtt-password", password + '\n');
        ::chmod(QFile::encodeName(path).constData(), 0600);
        return path;
    }
    // The recording of 10 s at 1 ms, ended once the gauge sent its last frame.
    void recordTenSeconds(const QStringList& args, const std::function<void()>& meanwhile = {})
    {
        gauge({"--period", "1", "--count", "10000"});
        record(rec, QStringList{"--sampling", "1", "--coef", "2"} + args);
        if (meanwhile)
            meanwhile();
        ASSERT_EQ(frames.waitFor(10000, 40000).size(), 10000);
        QTest::qWait(300);  // the last frames read
        rec.terminate();
        const int status = ended(rec);
        err += QString::fromUtf8(rec.readAllStandardError());
        EXPECT_EQ(status, 0) << err.toStdString();
    }
    // The values the recordings hold, times the coefficient of 2.
    std::vector<float> recordedTimesTwo() const
    {
        std::vector<float> v = test::recorded(t.path("rec"));
        for (float& x : v)
            x *= 2.0f;
        return v;
    }
    static QJsonObject lastOn(const std::vector<test::Message>& m, const QString& topic)
    {
        for (auto it = m.rbegin(); it != m.rend(); ++it)
            if (it->topic == topic)
                return QJsonDocument::fromJson(it->payload).object();
        return {};
    }
    // Waits until every batch up to the one holding `count` values arrived.
    static bool allArrived(test::Subscriber& sub, std::size_t count, int ms = 20000)
    {
        return sub.waitFor([&](const auto& m) { return test::ValuesOf(m).values.size() >= count; }, ms);
    }
};

TEST_F(Streaming, EveryValueAtOneKilohertzArrivesInOrder)
{
    test::Broker broker;
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    test::Subscriber sub(broker.port(), "plant/bench1/#");
    ASSERT_TRUE(sub.waitConnected());

    recordTenSeconds({"--mqtt", broker.url(), "--mqtt-topic", "plant/bench1"});
    ASSERT_TRUE(allArrived(sub, 10000));
    const std::vector<test::Message> m = sub.messages();
    const test::Batches b = test::ValuesOf(m);
    EXPECT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    ASSERT_TRUE(b.contiguous);
    EXPECT_EQ(b.firstSeq, 1);
    EXPECT_EQ(b.values, recordedTimesTwo());
    EXPECT_EQ(b.values.size(), 10000u);
    EXPECT_EQ(b.duplicates, 0);
    EXPECT_EQ(b.periodMs, 1);
    EXPECT_EQ(b.unit, "kPa");
    // About ten batches a second, none above 100 values.
    EXPECT_GE(b.seqs.size(), 100u);
    EXPECT_LE(b.seqs.size(), 200u);

    // The recording's message, which the batches join by its name, and the status: online while
    // it ran, stopped at its end.
    const QJsonObject segment = lastOn(m, "plant/bench1/segment");
    const test::Recording r = test::recordings(t.path("rec")).at(0);
    EXPECT_EQ(segment["file"].toString(), QFileInfo(r.path).fileName());
    EXPECT_TRUE(segment["file"].toString().startsWith(segment["segment"].toString() + '-'));
    EXPECT_EQ(lastOn(m, "plant/bench1/values")["segment"], segment["segment"]);
    EXPECT_EQ(segment["samples"].toInt(), 10000);
    EXPECT_TRUE(QDateTime::fromString(segment["last"].toString(), Qt::ISODateWithMs).isValid());
    EXPECT_EQ(lastOn(m, "plant/bench1/status")["state"], "stopped");
    EXPECT_TRUE(QDateTime::fromString(lastOn(m, "plant/bench1/status")["at"].toString(), Qt::ISODateWithMs)
                    .isValid());
    EXPECT_EQ(lastOn(m, "plant/bench1/status")["kind_name"], "VRT50");
    EXPECT_TRUE(std::any_of(m.begin(), m.end(), [](const test::Message& x) {
        return x.topic.endsWith("/status") && x.payload.contains("\"online\"");
    }));
    EXPECT_EQ(err, "");
}

TEST_F(Streaming, BrokerAwayForFiveSecondsLosesNothing)
{
    test::Broker broker;
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    test::Subscriber sub(broker.port(), "plant/bench2/values");
    ASSERT_TRUE(sub.waitConnected());

    recordTenSeconds({"--mqtt", broker.url(), "--mqtt-topic", "plant/bench2"}, [&] {
        QTest::qWait(2500);
        broker.stop();
        waitSaid(rec, "接続が切れました");
        QTest::qWait(5000);
        EXPECT_TRUE(broker.start()) << broker.output().toStdString();
        waitSaid(rec, "に接続しました");
    });
    ASSERT_TRUE(allArrived(sub, 10000, 30000));
    const test::Batches b = test::ValuesOf(sub.messages());
    EXPECT_TRUE(b.error.isEmpty()) << b.error.toStdString();
    ASSERT_TRUE(b.contiguous);
    EXPECT_EQ(b.values, recordedTimesTwo());
}

TEST_F(Streaming, RefusedPasswordIsSaidAndTheMeasurementGoesOn)
{
    // The broker's password file, written by its own tool.
    test::Broker broker({"password_file " + t.path("passwd")});
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", "-c", t.path("passwd"), "bench", "right"}));
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();

    recordTenSeconds(
        {"--mqtt", broker.url(), "--mqtt-user", "bench", "--mqtt-password-file", passwordFile("wrong")},
        [&] { waitSaid(rec, "接続を拒否しました"); });
    EXPECT_EQ(err.count("接続を拒否しました"), 1) << err.toStdString();  // once, not at every attempt
    EXPECT_TRUE(err.contains("送れなかった 10000 値"))
        << err.toStdString();  // the end says what the broker missed
    EXPECT_FALSE(err.contains("wrong"));
    EXPECT_EQ(test::recorded(t.path("rec")).size(), 10000u);
    EXPECT_FALSE(QString::fromUtf8(t.read("LOG/" + QDir(t.path("LOG")).entryList({"PG*.Log"}).value(0)))
                     .contains("wrong"));
}

TEST_F(Streaming, TlsChecksTheCertificateAndItsHostName)
{
    // A certificate authority of the test's own and the broker's certificate for "localhost".
    const QString dir = t.dir.path();
    const auto openssl = [&](const QStringList& args) { return run("openssl", args); };
    ASSERT_TRUE(openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-days", "2", "-subj",
                         "/CN=test CA", "-keyout", dir + "/ca.key", "-out", dir + "/ca.pem"}));
    ASSERT_TRUE(openssl({"req", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=localhost", "-keyout",
                         dir + "/server.key", "-out", dir + "/server.csr"}));
    t.write("san.ext", "subjectAltName=DNS:localhost\n");
    ASSERT_TRUE(openssl({"x509", "-req", "-in", dir + "/server.csr", "-CA", dir + "/ca.pem", "-CAkey",
                         dir + "/ca.key", "-CAcreateserial", "-days", "2", "-extfile", dir + "/san.ext",
                         "-out", dir + "/server.pem"}));
    test::Broker broker({"cafile " + dir + "/ca.pem", "certfile " + dir + "/server.pem",
                         "keyfile " + dir + "/server.key", "password_file " + t.path("passwd")});
    ASSERT_TRUE(run("mosquitto_passwd", {"-b", "-c", t.path("passwd"), "bench", "right"}));
    ASSERT_TRUE(broker.start()) << broker.output().toStdString();
    // The recorder trusts the test's authority through the system's certificate store.
    qputenv("SSL_CERT_FILE", QFile::encodeName(dir + "/ca.pem"));
    struct Unset {
        ~Unset() { qunsetenv("SSL_CERT_FILE"); }
    } unset;

    const QStringList login{"--mqtt-user", "bench", "--mqtt-password-file", passwordFile("right")};
    // By an address the certificate does not name: refused by the host name check.
    gauge({"--period", "5", "--count", "400"});
    record(rec, QStringList{"--sampling", "5", "--mqtt", QString("mqtts://127.0.0.1:%1").arg(broker.port())} +
                    login);
    waitSaid(rec, "に接続できません");
    EXPECT_TRUE(err.contains("certificate verify failed")) << err.toStdString();
    rec.terminate();
    EXPECT_EQ(ended(rec), 0);

    // By the name it holds: published.
    test::Subscriber sub(broker.port(), "plant/tls/#", "tls-subscriber", dir + "/ca.pem", "bench", "right");
    ASSERT_TRUE(sub.waitConnected());
    err.clear();
    QDir(t.path("rec")).removeRecursively();
    QDir(t.dir.path()).mkpath("rec");
    recordTenSeconds(QStringList{"--mqtt", QString("mqtts://localhost:%1").arg(broker.port()), "--mqtt-topic",
                                 "plant/tls"} +
                     login);
    ASSERT_TRUE(allArrived(sub, 10000));
    EXPECT_EQ(test::ValuesOf(sub.messages()).values, recordedTimesTwo());
    EXPECT_EQ(err, "");
}

}  // namespace
