// The page the trend graph shows and the cursor placed on it: the state that the graph, the print
// job and the export share, and the rules that move it. A page spans N = samples a second × page
// length samples, N not necessarily whole. The process state holds one, used on the window's
// thread only.
#pragma once

#include "core/trend/Paging.h"
#include "core/trend/SampleStore.h"

#include <cstdint>

namespace tavin {

class PageModel {
public:
    // The most pages the scroll bar holds: data beyond it is not paged to.
    static constexpr std::int32_t MaxPages = 32767;

    float samplesPerSecond() const { return samplesPerSecond_; }
    float pageSeconds() const { return pageSeconds_; }
    float span() const { return samplesPerSecond_ * pageSeconds_; }
    // The sampling period in seconds, as exact as it was given.
    double periodS() const { return samplingMs_ / 1000; }
    void setSamplingMs(double ms)
    {
        samplingMs_ = ms;
        samplesPerSecond_ = float(1000.0 / ms);
    }
    void setPageSeconds(float seconds) { pageSeconds_ = seconds; }
    // A sampling period or page length leaves a page of fewer than 11 samples, or more pages than
    // the scroll bar holds for `count` samples: the page length has to step up.
    bool tooShortOrTooMany(std::int32_t count) const;

    // The page: its first sample.
    std::int32_t start() const { return start_; }
    void showFirstPage() { start_ = 0; }
    // The page from sample `first` (a benchmark's or a test's own page).
    void showFrom(std::int32_t first) { start_ = first; }
    // The page at scroll position `page`.
    void scrollTo(int page);
    // After a change of sampling or page length: the page holding the cursor, or the first page
    // when there is none or that page lies beyond the `count` samples.
    void followCursor(std::int32_t count);
    // The page's number, the last page's and the page's first sample for data up to `last`.
    PageInfo info(std::int32_t last) const;
    // What the sample at `index` does to the page: drawn on it, or a longer or the next page.
    PageMove stepFor(std::int32_t index, bool canZoomOut) const;
    // Applies a move to the next page.
    void take(const PageMove& move);
    // The last of `count` samples the page shows.
    std::int32_t lastShown(std::int32_t count) const;

    // The cursor: a sample's index, or none.
    std::int32_t cursor() const { return cursor_; }
    bool hasCursor() const { return cursor_ >= 0; }
    void placeCursor(std::int32_t index) { cursor_ = index; }
    void removeCursor() { cursor_ = cursor2_ = -1; }
    bool cursorOnPage() const;
    // The cursor's x on a graph `width` wide, the page's first sample at 0.
    float cursorX(float width) const { return width / span() * float(cursor_ - start_); }
    // The sample under graph x of `count` samples (x in samples from the page's first), -1 right
    // of the data.
    std::int32_t indexAt(double x, std::int32_t count) const;

    // The second cursor marks an interval with the first; it goes with the first.
    std::int32_t secondCursor() const { return cursor2_; }
    bool hasInterval() const { return cursor_ >= 0 && cursor2_ >= 0; }
    void placeSecondCursor(std::int32_t index) { cursor2_ = index; }
    float secondCursorX(float width) const { return width / span() * float(cursor2_ - start_); }
    // Both cursors `step` samples on, as far as the `count` samples let the one ahead go; the page
    // follows when the first leaves it.
    void moveCursors(std::int32_t step, std::int32_t count);

private:
    double samplingMs_ = 1000;
    float samplesPerSecond_ = 1.0f;
    float pageSeconds_ = 20.0f;
    std::int32_t start_ = 0;
    std::int32_t cursor_ = -1;
    std::int32_t cursor2_ = -1;
};

}  // namespace tavin
