#include "core/trend/SampleStore.h"

#include <algorithm>

namespace tavin {

void SampleStore::Clear()
{
    std::fill(g_Datas.begin(), g_Datas.end(), 0.0f);
    std::fill(g_DataTime.begin(), g_DataTime.end(), 0.0);
    std::fill(g_AveDatas.begin(), g_AveDatas.end(), 0.0f);
    g_DataCnt = 0;
}

void SampleStore::Restart()
{
    g_FileNo = 1;
    g_DataCnt = 0;
}

void SampleStore::AveRecalc(double typedLength)
{
    ave.AveReset(typedLength);
    for (std::size_t i = 0; i < std::size_t(g_DataCnt); ++i) {
        ave.AveAdd(g_Datas[i]);
        g_AveDatas[i] = ave.AveGet();
    }
}

void SampleStore::EndSegment()
{
    g_FileNo += 1;
    g_DataCnt = 0;
}

std::int32_t SampleStore::Append(float value, OleDate time, const float* average)
{
    std::int32_t index = g_DataCnt.load(std::memory_order_relaxed);
    if (index >= Capacity)
        index = 0;
    const auto i = std::size_t(index);
    g_Datas[i] = value;
    g_DataTime[i] = time;
    if (average)
        g_AveDatas[i] = *average;
    g_DataCnt.store(index + 1, std::memory_order_release);
    return index;
}

PageMove PageStepFor(std::int32_t index, const Page& page)
{
    if (index <= 0)
        return {};
    const auto N = std::int32_t(page.span);
    if (index <= page.start + N)
        return {PageStep::DrawSegment};
    if (page.canZoomOut)
        return {PageStep::ZoomOut};
    return {PageStep::NextPage, page.start + N};
}

}  // namespace tavin
