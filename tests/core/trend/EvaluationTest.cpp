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

    // The panel and the clipboard say the same figures, as the values read (no 0.600006).
    const auto figures =
        IntervalFigures(StatsOver(v.data(), 6, 1, 4, 1, 0.5), "12:00:00", "12:00:01", QStringLiteral("kPa"));
    EXPECT_EQ(IntervalPanelText(figures).section(u'\n', 1, 1),
              "始値 (kPa) 100.5  終値 (kPa) 98.9  Δp (kPa) -1.6");
    const QString copied = IntervalCopyText(figures);
    EXPECT_TRUE(copied.startsWith("開始\t12:00:00\n終了\t12:00:01\nΔt (s)\t1.5\n点数\t4\n"))
        << copied.toStdString();
    EXPECT_TRUE(copied.endsWith("平均\t99.60\n標準偏差\t0.61\n"));  // a decimal finer than the values
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

    // What a report says of it.
    t.holdS = 2;
    EXPECT_EQ(DecayReportLines({t, r, "kPa", 1.0, "2026/12/09 10:00:05"}),
              QStringList(
                  {"圧力降下試験 継手A, 2回目  区間 0–2 s  判定 NG",
                   "Δp -1 kPa (-30 kPa/min) 基準 Δp≦0.5 kPa かつ ≦20 kPa/min  (評価 2026/12/09 10:00:05)"}));
}

// What a dialog's boxes may hold, and what the test made of them says.
TEST(Evaluation, ADecayTestIsReadFromItsBoxesOrRefusedWithTheReason)
{
    struct Case {
        DecayTexts texts;
        bool interval;
        const char* error;  // "" when read
    };
    const Case cases[] = {
        {{"継手A", "5", "30", "0.5", "", "120"}, false, ""},
        {{"", "", "", "", "0.2", ""}, true, ""},  // the cursors' interval: no times read
        {{"", "0", "0", "0.5", "", ""}, false, "保持時間を入力してください。"},
        {{"", "0", "30", "", " ", ""}, false, "許容降下か許容降下率を入力してください。"},
        {{"", "0", "30", "-1", "", ""}, false, "許容降下に 0 以上の数値を入力してください: -1"},
        {{"", "abc", "30", "1", "", ""}, false, "安定待ち時間に 0 以上の数値を入力してください: abc"},
        {{"", "0", "30", "1", "", "1e999"}, false, "容積に 0 以上の数値を入力してください: 1e999"},
    };
    for (const Case& c : cases) {
        const DecayTestParse p = ParseDecayTest(c.texts, c.interval);
        EXPECT_EQ(p.error, QString::fromUtf8(c.error)) << c.texts.settleS.toStdString();
        EXPECT_EQ(p.test.has_value(), p.error.isEmpty());
    }
    const DecayTest t = *ParseDecayTest(cases[0].texts, false).test;
    EXPECT_EQ(t.name, "継手A");
    EXPECT_EQ(t.settleS, 5);
    EXPECT_EQ(t.holdS, 30);
    EXPECT_EQ(t.maxDrop, 0.5);
    EXPECT_FALSE(t.maxDropPerMin);
    EXPECT_EQ(t.volumeMl, 120);
}
