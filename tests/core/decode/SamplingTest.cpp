// Sampling periods: the standard period of a measured one, period texts and the sampling label.
#include "core/decode/Sampling.h"

#include <gtest/gtest.h>

using namespace tavin;

TEST(Sampling, StandardPeriodsAndPeriodTexts)
{
    EXPECT_EQ(SampToStd(3.9f), 2);
    EXPECT_EQ(SampToStd(20.0f), 20);
    EXPECT_EQ(SampToStd(2999.0f), 3000);
    EXPECT_EQ(SampToStd(31000.0f), 30000);
    EXPECT_EQ(SampToStd(329999.0f), 300000);
    EXPECT_EQ(SampToStd(1e9f), 600000);

    EXPECT_EQ(SampTextToMsec(u" 0.1 sec"), 100);
    EXPECT_EQ(SampTextToMsec(u"10 msec"), 10);
    EXPECT_EQ(SampTextToMsec(u"600 sec"), 600000);

    EXPECT_EQ(PeriodTextToMsec(u"100"), 100.0);
    EXPECT_EQ(PeriodTextToMsec(u"0.5 sec"), 500.0);
    EXPECT_EQ(PeriodTextToMsec(u"2 min"), 120000.0);
    EXPECT_EQ(PeriodTextToMsec(u"20 ms"), 20.0);
    EXPECT_EQ(PeriodTextToMsec(u"7 parsecs"), 7000.0);  // "sec" is in it
    EXPECT_EQ(PeriodTextToMsec(u"7 hours"), 7.0);

    ASSERT_EQ(SamplingEntries().size(), 20);
    EXPECT_EQ(SamplingMenuCaptions().first(), "1 ms");
    EXPECT_EQ(SamplingMenuCaptions().last(), "600 sec");
    for (const QString& e : SamplingEntries().mid(1))  // 1 ms is below the first band
        EXPECT_EQ(SampToStd(float(SampTextToMsec(e))), SampTextToMsec(e)) << e.toStdString();
}

TEST(Sampling, TheLabelNamesThePeriodInItsUnit)
{
    QStringList labels;
    for (const QString& e : SamplingEntries())
        labels << SamplingLabel(SampTextToMsec(e));
    EXPECT_EQ(labels, (QStringList{"1 msec", "2 msec", "5 msec", "10 msec", "20 msec", "50 msec", "0.1 秒",
                                   "0.2 秒", "0.5 秒", "1 秒",   "2 秒",    "5 秒",    "10 秒",   "20 秒",
                                   "30 秒",  "1 分",   "2 分",   "3 分",    "5 分",    "10 分"}));
}
