#include "files/CsvReader.h"
#include "files/CsvWriter.h"
#include "platform/TextFile.h"
#include "trend/MovingAverage.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <vector>

using namespace tavin;

namespace {

OleDate at(int h, int m, int s) { return ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(h, m, s))); }

struct Store {
    std::vector<float> values = std::vector<float>(400002);
    std::vector<OleDate> times = std::vector<OleDate>(400002);
    std::vector<float> averages = std::vector<float>(400002);
    MovingAverage ave;
    CsvSamples read(const QByteArray& bytes, std::int32_t max = 360000)
    {
        ave.AveReset(3);
        const CsvHeaderLine h = ReadCsvHeader(bytes);
        OleDate start = 0;
        if (h.fields.size() >= 2)
            ParseDateField(h.fields[1].toStdString(), start);
        return ReadCsvSamples(bytes, h.next, start, values.data(), times.data(), averages.data(), ave, max);
    }
};

}  // namespace

TEST(CsvReader, ReadsBackWhatTheWriterWrote)
{
    CsvHeader h{QStringLiteral("2026年12月6日 13:00:34"), 2, 20, "35", "-35", "kPa", 2.5f};
    const float values[] = {1.5f, -2.25f, 0.1f};
    const OleDate times[] = {at(13, 0, 34), at(13, 0, 34), at(13, 0, 35)};
    const QByteArray csv = FormatCsv(h, values, times, 0, 2, QStringLiteral("2026年12月6日 14:01:12"));
    const CsvHeaderLine header = ReadCsvHeader(csv);
    EXPECT_EQ(header.fields,
              (QStringList{"2026年12月6日 13:00:34", QString::number(times[0], 'g', 15), "2", "20 msec", "35", "-35", "kPa", "2.5"}));
    Store s;
    const CsvSamples r = s.read(csv);
    EXPECT_EQ(r.badLine, 0);
    EXPECT_EQ(r.dataCnt, 3);
    EXPECT_EQ(r.lines, 4);  // the closing line stores its time after the last sample
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.values[std::size_t(i)], values[i]);
        EXPECT_NEAR(s.times[std::size_t(i)], times[i], 1e-9);
    }
    EXPECT_NEAR(s.times[3], at(14, 1, 12), 1e-9);
    EXPECT_FLOAT_EQ(s.averages[2], (1.5f - 2.25f + 0.1f) / 3);
}

TEST(CsvReader, LineEndsOfEveryKindAndAByteOrderMark)
{
    for (const char* end : {"\r\n", "\r", "\n"}) {
        const QByteArray csv = QByteArray("x,46362.5,1,1000 msec,1,0,kPa,1") + end + "1," + end + "2,46362.6" + end +
                               "3," + end;
        Store s;
        const CsvSamples r = s.read(csv);
        EXPECT_EQ(r.dataCnt, 3) << end;
        EXPECT_EQ(r.badLine, 0);
        EXPECT_EQ(s.times[0], 46362.5);
        EXPECT_EQ(s.times[2], 46362.6);  // carried forward
    }
    const QByteArray bom = "\xEF\xBB\xBF" "2026年12月6日 13:00:34,46362.5,1,1000 msec,1,0,kPa,1\r\n5,\r\n";
    const CsvHeaderLine h = ReadCsvHeader(bom);
    EXPECT_EQ(h.fields[0], "2026年12月6日 13:00:34");
    EXPECT_EQ(h.fields[6], "kPa");
}

TEST(CsvReader, ABadLineStopsTheLoadAndKeepsWhatCameBefore)
{
    Store s;
    CsvSamples r = s.read("h,46362.5\r\n1,\r\n2,\r\n3\r\n4,\r\n");
    EXPECT_EQ(r.badLine, 4);
    EXPECT_EQ(r.dataCnt, 2);
    r = s.read("h,46362.5\r\n1,\r\n\r\n4,\r\n");  // an empty sample line
    EXPECT_EQ(r.badLine, 3);
    r = s.read("h,46362.5\r\n1,not a date\r\n");
    EXPECT_EQ(r.badLine, 2);
    EXPECT_EQ(r.dataCnt, 0);
    r = s.read("h,46362.5\r\nabc,\r\n");  // a value without a number counts as 0
    EXPECT_EQ(r.dataCnt, 1);
    EXPECT_EQ(s.values[0], 0.0f);
}

TEST(CsvReader, TruncatedEmptyAndHugeFiles)
{
    Store s;
    EXPECT_TRUE(ReadCsvHeader("").empty);
    EXPECT_EQ(s.read("").dataCnt, 0);
    EXPECT_EQ(s.read("only a header").dataCnt, 0);
    const CsvSamples cut = s.read("h,1\r\n1.5,\r\n2.");  // cut in the middle of a line
    EXPECT_EQ(cut.dataCnt, 1);
    EXPECT_EQ(cut.badLine, 3);
    QByteArray longLine = "h,1\r\n" + QByteArray(100000, '7') + ",\r\n";
    CsvSamples r = s.read(longLine);
    EXPECT_EQ(r.dataCnt, 1);
    EXPECT_TRUE(std::isinf(s.values[0]));

    QByteArray many = "h,46362.5\r\n";
    for (int i = 0; i < 400000; ++i)
        many += "1,\r\n";
    r = s.read(many);
    EXPECT_EQ(r.dataCnt, 360000);
    EXPECT_EQ(s.values[360000], 0.0f);
}

TEST(ParseDateField, SerialNumbersAndDateTexts)
{
    OleDate d = 0;
    EXPECT_TRUE(ParseDateField("46362.5420601852", d));
    EXPECT_EQ(d, 46362.5420601852);
    EXPECT_TRUE(ParseDateField(ToCp932(u"2026年12月6日 14:01:12").toStdString(), d));
    EXPECT_NEAR(d, at(14, 1, 12), 1e-9);
    EXPECT_TRUE(ParseDateField("2026/12/6 14:01:12", d));
    EXPECT_NEAR(d, at(14, 1, 12), 1e-9);
    EXPECT_TRUE(ParseDateField("2026/12/06", d));
    EXPECT_NEAR(d, at(0, 0, 0), 1e-9);
    for (const char* bad : {"", "abc", "2026/13/1", "2026/12/6 25:00", "2026/12/6 1:2:3x", "nan", "1e999"})
        EXPECT_FALSE(ParseDateField(bad, d)) << bad;
}
