#include "platform/DateTime.h"

#include <cmath>

namespace tavin {

namespace {

const qint64 kOleEpochJulianDay = QDate(1899, 12, 30).toJulianDay();
constexpr double kSecondsPerDay = 86400.0;

void appendNumber(QString& out, int v, int width)
{
    out += QString::number(v).rightJustified(width, u'0');
}

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

QString ShortDate(OleDate d) { return FormatDate(d, u"yyyy/mm/dd"); }
QString LongTime(OleDate d) { return FormatDate(d, u"h:nn:ss"); }

}  // namespace tavin
