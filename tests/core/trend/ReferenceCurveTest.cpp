// Which samples of a reference curve a page of the graph shows, and where they sit on it.
#include "core/trend/ReferenceCurve.h"

#include <gtest/gtest.h>

using namespace tavin;

TEST(ReferenceCurve, ThePageShowsTheSamplesThatCrossItAlignedByTime)
{
    struct Case {
        const char* what;
        std::int32_t samples;
        double periodMs;
        std::int32_t start;
        double span;
        std::int32_t origin;
        double shownMs;
        std::int32_t first, last;  // last < first: none
        double step, at;
    };
    const Case table[] = {
        {"same period, first page", 100, 1000, 0, 20, 0, 1000, 0, 20, 1, 0},
        {"same period, third page", 100, 1000, 40, 20, 0, 1000, 40, 60, 1, -40},
        {"a part-sample page ends past a sample", 100, 1000, 40, 20.5, 0, 1000, 40, 61, 1, -40},
        {"ten reference samples a graph sample", 1000, 100, 0, 20, 0, 1000, 0, 200, 0.1, 0},
        {"a reference sample every two, edges between them", 100, 2000, 5, 20, 0, 1000, 2, 13, 2, -5},
        {"aligned at a cursor on the page", 100, 1000, 20, 20, 30, 1000, 0, 10, 1, 10},
        {"aligned at a cursor before the page", 100, 1000, 20, 20, 5, 1000, 15, 35, 1, -15},
        {"shorter than the page", 5, 1000, 0, 20, 0, 1000, 0, 4, 1, 0},
        {"the page wholly after it", 10, 1000, 40, 20, 0, 1000, 0, -1, 1, -40},
        {"the page wholly before it", 10, 1000, 0, 20, 100, 1000, 0, -1, 1, 100},
        {"no period in its file: sample for sample", 100, 0, 0, 20, 0, 200, 0, 20, 1, 0},
    };
    for (const Case& c : table) {
        SCOPED_TRACE(c.what);
        const ReferenceCurve ref(std::vector<float>(std::size_t(c.samples), 1.0f), c.periodMs, 2.0f,
                                 "ref.csv");
        const ReferenceSpan s = ref.onPage(c.start, c.span, c.origin, c.shownMs);
        EXPECT_EQ(s.empty(), c.last < c.first);
        if (!s.empty()) {
            EXPECT_EQ(std::pair(s.first, s.last), std::pair(c.first, c.last));
        }
        EXPECT_EQ(std::pair(s.step, s.at), std::pair(c.step, c.at));
    }
}
