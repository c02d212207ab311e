#include "core/files/AnalysisCsv.h"

#include <QBuffer>
#include <QDateTime>
#include <QFile>
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

using namespace tavin;

namespace {

OleDate NewYearsEve() { return ToOleDate(QDateTime(QDate(2026, 12, 31), QTime(23, 59, 59))); }

// The file's rows after the header, checked for "\n" line ends only.
QList<QByteArray> Rows(const AnalysisColumns& c, const std::vector<float>& values,
                       const std::vector<float>& averages, const std::vector<OleDate>& times)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    EXPECT_TRUE(WriteAnalysisCsv(buffer, c, values.data(), averages.empty() ? nullptr : averages.data(),
                                 times.data(), 0, std::int32_t(values.size()) - 1));
    EXPECT_TRUE(bytes.endsWith('\n'));
    EXPECT_FALSE(bytes.contains('\r'));
    QList<QByteArray> rows = bytes.split('\n');
    EXPECT_EQ(rows.takeFirst(), AnalysisCsvHeader(c).chopped(1));
    rows.removeLast();
    return rows;
}

// Every number field of the rows as it reads; an empty field gives NaN.
std::vector<double> Numbers(const QList<QByteArray>& rows)
{
    std::vector<double> out;
    for (const QByteArray& row : rows)
        for (const QByteArray& field : row.split(',').mid(1)) {
            double v = std::numeric_limits<double>::quiet_NaN();
            if (!field.isEmpty()) {
                const auto r = std::from_chars(field.begin(), field.end(), v);
                EXPECT_TRUE(r.ec == std::errc() && r.ptr == field.end()) << field.constData();
            }
            out.push_back(v);
        }
    return out;
}

}  // namespace

TEST(AnalysisCsv, HeaderNamesTheUnit)
{
    const struct {
        const char* unit;
        bool average;
        QByteArray header;
    } cases[] = {
        {"kPa", false, "time,value [kPa]\n"},      {"kPa", true, "time,value [kPa],average [kPa]\n"},
        {"", true, "time,value,average\n"},        {"---", false, "time,value\n"},
        {"µm", false, "time,value [\xC2\xB5m]\n"},  // UTF-8, no byte order mark
        {"a,b", false, "time,\"value [a,b]\"\n"},
    };
    for (const auto& t : cases)
        EXPECT_EQ(AnalysisCsvHeader({QString::fromUtf8(t.unit), 1.0f, t.average, 1000}), t.header) << t.unit;
    // What the data is goes before the header row, as comments.
    EXPECT_EQ(AnalysisCsvHeader({"kPa", 1.0f, false, 1000, {"記録: a.csv", "判定 OK\nΔp -0.1"}}),
              QByteArray("# 記録: a.csv\n# 判定 OK Δp -0.1\ntime,value [kPa]\n"));
}

TEST(AnalysisCsv, ValuesAndAveragesTimesTheCoefficient)
{
    const std::vector<OleDate> times(3, NewYearsEve());
    const QList<QByteArray> rows = Rows({"kPa", 2.0f, true, 1000}, {1.5f, -2.25f, 0.1f}, {1, 2, 0.3f}, times);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_EQ(rows[0].split(',').mid(1), QList<QByteArray>({"3", "2"}));
    EXPECT_EQ(rows[1].split(',').mid(1), QList<QByteArray>({"-4.5", "4"}));
    EXPECT_EQ(rows[2].split(',').mid(1), QList<QByteArray>({"0.2", "0.6"}));
}

TEST(AnalysisCsv, NumbersAreTheProductAtTheGaugesResolutionAndNonFiniteOnesAreEmpty)
{
    std::mt19937 random(7);
    const float inf = std::numeric_limits<float>::infinity();
    std::vector<float> values{std::nanf(""), inf, -inf, 3e38f, 1e-45f, -0.0f, 101.325f, 69.27f};
    while (values.size() < 5000)
        values.push_back(std::bit_cast<float>(std::uint32_t(random())));
    for (const float keisu : {1.0f, 0.0980665f, 2.5f}) {
        const QList<QByteArray> rows =
            Rows({"", keisu, true, 1000}, values, values, std::vector<OleDate>(values.size(), NewYearsEve()));
        const std::vector<double> back = Numbers(rows);
        ASSERT_EQ(back.size(), 2 * values.size());
        for (std::size_t i = 0; i < back.size(); ++i) {
            const float written = values[i / 2] * keisu;
            if (std::isfinite(written)) {  // a float's precision, where it has one
                EXPECT_LE(std::abs(back[i] - double(written)), 2e-7 * std::abs(double(written)) + 2e-45)
                    << written;
            } else {
                EXPECT_TRUE(std::isnan(back[i])) << "an empty field for " << written;
            }
        }
        if (keisu == 2.5f) {
            EXPECT_EQ(rows[7].split(',')[1], "173.175");  // never the float's 173.17499
        }
    }
}

TEST(AnalysisCsv, TimesAreTheSegmentsAxis)
{
    const struct {
        const char* what;
        double samplingMs;
        std::vector<std::pair<int, int>> runs;           // (second after 23:59:59, samples stamped with it)
        std::vector<std::pair<int, const char*>> times;  // (sample, time written)
    } cases[] = {
        {"the first second, begun in the middle, is right-aligned",
         100,
         {{0, 3}, {1, 2}},
         {{0, "2026-12-31T23:59:59.700"},
          {2, "2026-12-31T23:59:59.900"},
          {3, "2027-01-01T00:00:00.000"},
          {4, "2027-01-01T00:00:00.100"}}},
        {"a full second at 1 ms",
         1,
         {{0, 2}, {1, 1000}, {2, 1}},
         {{0, "2026-12-31T23:59:59.998"},
          {1, "2026-12-31T23:59:59.999"},
          {2, "2027-01-01T00:00:00.000"},
          {501, "2027-01-01T00:00:00.499"},
          {1001, "2027-01-01T00:00:00.999"},
          {1002, "2027-01-01T00:00:01.000"}}},
        {"more samples than the period allows keep the period until a later stamp catches up",
         100,
         {{0, 15}, {1, 15}, {3, 1}},
         {{0, "2026-12-31T23:59:59.000"},
          {14, "2027-01-01T00:00:00.400"},
          {15, "2027-01-01T00:00:00.500"},
          {29, "2027-01-01T00:00:01.900"},
          {30, "2027-01-01T00:00:02.000"}}},
        {"a clock set back moves nothing back",
         100,
         {{0, 10}, {-1, 2}, {5, 1}},
         {{9, "2026-12-31T23:59:59.900"},
          {10, "2027-01-01T00:00:00.000"},
          {11, "2027-01-01T00:00:00.100"},
          {12, "2027-01-01T00:00:04.000"}}},
        {"more than 1000 samples in a second carry into the next",
         1,
         {{0, 1}, {1, 1003}, {2, 1}},
         {{168, "2027-01-01T00:00:00.167"},
          {169, "2027-01-01T00:00:00.168"},
          {1003, "2027-01-01T00:00:01.002"},
          {1004, "2027-01-01T00:00:01.003"}}},
    };
    for (const auto& t : cases) {
        SCOPED_TRACE(t.what);
        std::vector<OleDate> times;
        for (const auto& [second, count] : t.runs)
            times.insert(times.end(), std::size_t(count), NewYearsEve() + second / 86400.0);
        const QList<QByteArray> rows =
            Rows({"kPa", 1.0f, false, t.samplingMs}, std::vector<float>(times.size()), {}, times);
        ASSERT_EQ(rows.size(), qsizetype(times.size()));
        for (const auto& [sample, time] : t.times)
            EXPECT_EQ(rows[sample].split(',')[0], time) << "sample " << sample;
        // Times of one fixed width: in order as texts when in order as times.
        for (qsizetype i = 1; i < rows.size(); ++i)
            EXPECT_LT(rows[i - 1].left(23), rows[i].left(23));
        // A range from the middle keeps the times its rows have in the whole segment.
        QByteArray bytes;
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        const std::vector<float> zeros(times.size());
        ASSERT_TRUE(WriteAnalysisCsv(buffer, {"kPa", 1.0f, false, t.samplingMs}, zeros.data(), nullptr,
                                     times.data(), 3, std::int32_t(times.size()) - 1));
        EXPECT_EQ(bytes.split('\n').mid(1, rows.size() - 3), rows.mid(3));
    }

    // One sample a second, the date text carried on from row to row across minutes, hours, days.
    std::vector<OleDate> times;
    for (int s = -150; s < 150; ++s)
        times.push_back(NewYearsEve() + s / 86400.0);
    const QList<QByteArray> rows = Rows({"", 1.0f, false, 1000}, std::vector<float>(times.size()), {}, times);
    for (std::size_t i = 0; i < times.size(); ++i)
        EXPECT_EQ(rows[qsizetype(i)].left(23), FromOleDate(times[i]).toString(Qt::ISODateWithMs).toLatin1());
}

TEST(AnalysisCsv, AFailedWriteIsReported)
{
    const std::vector<float> values(100000, 1.25f);
    const std::vector<OleDate> times(values.size(), NewYearsEve());
    QFile readOnly("/dev/null"), full("/dev/full");  // the header fails, or the first full buffer
    ASSERT_TRUE(readOnly.open(QIODevice::ReadOnly) && full.open(QIODevice::WriteOnly));
    QBuffer closed;
    for (QIODevice* device : std::initializer_list<QIODevice*>{&readOnly, &full, &closed})
        EXPECT_FALSE(WriteAnalysisCsv(*device, {"kPa", 1.0f, true, 1000}, values.data(), values.data(),
                                      times.data(), 0, std::int32_t(values.size()) - 1));
}
