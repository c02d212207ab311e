// The publisher against a broker that takes messages up to a size only, as a plant's broker may be
// set up: what fits arrives, a value that never fits is named in a gap message, said once, and
// nothing is sent again and again.
#include "engine/MqttPublisher.h"
#include "support/Broker.h"

#include <QDateTime>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>
#include <gtest/gtest.h>

#include <algorithm>

using namespace tavin;

namespace {

std::vector<QJsonObject> gaps(const std::vector<test::Message>& messages)
{
    std::vector<QJsonObject> g;
    for (const test::Message& m : messages)
        if (m.topic.endsWith("/gap"))
            g.push_back(QJsonDocument::fromJson(m.payload).object());
    return g;
}

TEST(MqttPublisher, ABatchTooLargeForTheBrokerGoesInHalvesAndAValueThatNeverFitsBecomesAGap)
{
    // A long unit: one value nearly fills what the broker takes, and its gap message fits.
    const StreamContext wide{QString(120, u'u'), 1.0f, 1, 0, {}};
    const std::int64_t t0 = QDateTime::currentMSecsSinceEpoch();
    const auto size = [&](float v) { return qsizetype(ValuesJson({99, t0, 1, wide, {v}}).size()); };
    const float huge = 1.17549435e-38f;  // a long number in JSON
    const qsizetype limit = size(1) + 3;
    ASSERT_GT(size(huge) - 1, limit);
    const QString topic = "plant/limit";
    // A limit on the payload, said in the broker's acknowledgement, and one on the whole packet,
    // said when connecting (the client library then sends nothing larger).
    for (const QString& line : {QStringLiteral("message_size_limit %1").arg(limit),
                                QStringLiteral("max_packet_size %1").arg(limit + 8 + topic.size() + 7)}) {
        SCOPED_TRACE(line.toStdString());
        test::Broker broker({line});
        ASSERT_TRUE(broker.start()) << broker.output().toStdString();
        test::Subscriber sub(broker.port(), topic + "/#");
        ASSERT_TRUE(sub.waitConnected());
        MqttPublisher p({broker.url(), topic, {}, {}}, wide);
        std::vector<float> fit;
        for (int i = 0; i < 40; ++i) {
            const float v = i == 7 || i == 30 ? huge : float(i % 3);
            p.sample(v, t0 + i, i + 1);
            if (v != huge)
                fit.push_back(v);
        }
        ASSERT_TRUE(sub.waitFor(
            [&](const auto& m) {
                return test::ValuesOf(m).values.size() == fit.size() && gaps(m).size() == 2;
            },
            10000));
        QTest::qWait(500);  // and nothing more
        const std::vector<test::Message> m = sub.messages();
        const test::Batches b = test::ValuesOf(m);
        EXPECT_TRUE(b.contiguous);
        EXPECT_EQ(b.duplicates, 0);
        EXPECT_EQ(b.values, fit);
        for (const QJsonObject& g : gaps(m)) {
            EXPECT_EQ(g["samples"].toInt(), 1);
            EXPECT_TRUE(g["reason"].toString().startsWith("refused: "))
                << g["reason"].toString().toStdString();
        }
        EXPECT_EQ(std::count_if(m.begin(), m.end(), [](auto& x) { return x.payload.contains("\"online\""); }),
                  1);
        const StreamStatus s = p.status();
        EXPECT_EQ(s.refused, 2);
        EXPECT_EQ(s.backlog, 0);
        EXPECT_EQ(s.problems, 1u);  // for both values
        EXPECT_TRUE(s.problem.contains("メッセージが大きすぎます")) << s.problem.toStdString();
    }
}

}  // namespace
