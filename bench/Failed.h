// A condition a benchmark's figures rely on did not hold: the benchmark says which, and what it found
// instead, and ends with status 1, so that bench/run can name it among those that failed.
#pragma once

#include <cstdio>

namespace tavin::bench {

inline int Failed(const char* benchmark, const char* condition, const char* found)
{
    std::fprintf(stderr, "%s: failed: %s (%s)\n", benchmark, condition, found);
    return 1;
}

}  // namespace tavin::bench
