#include "files/CsvReader.h"

#include "platform/NumText.h"
#include "platform/TextFile.h"
#include "trend/MovingAverage.h"

#include <QDate>
#include <QString>
#include <QStringDecoder>

#include <charconv>
#include <cmath>

namespace tavin {

namespace {

// The line starting at `at` (without its end) and where the next one starts.
std::string_view nextLine(const char* data, qsizetype size, qsizetype& at)
{
    const qsizetype start = at;
    qsizetype i = start;
    while (i < size && data[i] != '\r' && data[i] != '\n')
        ++i;
    const std::string_view line(data + start, std::size_t(i - start));
    if (i < size && data[i] == '\r' && i + 1 < size && data[i + 1] == '\n')
        i += 2;
    else if (i < size)
        i += 1;
    at = i;
    return line;
}

// A number field: the whole text as a number when it is one (the usual case), else its leading
// number.
double numberField(std::string_view f)
{
    double v = 0;
    auto r = std::from_chars(f.data(), f.data() + f.size(), v);
    if (r.ec == std::errc() && r.ptr == f.data() + f.size())
        return v;
    return Val(f);
}

bool readInt(std::string_view& s, int& out)
{
    std::size_t n = 0;
    while (n < s.size() && s[n] == ' ')
        ++n;
    s.remove_prefix(n);
    auto r = std::from_chars(s.data(), s.data() + s.size(), out);
    if (r.ec != std::errc())
        return false;
    s.remove_prefix(std::size_t(r.ptr - s.data()));
    return true;
}

bool expect(std::string_view& s, std::string_view sep)
{
    if (s.substr(0, sep.size()) != sep)
        return false;
    s.remove_prefix(sep.size());
    return true;
}

}  // namespace

bool ParseDateField(std::string_view text, OleDate& out)
{
    double serial = 0;
    auto r = std::from_chars(text.data(), text.data() + text.size(), serial);
    if (r.ec == std::errc() && r.ptr == text.data() + text.size() && std::isfinite(serial)) {
        out = serial;
        return true;
    }
    // Date texts: "2026/12/6 14:01:12" or "2026年12月6日 14:01:12" (the closing line).
    std::string_view s = text;
    int y = 0, mo = 0, d = 0, h = 0, mi = 0, sec = 0;
    // 年, 月, 日 as written in code page 932, and in UTF-8 for a file saved that way.
    static constexpr std::string_view marks[2][3] = {{"\x94\x4E", "\x8C\x8E", "\x93\xFA"},
                                                     {"\xE5\xB9\xB4", "\xE6\x9C\x88", "\xE6\x97\xA5"}};
    if (!readInt(s, y))
        return false;
    int kanji = -1;
    for (int k = 0; k < 2 && kanji < 0; ++k)
        if (expect(s, marks[k][0]))
            kanji = k;
    auto separator = [&](int which) {
        return kanji >= 0 ? expect(s, marks[kanji][which]) : (expect(s, "/") || expect(s, "-"));
    };
    if (kanji < 0 && !separator(0))
        return false;
    if (!readInt(s, mo) || !separator(1) || !readInt(s, d))
        return false;
    if (kanji >= 0 && !separator(2))
        return false;
    expect(s, " ");
    if (!s.empty()) {
        if (!readInt(s, h) || !expect(s, ":") || !readInt(s, mi))
            return false;
        if (expect(s, ":") && !readInt(s, sec))
            return false;
        if (!s.empty())
            return false;
    }
    const QDate date(y, mo, d);
    if (!date.isValid() || h > 23 || mi > 59 || sec > 59 || h < 0 || mi < 0 || sec < 0)
        return false;
    out = double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay()) + (h * 3600 + mi * 60 + sec) / 86400.0;
    return true;
}

CsvHeaderLine ReadCsvHeader(QByteArrayView bytes)
{
    CsvHeaderLine h;
    const char* data = bytes.data();
    qsizetype at = 0;
    bool utf8 = false;
    if (bytes.size() >= 3 && bytes.startsWith("\xEF\xBB\xBF")) {
        at = 3;
        utf8 = true;
    }
    if (at >= bytes.size())
        return h;
    h.empty = false;
    const std::string_view line = nextLine(data, bytes.size(), at);
    const QByteArrayView raw(line.data(), qsizetype(line.size()));
    const QString text = utf8 ? QString::fromUtf8(raw) : FromCp932(raw);
    h.fields = text.split(u',');
    h.next = at;
    return h;
}

CsvSamples ReadCsvSamples(QByteArrayView bytes, qsizetype next, OleDate startTime, float* values, OleDate* times,
                          float* averages, MovingAverage& average, std::int32_t maxLines,
                          const std::function<void(double)>& progress)
{
    CsvSamples out;
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    OleDate current = startTime;
    qsizetype at = next;
    for (std::int32_t i = 0; i < maxLines && at < size; ++i) {
        const std::string_view line = nextLine(data, size, at);
        const std::size_t comma = line.find(',');
        if (comma == std::string_view::npos) {
            out.badLine = i + 2;  // the header is line 1
            return out;
        }
        const std::string_view f1 = line.substr(0, comma);
        std::string_view f2 = line.substr(comma + 1);
        f2 = f2.substr(0, f2.find(','));
        const double v = f1.empty() ? 0.0 : numberField(f1);
        if (!f1.empty())
            values[i] = float(v);
        if (!f2.empty()) {
            OleDate t;
            if (!ParseDateField(f2, t)) {
                out.badLine = i + 2;
                return out;
            }
            current = t;
        }
        times[i] = current;
        average.AveAdd(float(v));
        averages[i] = average.AveGet();
        if (!f1.empty())
            out.dataCnt = i + 1;
        out.lines = i + 1;
        if (progress && (i & 0x3FFF) == 0x3FFF)
            progress(double(at) / double(size));
    }
    return out;
}

}  // namespace tavin
