#include "core/files/CsvWriter.h"
#include "core/platform/TextFile.h"

#include <QDateTime>
#include <gtest/gtest.h>

using namespace tavin;

namespace {
OleDate at(int h, int m, int s) { return ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(h, m, s))); }
}  // namespace

TEST(CsvNames, TheTimeStampedNameOfASegment)
{
    EXPECT_EQ(FileExtentionAddCheck("data.CSV", AutoSaveSuffix(at(13, 0, 34), 2, at(14, 1, 12))),
              "data-20261206-130034-2-20261206-140112.csv");
    EXPECT_EQ(FileExtentionAddCheck("RQ4600_Datas", "-x"), "RQ4600_Datas-x.csv");
    EXPECT_EQ(FileExtentionAddCheck("a.Csv", ""), "a.csv");
    EXPECT_EQ(FileExtentionAddCheck("a.txt", ""), "a.txt.csv");
    EXPECT_EQ(MinusRangeField(1, "35", ""), "-35");
    EXPECT_EQ(MinusRangeField(0, "35", ""), "0");
    EXPECT_EQ(MinusRangeField(4, "100", "-20.0"), "-20.0");
}

TEST(FormatCsv, TimesAppearOnlyWhereTheSecondChanges)
{
    CsvHeader h{QStringLiteral("2026年12月6日 13:00:34"), 1, 1000, "100", "-100.0", "kPa", 1.0f};
    const float values[] = {1.5f, -2.25f, 0.1f, 3.0f};
    const OleDate times[] = {at(13, 0, 34), at(13, 0, 34), at(13, 0, 34), at(13, 0, 35)};
    const QByteArray csv = FormatCsv(h, values, times, 0, 3, QStringLiteral("2026年12月6日 14:01:12"));
    const QStringList lines = SplitLines(FromCp932(csv));
    ASSERT_EQ(lines.size(), 6);
    EXPECT_EQ(lines[0], "2026年12月6日 13:00:34," + QString::number(times[0], 'g', 15) +
                            ",1,1000 msec,100,-100.0,kPa,1");
    EXPECT_EQ(lines[1], "1.5,");
    EXPECT_EQ(lines[2], "-2.25,");
    EXPECT_EQ(lines[3], "0.1,");
    EXPECT_EQ(lines[4], "3," + QString::number(times[3], 'g', 15));
    EXPECT_EQ(lines[5], ",2026年12月6日 14:01:12");
    EXPECT_TRUE(csv.endsWith("\r\n"));
    EXPECT_FALSE(csv.contains("\n\n"));
}
