// The sample store: where samples go, what they do to the page, and where a segment ends.
#include "core/trend/SampleStore.h"

#include <gtest/gtest.h>

using namespace tavin;
using Step = PageStep;

namespace {

std::int32_t put(SampleStore& s, float v) { return s.Append(v, 46362.5, nullptr); }

// A sample with its moving average, as the engine stores one.
void putAveraged(SampleStore& s, float v)
{
    s.ave.AveAdd(v);
    const float mean = s.ave.AveGet();
    s.Append(v, 0, &mean);
}

}  // namespace

TEST(SampleStore, EachSampleDrawsOnThePageOrMovesIt)
{
    // Page 0..20 of N = 20: the first sample draws nothing, the rest up to index 20 draw their
    // segment (the last sample of a page is the first of the next), index 21 moves on.
    struct Case {
        std::int32_t index;
        Page page;
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
        const PageMove m = PageStepFor(c.index, c.page);
        EXPECT_EQ(m.step, c.step) << c.index << " on page " << c.page.start;
        EXPECT_EQ(m.nextStart, c.nextStart) << c.index;
    }
}

TEST(SampleStore, SamplesGoToTheCountAndASegmentStartsAgainAtZero)
{
    SampleStore s;
    EXPECT_EQ(put(s, 1), 0);
    EXPECT_EQ(put(s, 2), 1);
    EXPECT_EQ(put(s, 3), 2);
    EXPECT_EQ(s.g_DataTime[2], 46362.5);
    s.EndSegment();
    EXPECT_EQ(s.g_FileNo, 2);
    EXPECT_EQ(s.g_DataCnt, 0);
    EXPECT_EQ(put(s, 4), 0);
    EXPECT_EQ(s.g_Datas[0], 4.0f);
    EXPECT_EQ(s.g_Datas[1], 2.0f);  // the rest is overwritten as the segment fills again
    // A full store takes the next sample at 0 rather than past its end.
    s.g_DataCnt = SampleStore::Capacity;
    EXPECT_EQ(put(s, 5), 0);
}

TEST(SampleStore, TheAverageColumnFollowsTheAccumulator)
{
    SampleStore s;
    s.ave.AveReset(3);
    for (float v : {3.0f, 6.0f, 9.0f, 12.0f})
        putAveraged(s, v);
    EXPECT_EQ(std::vector<float>(s.g_AveDatas.begin(), s.g_AveDatas.begin() + 4),
              (std::vector<float>{3, 4.5f, 6, 9}));
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
            putAveraged(s, float(i % 17) * 0.5f);
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
    EXPECT_EQ(std::vector<float>(four.g_AveDatas.begin(), four.g_AveDatas.begin() + 4),
              (std::vector<float>{3, 4.5f, 6, 9}));
}

TEST(MovingAverage, TheLengthDialogTakesOnlyWholeLengthsOfOneTo2000)
{
    EXPECT_EQ(MovingAverage::LengthFromInput(2000), 2000);
    EXPECT_EQ(MovingAverage::LengthFromInput(2.5f), 2);  // half to even
    EXPECT_EQ(MovingAverage::LengthFromInput(3.5f), 4);
    for (float refused : {0.0f, -5.0f, 2001.0f, 0.4f, 2000.5f + 0.25f})
        EXPECT_FALSE(MovingAverage::LengthFromInput(refused)) << refused;
}
