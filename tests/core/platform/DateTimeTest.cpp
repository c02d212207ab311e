#include "core/platform/DateTime.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <string>

using namespace tavin;

namespace {
OleDate at(int y, int mo, int d, int h, int mi, int s, int ms = 0)
{
    return ToOleDate(QDateTime(QDate(y, mo, d), QTime(h, mi, s, ms)));
}
}  // namespace

TEST(OleDate, CountsDaysFrom30December1899)
{
    EXPECT_DOUBLE_EQ(at(1899, 12, 30, 0, 0, 0), 0.0);
    EXPECT_DOUBLE_EQ(at(1900, 1, 1, 0, 0, 0), 2.0);
    EXPECT_DOUBLE_EQ(at(2020, 6, 9, 12, 0, 0), 43991.5);
    EXPECT_DOUBLE_EQ(at(2026, 12, 6, 18, 0, 0), 46362.75);
}

TEST(OleDate, RoundTripsAndSplitsToWholeSeconds)
{
    const OleDate d = at(2024, 2, 29, 23, 59, 58);
    EXPECT_EQ(FromOleDate(d), QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58)));
    const DateFields f = SplitOleDate(at(2024, 12, 31, 23, 59, 59, 600));
    EXPECT_EQ(f.year, 2025);
    EXPECT_EQ(f.month, 1);
    EXPECT_EQ(f.day, 1);
    EXPECT_EQ(f.hour, 0);
    EXPECT_EQ(f.second, 0);
}

TEST(FormatDate, WritesThePatternsOfTheProgram)
{
    const OleDate d = at(2020, 6, 9, 8, 5, 3);
    EXPECT_EQ(FormatDate(d, u"yyyy年m月d日 hh:nn:ss"), "2020年6月9日 08:05:03");
    EXPECT_EQ(FormatDate(d, u"YYYYMMDD-HHNNSS"), "20200609-080503");
    EXPECT_EQ(FormatDate(d, u"hh:nn:ss"), "08:05:03");
    EXPECT_EQ(FormatDate(d, u"HH:NN:SS"), "08:05:03");
    EXPECT_EQ(FormatDate(d, u"yyyy/mm/dd hh:nn"), "2020/06/09 08:05");
    EXPECT_EQ(FormatDate(d, u"hh:mm"), "08:05");  // m after an hour means minutes
    EXPECT_EQ(FormatDate(at(2020, 11, 23, 17, 45, 59), u"yyyy年m月d日 hh:nn:ss"), "2020年11月23日 17:45:59");
}

TEST(FormatDate, LogFormsAreShortDateAndLongTime)
{
    const OleDate d = at(2026, 12, 6, 9, 5, 3);
    EXPECT_EQ(ShortDate(d), "2026/12/06");
    EXPECT_EQ(LongTime(d), "9:05:03");
    EXPECT_EQ(LongTime(at(2026, 12, 6, 0, 0, 0)), "0:00:00");
    EXPECT_EQ(LongTime(at(2026, 12, 6, 23, 59, 59)), "23:59:59");
}

TEST(SerialDateText, WholeSecondsWriteAsTheGeneralFormDoes)
{
    char buf[40], ref[40];
    for (int day : {10000, 46362, 46363, 73000, 99999}) {
        for (int s = 0; s < 86400; ++s) {
            const OleDate d = day + s / 86400.0;
            std::snprintf(ref, sizeof ref, "%.15G", d);
            const std::string got(buf, SerialDateText(buf, d));
            ASSERT_EQ(got, ref) << day << " " << s;
        }
    }
    // Times that are not whole seconds, and days outside five digits, take the general form.
    for (OleDate d : {46362.123456789, 0.5, 9999.25, 100000.5, -1.5}) {
        std::snprintf(ref, sizeof ref, "%.15G", d);
        EXPECT_EQ(std::string(buf, SerialDateText(buf, d)), ref) << d;
    }
}
