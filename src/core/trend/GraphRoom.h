// The room of the main window when it is larger than its base size: the trend graph takes what
// is added, the controls beside and under it keep their size and follow the edge they are placed
// against. At the base size every control is where the window was designed to have it.
#pragma once

#include <QRect>
#include <QSize>

namespace tavin {

// At the base size, in twips: the graph area (the labels around the plot) on the window's client
// area, and the plot inside the graph area.
inline constexpr QRect GraphAreaTwips{120, 120, 9300, 8250};
inline constexpr QRect PlotTwips{780, 330, 8040, 7200};

// What a control does with the room a larger window adds.
enum class Anchor {
    Stays,      // within the graph's corner of the window, neither right of it nor under it
    Right,      // right of the graph: moves with the right edge
    Below,      // under the graph: moves with the bottom edge
    BelowWide,  // under the graph and as wide as it: moves down and widens with it
    Grows,      // the graph itself
};

// How much larger `window` is than `base` (the same unit), never less than nothing: a window
// made smaller than its base size takes no room from the graph.
QSize ExtraRoom(QSize window, QSize base);

// The anchor of a control of the client area placed at `twips` at the base size; `spansGraph`:
// it spans the graph's width (the page scroll bar, the page's figures).
Anchor AnchorOf(const QRect& twips, bool spansGraph);

// Where a control placed at `base` goes with `extra` room (both in the same unit).
QRect Placed(const QRect& base, Anchor anchor, QSize extra);

}  // namespace tavin
