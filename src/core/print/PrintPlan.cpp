#include "core/print/PrintPlan.h"

#include "core/files/RecordingFiles.h"
#include "core/trend/SampleStore.h"

#include <cmath>

namespace tavin {

namespace {

// The time of a sample as the printed captions show it.
QString TimeOf(const SampleStore& store, std::int32_t index)
{
    return FormatDate(store.g_DataTime[std::size_t(index)], u"hh:nn:ss");
}

}  // namespace

QString PrintRefusal(float span, int rangeIndex)
{
    // A page of no whole sample would never advance through the data.
    if (!std::isfinite(span) || !(span > 0.5f))
        return QStringLiteral(
            "1 ページのデータ数が 0 のため印刷できません。サンプリング周期とページ長を確かめてください。");
    if (rangeIndex < 0 || rangeIndex >= PlusRangeCount)
        return QStringLiteral("センサレンジが選ばれていないため印刷できません。");
    return QString();
}

QString PrintHeaderName(bool readOut, const QString& loadedName, const QString& baseName)
{
    const QString name = readOut ? loadedName : baseName;
    return name.isEmpty() ? DefaultBaseName : name;
}

QList<GraphBoxSpec> PageBoxes(const PrintLayout& layout, std::int32_t start, std::int32_t perPage,
                              const SampleStore& store, const QString& pageTag)
{
    const std::int32_t count = store.g_DataCnt;
    // Without data there is no page and no time to name (the times of a segment before may remain).
    const QString caption =
        start < count ? pageTag + QStringLiteral("   ") + TimeOf(store, start) + u'～' : QString();
    QList<GraphBoxSpec> boxes{{layout.X, layout.Y, layout.W, layout.H, caption, start, false, false}};
    if (double(start) + perPage >= count)
        return boxes;
    GraphBoxSpec next = boxes[0];
    next.start = start + perPage;
    next.Y = layout.nextY;
    next.caption = NextPageCaption(pageTag, TimeOf(store, next.start));
    boxes << next;
    return boxes;
}

PlannedStrip StripAt(int k, const PrintLayout& layout, float bottom, std::int32_t start, std::int32_t perPage,
                     const SampleStore& store)
{
    const std::int32_t count = store.g_DataCnt;
    const auto pos = std::int32_t(std::int64_t(start) + std::int64_t(k) * perPage);
    const StripPlace place = StripPlaceOf(k, layout, bottom);
    PlannedStrip s;
    s.box = {layout.X, place.top, layout.W,          layout.H, pos < count ? TimeOf(store, pos) : QString(),
             pos,      true,      place.firstOnSheet};
    // The strips go on over as many sheets as they need, each with the header and file block.
    s.newSheet = place.sheet > 0 && place.firstOnSheet;
    s.last = double(pos) + perPage >= count;
    return s;
}

}  // namespace tavin
