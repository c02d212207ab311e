// Pages of the trend graph: a page spans N = samples per second × page length samples.
#pragma once

#include <QString>
#include <QStringList>
#include <cstdint>

namespace tavin {

const QStringList& PageSecEntries();  // "1秒" .. "864000秒(10日)"

struct PageInfo {
    std::int32_t start = -1;   // negative: no data
    std::int32_t nowPage = 0;  // 0-based
    std::int32_t endPage = 0;
};
// The page of the smaller index and the last page of p_end; N may be fractional.
PageInfo SetPageInfo(std::int32_t p_start, std::int32_t p_end, float N);
// "page/pages" (1-based) as the page label and the printed captions show it; empty without data.
QString PageTag(const PageInfo& page);

struct TimeAxis {
    QString unit;          // "秒", "分", "時", "日"
    std::int16_t div = 0;  // number of divisions
    float divisor = 1;     // seconds per axis unit
};
TimeAxis SetYokoTani_And_Yoko_Bun(float pageSec);

}  // namespace tavin
