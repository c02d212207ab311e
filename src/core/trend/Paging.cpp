#include "core/trend/Paging.h"

#include "core/platform/NumText.h"

#include <cmath>

namespace tavin {

const QStringList& PageSecEntries()
{
    static const QStringList entries = {
        QStringLiteral("1秒"),
        QStringLiteral("2秒"),
        QStringLiteral("5秒"),
        QStringLiteral("10秒"),
        QStringLiteral("20秒"),
        QStringLiteral("30秒"),
        QStringLiteral("60秒(1分)"),
        QStringLiteral("120秒(2分)"),
        QStringLiteral("300秒(5分)"),
        QStringLiteral("600秒(10分)"),
        QStringLiteral("1800秒(30分)"),
        QStringLiteral("3600秒(1時間)"),
        QStringLiteral("7200秒(2時間)"),
        QStringLiteral("21600秒(6時間)"),
        QStringLiteral("43200秒(12時間)"),
        QStringLiteral("86400秒(1日)"),
        QStringLiteral("172800秒(2日)"),
        QStringLiteral("432000秒(5日)"),
        QStringLiteral("864000秒(10日)"),
    };
    return entries;
}

PageInfo SetPageInfo(std::int32_t p_start, std::int32_t p_end, float N)
{
    PageInfo info;
    const std::int32_t s = std::min(p_start, p_end);
    if (N <= 0)
        return info;
    info.endPage = std::int32_t(std::floor(double(p_end) / double(N)));
    info.nowPage = std::int32_t(RoundHalfEven(double(s) / double(N)));
    info.start = std::int32_t(RoundHalfEven(double(s) / double(N) * double(N)));
    return info;
}

QString PageTag(const PageInfo& page)
{
    return page.start < 0 ? QString()
                          : QString::number(page.nowPage + 1) + u'/' + QString::number(page.endPage + 1);
}

TimeAxis SetYokoTani_And_Yoko_Bun(float s)
{
    const QString sec = QStringLiteral("秒"), min = QStringLiteral("分"), hour = QStringLiteral("時"),
                  day = QStringLiteral("日");
    if (s <= 10)
        return {sec, 5, 1};
    if (s <= 20)
        return {sec, 4, 1};
    if (s == 120)
        return {sec, 4, 1};
    if (s < 120)
        return {sec, 6, 1};
    if (s <= 600)
        return {min, 5, 60};
    if (s < 21600)
        return {min, 6, 60};
    if (s == 21600)
        return {hour, 6, 3600};
    if (s <= 86400)
        return {hour, 4, 3600};
    if (s <= 172800)
        return {day, 4, 86400};
    return {day, 5, 86400};
}

}  // namespace tavin
