#include "core/trend/Recording.h"
#include "core/app/ConfFile.h"
#include "core/trend/MovingAverage.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace tavin;

TEST(MovingAverage, AveragesTheLastAveNumValues)
{
    MovingAverage a;
    a.AveReset(3);
    std::vector<float> got;
    for (float v : {3.0f, 6.0f, 9.0f, 12.0f}) {
        a.AveAdd(v);
        got.push_back(a.AveGet());
    }
    EXPECT_EQ(got, (std::vector<float>{3.0f, 4.5f, 6.0f, 9.0f}));
}

TEST(MovingAverage, ALengthOutsideOneToTwoThousandBecomesAThousand)
{
    MovingAverage a;
    for (double typed : {0.0, 2001.0, -5.0, std::nan("")}) {
        a.AveReset(typed);
        EXPECT_EQ(a.AveNum, 1000) << typed;
    }
    a.AveReset(2000);
    EXPECT_EQ(a.AveNum, 2000);
    a.AveReset(2.5);  // half to even
    EXPECT_EQ(a.AveNum, 2);
    a.AveReset(1);
    a.AveAdd(7);
    a.AveAdd(8);
    EXPECT_EQ(a.AveGet(), 8.0f);
}

TEST(RefreshDue, EveryHundredMillisecondsOfDataOrWhenTheSecondChanges)
{
    EXPECT_TRUE(RefreshDue(1, 1000, 5.0, 5.0));  // 100 / 1000 = 0.1: every sample
    EXPECT_FALSE(RefreshDue(99, 1, 5.0, 5.0));   // at 1 ms: once per 100 frames
    EXPECT_TRUE(RefreshDue(100, 1, 5.0, 5.0));
    EXPECT_TRUE(RefreshDue(3, 1, 5.0 + 1.0 / 86400, 5.0));
    EXPECT_FALSE(RefreshDue(4, 20, 5.0, 5.0));
    EXPECT_TRUE(RefreshDue(5, 20, 5.0, 5.0));
}

TEST(CheckLimits, OnlyEnabledLimitsRaiseAlarms)
{
    LimitCheck c = CheckLimits(150, 100, -100, EtcUpperLimit);
    EXPECT_EQ(c.set, AlarmHigh);
    EXPECT_EQ(c.clear, AlarmLow);
    c = CheckLimits(150, 100, -100, std::int16_t(EtcLowerLimit | EtcAverage));
    EXPECT_EQ(c.set, 0);
    c = CheckLimits(-150, 100, -100, EtcConfWith(EtcUpperLimit, EtcLowerLimit, true));
    EXPECT_EQ(c.set, AlarmLow);
    // With the lower limit above the upper one, one value can break both.
    c = CheckLimits(50, 10, 60, 6);
    EXPECT_EQ(c.set, AlarmHigh | AlarmLow);
    EXPECT_EQ(c.clear, 0);
}

TEST(AlarmBlink, UpperBlinksRedLowerBlueBothRedAndBlue)
{
    auto sequence = [](std::uint16_t bits) {
        AlarmBlink b;
        EXPECT_TRUE(b.AlarmSet(bits));
        std::vector<BlinkColour> out;
        for (int i = 0; i < 4; ++i)
            out.push_back(b.step(true));
        return out;
    };
    using C = BlinkColour;
    EXPECT_EQ(sequence(AlarmHigh), (std::vector<C>{C::Red, C::Normal, C::Red, C::Normal}));
    EXPECT_EQ(sequence(AlarmLow), (std::vector<C>{C::Blue, C::Normal, C::Blue, C::Normal}));
    EXPECT_EQ(sequence(AlarmLow | AlarmHigh), (std::vector<C>{C::Red, C::Blue, C::Red, C::Blue}));
}

TEST(AlarmBlink, StopsWhenClearedOrWhenTheMeasurementEnds)
{
    AlarmBlink b;
    EXPECT_TRUE(b.AlarmSet(AlarmHigh));
    EXPECT_FALSE(b.AlarmSet(AlarmLow));  // already blinking
    EXPECT_FALSE(b.AlarmClear(AlarmHigh));
    EXPECT_TRUE(b.AlarmClear(AlarmLow));
    EXPECT_FALSE(b.running);

    EXPECT_TRUE(b.AlarmSet(AlarmHigh));
    EXPECT_EQ(b.step(false), BlinkColour::Normal);
    EXPECT_FALSE(b.running);
    EXPECT_TRUE(b.Tag.isEmpty());
}

TEST(ReadoutText, PositiveValuesGetAPlus)
{
    EXPECT_EQ(ReadoutText(1.5f, "0.000"), "+1.500");
    EXPECT_EQ(ReadoutText(-1.5f, "0.00"), "-1.50");
    EXPECT_EQ(ReadoutText(0.0f, "0.0"), "0.0");
    EXPECT_EQ(ReadoutText(12.0f, ""), "+12");
}
