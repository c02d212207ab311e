#include "core/trend/PageModel.h"

#include "core/trend/Cursor.h"
#include "core/trend/Plot.h"

#include <algorithm>

namespace tavin {

bool PageModel::tooShortOrTooMany(std::int32_t count) const { return PageTooShortOrTooMany(count, span()); }

void PageModel::scrollTo(int page) { start_ = PageStartOfScroll(page, span()); }

void PageModel::followCursor(std::int32_t count) { start_ = PageStartForCursor(cursor_, span(), count); }

PageInfo PageModel::info(std::int32_t last) const { return SetPageInfo(start_, last, span()); }

PageMove PageModel::stepFor(std::int32_t index, bool canZoomOut) const
{
    return PageStepFor(index, Page{start_, span(), canZoomOut});
}

void PageModel::take(const PageMove& move)
{
    if (move.step == PageStep::NextPage)
        start_ = move.nextStart;
}

std::int32_t PageModel::lastShown(std::int32_t count) const
{
    return std::min(count - 1, start_ + std::int32_t(span()));
}

bool PageModel::cursorOnPage() const { return CursorOnPage(cursor_, start_, span()); }

std::int32_t PageModel::indexAt(double x, std::int32_t count) const
{
    return CursorIndexAt(x, start_, count);
}

void PageModel::moveCursors(std::int32_t step, std::int32_t count)
{
    if (cursor_ < 0 || cursor_ >= count)
        return;
    const bool both = cursor2_ >= 0 && cursor2_ < count;
    const std::int32_t lo = both ? std::min(cursor_, cursor2_) : cursor_;
    const std::int32_t hi = both ? std::max(cursor_, cursor2_) : cursor_;
    step = std::clamp(step, -lo, count - 1 - hi);
    cursor_ += step;
    if (both)
        cursor2_ += step;
    if (!cursorOnPage())
        followCursor(count);
}

}  // namespace tavin
