// The sample store: where samples go, what they do to the page, and where a segment ends.
#include "trend/SampleStore.h"

#include <gtest/gtest.h>

using namespace tavin;
using Step = SampleStore::PageStep;

namespace {

SampleStore::Appended put(SampleStore& s, float v, std::int32_t maxDatas = 30000, SampleStore::Page page = {0, 20, false})
{
    return s.Append(v, 46362.5, s.g_DataCnt, maxDatas, false, page);
}

}  // namespace

TEST(SampleStore, EachSampleDrawsOnThePageOrMovesIt)
{
    // Page 0..20 of N = 20: the first sample draws nothing, the rest up to index 20 draw their
    // segment (the last sample of a page is the first of the next), index 21 moves on.
    struct Case {
        std::int32_t index;
        SampleStore::Page page;
        Step step;
        std::int32_t nextStart;
    };
    const Case cases[] = {
        {0, {0, 20, false}, Step::None, 0},
        {1, {0, 20, false}, Step::DrawSegment, 0},
        {20, {0, 20, false}, Step::DrawSegment, 0},
        {21, {0, 20, false}, Step::NextPage, 20},
        {21, {0, 20, true}, Step::ZoomOut, 0},
        {21, {0, 20.9f, false}, Step::NextPage, 20},  // a fractional span moves by its whole part
        {45, {40, 20, false}, Step::DrawSegment, 0},
        {61, {40, 20, false}, Step::NextPage, 60},
    };
    for (const Case& c : cases) {
        SampleStore s;
        const SampleStore::Appended a = s.Append(1.5f, 46362.5, c.index, 30000, false, c.page);
        EXPECT_TRUE(a.stored);
        EXPECT_EQ(a.index, c.index);
        EXPECT_EQ(a.step, c.step) << c.index << " on page " << c.page.start;
        EXPECT_EQ(a.nextStart, c.nextStart) << c.index;
        EXPECT_EQ(s.g_DataCnt, c.index + 1);
        EXPECT_EQ(s.g_Datas[std::size_t(c.index)], 1.5f);
        EXPECT_EQ(s.g_DataTime[std::size_t(c.index)], 46362.5);
    }
}

TEST(SampleStore, ASegmentEndsWhenFullAndTheNextStartsAtZero)
{
    SampleStore s;
    EXPECT_FALSE(put(s, 1, 3).segmentFull);
    EXPECT_FALSE(put(s, 2, 3).segmentFull);
    EXPECT_TRUE(put(s, 3, 3).segmentFull);
    s.EndSegment();
    EXPECT_EQ(s.g_FileNo, 2);
    EXPECT_EQ(s.g_DataCnt, 0);
    EXPECT_EQ(put(s, 4, 3).index, 0);
    EXPECT_EQ(s.g_Datas[0], 4.0f);
    EXPECT_EQ(s.g_Datas[1], 2.0f);  // the rest is overwritten as the segment fills again

    // The limit lowered below what is stored: nothing is stored, the segment has to end first.
    for (int i = 0; i < 5; ++i)
        put(s, 9, 30000);
    const SampleStore::Appended full = put(s, 10, 3);
    EXPECT_FALSE(full.stored);
    EXPECT_EQ(s.g_DataCnt, 6);
    // An empty store takes a sample with any index at 0.
    SampleStore empty;
    EXPECT_EQ(empty.Append(5, 0, 40000, 30000, false, {}).index, 0);
    SampleStore other;
    EXPECT_EQ(other.Append(5, 0, SampleStore::Capacity, 400000, false, {}).index, 0);
    EXPECT_THROW(other.Append(5, 0, -1, 30000, false, {}), std::exception);
}

TEST(SampleStore, TheAverageColumnFollowsTheAccumulator)
{
    SampleStore s;
    s.ave.AveReset(3);
    for (float v : {3.0f, 6.0f, 9.0f, 12.0f})
        s.Append(v, 0, s.g_DataCnt, 30000, true, {0, 20, false});
    EXPECT_EQ(std::vector<float>(s.g_AveDatas.begin(), s.g_AveDatas.begin() + 4), (std::vector<float>{3, 4.5f, 6, 9}));
    put(s, 100);  // without the average its column is left alone
    EXPECT_EQ(s.g_AveDatas[4], 0.0f);

    s.g_FileNo = 5;
    s.Clear();
    EXPECT_EQ(s.g_DataCnt, 0);
    EXPECT_EQ(s.g_Datas[2], 0.0f);
    EXPECT_EQ(s.g_AveDatas[3], 0.0f);
    EXPECT_EQ(s.g_FileNo, 5);  // a cleared store keeps its segment number
    s.Restart();
    EXPECT_EQ(s.g_FileNo, 1);
}

TEST(SampleStore, ARecomputedAverageColumnGoesOnAsAnUninterruptedRun)
{
    auto append = [](SampleStore& s, int from, int to) {
        for (int i = from; i < to; ++i)
            s.Append(float(i % 17) * 0.5f, 0, s.g_DataCnt, 30000, true, {0, 20, false});
    };
    SampleStore whole, recalculated;
    whole.ave.AveReset(5);
    append(whole, 0, 40);
    recalculated.ave.AveReset(1000);
    append(recalculated, 0, 25);
    recalculated.AveRecalc(5);  // the length changed in the middle of a measurement
    append(recalculated, 25, 40);
    EXPECT_EQ(std::vector<float>(recalculated.g_AveDatas.begin(), recalculated.g_AveDatas.begin() + 40),
              std::vector<float>(whole.g_AveDatas.begin(), whole.g_AveDatas.begin() + 40));

    SampleStore four;
    for (float v : {3.0f, 6.0f, 9.0f, 12.0f})
        put(four, v);
    four.AveRecalc(3);
    EXPECT_EQ(std::vector<float>(four.g_AveDatas.begin(), four.g_AveDatas.begin() + 4), (std::vector<float>{3, 4.5f, 6, 9}));
}

TEST(MovingAverage, TheLengthDialogTakesOnlyWholeLengthsOfOneTo2000)
{
    EXPECT_EQ(MovingAverage::LengthFromInput(2000), 2000);
    EXPECT_EQ(MovingAverage::LengthFromInput(2.5f), 2);  // half to even
    EXPECT_EQ(MovingAverage::LengthFromInput(3.5f), 4);
    for (float refused : {0.0f, -5.0f, 2001.0f, 0.4f, 2000.5f + 0.25f})
        EXPECT_FALSE(MovingAverage::LengthFromInput(refused)) << refused;
}
