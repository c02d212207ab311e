// Date-time values as day counts (OLE automation dates, local wall-clock time) and their texts.
#pragma once

#include <QDateTime>
#include <QString>
#include <QStringView>
#include <cmath>

namespace tavin {

// Days since 1899-12-30 00:00 with the time of day as the fraction, in local time.
using OleDate = double;

OleDate ToOleDate(const QDateTime& local);
// A time to the whole second, the fraction dropped (not rounded up to the next second): a sheet or
// an export says when it was made, so that two of one recording can be told apart.
inline OleDate ToTheSecond(OleDate d) { return std::floor(d * 86400 + 1e-6) / 86400; }
QDateTime FromOleDate(OleDate d);

// The calendar fields of a date-time, rounded to the nearest second.
struct DateFields {
    int year, month, day, hour, minute, second;
};
DateFields SplitOleDate(OleDate d);

// Formats with a date-time pattern: "yyyy", "m"/"mm" (month, or minutes right after an hour
// token), "d"/"dd", "h"/"hh", "n"/"nn", "s"/"ss", letters in either case; other characters are
// copied. "yyyy年m月d日 hh:nn:ss" gives 2020年6月9日 08:05:03.
QString FormatDate(OleDate d, QStringView pattern);

// A date-time as a serial day number in general form with 15 significant digits, as recording
// files carry it. Times of whole seconds (all that the program stamps) take an exact integer
// path; anything else the general form. `out` needs room for 40 characters.
char* SerialDateText(char* out, OleDate d);

// The log's short-date and long-time forms: yyyy/MM/dd and H:mm:ss.
QString ShortDate(OleDate d);
QString LongTime(OleDate d);

}  // namespace tavin
