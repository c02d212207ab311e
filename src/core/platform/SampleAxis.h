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
// to the sample's second (forward only), and a clock set back moves nothing back.
#pragma once

#include "core/platform/DateTime.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavin {

// The start of a stamp's second in ms on the stamps' own scale (local wall-clock time).
inline std::int64_t StampMs(OleDate stamp) { return std::llround(stamp * 86400.0) * 1000; }

// What to take from an axis time near `stamp` for ms since 1970 (UTC): the stamps' scale counts
// local wall-clock time from 1899-12-30.
inline std::int64_t AxisEpochOffsetMs(OleDate stamp)
{
    return StampMs(stamp) - FromOleDate(stamp).toMSecsSinceEpoch();
}

// Walks a segment's stamps in order and gives each sample its time in ms on the stamps' scale. It
// can follow a segment as it grows: the first second's samples are placed only once that second
// is over (a later stamp came, or they fill it), or when no more samples will come.
class SegmentAxis {
public:
    explicit SegmentAxis(double periodMs) : period_(std::max<std::int64_t>(1, std::llround(periodMs))) {}

    // The time of the next sample of `stamps[0..count)` into `*ms`; false when every sample is
    // placed or, unless `final`, the first second may still grow.
    bool next(const OleDate* stamps, std::int32_t count, bool final, std::int64_t* ms)
    {
        if (placed_ >= count)
            return false;
        if (placed_ == 0) {
            const std::int64_t second = StampMs(stamps[0]);
            while (first_ < count && first_ * period_ < 1000 && StampMs(stamps[first_]) == second)
                ++first_;
            if (!final && first_ == count && first_ * period_ < 1000)
                return false;
            t_ = second + std::max<std::int64_t>(0, 1000 - first_ * period_);
        } else {
            t_ = std::max(t_ + period_, StampMs(stamps[placed_]));
        }
        ++placed_;
        *ms = t_;
        return true;
    }
    // The period of the samples still to be placed (the sampling changed while recording).
    void setPeriod(double periodMs)
    {
        period_ = std::max<std::int64_t>(1, std::llround(periodMs));
        if (placed_ == 0)
            first_ = 0;  // the first second is counted again at the new period
    }
    // Samples placed so far.
    std::int32_t placed() const { return placed_; }

private:
    std::int64_t period_;
    std::int32_t placed_ = 0;
    std::int64_t first_ = 0;  // samples of the first second counted so far
    std::int64_t t_ = 0;
};

}  // namespace tavin
