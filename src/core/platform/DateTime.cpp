#include "core/platform/DateTime.h"

#include "core/platform/NumText.h"

#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tavin {

namespace {

const qint64 kOleEpochJulianDay = QDate(1899, 12, 30).toJulianDay();
constexpr double kSecondsPerDay = 86400.0;

void appendNumber(QString& out, int v, int width) { out += QString::number(v).rightJustified(width, u'0'); }

}  // namespace

OleDate ToOleDate(const QDateTime& local)
{
    const QDateTime t = local.toLocalTime();
    const double days = double(t.date().toJulianDay() - kOleEpochJulianDay);
    return days + t.time().msecsSinceStartOfDay() / (kSecondsPerDay * 1000.0);
}

QDateTime FromOleDate(OleDate d)
{
    const double day = std::floor(d);
    const qint64 msecs = std::llround((d - day) * kSecondsPerDay * 1000.0);
    const QDate date = QDate::fromJulianDay(qint64(day) + kOleEpochJulianDay);
    return QDateTime(date, QTime(0, 0)).addMSecs(msecs);
}

DateFields SplitOleDate(OleDate d)
{
    // Whole seconds since the epoch, rounded, so 23:59:59.6 becomes the next day's 00:00:00.
    const double total = std::nearbyint(d * kSecondsPerDay);
    const double dayCount = std::floor(total / kSecondsPerDay);
    const int secs = int(total - dayCount * kSecondsPerDay);
    const QDate date = QDate::fromJulianDay(qint64(dayCount) + kOleEpochJulianDay);
    return {date.year(), date.month(), date.day(), secs / 3600, secs / 60 % 60, secs % 60};
}

QString FormatDate(OleDate d, QStringView pattern)
{
    const DateFields f = SplitOleDate(d);
    QString out;
    out.reserve(pattern.size() + 8);
    bool afterHour = false;
    for (qsizetype i = 0; i < pattern.size();) {
        const QChar c = pattern[i].toLower();
        qsizetype run = 1;
        while (i + run < pattern.size() && pattern[i + run].toLower() == c)
            ++run;
        const int width = run >= 2 ? 2 : 1;
        if (c == u'y' && run >= 3) {
            appendNumber(out, f.year, 4);
            afterHour = false;
        } else if (c == u'y') {
            appendNumber(out, f.year % 100, 2);
            afterHour = false;
        } else if (c == u'm') {
            appendNumber(out, afterHour ? f.minute : f.month, width);
        } else if (c == u'd') {
            appendNumber(out, f.day, width);
            afterHour = false;
        } else if (c == u'h') {
            appendNumber(out, f.hour, width);
            afterHour = true;
        } else if (c == u'n') {
            appendNumber(out, f.minute, width);
        } else if (c == u's') {
            appendNumber(out, f.second, width);
        } else {
            out += pattern.mid(i, run);
        }
        i += run;
    }
    return out;
}

char* SerialDateText(char* out, OleDate d)
{
    // The fraction of the day of every whole second, as ToOleDate computes it.
    static const std::vector<double> secondFractions = [] {
        std::vector<double> f(86400);
        for (int s = 0; s < 86400; ++s)
            f[std::size_t(s)] = s / kSecondsPerDay;
        return f;
    }();
    // Dates of five-digit day numbers (years 1927 to 2173) at a whole second, as ToOleDate makes
    // them: the ten decimals come from the exact fraction seconds / 86400, unless the double lies
    // too close to a rounding tie of it to tell.
    const double day = d >= 10000 && d < 100000 ? double(std::int64_t(d)) : -1;
    const auto seconds = std::int64_t((d - day) * kSecondsPerDay + 0.5);
    if (day > 0 && seconds < 86400 && day + secondFractions[std::size_t(seconds)] == d) {
        const std::uint64_t scaled = std::uint64_t(seconds) * 10000000000ULL;
        std::uint64_t decimals = scaled / 86400;
        const std::uint64_t rest = scaled % 86400;
        // The double is within half its unit in the last place of day + seconds / 86400: 3.7e-12
        // days below day 65536, 7.3e-12 above, i.e. 0.037 or 0.073 of the tenth decimal. Only a
        // remainder that close to half of 86400 needs the slow path.
        const std::uint64_t margin = day < 65536 ? 4000 : 8000;
        if (rest < 43200 - margin || rest > 43200 + margin) {
            decimals += rest > 43200 ? 1 : 0;
            if (decimals < 10000000000ULL) {
                // The day's five digits change once a day: kept from the last call.
                static thread_local double lastDay = -1;
                static thread_local char dayText[8];
                if (day != lastDay) {
                    std::to_chars(dayText, dayText + 8, std::uint64_t(day));
                    lastDay = day;
                }
                std::memcpy(out, dayText, 8);
                char* o = out + 5;
                if (decimals != 0) {
                    *o++ = '.';
                    WriteDigits(o, decimals, 10);
                    o += 10;
                    while (o[-1] == '0')
                        --o;
                }
                return o;
            }
        }
    }
    return GeneralDouble(out, d);
}

QString ShortDate(OleDate d) { return FormatDate(d, u"yyyy/mm/dd"); }
QString LongTime(OleDate d) { return FormatDate(d, u"h:nn:ss"); }

}  // namespace tavin
