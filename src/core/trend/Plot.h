// The arithmetic of the trend graph: where scale lines, time grid lines and their labels go, the
// limit lines, and the reduction of a long polyline to pixel columns. The window and the printed
// sheet draw what these return.
#pragma once

#include "core/trend/Paging.h"
#include "core/trend/Scale.h"

#include <QPointF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstdint>

namespace tavin {

// ---- Vertical scale -------------------------------------------------------------------------

// Height of scale line i in values: Top - LineValue. On the screen the bottom line (i = 0) is
// raised by a three-hundredth of Top so that it stays inside the box.
float ScaleLineY(const GraphScale& rec, int i, bool raiseBottom = true);
// Whether scale line i is dotted (the low two bits of its style).
bool ScaleLineDotted(const GraphScale& rec, int i);
// The format of the scale labels: the record's, or "0.0" on pages divided below one second.
QString ScaleLabelFormat(const GraphScale& rec, double timeStep);
// A scale label: the value in the format, right-aligned in six characters (longer texts keep
// their last six).
QString ScaleLabelText(float value, const QString& format);
// Top of the label of scale line i, in twips of the surrounding surface: half a text line above
// the line on a plot box placed at `boxTop` with `boxHeight` (twips).
float ScaleLabelTop(const GraphScale& rec, int i, int boxTop, int boxHeight);

// Height of a limit line for `value` on a plot whose user height is `scaleHeight`.
float LimitLineY(const GraphScale& rec, float scaleHeight, float value);

// ---- Time axis --------------------------------------------------------------------------------

// The time grid of a page: its unit and divisions, and the seconds per division.
struct TimeGrid {
    TimeAxis axis;
    double step = 0;  // seconds per division; below 1 only for the 1 s and 2 s pages

    // x of major line i (0..div) and of the dotted line after it, in samples from the page start.
    float majorX(int i, float span) const { return span * float(i) / float(axis.div); }
    float minorX(int i, float span) const { return majorX(i, span) + span / float(axis.div) / 2; }
    // The label under major line i: the time since the first stored sample, in the axis unit.
    QString label(int i, std::int32_t pageStart, float sampPerSec) const;
};
TimeGrid TimeGridFor(float pageSec);

// ---- Pages and the cursor ---------------------------------------------------------------------

// The page start after a change of sampling or page length: the page holding the cursor, or the
// first page when there is no cursor or that page lies beyond the data.
std::int32_t PageStartForCursor(std::int32_t cursorPos, float span, std::int32_t dataCnt);
// The page start of scroll position `page`.
std::int32_t PageStartOfScroll(int page, float span);
// Whether the cursor lies on the page starting at `pageStart`.
bool CursorOnPage(std::int32_t cursorPos, std::int32_t pageStart, float span);
// A sampling period or page length leaves a page of fewer than 11 samples, or more pages than the
// scroll bar holds: the page length has to step up.
bool PageTooShortOrTooMany(std::int32_t dataCnt, float span);

// ---- Polyline ---------------------------------------------------------------------------------

// How a polyline maps store indices and values to pixels: x = index × scaleX + offX,
// y = (off − value × k) × scaleY.
struct PolylineMap {
    double scaleX = 1, offX = 0, scaleY = 1;
    float off = 0;  // the scale's top
    float k = 1;    // the coefficient
    double y(float v) const { return (off - double(v * k)) * scaleY; }
};

// Samples first..last of `values` as strokes in pixels, for a line drawn with a one-pixel pen
// without antialiasing: the segments from each sample to the next, those whose right end lies
// after `base` (the page start). Each pixel
// column's run of samples becomes one vertical stroke from its lowest to its highest point, joined
// from the last point of a column to the first of the next: the same pixels as every segment drawn
// on its own, at a fraction of the cost. `stroke(QPointF, QPointF)` draws.
template <class Stroke>
void ReduceToColumns(const float* values, std::int32_t first, std::int32_t last, std::int32_t base,
                     const PolylineMap& m, Stroke&& stroke)
{
    if (last <= first || !(m.scaleX > 0) || !std::isfinite(m.scaleX) || !std::isfinite(m.offX))
        return;
    std::int32_t i = std::max(first + 1, std::min(base + 1, last));
    double lastX = double(i - 1) * m.scaleX + m.offX, lastY = m.y(values[i - 1]);
    while (i <= last) {
        const double firstX = double(i) * m.scaleX + m.offX;
        const double column = std::floor(firstX);
        // The last sample of this column: columns hold about 1 / scaleX samples each.
        std::int32_t end = std::min<std::int32_t>(last, std::int32_t((column + 1 - m.offX) / m.scaleX));
        while (end < last && std::floor(double(end + 1) * m.scaleX + m.offX) == column)
            ++end;
        while (end > i && std::floor(double(end) * m.scaleX + m.offX) != column)
            --end;
        // The extremes of the raw values, then mapped (a plain loop the compiler vectorises).
        float vmin = values[i], vmax = values[i];
        for (std::int32_t j = i + 1; j <= end; ++j) {
            const float v = values[j];
            vmin = v < vmin ? v : vmin;
            vmax = v > vmax ? v : vmax;
        }
        const double a = m.y(vmin), b = m.y(vmax);
        const double lo = std::min(a, b), hi = std::max(a, b);
        stroke(QPointF(lastX, lastY), QPointF(firstX, m.y(values[i])));
        if (hi > lo)
            stroke(QPointF(column, lo), QPointF(column, hi));
        lastX = double(end) * m.scaleX + m.offX;
        lastY = m.y(values[end]);
        i = end + 1;
    }
}

}  // namespace tavin
