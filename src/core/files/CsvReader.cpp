#include "core/files/CsvReader.h"

#include "core/decode/Sampling.h"
#include "core/decode/Units.h"
#include "core/platform/Errors.h"
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "core/trend/SampleStore.h"

#include <QDate>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QStringDecoder>

#include <algorithm>
#include <bit>
#include <charconv>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>
#include <type_traits>

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

// Whether eight bytes (read little-endian) are all ASCII digits, and their value.
bool isEightDigits(std::uint64_t v)
{
    return ((v & 0xF0F0F0F0F0F0F0F0) | (((v + 0x0606060606060606) & 0xF0F0F0F0F0F0F0F0) >> 4)) ==
           0x3333333333333333;
}

std::uint64_t eightDigits(std::uint64_t v)
{
    if constexpr (std::endian::native != std::endian::little)
        v = ((v & 0x00000000FFFFFFFF) << 32 | (v & 0xFFFFFFFF00000000) >> 32),
        v = ((v & 0x0000FFFF0000FFFF) << 16 | (v & 0xFFFF0000FFFF0000) >> 16),
        v = ((v & 0x00FF00FF00FF00FF) << 8 | (v & 0xFF00FF00FF00FF00) >> 8);
    constexpr std::uint64_t mask = 0x000000FF000000FF;
    constexpr std::uint64_t mul1 = 0x000F424000000064;  // 100 + (1000000 << 32)
    constexpr std::uint64_t mul2 = 0x0000271000000001;  // 1 + (10000 << 32)
    v -= 0x3030303030303030;
    v = (v * 10) + (v >> 8);  // pairs of digits
    return (((v & mask) * mul1) + (((v >> 16) & mask) * mul2)) >> 32;
}

// Reads [-]digits[.digits] from p on (stopping at the first other character) as an integer and
// a count of decimals. False when there is no digit or too many to be exact.
struct PlainNumber {
    std::uint64_t m = 0;
    int scale = 0;
    bool negative = false;
};

bool scanPlain(const char*& p, const char* limit, PlainNumber& n)
{
    n = PlainNumber();
    if (p < limit && *p == '-') {
        n.negative = true;
        ++p;
    }
    int digits = 0;
    bool point = false;
    while (p < limit) {
        const char c = *p;
        if (c >= '0' && c <= '9') {
            n.m = n.m * 10 + std::uint64_t(c - '0');
            ++digits;
            n.scale += point;
            ++p;
        } else if (c == '.' && !point) {
            point = true;
            ++p;
            // Long decimals (a serial date's ten) are taken eight at a time.
            if (limit - p >= 8 && digits <= 7) {
                std::uint64_t eight;
                std::memcpy(&eight, p, 8);
                if (isEightDigits(eight)) {
                    n.m = n.m * 100000000 + eightDigits(eight);
                    digits += 8;
                    n.scale += 8;
                    p += 8;
                }
            }
        } else {
            break;
        }
    }
    return digits > 0 && digits <= 15;
}

// The number as T when both its digits and the power of ten are exact in T, so that IEEE
// division rounds it correctly (the fast path of every correct reader). False otherwise.
template <class T>
bool plainValue(const PlainNumber& n, T& out)
{
    constexpr std::uint64_t limit = std::is_same_v<T, float> ? (1u << 24) : (std::uint64_t(1) << 53);
    constexpr int maxScale = std::is_same_v<T, float> ? 10 : 15;
    if (n.m >= limit || n.scale > maxScale)
        return false;
    static constexpr T pow10[] = {T(1e0), T(1e1), T(1e2),  T(1e3),  T(1e4),  T(1e5),  T(1e6),  T(1e7),
                                  T(1e8), T(1e9), T(1e10), T(1e11), T(1e12), T(1e13), T(1e14), T(1e15)};
    const T v = n.scale > 0 ? T(n.m) / pow10[n.scale] : T(n.m);
    out = n.negative ? -v : v;
    return true;
}

// A whole field that is a plain decimal ("-12.34", "46362.5420601852"), read exactly.
template <class T>
bool plainDecimal(std::string_view f, T& out)
{
    const char* p = f.data();
    const char* const end = p + f.size();
    PlainNumber n;
    return scanPlain(p, end, n) && p == end && plainValue(n, out);
}

// A number within a 32-bit float, as the value column stores it.
bool toSingle(double v, float& out)
{
    if (!(std::fabs(v) <= double(std::numeric_limits<float>::max())))
        return false;
    out = float(v);
    return true;
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

// A line "value,time" or "value," of plain decimals, read in one pass. False for anything else,
// which the general path then reads.
bool plainLine(const char*& p, const char* limit, float& value, bool& hasTime, double& time)
{
    PlainNumber n;
    double v;
    // Through a double and then to float, as the rule's result is stored: reading straight into a
    // float would round differently where the double lands on a float's halfway point.
    if (!scanPlain(p, limit, n) || p >= limit || *p != ',' || !plainValue(n, v))
        return false;
    value = float(v);  // at most 15 digits: always within a float
    ++p;
    hasTime = p < limit && *p != '\r' && *p != '\n';
    if (hasTime && (!scanPlain(p, limit, n) || !plainValue(n, time)))
        return false;
    return p >= limit || *p == '\r' || *p == '\n';
}

// The usual line, as the program writes it, read in one pass: its value, and its time (when it
// has one) into `current`. False for any other line, leaving `current` as it was (`p` and
// `value` then mean nothing).
bool usualLine(const char*& p, const char* limit, float& value, OleDate& current)
{
    bool hasTime;
    double t;
    if (!plainLine(p, limit, value, hasTime, t))
        return false;
    if (hasTime)
        current = t;
    return true;
}

// Whether lines from `at` on hold a sample with a value (the closing line has none), or the bytes
// stop before the file does.
bool moreSamples(const char* data, qsizetype size, qsizetype at, bool whole)
{
    while (at < size) {
        const std::string_view line = nextLine(data, size, at);
        if (!line.empty() && line.front() != ',')
            return true;
    }
    return !whole;
}

// Opens `path` for reading as a recording; empty when open, else why not, for the user.
QString openRecording(const QString& path, QFile& f)
{
    const QFileInfo info(path);
    if (!info.exists())
        return QStringLiteral("ファイルが見つかりません");
    if (!info.isFile())
        return info.isDir() ? QStringLiteral("フォルダです") : QStringLiteral("通常のファイルではありません");
    if (!f.open(QIODevice::ReadOnly))
        return QStringLiteral("開けません (%1)").arg(f.errorString());
    if (f.isSequential())  // replaced by something else since it was looked at
        return QStringLiteral("通常のファイルではありません");
    return QString();
}

// Where the line after the one ending at `end` starts.
qsizetype afterLineEnd(const char* data, const char* end, const char* limit)
{
    return qsizetype(end - data) +
           ((end < limit && *end == '\r' && end + 1 < limit && end[1] == '\n') ? 2 : (end < limit ? 1 : 0));
}

// A line off the usual path: its end and its first two commas' fields. A NUL byte is in no line
// a recording has (a file cut by a crash may hold runs of them); the usual line's path stops at one
// as at any other character.
struct OtherLine {
    std::string_view value;
    std::string_view time;
    const char* end = nullptr;
    bool ok = false;  // the line has a comma and no NUL byte
};

OtherLine splitOtherLine(const char* line, const char* limit)
{
    const char* p = line;
    const char* comma1 = nullptr;
    const char* comma2 = nullptr;
    bool nul = false;
    for (; p < limit && *p != '\r' && *p != '\n'; ++p) {
        if (*p == ',') {
            if (!comma1)
                comma1 = p;
            else if (!comma2)
                comma2 = p;
        }
        nul |= *p == '\0';
    }
    OtherLine o;
    o.end = p;
    o.ok = comma1 && !nul;
    if (o.ok) {
        o.value = std::string_view(line, std::size_t(comma1 - line));
        o.time = std::string_view(comma1 + 1, std::size_t((comma2 ? comma2 : p) - comma1 - 1));
    }
    return o;
}

// What a line off the usual path holds: its value (0 when it has none) and its time, if any.
struct OtherLineRead {
    const char* end = nullptr;  // where the line ends; nullptr when it cannot be read
    float value = 0.0f;
    bool hasValue = false;
    bool hasTime = false;
    OleDate time = 0;
};

// Reads a line off the usual path: its end and its first two commas, then each field on its own.
// A value read goes to `slot` at once.
OtherLineRead readOtherLine(const char* line, const char* limit, float& slot)
{
    const OtherLine o = splitOtherLine(line, limit);
    OtherLineRead r;
    r.hasValue = !o.value.empty();
    if (!o.ok || (r.hasValue && !CsvValue(o.value, r.value)))
        return r;
    if (r.hasValue)
        slot = r.value;
    r.hasTime = !o.time.empty();
    if (r.hasTime && !plainDecimal(o.time, r.time) && !ParseDateField(o.time, r.time))
        return r;
    r.end = o.end;
    return r;
}

}  // namespace

bool CsvValue(std::string_view field, float& out)
{
    double v;
    if (plainDecimal(field, v)) {  // at most 15 digits: always within a float
        out = float(v);
        return true;
    }
    return toSingle(Val(field), out);
}

CsvFileBytes ReadCsvFile(const QString& path, std::int32_t maxLines, qint64 maxBytes)
{
    CsvFileBytes r;
    QFile f(path);
    r.error = openRecording(path, f);
    if (!r.error.isEmpty())
        return r;
    try {
        // Line ends wanted: the header, maxLines lines and one more; CR LF counts two.
        const qint64 want = 2 * (qint64(maxLines) + 2);
        constexpr qint64 Chunk = qint64(1) << 20;
        r.bytes.reserve(qsizetype(std::clamp(f.size(), qint64(0), std::min(maxBytes, qint64(64) << 20))));
        qint64 ends = 0;
        for (;;) {
            const qsizetype old = r.bytes.size();
            const qint64 room = std::min(Chunk, maxBytes - old);
            if (room <= 0)
                break;
            r.bytes.resize(old + qsizetype(room));
            const qint64 n = f.read(r.bytes.data() + old, room);
            if (n < 0) {
                r.error = QStringLiteral("読み取りに失敗しました (%1)").arg(f.errorString());
                r.bytes = QByteArray();
                return r;
            }
            r.bytes.resize(old + qsizetype(n));
            if (n == 0) {
                r.whole = true;
                break;
            }
            const char* from = r.bytes.constData() + old;
            ends += std::count(from, from + n, '\n') + std::count(from, from + n, '\r');
            if (ends >= want)
                break;
        }
        r.whole = r.whole || f.atEnd();
        // A line cut where the reading stopped is not read as if it were whole.
        if (!r.whole) {
            qsizetype keep = r.bytes.size();
            while (keep > 0 && r.bytes[keep - 1] != '\n' && r.bytes[keep - 1] != '\r')
                --keep;
            r.bytes.truncate(keep);
        }
    } catch (const std::bad_alloc& e) {
        r.error = describe(e);
        r.bytes = QByteArray();
    }
    return r;
}

bool ParseDateField(std::string_view text, OleDate& out)
{
    if (plainDecimal(text, out))
        return true;
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
    out =
        double(date.toJulianDay() - QDate(1899, 12, 30).toJulianDay()) + (h * 3600 + mi * 60 + sec) / 86400.0;
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
    h.malformed = line.find('\0') != std::string_view::npos;
    const QByteArrayView raw(line.data(), qsizetype(line.size()));
    const QString text = utf8 ? QString::fromUtf8(raw) : FromCp932(raw);
    const QStringList fields = text.split(u',');
    h.fieldCount = int(fields.size());
    h.next = at;
    CsvHeader& c = h.header;
    c.startText = fields.value(int(CsvField::StartText));
    if (const QString start = fields.value(int(CsvField::Start)); !start.isEmpty()) {
        h.startGiven = ParseDateField(start.toStdString(), c.start);
        h.badStart = !h.startGiven;
    }
    if (h.has(CsvField::FileNo))
        c.fileNo = std::int32_t(
            std::clamp(Val(fields[int(CsvField::FileNo)]), double(INT32_MIN), double(INT32_MAX)));
    c.sampling = PeriodTextToMsec(fields.value(int(CsvField::Sampling)));
    c.plusRange = fields.value(int(CsvField::PlusRange));
    c.minusRange = fields.value(int(CsvField::MinusRange));
    c.unit = fields.value(int(CsvField::Unit));
    if (h.has(CsvField::Keisu)) {
        const double k = Val(fields[int(CsvField::Keisu)]);
        h.badKeisu = !KeisuAcceptable(k);
        c.keisu = h.badKeisu ? 1.0f : float(k);
        if (h.badKeisu)
            h.keisuText = fields[int(CsvField::Keisu)];
    }
    return h;
}

CsvSamples ReadCsvSamples(QByteArrayView bytes, qsizetype next, OleDate startTime, SampleStore& store,
                          std::int32_t maxLines, const std::function<void(double)>& progress, bool whole)
{
    float* const values = store.g_Datas.data();
    OleDate* const times = store.g_DataTime.data();
    float* const averages = store.g_AveDatas.data();
    MovingAverage& average = store.ave;
    maxLines = std::min(maxLines, SampleStore::Capacity);
    CsvSamples out;
    // Every way out leaves the store counting what was read.
    auto done = [&] {
        store.g_DataCnt = out.dataCnt;
        return out;
    };
    const char* data = bytes.data();
    const qsizetype size = bytes.size();
    OleDate current = startTime;
    qsizetype at = next;
    const char* const limit = data + size;
    for (std::int32_t i = 0; i < maxLines && at < size; ++i) {
        const char* const line = data + at;
        const char* end = line;
        float v = 0.0f;
        bool hasValue = true;
        if (usualLine(end, limit, v, current)) {
            values[i] = v;
        } else {
            // Any other line, field by field.
            const OtherLineRead o = readOtherLine(line, limit, values[i]);
            if (!o.end) {
                out.badLine = i + 2;  // the header is line 1
                return done();
            }
            end = o.end;
            v = o.value;
            hasValue = o.hasValue;
            if (o.hasTime)
                current = o.time;
        }
        at = afterLineEnd(data, end, limit);
        times[i] = current;
        average.AveAdd(v);
        averages[i] = average.AveGet();
        if (hasValue)
            out.dataCnt = i + 1;
        out.lines = i + 1;
        if (progress && (i & 0x3FFF) == 0x3FFF)
            progress(double(at) / double(size));
    }
    out.rest = out.lines == maxLines ? moreSamples(data, size, at, whole) : !whole;
    return done();
}

}  // namespace tavin
