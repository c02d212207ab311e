// What a print job puts on its sheets: whether the current choices can be printed at all, the
// name the sheet carries, the graph boxes of a page print and the strips of an all-data print.
#pragma once

#include "core/print/PrintLayout.h"

#include <QList>
#include <QString>
#include <cstdint>

namespace tavin {

class SampleStore;

// Why a job cannot be printed; empty when it can. `span`: samples a page; `rangeIndex`: the plus
// range chosen (-1 none).
QString PrintRefusal(float span, int rangeIndex);

// The name the sheet's header and the file printer's output carry: the loaded file's in read-out
// mode, else the save box's base name; the default base name when that is empty.
QString PrintHeaderName(bool readOut, const QString& loadedName, const QString& baseName);

// A page print: box 1 the page from `start`, captioned with its page tag and the time of its first
// sample (no caption without data); box 2 the next page, when there is one.
QList<GraphBoxSpec> PageBoxes(const PrintLayout& layout, std::int32_t start, std::int32_t perPage,
                              const SampleStore& store, const QString& pageTag);

// Strip `k` (0-based) of an all-data print, `perPage` samples each from `start` on, captioned with
// the time of its first sample.
struct PlannedStrip {
    GraphBoxSpec box;
    bool newSheet = false;  // the strip starts a sheet after the first: it gets the header and file block
    bool last = false;      // the strip reaches the end of the data
};
PlannedStrip StripAt(int k, const PrintLayout& layout, float bottom, std::int32_t start, std::int32_t perPage,
                     const SampleStore& store);

}  // namespace tavin
