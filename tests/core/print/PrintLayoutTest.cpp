// The numbers of the printed sheet: names, strip placement and the texts around a graph box.
#include "core/print/PrintLayout.h"
#include "core/print/PrintPlan.h"
#include "core/trend/SampleStore.h"

#include <QDateTime>
#include <cmath>
#include <memory>

#include <gtest/gtest.h>

using namespace tavin;

namespace {

// Every character 2 mm wide, bold 2.5 mm: positions can be worked out by hand.
float Width(const QString& text, bool bold) { return float(text.size()) * (bold ? 2.5f : 2.0f); }

QStringList Texts(const QList<SheetText>& texts)
{
    QStringList out;
    for (const SheetText& t : texts)
        out << t.text;
    return out;
}

const SheetText* Find(const QList<SheetText>& texts, const QString& text)
{
    for (const SheetText& t : texts)
        if (t.text == text)
            return &t;
    return nullptr;
}

GraphScale Scale(std::initializer_list<float> lines, float top, float minus, std::int16_t style0 = LineSolid)
{
    GraphScale s;
    s.Top = top;
    s.MinusSpan = minus;
    s.Unit = QStringLiteral("kPa");
    for (float v : lines)
        s.LineValue[std::size_t(s.LineCount++)] = v;
    s.LineStyle[0] = style0;
    return s;
}

// A store of `n` samples one second apart from 09:05:03.
std::unique_ptr<SampleStore> Timed(int n)
{
    auto store = std::make_unique<SampleStore>();
    for (int i = 0; i < n; ++i)
        store->g_DataTime[std::size_t(i)] = ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(9, 5, 3 + i)));
    store->g_DataCnt = n;
    return store;
}

}  // namespace

TEST(PrintPlan, WhatCannotBePrintedAndTheNameTheSheetCarries)
{
    EXPECT_EQ(PrintRefusal(20, 0), QString());
    EXPECT_TRUE(
        PrintRefusal(0.5f, 0).startsWith(QStringLiteral("1 ページのデータ数が 0 のため印刷できません。")));
    EXPECT_EQ(PrintRefusal(NAN, 0), PrintRefusal(0.5f, 0));  // a page of no whole sample never advances
    EXPECT_EQ(PrintRefusal(20, PlusRangeCount),
              QStringLiteral("センサレンジが選ばれていないため印刷できません。"));
    EXPECT_EQ(PrintRefusal(20, -1), PrintRefusal(20, PlusRangeCount));
    EXPECT_EQ(PrintHeaderName(true, QStringLiteral("a.csv"), QStringLiteral("b")), QStringLiteral("a.csv"));
    EXPECT_EQ(PrintHeaderName(false, QStringLiteral("a.csv"), QStringLiteral("b")), QStringLiteral("b"));
    EXPECT_EQ(PrintHeaderName(true, QString(), QStringLiteral("b")), QStringLiteral("RQ4600_Datas"));
}

TEST(PrintPlan, PagesShowTheNextPageInBoxTwoAndStripsRunToTheEndOverAsManySheetsAsNeeded)
{
    const auto store = Timed(45), empty = Timed(0);
    const PrintLayout l = PrintLayoutFor(PrintMode::Landscape);
    const QList<GraphBoxSpec> two = PageBoxes(l, 0, 20, *store, QStringLiteral("1/3"));
    ASSERT_EQ(two.size(), 2);
    EXPECT_EQ(two[0].caption, QStringLiteral("1/3   09:05:03～"));
    EXPECT_EQ(two[1].caption, QStringLiteral("2/3   09:05:23～"));
    EXPECT_EQ(two[1].Y, l.nextY);
    EXPECT_EQ(PageBoxes(l, 40, 20, *store, QStringLiteral("3/3")).size(), 1);
    EXPECT_EQ(PageBoxes(l, 0, 20, *empty, QStringLiteral("1/1"))[0].caption, QString());  // no time to name

    const PrintLayout all = PrintLayoutFor(PrintMode::AllData);
    const float bottom = 210 - SheetBottomMargin;  // ten strips a sheet
    EXPECT_FALSE(StripAt(0, all, bottom, 0, 4, *store).newSheet);
    EXPECT_EQ(StripAt(1, all, bottom, 0, 4, *store).box.caption, QStringLiteral("09:05:07"));
    const PlannedStrip eleventh = StripAt(10, all, bottom, 0, 4, *store);
    EXPECT_TRUE(eleventh.newSheet && eleventh.box.firstStrip && !eleventh.last);
    EXPECT_EQ(eleventh.box.start, 40);
    EXPECT_TRUE(StripAt(11, all, bottom, 0, 4, *store).last);  // 44 is the last sample
    EXPECT_TRUE(StripAt(0, all, bottom, 0, 4, *empty).last);
}

TEST(PrintNames, TheFileNumberIsALongFourthFieldThatFitsAPageNumber)
{
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("tank-20261206-090503-00012.csv")), 12);
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("RQ4600_Datas-20261206-090503-1-20261206-093503.csv")), 0);
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("a-b-c")), 0);
    // Fourth field 130034 (a time stamp of a name with its own "-"): no number, no overflow.
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("tank-A-20261206-130034-1-20261206-133034.csv")), 0);
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("t-x-y-32767.csv")), 32767);
    EXPECT_EQ(GetFileNoFromName(QStringLiteral("t-x-y-32768.csv")), 0);
}

TEST(PrintNames, TheFilePrintersNameDropsTheLastCsvAndAddsTheFourDigitPage)
{
    EXPECT_EQ(PrintFileName(QStringLiteral("RQ4600_Datas"), PrintPageNo(0, 20)),
              QStringLiteral("RQ4600_Datas-0001.pdf"));
    EXPECT_EQ(PrintFileName(QStringLiteral("a.csv.b-1.csv"), PrintPageNo(40, 20)),
              QStringLiteral("a.csv.b-1-0003.pdf"));
    EXPECT_EQ(PrintFileName(QStringLiteral("A.CSV"), 12),
              QStringLiteral("A.CSV-0012.pdf"));  // the cut minds case
    // 60 s sampling with 1800 s pages spans 30.000002 samples: page 2 starts at 30 all the same.
    EXPECT_EQ(PrintPageNo(30, 1.0f / 60.0f * 1800.0f), 2);
    EXPECT_EQ(NextPageCaption(QStringLiteral("1/3"), QStringLiteral("09:05:23")),
              QStringLiteral("2/3   09:05:23～"));
}

TEST(PrintStrips, StripsFillASheetThenGoOnAtTheTopOfTheNext)
{
    const PrintLayout l = PrintLayoutFor(PrintMode::AllData);
    const float bottom = 210 - SheetBottomMargin;
    ASSERT_EQ(StripsPerSheet(l, bottom), 10);  // the tenth ends at 192.5, an eleventh would at 209
    const StripPlace ninth = StripPlaceOf(9, l, bottom);
    EXPECT_EQ(ninth.sheet, 0);
    EXPECT_FLOAT_EQ(ninth.top, 30 + 9 * 16.5f);
    EXPECT_FALSE(ninth.firstOnSheet);
    const StripPlace tenth = StripPlaceOf(10, l, bottom);
    EXPECT_EQ(tenth.sheet, 1);
    EXPECT_FLOAT_EQ(tenth.top, 30);
    EXPECT_TRUE(tenth.firstOnSheet);
    EXPECT_EQ(StripPlaceOf(25, l, bottom).sheet, 2);
    EXPECT_EQ(StripsPerSheet(l, 40), 1);  // never less than one a sheet
}

TEST(GraphBoxTexts, AFullBoxHasItsCaptionBelowTheUnitAboveAndLabelsLeftAndBelow)
{
    const GraphScale s = Scale({0, 50, 100}, 100, 0, LineNoLabel);  // the bottom line without label
    const GraphBoxSpec box{20, 30, 260, 70, QStringLiteral("2/3   09:05:23～"), 20, false, false};
    const QList<SheetText> t = GraphBoxTexts(box, s, 20, 1, 5, 4, Width);
    EXPECT_EQ(Texts(t), (QStringList{"2/3   09:05:23～", "(kPa)", "50 ", "100 ", "20", "25", "30", "35", "40",
                                     "(秒)"}));
    EXPECT_TRUE(t[0].bold);
    EXPECT_FLOAT_EQ(t[0].x, 25 + 130 - 15 * 2.5f / 2);
    EXPECT_FLOAT_EQ(t[0].y, 30 + 70 + 8);
    EXPECT_FLOAT_EQ(t[1].x, 25 - 6);  // measured on the unit without its parentheses
    EXPECT_FLOAT_EQ(t[1].y, 30 - 6);
    EXPECT_FLOAT_EQ(Find(t, "50 ")->x, 25 - 6);
    EXPECT_FLOAT_EQ(Find(t, "50 ")->y, 30 + 35 - 2);
    // The second box of a sheet counts its time from its own first sample (20 s).
    EXPECT_FLOAT_EQ(Find(t, "20")->x, 25 - 2);
    EXPECT_FLOAT_EQ(Find(t, "40")->x, 285 - 2);
    EXPECT_FLOAT_EQ(Find(t, "40")->y, 30 + 70 + 2);
    EXPECT_FLOAT_EQ(Find(t, "(秒)")->x, Find(t, "40")->x);
    EXPECT_FLOAT_EQ(Find(t, "(秒)")->y, 30 + 70 + 2 + 4);
}

TEST(GraphBoxTexts, StripsCarryTheUnitOnTheirNonZeroLabelsAndOnlyTheFirstHasTimes)
{
    const GraphScale plus = Scale({0, 100}, 100, 0);
    const GraphBoxSpec first{40, 30, 240, 14, QStringLiteral("09:05:03"), 0, true, true};
    const QList<SheetText> t = GraphBoxTexts(first, plus, 300, 1, 5, 4, Width);
    EXPECT_EQ(Texts(t), (QStringList{"09:05:03", "0", "100(kPa)", "1", "2", "3", "4", "5", "(分)"}));
    EXPECT_FLOAT_EQ(t[0].x, 45 - 25);
    EXPECT_FLOAT_EQ(t[0].y, 30 + 7 - 2);
    EXPECT_FLOAT_EQ(Find(t, "1")->y, 30 - 6);  // above the first strip, "0" left out
    // The labels of the strip's edges stay within its height, clear of the neighbouring strips'.
    EXPECT_FLOAT_EQ(Find(t, "100(kPa)")->y, 30);
    EXPECT_FLOAT_EQ(Find(t, "0")->y, 30 + 14 - 4);

    const GraphScale minus = Scale({-100, 0, 100}, 100, 100);
    const GraphBoxSpec later{40, 46.5f, 240, 14, QStringLiteral("09:10:03"), 300, true, false};
    EXPECT_EQ(Texts(GraphBoxTexts(later, minus, 300, 1, 5, 4, Width)),
              (QStringList{"09:10:03", "-100(kPa)", "0", "100(kPa)"}));
}

TEST(GraphBoxTexts, PagesShorterThanTheirDivisionsLabelTimeWithOneDecimal)
{
    const GraphBoxSpec box{20, 30, 260, 70, QString(), 5, false, false};
    // A 2 s page of ten samples a second: labels from 0.5 s in steps below a second.
    const QStringList t = Texts(GraphBoxTexts(box, Scale({0}, 1, 0), 2, 10, 5, 4, Width));
    EXPECT_TRUE(t.contains("0.5")) << t.join(u'|').toStdString();
    EXPECT_TRUE(t.contains("2.5"));
}
