#include "core/trend/Cursor.h"

#include "core/platform/DateTime.h"
#include "core/platform/NumText.h"
#include "core/trend/SampleStore.h"

#include <algorithm>
#include <cmath>

namespace tavin {

std::int32_t CursorIndexAt(double x, std::int32_t startPos, std::int32_t dataCnt)
{
    if (!std::isfinite(x))
        return -1;
    const double i = std::max(0.0, std::trunc(x) + double(startPos));
    return i < double(dataCnt) ? std::int32_t(i) : -1;
}

QString CursorTipText(const SampleStore& store, std::int32_t index, std::int16_t cursorInfo, float keisu,
                      bool withAverage)
{
    const auto i = std::size_t(index);
    QString text;
    if (cursorInfo & CursorShowsIndex)
        text += u'[' + QString::number(index) + u']';
    if (cursorInfo & CursorShowsTime)
        text += FormatDate(store.g_DataTime[i], u"hh:nn:ss") + u' ';
    text += QStringLiteral("値:") + GeneralSingle(keisu * store.g_Datas[i]);
    if (withAverage && store.ave.AveNum != 1)
        text += QStringLiteral("  平均:") + FormatNumber(double(keisu * store.g_AveDatas[i]), "0.0000");
    return text;
}

CursorPanel CursorPanelAt(double lineX, double panelWidth, double markerWidth, double graphWidth)
{
    const double half = markerWidth / 2;
    if (lineX + panelWidth <= graphWidth)
        return {std::max(0.0, lineX - half), true};
    return {lineX - panelWidth + half, false};
}

}  // namespace tavin
