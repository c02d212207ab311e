#include "trend/SampleStore.h"

#include "platform/Errors.h"

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

SampleStore::Appended SampleStore::Append(float value, OleDate time, std::int32_t index, std::int32_t maxDatas,
                                          bool average, const Page& page)
{
    Appended a;
    if (index >= maxDatas || index >= Capacity) {
        if (g_DataCnt > 0)
            return a;
        index = 0;
    }
    if (index < 0)
        throw RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));

    const auto i = std::size_t(index);
    g_Datas[i] = value;
    g_DataTime[i] = time;
    if (average) {
        ave.AveAdd(value);
        g_AveDatas[i] = ave.AveGet();
    }
    g_DataCnt = index + 1;
    a.stored = true;
    a.index = index;

    if (index > 0) {
        const auto N = std::int32_t(page.span);
        if (index <= page.start + N) {
            a.step = PageStep::DrawSegment;
        } else if (page.canZoomOut) {
            a.step = PageStep::ZoomOut;
        } else {
            a.step = PageStep::NextPage;
            a.nextStart = page.start + N;
        }
    }
    a.segmentFull = g_DataCnt >= maxDatas;
    return a;
}

}  // namespace tavin
