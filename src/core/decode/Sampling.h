// Sampling periods: the fixed list the user chooses from, the texts that name a period, and the
// rounding of a measured period to a standard one.
#pragma once

#include <QStringList>
#include <QStringView>
#include <cstdint>

namespace tavin {

// The entries of the sampling combo box and of the sampling menu, in the same order.
const QStringList& SamplingEntries();
const QStringList& SamplingMenuCaptions();

// A measured period in milliseconds rounded to the standard period of its band.
std::int32_t SampToStd(float ms);

// A combo entry in milliseconds: a text with "msec" is milliseconds, any other is seconds.
std::int32_t SampTextToMsec(QStringView text);

// A period given as a number and an optional unit ("20 msec", "1 sec", "2 min", "100") in
// milliseconds. A bare number is milliseconds; an unknown unit leaves the number as it is.
double PeriodTextToMsec(QStringView text);

// The period as the sampling label shows it: "10 msec", "0.5 秒", "2 分".
QString SamplingLabel(std::int32_t ms);

}  // namespace tavin
