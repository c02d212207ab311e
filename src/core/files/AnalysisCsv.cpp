#include "core/files/AnalysisCsv.h"

#include "core/platform/NumText.h"
#include "core/platform/SampleAxis.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

namespace tavin {

namespace {

// A sample row at most: the time (24), two numbers with their separators, the line end.
constexpr std::size_t RowMax = 24 + 2 * 50 + 1;
// "yyyy-mm-ddThh:mm:ss." — the text shared by every sample of a second.
constexpr std::size_t SecondTextLength = 20;

std::int64_t floorDiv1000(std::int64_t ms) { return ms >= 0 ? ms / 1000 : -((999 - ms) / 1000); }

void writeSecondText(char* out, std::int64_t second)
{
    const DateFields f = SplitOleDate(double(second) / 86400.0);
    WriteDigits(out, std::uint64_t(f.year < 0 ? 0 : f.year), 4);
    out[4] = '-';
    WriteDigits(out + 5, std::uint64_t(f.month), 2);
    out[7] = '-';
    WriteDigits(out + 8, std::uint64_t(f.day), 2);
    out[10] = 'T';
    WriteDigits(out + 11, std::uint64_t(f.hour), 2);
    out[13] = ':';
    WriteDigits(out + 14, std::uint64_t(f.minute), 2);
    out[16] = ':';
    WriteDigits(out + 17, std::uint64_t(f.second), 2);
    out[19] = '.';
}

// The time field of the rows, "yyyy-mm-ddThh:mm:ss.mmm": the text of a second is kept from row
// to row and only its milliseconds are written anew.
class RowTime {
public:
    char* write(char* p, std::int64_t ms)
    {
        const std::int64_t second = floorDiv1000(ms);
        if (second != textSecond_)
            moveTo(second);
        std::memcpy(p, secondText_, SecondTextLength);
        p += SecondTextLength;
        const auto milli = unsigned(ms - second * 1000);
        p[0] = char('0' + milli / 100);
        p[1] = char('0' + milli / 10 % 10);
        p[2] = char('0' + milli % 10);
        return p + 3;
    }

private:
    void moveTo(std::int64_t second)
    {
        // The next second within the same minute is just its seconds digits counted on; a
        // recording of one sample a second changes the text with every row.
        if (second == textSecond_ + 1 && !(secondText_[17] == '5' && secondText_[18] == '9')) {
            if (secondText_[18] == '9') {
                secondText_[18] = '0';
                ++secondText_[17];
            } else {
                ++secondText_[18];
            }
        } else {
            writeSecondText(secondText_, second);
        }
        textSecond_ = second;
    }

    char secondText_[SecondTextLength];
    std::int64_t textSecond_ = std::numeric_limits<std::int64_t>::min();
};

// The value times the coefficient at the gauge's resolution; nothing for a value that is not
// finite, so readers see a missing value rather than a word they may not take for a number.
char* writeNumber(char* p, float v, float coef)
{
    if (!std::isfinite(v) || !std::isfinite(v * coef))
        return p;
    return WriteProduct(p, v, coef);
}

// A header name as a CSV field: quoted when a unit typed by hand holds a separator or a quote.
QByteArray headerField(const QString& name)
{
    QByteArray bytes = name.toUtf8();
    if (bytes.contains(',') || bytes.contains('"') || bytes.contains('\n') || bytes.contains('\r'))
        bytes = '"' + bytes.replace('"', "\"\"") + '"';
    return bytes;
}

}  // namespace

QString AnalysisCsvPath(const QString& recordingPath)
{
    const QString stem = recordingPath.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive)
                             ? recordingPath.chopped(4)
                             : recordingPath;
    return stem + QStringLiteral("_analysis.csv");
}

QByteArray AnalysisCsvHeader(const AnalysisColumns& c)
{
    const QString unit = c.unit.trimmed();
    const QString suffix = unit.isEmpty() || unit == QStringLiteral("---") ? QString() : " [" + unit + ']';
    QByteArray head;
    for (const QString& note : c.notes)
        head += "# " + QString(note).replace(u'\n', u' ').remove(u'\r').toUtf8() + '\n';
    head += "time," + headerField("value" + suffix);
    if (c.average)
        head += ',' + headerField("average" + suffix);
    head += '\n';
    return head;
}

bool WriteAnalysisCsv(QIODevice& out, const AnalysisColumns& c, const float* values, const float* averages,
                      const OleDate* times, std::int32_t first, std::int32_t last)
{
    const QByteArray head = AnalysisCsvHeader(c);
    if (out.write(head) != head.size())
        return false;

    // Rows go through one buffer that is handed to the device whenever it fills.
    constexpr std::size_t Chunk = 1 << 18;
    std::vector<char> buffer(Chunk + RowMax);
    char* const begin = buffer.data();
    char* p = begin;

    RowTime rowTime;
    // The axis starts with the segment's first sample, whichever row the range starts with.
    SegmentAxis axis(c.samplingMs);
    std::int64_t ms = 0;
    for (std::int32_t i = 0; i < first; ++i)
        axis.next(times, last + 1, true, &ms);
    for (std::int32_t i = first; i <= last; ++i) {
        axis.next(times, last + 1, true, &ms);
        p = rowTime.write(p, ms);
        *p++ = ',';
        p = writeNumber(p, values[i], c.keisu);
        if (c.average) {
            *p++ = ',';
            if (averages)
                p = writeNumber(p, averages[i], c.keisu);
        }
        *p++ = '\n';
        if (std::size_t(p - begin) >= Chunk) {
            if (out.write(begin, p - begin) != p - begin)
                return false;
            p = begin;
        }
    }
    return out.write(begin, p - begin) == p - begin;
}

}  // namespace tavin
