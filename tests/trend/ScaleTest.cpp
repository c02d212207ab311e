#include "trend/Paging.h"
#include "trend/Scale.h"

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

std::vector<float> lines(const GraphScale& g) { return {g.LineValue.begin(), g.LineValue.begin() + g.LineCount}; }
std::vector<int> styles(const GraphScale& g) { return {g.LineStyle.begin(), g.LineStyle.begin() + g.LineCount}; }

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

TEST(Paging, PageNumbersAndTheTimeAxisRows)
{
    PageInfo p = SetPageInfo(0, 44, 20);
    EXPECT_EQ(p.start, 0);
    EXPECT_EQ(p.nowPage, 0);
    EXPECT_EQ(p.endPage, 2);
    EXPECT_EQ(SetPageInfo(0, -1, 20).start, -1);
    EXPECT_EQ(SetPageInfo(40, 44, 20).nowPage, 2);

    struct Row {
        float s;
        const char* unit;
        int div;
        float divisor;
    };
    const Row rows[] = {{1, "秒", 5, 1},         {10, "秒", 5, 1},        {20, "秒", 4, 1},
                        {30, "秒", 6, 1},        {60, "秒", 6, 1},        {120, "秒", 4, 1},
                        {300, "分", 5, 60},      {600, "分", 5, 60},      {1800, "分", 6, 60},
                        {7200, "分", 6, 60},     {21600, "時", 6, 3600},  {43200, "時", 4, 3600},
                        {86400, "時", 4, 3600},  {172800, "日", 4, 86400}, {432000, "日", 5, 86400},
                        {864000, "日", 5, 86400}};
    for (const Row& r : rows) {
        const TimeAxis a = SetYokoTani_And_Yoko_Bun(r.s);
        EXPECT_EQ(a.unit, QString::fromUtf8(r.unit)) << r.s;
        EXPECT_EQ(a.div, r.div) << r.s;
        EXPECT_EQ(a.divisor, r.divisor) << r.s;
    }
    EXPECT_EQ(PageSecEntries().size(), 19);
}
