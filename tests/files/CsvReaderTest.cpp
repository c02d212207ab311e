#include "files/CsvReader.h"
#include "files/CsvWriter.h"
#include "platform/TextFile.h"
#include "trend/SampleStore.h"

#include <QDateTime>
#include <gtest/gtest.h>
#include <vector>

using namespace tavin;

namespace {

OleDate at(int h, int m, int s) { return ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(h, m, s))); }

// A store that reads a whole file as the window does, with a three-sample average.
struct Store {
    SampleStore store;
    const std::vector<float>& values = store.g_Datas;
    const std::vector<OleDate>& times = store.g_DataTime;
    const std::vector<float>& averages = store.g_AveDatas;
    CsvSamples read(const QByteArray& bytes, std::int32_t max = 360000)
    {
        store.ave.AveReset(3);
        const CsvHeaderLine h = ReadCsvHeader(bytes);
        return ReadCsvSamples(bytes, h.next, h.header.start, store, max);
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
    EXPECT_EQ(header.fieldCount, 8);
    EXPECT_TRUE(header.startGiven);
    const CsvHeader& back = header.header;
    EXPECT_EQ(back.startText, h.startText);
    EXPECT_NEAR(back.start, times[0], 1e-9);
    EXPECT_EQ(back.fileNo, 2);
    EXPECT_EQ(back.sampling, 20);
    EXPECT_EQ(back.plusRange, "35");
    EXPECT_EQ(back.minusRange, "-35");
    EXPECT_EQ(back.unit, "kPa");
    EXPECT_EQ(back.keisu, 2.5f);
    Store s;
    const CsvSamples r = s.read(csv);
    EXPECT_EQ(r.badLine, 0);
    EXPECT_EQ(r.dataCnt, 3);
    EXPECT_EQ(s.store.g_DataCnt, 3);
    EXPECT_EQ(r.lines, 4);  // the closing line stores its time after the last sample
    for (int i = 0; i < 3; ++i) {
        EXPECT_EQ(s.values[std::size_t(i)], values[i]);
        EXPECT_NEAR(s.times[std::size_t(i)], times[i], 1e-9);
    }
    EXPECT_NEAR(s.times[3], at(14, 1, 12), 1e-9);
    EXPECT_FLOAT_EQ(s.averages[2], (1.5f - 2.25f + 0.1f) / 3);
}

// A whole segment goes through the writer's buffer several times and repeats values, so the
// buffer's flushes and the cache of value texts are both in the path.
TEST(CsvReader, AFullSegmentComesBackExactly)
{
    constexpr int Samples = 30000;
    std::vector<float> values(Samples);
    std::vector<OleDate> times(Samples);
    std::uint32_t bits = 12345;
    for (int i = 0; i < Samples; ++i) {
        bits = bits * 1664525u + 1013904223u;
        // Gauge-like values that repeat, and now and then one of six digits that does not.
        values[std::size_t(i)] = i % 7 == 0 ? float(int(bits % 200001) - 100000) / 1000.0f
                                            : float(int(bits % 2001) - 1000) / 100.0f;
        times[std::size_t(i)] = at(13, 0, 0) + (i / 3) / 86400.0;
    }
    const CsvHeader h{QStringLiteral("2026年12月6日 13:00:00"), 1, 1000, "100", "0", "MPa", 1.0f};
    const QByteArray csv = FormatCsv(h, values.data(), times.data(), 0, Samples - 1, QStringLiteral("2026年12月6日 13:10:00"));
    Store s;
    const CsvSamples r = s.read(csv);
    ASSERT_EQ(r.badLine, 0);
    ASSERT_EQ(r.dataCnt, Samples);
    for (int i = 0; i < Samples; ++i) {
        ASSERT_EQ(s.values[std::size_t(i)], values[std::size_t(i)]) << i;
        ASSERT_NEAR(s.times[std::size_t(i)], times[std::size_t(i)], 1e-9) << i;
    }
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
    EXPECT_EQ(h.header.startText, "2026年12月6日 13:00:34");
    EXPECT_EQ(h.header.unit, "kPa");
    EXPECT_EQ(h.fieldCount, 8);
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
