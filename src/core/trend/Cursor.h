// Reading a stored sample on the graph: which sample lies under a position, and the readout
// text of the cursor's panel and the graph's tool tip.
#pragma once

#include <QString>
#include <cstdint>

namespace tavin {

class SampleStore;

// CursorInfo flags.
enum CursorInfoFlag : std::int16_t { CursorShowsIndex = 1, CursorShowsTime = 2, CursorBlinks = 4 };

// The store index under graph x (one unit a sample, the page's first sample at 0): the whole
// part of x counts, an index before the first sample is 0, and a position right of the data
// gives -1.
std::int32_t CursorIndexAt(double x, std::int32_t startPos, std::int32_t dataCnt);

// "[index]" and "hh:nn:ss " by the CursorInfo flags, "値:" and the value, and, when the average
// line is shown and averages one more than one sample, "  平均:" and the average as "0.0000";
// value and average both times the coefficient.
QString CursorTipText(const SampleStore& store, std::int32_t index, std::int16_t cursorInfo, float keisu,
                      bool withAverage);

// Where the cursor's panel goes, in the graph's units: right of the line with the marker first
// when it fits within the graph (never left of the graph's edge), otherwise left of the line
// with the marker last; either way the marker's middle sits on the line at `lineX`.
struct CursorPanel {
    double left = 0;
    bool markerFirst = true;
};
CursorPanel CursorPanelAt(double lineX, double panelWidth, double markerWidth, double graphWidth);

}  // namespace tavin
