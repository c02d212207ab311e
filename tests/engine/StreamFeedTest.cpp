// The stream's feed without a broker: what the broker's changing state makes it log and announce.
#include "engine/StreamFeed.h"
#include "core/trend/SampleStore.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace tavin;

namespace {

struct Announced : EngineOutput {
    void announce(AcquisitionEvent e) override { said.push_back(e.text); }
    void publish() override { ++publishes; }
    QStringList said;
    int publishes = 0;
};

TEST(StreamFeed, ABrokersProblemsConnectionAndDroppedValuesAreSaidOnceEach)
{
    test::TestEnv t;
    std::unique_ptr<AppState> st = t.state();
    st->log.LogInit();
    EngineState s;
    s.opt.stream.backlogSamples = 300;
    Announced out;
    StreamFeed feed(st->log, st->store, s, out, nullptr);
    using Link = StreamStatus::Link;
    const struct {
        StreamStatus status;
        int said;      // texts logged and announced,
        QString last;  // the last of them
    } steps[] = {
        {{Link::Connecting, "b:1883", 0, 0, 0, 1, "接続できません"}, 1, "接続できません"},
        {{Link::Connecting, "b:1883", 0, 0, 0, 1, "接続できません"}, 0, ""},
        {{Link::Connected, "b:1883", 0, 0, 0, 1, "接続できません"},
         1,
         "MQTT ブローカー b:1883 に接続しました。"},
        {{Link::Connected, "b:1883", 0, 5, 0, 1, "接続できません"}, 1, "(300 値) を超えたため"},
        {{Link::Connected, "b:1883", 0, 9, 0, 1, "接続できません"}, 0, ""},
        {{Link::Failed, "b:1883", 0, 9, 0, 2, "切れました"}, 1, "切れました"},
        // Back after a problem, and dropping again: said again since the connection.
        {{Link::Connected, "b:1883", 0, 12, 0, 2, "切れました"}, 2, "古い値から捨てています"},
    };
    int publishes = 0;
    for (const auto& step : steps) {
        const qsizetype before = out.said.size();
        feed.watch(step.status);
        EXPECT_EQ(s.view.stream, step.status);
        EXPECT_EQ(out.publishes, ++publishes);
        ASSERT_EQ(out.said.size(), before + step.said) << out.said.join('|').toStdString();
        EXPECT_TRUE(out.said.isEmpty() || out.said.last().contains(step.last))
            << out.said.last().toStdString();
    }
}

}  // namespace
