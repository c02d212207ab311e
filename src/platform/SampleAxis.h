// One time axis for the samples of a recording segment: the stream, the analysis CSV and anything
// that reads a recording give a sample the same millisecond by it.
//
// The store stamps each sample with the second it arrived in, and that is all a recording keeps.
// Along a segment, with s(i) the start of sample i's second and P the period (both in ms):
//   t(0) = s(0) + max(0, 1000 - n * P)   the n samples of the first second end with it: a segment
//                                        begins in the middle of its first second
//   t(i) = max(t(i-1) + P, s(i))         one period on, or the start of its own second if later
// So the times strictly increase at least one period apart, whatever the reading pace: samples
// read in a burst after a stall keep their period, an axis that fell behind a slow gauge moves on
// to the sample's second (forward only), and a clock set back moves nothing back. The first
// second's samples can be placed only once the second is over, or once n * P reaches 1000.
#pragma once

#include "platform/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavin {

// The first sample's time: `firstSecond` the start of its second, `samples` in that second.
constexpr std::int64_t AxisFirstMs(std::int64_t firstSecond, std::int64_t samples, std::int64_t periodMs)
{
    return firstSecond + std::max<std::int64_t>(0, 1000 - samples * periodMs);
}

// The next sample's time after one at `previous`, stamped with the second starting at `second`.
constexpr std::int64_t AxisNextMs(std::int64_t previous, std::int64_t second, std::int64_t periodMs)
{
    return std::max(previous + periodMs, second);
}

// The start of a stamp's second in ms on the stamps' own scale (local wall-clock time).
inline std::int64_t StampMs(OleDate stamp) { return std::llround(stamp * 86400.0) * 1000; }

// Walks a segment's stamps in order and gives each sample its time, in ms on the stamps' scale.
class SegmentAxis {
public:
    SegmentAxis(const OleDate* stamps, std::int32_t count, double periodMs)
        : stamps_(stamps), count_(count), period_(std::max<std::int64_t>(1, std::llround(periodMs)))
    {
    }

    std::int64_t next()
    {
        if (i_ == 0) {
            const std::int64_t second = StampMs(stamps_[0]);
            std::int32_t n = 1;
            while (n < count_ && n * period_ < 1000 && StampMs(stamps_[n]) == second)
                ++n;
            t_ = AxisFirstMs(second, n, period_);
        } else {
            t_ = AxisNextMs(t_, StampMs(stamps_[i_]), period_);
        }
        ++i_;
        return t_;
    }

private:
    const OleDate* stamps_;
    std::int32_t count_;
    std::int64_t period_;
    std::int32_t i_ = 0;
    std::int64_t t_ = 0;
};

}  // namespace tavin
