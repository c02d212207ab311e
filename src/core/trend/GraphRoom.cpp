#include "core/trend/GraphRoom.h"

#include <algorithm>

namespace tavin {

QSize ExtraRoom(QSize window, QSize base)
{
    return {std::max(0, window.width() - base.width()), std::max(0, window.height() - base.height())};
}

Anchor AnchorOf(const QRect& twips, bool spansGraph)
{
    if (twips == GraphAreaTwips)
        return Anchor::Grows;
    // Right of the graph's right edge: the readout, the recording panel, the engineering controls.
    if (twips.left() >= GraphAreaTwips.left() + GraphAreaTwips.width())
        return Anchor::Right;
    if (twips.top() >= GraphAreaTwips.top() + GraphAreaTwips.height())
        return spansGraph ? Anchor::BelowWide : Anchor::Below;
    return Anchor::Stays;
}

QRect Placed(const QRect& base, Anchor anchor, QSize extra)
{
    const int dx = extra.width(), dy = extra.height();
    switch (anchor) {
    case Anchor::Stays: return base;
    case Anchor::Right: return base.translated(dx, 0);
    case Anchor::Below: return base.translated(0, dy);
    case Anchor::BelowWide: return base.translated(0, dy).adjusted(0, 0, dx, 0);
    case Anchor::Grows: return base.adjusted(0, 0, dx, dy);
    }
    return base;
}

}  // namespace tavin
