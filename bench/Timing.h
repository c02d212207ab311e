// Wall-clock timing for the benchmarks: seconds since a point, and the best of several rounds (the
// least disturbed by the rest of the machine); and how often the process waited.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>

namespace tavin::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point since) { return std::chrono::duration<double>(Clock::now() - since).count(); }

template <class F>
double best(int rounds, F&& f)
{
    double b = 1e9;
    for (int i = 0; i < rounds; ++i) {
        const auto t0 = Clock::now();
        f();
        b = std::min(b, seconds(t0));
    }
    return b;
}

// The times this process's threads gave up the processor to wait (voluntary context switches): a
// reader of the port that wakes for every frame waits about once a frame, one that finds several
// frames at each read less often.
inline long Waits()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_nvcsw;
}

}  // namespace tavin::bench
