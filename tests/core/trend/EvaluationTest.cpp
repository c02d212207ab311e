// Judging a stretch of a recording, against figures computed apart from the program (Python's
// statistics module on the values as the gauge sent them).
#include "core/trend/Evaluation.h"

#include <gtest/gtest.h>
#include <vector>

using namespace tavin;

TEST(Evaluation, AnIntervalsFiguresMatchAnIndependentComputation)
{
    const std::vector<float> v{100.0f, 100.5f, 99.8f, 99.2f, 98.9f, 99.1f};
    struct Case {
        std::int32_t a, b;
        float k;
        int count;
        double seconds, start, delta, perMinute, min, max, mean, stddev;
    };
    const Case cases[] = {
        {1, 4, 1, 4, 1.5, 100.5, -1.6, -64.0, 98.9, 100.5, 99.6, 0.61237244},
        {4, 1, 1, 4, 1.5, 100.5, -1.6, -64.0, 98.9, 100.5, 99.6, 0.61237244},  // either order
        {1, 4, 2.5f, 4, 1.5, 251.25, -4.0, -160.0, 247.25, 251.25, 249.0, 1.53093109},
        {2, 2, 1, 1, 0, 99.8, 0, 0, 99.8, 99.8, 99.8, 0},                         // one sample: no rate
        {3, 40, 1, 3, 1.0, 99.2, -0.1, -6.0, 98.9, 99.2, 99.066667, 0.12472191},  // cut to the data
    };
    for (const Case& c : cases) {
        const IntervalStats s = StatsOver(v.data(), std::int32_t(v.size()), c.a, c.b, c.k, 0.5);
        const auto where = testing::Message() << c.a << ".." << c.b << " x" << c.k;
        EXPECT_EQ(s.count, c.count) << where;
        EXPECT_DOUBLE_EQ(s.seconds, c.seconds) << where;
        EXPECT_NEAR(s.startValue, c.start, 1e-9) << where;
        EXPECT_NEAR(s.delta, c.delta, 1e-9) << where;
        EXPECT_NEAR(s.perMinute, c.perMinute, 1e-9) << where;
        EXPECT_NEAR(s.min, c.min, 1e-9) << where;
        EXPECT_NEAR(s.max, c.max, 1e-9) << where;
        EXPECT_NEAR(s.mean, c.mean, 1e-6) << where;
        EXPECT_NEAR(s.stddev, c.stddev, 1e-8) << where;
    }
}

TEST(Evaluation, TheSummaryOfWhatIsShownReadsAsTheValuesDo)
{
    const std::vector<float> v{199.7f, 200.0f, 199.4f, 199.9f};
    const RangeSummary s = SummaryOver(v.data(), 0, 3, 1);
    EXPECT_EQ(s.count, 4);
    EXPECT_EQ(SummaryText(s), "最小 199.4  最大 200  平均 199.75");  // the mean one decimal finer
    // A negative coefficient turns the smallest raw value into the largest shown.
    EXPECT_EQ(SummaryText(SummaryOver(v.data(), 1, 2, -2.5f)), "最小 -500  最大 -498.5  平均 -499.25");
    EXPECT_EQ(SummaryText(SummaryOver(v.data(), 2, 1, 1)), "");  // nothing shown
}

TEST(Evaluation, APressureDecayIsJudgedOverTheHoldTimeAfterSettling)
{
    // 200 kPa falling 0.01 kPa a sample, ten samples a second: 6 kPa a minute.
    std::vector<float> v(200);
    for (std::size_t i = 0; i < v.size(); ++i)
        v[i] = 200.0f - 0.01f * float(i);
    DecayTest t;
    t.settleS = 2;
    t.holdS = 10;
    t.maxDrop = 1.5;
    t.volumeMl = 50;
    DecayResult r = EvaluateDecay(v.data(), 200, 0, 1, 0.1, t, "kPa");
    EXPECT_EQ(r.verdict, Verdict::Ok);
    EXPECT_EQ(r.stats.first, 20);
    EXPECT_EQ(r.stats.last, 120);
    EXPECT_NEAR(r.drop, 1.0, 1e-4);
    EXPECT_NEAR(r.dropPerMin, 6.0, 1e-3);
    ASSERT_TRUE(r.leakMlPerMin);
    EXPECT_NEAR(*r.leakMlPerMin, 2.9607698, 1e-4);  // 50 mL x 1 kPa / 101.325 kPa / (10/60) min

    t.maxDrop = 0.5;  // a drop beyond either allowance fails
    EXPECT_EQ(EvaluateDecay(v.data(), 200, 0, 1, 0.1, t, "kPa").verdict, Verdict::Ng);
    t.maxDrop.reset();
    t.maxDropPerMin = 5;
    EXPECT_EQ(EvaluateDecay(v.data(), 200, 0, 1, 0.1, t, "kPa").verdict, Verdict::Ng);
    t.maxDropPerMin = 6.5;
    r = EvaluateDecay(v.data(), 200, 50, 1, 0.1, t, "myunit");  // from the cursor; a unit of the user's
    EXPECT_EQ(r.verdict, Verdict::Ok);
    EXPECT_EQ(r.stats.first, 70);
    EXPECT_FALSE(r.leakMlPerMin);  // no atmosphere known in it

    t.holdS = 30;  // longer than the data: not judged
    EXPECT_EQ(EvaluateDecay(v.data(), 200, 0, 1, 0.1, t, "kPa").verdict, Verdict::TooShort);
    EXPECT_EQ(EvaluateDecay(v.data(), 0, 0, 1, 0.1, t, "kPa").verdict, Verdict::TooShort);
}

TEST(Evaluation, AResultsLineQuotesWhatACommaWouldSplit)
{
    std::vector<float> v{300.0f, 299.5f, 299.0f};
    DecayTest t;
    t.name = QStringLiteral("継手A, 2回目");
    t.holdS = 2;
    t.maxDrop = 0.5;
    t.maxDropPerMin = 20;
    const DecayResult r = EvaluateDecay(v.data(), 3, 0, 1, 1.0, t, "kPa");
    EXPECT_EQ(DecayResultsHeader().count(u','), 9);
    EXPECT_EQ(
        DecayResultsLine("2026/12/09 10:00:00", "C:\\rec\\a.csv", t, r, "kPa", 1.0),
        "2026/12/09 10:00:00,C:\\rec\\a.csv,\"継手A, 2回目\",0,2,-1,-30,kPa,Δp≦0.5 kPa かつ ≦20 kPa/min,NG");
    t.holdS = 5;
    EXPECT_EQ(DecayResultsLine("t", "a.csv", t, EvaluateDecay(v.data(), 3, 0, 1, 1.0, t, "kPa"), "kPa", 1.0),
              "t,a.csv,\"継手A, 2回目\",,,,,kPa,Δp≦0.5 kPa かつ ≦20 kPa/min,判定不能");
}
