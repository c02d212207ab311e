// Wall-clock timing for the benchmarks: seconds since a point, and the best of several rounds (the
// least disturbed by the rest of the machine); how often the process waited, and where its threads'
// time went.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <map>
#include <string>

namespace tavin::bench {

using Clock = std::chrono::steady_clock;

inline double seconds(Clock::time_point since)
{
    return std::chrono::duration<double>(Clock::now() - since).count();
}

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

// The CPU time of this process's threads alive now, in seconds, summed by thread name: the
// kernel's run time of each (/proc/self/task/*/schedstat, in nanoseconds).
inline std::map<std::string, double> ThreadSeconds()
{
    std::map<std::string, double> byName;
    std::error_code ec;
    for (const auto& task : std::filesystem::directory_iterator("/proc/self/task", ec)) {
        std::ifstream comm(task.path() / "comm"), stat(task.path() / "schedstat");
        std::string name;
        unsigned long long ns = 0;
        if (std::getline(comm, name) && stat >> ns)
            byName[name] += double(ns) / 1e9;
    }
    return byName;
}

}  // namespace tavin::bench
