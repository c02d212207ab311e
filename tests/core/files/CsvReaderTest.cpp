#include "core/files/CsvReader.h"
#include "core/files/CsvWriter.h"
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "core/trend/SampleStore.h"

#include <QDateTime>
#include <QFile>
#include <QTemporaryDir>
#include <bit>
#include <cmath>
#include <gtest/gtest.h>
#include <sys/stat.h>
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
    const QByteArray csv =
        FormatCsv(h, values.data(), times.data(), 0, Samples - 1, QStringLiteral("2026年12月6日 13:10:00"));
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
        const QByteArray csv =
            QByteArray("x,46362.5,1,1000 msec,1,0,kPa,1") + end + "1," + end + "2,46362.6" + end + "3," + end;
        Store s;
        const CsvSamples r = s.read(csv);
        EXPECT_EQ(r.dataCnt, 3) << end;
        EXPECT_EQ(r.badLine, 0);
        EXPECT_EQ(s.times[0], 46362.5);
        EXPECT_EQ(s.times[2], 46362.6);  // carried forward
    }
    const QByteArray bom = "\xEF\xBB\xBF"
                           "2026年12月6日 13:00:34,46362.5,1,1000 msec,1,0,kPa,1\r\n5,\r\n";
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
    // A NUL byte anywhere makes a line no line of a recording (a file cut by a crash holds runs
    // of them), also where the text-to-number rule would read the field as 0 or as 1.
    for (const QByteArray& nul : {QByteArray("\0\0\0\0,", 5), QByteArray("1\0,", 3), QByteArray("1,\0", 3),
                                  QByteArray("\0", 1), QByteArray("1,46362.6\0", 10)}) {
        r = s.read("h,46362.5\r\n1,\r\n" + nul + "\r\n2,\r\n");
        EXPECT_EQ(r.badLine, 3) << nul.toHex().constData();
        EXPECT_EQ(r.dataCnt, 1);
    }
    EXPECT_TRUE(ReadCsvHeader(QByteArray("h\0,46362.5\r\n1,\r\n", 16)).malformed);
    EXPECT_FALSE(ReadCsvHeader("h,46362.5\r\n\0,\r\n").malformed);
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
    QByteArray longLine = "h,1\r\n5,\r\n" + QByteArray(100000, '7') + ",\r\n";
    CsvSamples r = s.read(longLine);  // a number no float holds ends the load at its line
    EXPECT_EQ(r.dataCnt, 1);
    EXPECT_EQ(r.badLine, 3);

    QByteArray many = "h,46362.5\r\n";
    for (int i = 0; i < 400000; ++i)
        many += "1,\r\n";
    r = s.read(many);
    EXPECT_EQ(r.dataCnt, 360000);
    EXPECT_EQ(s.values[360000], 0.0f);
    EXPECT_TRUE(r.rest);
}

// Where the line limit falls decides whether anything was left out: a closing line (no value) or
// blank lines beyond it are not samples, a value is, and bytes cut before the file's end may be.
TEST(CsvReader, SamplesBeyondTheLimitAreReportedAsLeftOut)
{
    struct Case {
        const char* tail;
        bool whole;
        bool rest;
    } cases[] = {
        {"", true, false},      {",46362.6\r\n", true, false},      {",46362.6\r\n\r\n", true, false},
        {"4,\r\n", true, true}, {",46362.6\r\n4,\r\n", true, true}, {"", false, true},
    };
    for (const Case& c : cases) {
        const QByteArray csv = QByteArray("h,46362.5\r\n1,\r\n2,\r\n3,\r\n") + c.tail;
        SampleStore store;
        const CsvHeaderLine h = ReadCsvHeader(csv);
        const CsvSamples r = ReadCsvSamples(csv, h.next, h.header.start, store, 3, {}, c.whole);
        EXPECT_EQ(r.dataCnt, 3) << c.tail;
        EXPECT_EQ(r.rest, c.rest) << c.tail << c.whole;
    }
    SampleStore store;
    const QByteArray shortFile = "h,46362.5\r\n1,\r\n";
    EXPECT_FALSE(ReadCsvSamples(shortFile, ReadCsvHeader(shortFile).next, 0, store, 3, {}, true).rest);
}

// Every text a value field may hold reads as the text-to-number rule reads it: no NaN or infinity
// reaches the store, and a number no 32-bit float holds is an unconvertible value.
TEST(CsvValue, ReadsEveryTextAsTheRuleDoes)
{
    struct Case {
        std::string text;
        bool stored;
        float value;  // what the rule gives
    } cases[] = {
        {"nan", true, 0.0f},
        {"NaN", true, 0.0f},
        {"-nan", true, 0.0f},
        {"inf", true, 0.0f},
        {"-inf", true, 0.0f},
        {"infinity", true, 0.0f},
        {"INFINITY", true, 0.0f},
        {"+inf", true, 0.0f},
        {"1.5", true, 1.5f},
        {"-2.25", true, -2.25f},
        {"0.1", true, 0.1f},
        {".5", true, 0.5f},
        {"5.", true, 5.0f},
        {"1e5", true, 1e5f},
        {"1D3", true, 1000.0f},
        {" 1 2.5 ", true, 12.5f},
        {"+7", true, 7.0f},
        {"&H1F", true, 31.0f},
        {"12abc", true, 12.0f},
        {"1e", true, 1.0f},
        {"3.402823E+38", true, 3.402823e38f},
        {"1e-50", true, 0.0f},
        {"16777217", true, 16777216.0f},
        {"0.30000001192092896", true, float(0.30000001192092896)},
        {"1e39", false, 0},
        {"-1e39", false, 0},
        {"3.4028236e38", false, 0},
        {"1e999", false, 0},
        {"&HFFFFFFFFFFFFFFFF", true, 18446744073709551615.0f},
        {std::string(60, '9'), false, 0},
    };
    for (const Case& c : cases) {
        float v = -1;
        const bool stored = CsvValue(c.text, v);
        EXPECT_EQ(stored, c.stored) << c.text;
        if (stored && c.stored) {
            EXPECT_EQ(std::bit_cast<std::uint32_t>(v), std::bit_cast<std::uint32_t>(c.value)) << c.text;
            EXPECT_EQ(std::bit_cast<std::uint32_t>(v), std::bit_cast<std::uint32_t>(float(Val(c.text))))
                << c.text;
        }
    }
    // "-0" keeps its sign as the rule's does; the usual line path and the field path agree.
    float v = 1;
    ASSERT_TRUE(CsvValue("-0", v));
    EXPECT_TRUE(std::signbit(v));
}

TEST(CsvValue, TheSameTextsInAFile)
{
    Store s;
    // No number at the start of a value is 0: the load goes on.
    CsvSamples r = s.read("h,46362.5\r\nnan,\r\ninf,46362.6\r\n-inf,\r\nabc,\r\n-infinity,\r\n2.5,\r\n");
    EXPECT_EQ(r.badLine, 0);
    EXPECT_EQ(r.dataCnt, 6);
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(s.values[std::size_t(i)], 0.0f) << i;
    EXPECT_FLOAT_EQ(s.averages[5], 2.5f / 3);  // no NaN carried into the average
    // A number beyond a 32-bit float ends the load at its line.
    for (const QByteArray& big : {QByteArray("1e39,"), QByteArray("1e999,"), QByteArray("-3.5e38,46362.6"),
                                  QByteArray(40, '9') + ","}) {
        r = s.read("h,46362.5\r\n1,\r\n2,\r\n" + big + "\r\n3,\r\n");
        EXPECT_EQ(r.badLine, 4) << big.constData();
        EXPECT_EQ(r.dataCnt, 2) << big.constData();
    }
}

TEST(CsvHeader, ACoefficientTheDialogWouldRefuseIsOne)
{
    struct Case {
        const char* text;
        bool bad;
        float keisu;
    } cases[] = {
        {"2.5", false, 2.5f}, {"-3", false, -3.0f}, {"1e-30", false, 1e-30f}, {"0", true, 1.0f},
        {"0.0", true, 1.0f},  {"", true, 1.0f},     {"abc", true, 1.0f},      {"nan", true, 1.0f},
        {"inf", true, 1.0f},  {"1e39", true, 1.0f}, {"-1e39", true, 1.0f},    {"1e-50", true, 1.0f},
    };
    for (const Case& c : cases) {
        const CsvHeaderLine h =
            ReadCsvHeader(QByteArray("s,46362.5,1,1000 msec,10,0,kPa,") + c.text + "\r\n");
        EXPECT_EQ(h.badKeisu, c.bad) << c.text;
        EXPECT_EQ(h.header.keisu, c.keisu) << c.text;
        EXPECT_EQ(h.keisuText, c.bad ? QString(c.text) : QString()) << c.text;
    }
    EXPECT_FALSE(ReadCsvHeader("s,46362.5,1,1000 msec,10,0,kPa\r\n").badKeisu);  // no field: unchanged
}

// What reaches the reader of a file: not a regular file is refused before it is opened (a named
// pipe would block there), an unreadable one names its reason, an overlong one is read only as far
// as the line limit needs.
TEST(ReadCsvFile, RefusesWhatIsNoRegularFileAndNamesTheReason)
{
    QTemporaryDir dir;
    const QString pipe = dir.filePath("pipe.csv");
    ASSERT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    struct Case {
        QString path;
        QString error;
    } cases[] = {
        {pipe, "通常のファイルではありません"},
        {"/dev/null", "通常のファイルではありません"},
        {dir.path(), "フォルダです"},
        {dir.filePath("none.csv"), "ファイルが見つかりません"},
    };
    for (const Case& c : cases) {
        const CsvFileBytes f = ReadCsvFile(c.path, 10);
        EXPECT_EQ(f.error, c.error) << c.path.toStdString();
        EXPECT_TRUE(f.bytes.isEmpty());
    }
    // /proc/self/mem is a regular file whose first page cannot be read (EIO).
    const CsvFileBytes mem = ReadCsvFile("/proc/self/mem", 10);
    EXPECT_TRUE(mem.error.startsWith("読み取りに失敗しました (")) << mem.error.toStdString();
}

TEST(ReadCsvFile, ReadsWhatTheLineLimitNeeds)
{
    QTemporaryDir dir;
    QByteArray big = "h,46362.5\r\n";
    for (int i = 0; i < 1500000; ++i)
        big += "1,\r\n";
    QFile f(dir.filePath("big.csv"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(big);
    f.close();
    const CsvFileBytes part = ReadCsvFile(f.fileName(), 100);
    EXPECT_TRUE(part.error.isEmpty());
    EXPECT_FALSE(part.whole);
    EXPECT_LT(part.bytes.size(), big.size());
    EXPECT_TRUE(big.startsWith(part.bytes));
    EXPECT_TRUE(part.bytes.endsWith("\r\n"));
    const CsvFileBytes all = ReadCsvFile(f.fileName(), 2000000);
    EXPECT_TRUE(all.whole);
    EXPECT_EQ(all.bytes, big);
    // A byte limit ends the reading at the last whole line before it, and the load says that
    // samples were left out.
    const CsvFileBytes capped = ReadCsvFile(f.fileName(), 2000000, 1001);
    EXPECT_FALSE(capped.whole);
    EXPECT_EQ(capped.bytes, big.left(11 + 247 * 4));  // header 11 bytes, then "1,\r\n" lines
    SampleStore store;
    const CsvSamples r = ReadCsvSamples(capped.bytes, 11, 0, store, 360000, {}, capped.whole);
    EXPECT_EQ(r.badLine, 0);
    EXPECT_EQ(r.dataCnt, 247);
    EXPECT_TRUE(r.rest);
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
