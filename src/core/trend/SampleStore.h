// The sample store: one recording segment of raw values, their receive times and their moving
// averages, with the count that is also the index of the next sample. It alone appends, clears,
// ends a segment; what a new sample does to the displayed page is PageStepFor's to say.
#pragma once

#include "core/platform/DateTime.h"
#include "core/trend/MovingAverage.h"

#include <atomic>
#include <cstdint>
#include <vector>

namespace tavin {

class SampleStore {
public:
    // Indices 0..360000; a segment holds at most MaxDatas of them.
    static constexpr std::int32_t Capacity = 360001;

    std::vector<float> g_Datas = std::vector<float>(Capacity);         // raw values, before the coefficient
    std::vector<OleDate> g_DataTime = std::vector<OleDate>(Capacity);  // receive times
    std::vector<float> g_AveDatas = std::vector<float>(Capacity);      // moving average up to each sample
    // Samples stored = next index. One thread appends; others load it (acquire) and read the
    // samples below it, which are whole since the count is stored (release) after them.
    std::atomic<std::int32_t> g_DataCnt{0};
    std::atomic<std::int32_t> g_FileNo{1};  // recording segment number
    MovingAverage ave;                      // the accumulator whose output fills g_AveDatas

    // Every element zero and no sample (mode switch, before a file is loaded).
    void Clear();
    // A new measurement: segment 1, no sample (the arrays are overwritten as samples come).
    void Restart();
    // After a full segment was saved: the next segment fills the store again from index 0.
    void EndSegment();
    // The average column afresh for every stored sample, with the accumulator reset to the
    // length typed (as AveReset takes it); the accumulator goes on from the last sample, so more
    // samples continue the column as if it had been this length all along.
    void AveRecalc(double typedLength);

    // Stores a sample at the count (index 0 of a store that is full) with its time and, when
    // given, its moving average, then publishes the new count. Returns the sample's index.
    std::int32_t Append(float value, OleDate time, const float* average);
};

// What the page shows: its first sample and its span N in samples.
struct Page {
    std::int32_t start = 0;
    float span = 0;
    bool canZoomOut = false;  // auto zoom-out is on and a longer page length is left
};
enum class PageStep {
    None,         // the first sample of a segment: nothing to draw yet
    DrawSegment,  // the line from the previous sample to this one lies on the page
    ZoomOut,      // beyond the page: select the next page length and repaint
    NextPage,     // beyond the page: move to `nextStart` and repaint
};
struct PageMove {
    PageStep step = PageStep::None;
    std::int32_t nextStart = 0;
};
// What the sample at `index` does to the page shown.
PageMove PageStepFor(std::int32_t index, const Page& page);

}  // namespace tavin
