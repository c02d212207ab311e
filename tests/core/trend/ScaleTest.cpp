#include "core/trend/Scale.h"
#include "core/trend/Paging.h"

#include <gtest/gtest.h>
#include <vector>

using namespace tavin;

namespace {

struct Built {
    GraphScale screen, print;
};

Built build(int plus, int minus, ScaleOptions o = {})
{
    Built b;
    const float M = minus >= 2 ? MinusRangeTexts()[minus].toFloat() : 0.0f;
    BuildScale(b.screen, b.print, FullScale(plus), minus, M, o, "kPa");
    return b;
}

std::vector<float> lines(const GraphScale& g)
{
    return {g.LineValue.begin(), g.LineValue.begin() + g.LineCount};
}
std::vector<int> styles(const GraphScale& g)
{
    return {g.LineStyle.begin(), g.LineStyle.begin() + g.LineCount};
}

}  // namespace

TEST(BuildScale, TheWorkedExample)
{
    const Built b = build(7, 3);  // plus 100, minus -10.0
    EXPECT_EQ(b.screen.Top, 125.0f);
    EXPECT_EQ(b.screen.MinusSpan, 10.0f);
    EXPECT_EQ(b.screen.Format, "0.00");
    EXPECT_EQ(lines(b.screen), (std::vector<float>{-10, 0, 25, 50, 75, 100, 125}));
    EXPECT_EQ(styles(b.screen), (std::vector<int>{0, 0, 1, 0, 1, 0, 0}));
    EXPECT_EQ(lines(b.print), (std::vector<float>{-10, 0, 125}));
    EXPECT_EQ(b.print.Unit, "kPa");
}

TEST(BuildScale, TheExtendedMinusSideOfPlusOne)
{
    const Built b = build(0, 2, {false, true, true});
    EXPECT_FLOAT_EQ(b.screen.MinusSpan, 0.125f);
    EXPECT_EQ(b.screen.Format, "0.00");
    const std::vector<float> want = {-0.125f, -0.1f, 0, 0.25f, 0.5f, 0.75f, 1, 1.25f};
    ASSERT_EQ(b.screen.LineCount, 8);
    for (int i = 0; i < 8; ++i)
        EXPECT_FLOAT_EQ(b.screen.LineValue[i], want[std::size_t(i)]) << i;
    EXPECT_EQ(b.screen.LineStyle[0], LineNoLabel);
    EXPECT_EQ(b.screen.LineStyle[1], LineSolid);
}

TEST(BuildScale, CompoundScaleMirrorsThePlusSide)
{
    for (bool hasen : {false, true}) {
        const Built b = build(4, 1, {hasen, false, false});  // plus 20
        EXPECT_EQ(lines(b.screen), (std::vector<float>{-25, -20, -15, -10, -5, 0, 5, 10, 15, 20, 25}));
        EXPECT_EQ(b.screen.LineCount, 11);
        EXPECT_EQ(b.screen.LineStyle[0], hasen ? LineDotted : LineSolid);
        EXPECT_EQ(b.screen.LineStyle[10], hasen ? LineDotted : LineSolid);
        EXPECT_EQ(b.screen.MinusSpan, 25.0f);
        EXPECT_EQ(lines(b.print), (std::vector<float>{-25, 0, 25}));
    }
}

TEST(BuildScale, ALargeMinusRangeThinsThePlusSide)
{
    const Built b = build(0, 6);  // plus 1, minus -100.0
    EXPECT_EQ(b.screen.LineCount, 15);
    EXPECT_EQ(b.screen.LineValue[0], -100.0f);
    EXPECT_FLOAT_EQ(b.screen.LineValue[11], -2.75f);
    EXPECT_EQ(std::vector<float>(b.screen.LineValue.begin() + 12, b.screen.LineValue.begin() + 15),
              (std::vector<float>{0, 1, 1.25f}));
    EXPECT_EQ(std::vector<int>(b.screen.LineStyle.begin() + 12, b.screen.LineStyle.begin() + 15),
              (std::vector<int>{0, 1, 0}));
}

TEST(BuildScale, ASmallMinusValueGetsNoLineOfItsOwn)
{
    const Built b = build(12, 2);  // plus 5000, minus -0.1 (2 % of 5000 is 100)
    EXPECT_EQ(b.screen.LineValue[0], 0.0f);
    EXPECT_EQ(b.screen.LineCount, 6);
    EXPECT_FLOAT_EQ(b.screen.MinusSpan, 0.1f);
}

TEST(BuildScale, PlainPlusRangesAndFormats)
{
    const char* formats[] = {"0.00", "0.0", "0.00", "0.0", "0", "0.00", "0.0", "0", "0", "0", "0", "0", "0"};
    for (int p = 0; p < PlusRangeCount; ++p) {
        const Built b = build(p, 0);
        EXPECT_EQ(b.screen.Format, formats[p]) << p;
        EXPECT_EQ(b.screen.LineCount, 6);
        EXPECT_EQ(b.screen.Top, FullScale(p) * 1.25f);
        EXPECT_EQ(b.print.LineCount, 2);
    }
}

TEST(MinusItemEnabled, FollowsThePlusRangeTable)
{
    for (int m = 2; m < MinusRangeCount; ++m) {
        EXPECT_EQ(MinusItemEnabled(0, m), m == 2);
        EXPECT_FALSE(MinusItemEnabled(3, m));  // plus "10": none
        EXPECT_EQ(MinusItemEnabled(8, m), m >= 3);
        EXPECT_FALSE(MinusItemEnabled(12, m));
    }
    EXPECT_TRUE(MinusItemEnabled(3, 0));
    EXPECT_TRUE(MinusItemEnabled(3, 1));
}

// The ranges a recording's header names, among the menus' own items.
TEST(RangeForText, TheItemHoldingTheTextElseTheNextLargerElseTheLast)
{
    struct Case {
        const char* text;
        int index;
        bool matched;
    } plus[] = {{"35", 5, true}, {"150", 8, true}, {"9999", 12, false}, {"0.5", 0, true}};
    for (const Case& c : plus) {
        const RangeChoice r = PlusRangeForText(PlusRangeTexts(), QString::fromLatin1(c.text));
        EXPECT_EQ(r.index, c.index) << c.text;
        EXPECT_EQ(r.matched, c.matched) << c.text;
    }
    struct Minus {
        const char* minus;
        const char* plus;
        int index;
    } minus[] = {{"-10.0", "10", 1}, {"0", "10", 0}, {"-50.0", "100", 5}, {"-7", "100", 1}, {"-35", "35", 1}};
    for (const Minus& c : minus)
        EXPECT_EQ(
            MinusRangeForText(MinusRangeTexts(), QString::fromLatin1(c.minus), QString::fromLatin1(c.plus)),
            c.index)
            << c.minus;
}
