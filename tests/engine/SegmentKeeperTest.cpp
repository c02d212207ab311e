// Segments kept without the engine's thread or port: a full segment saved, the samples after it
// held until the client lets go, a lowered length ending the segment at the next sample, and a
// segment that cannot be written kept until it can.
#include "engine/SegmentKeeper.h"
#include "core/trend/SampleStore.h"
#include "engine/StreamFeed.h"
#include "support/Recordings.h"
#include "support/TestEnv.h"

#include <QFile>
#include <gtest/gtest.h>

using namespace tavin;
using Kind = AcquisitionEvent::Kind;

namespace {

struct Announced : EngineOutput {
    void announce(AcquisitionEvent e) override { events.push_back(std::move(e)); }
    void publish() override { ++publishes; }
    int count(Kind k) const { return int(std::ranges::count(events, k, &AcquisitionEvent::kind)); }
    std::vector<AcquisitionEvent> events;
    int publishes = 0;
};

class Keeper : public ::testing::Test {
protected:
    void SetUp() override
    {
        s.opt.saveDir = t.path("rec");
        s.opt.baseName = "data";
        s.opt.maxDatas = 3;
        s.view.measuring = true;
        keeper.begin();
    }
    void add(int from, int to)
    {
        for (int v = from; v <= to; ++v)
            keeper.add(float(v), s.view.startTime, float(v), false);
    }
    std::vector<float> stored() const
    {
        return {st->store.g_Datas.begin(), st->store.g_Datas.begin() + st->store.g_DataCnt.load()};
    }

    test::TestEnv t;
    std::unique_ptr<AppState> st = t.state();
    EngineState s;
    Announced out;
    qint64 retryMs = 0;
    StreamFeed feed{st->log, st->store, s, out, nullptr};  // no broker: it hands nothing over
    SegmentKeeper keeper{st->env, st->log, st->store, st->journal, st->unsaved, s, out, feed, retryMs};
};

TEST_F(Keeper, SamplesAfterAFullSegmentWaitForTheClientAndALoweredLengthEndsTheSegment)
{
    add(1, 5);
    EXPECT_EQ(s.view.generation, 1);
    EXPECT_EQ(s.view.fileNo, 2);
    EXPECT_TRUE(stored().empty());
    EXPECT_EQ(keeper.held(), 2u);
    keeper.drain();  // not acknowledged yet
    EXPECT_EQ(keeper.held(), 2u);
    keeper.acknowledge(1);
    keeper.drain();
    EXPECT_EQ(stored(), (std::vector<float>{4, 5}));

    s.opt.maxDatas = 1;
    add(6, 7);  // the segment ends before 6, which waits for the client with 7
    EXPECT_EQ(s.view.generation, 2);
    EXPECT_EQ(keeper.held(), 2u);
    keeper.drainAll();  // a stop: everything goes in
    EXPECT_EQ(keeper.held(), 0u);
    keeper.end();
    EXPECT_EQ(test::recorded(t.path("rec")), (std::vector<float>{1, 2, 3, 4, 5, 6, 7}));
    EXPECT_EQ(out.count(Kind::SegmentEnded), 4);
    EXPECT_EQ(out.count(Kind::Saved), 4);
}

TEST_F(Keeper, ASegmentThatCannotBeWrittenIsKeptUntilItCan)
{
    t.write("rec", "a file where the save folder should be");
    t.write("Documents", "a file where the documents folder should be");
    s.opt.maxDatas = 100;
    add(1, 2);
    EXPECT_FALSE(s.view.protecting);
    keeper.end();
    EXPECT_EQ(out.events.back().text, "保存に失敗しました.");
    EXPECT_EQ(s.view.unsaved, 1);
    EXPECT_TRUE(s.view.protecting);  // nothing measured: nothing at stake any more
    ASSERT_TRUE(QFile::remove(t.path("Documents")));
    EXPECT_EQ(keeper.saveUnsaved(true), 1);
    EXPECT_EQ(s.view.unsaved, 0);
    EXPECT_EQ(out.events.back().text, "保存できなかった測定データを保存しました.");
}

}  // namespace
