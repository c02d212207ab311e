#include "core/print/PrintLayout.h"

#include "core/platform/NumText.h"
#include "core/trend/Paging.h"
#include "core/trend/Plot.h"

#include <QStringList>
#include <algorithm>
#include <cmath>

namespace tavin {

PrintMode PrintModeFor(bool portrait, bool allData)
{
    if (portrait)
        return PrintMode::Portrait;
    return allData ? PrintMode::AllData : PrintMode::Landscape;
}

PrintLayout PrintLayoutFor(PrintMode mode)
{
    switch (mode) {
    case PrintMode::Portrait: return {mode, 20, 45, 160, 90, 170, 195};
    case PrintMode::Landscape: return {mode, 20, 30, 260, 70, 115, 280};
    case PrintMode::AllData: break;
    }
    return {PrintMode::AllData, 40, 30, 240, 14, 16.5f, 280};
}

int StripsPerSheet(const PrintLayout& l, float bottom)
{
    const float room = bottom - l.Y - l.H;
    return room < 0 ? 1 : int(std::floor(room / l.nextY + 1e-4f)) + 1;
}

StripPlace StripPlaceOf(int k, const PrintLayout& l, float bottom)
{
    const int per = StripsPerSheet(l, bottom);
    const int row = k % per;
    return {k / per, l.Y + l.nextY * float(row), row == 0};
}

std::int16_t GetFileNoFromName(const QString& name)
{
    const QStringList fields = name.split(u'-');
    if (fields.size() < 4 || fields[3].size() <= 4)
        return 0;
    const double v = std::floor(Val(fields[3]));
    // A field that is no page number (a time stamp in a name with a "-" of its own) gives none.
    return v >= 0 && v <= 32767 ? std::int16_t(v) : std::int16_t(0);
}

std::int32_t PrintPageNo(std::int32_t startPos, float span)
{
    // As the page label counts: a span such as 30.000002 (60 s sampling, 1800 s pages) must not
    // put page 2 at 0.99999 and give it page 1's file name.
    return SetPageInfo(startPos, startPos, span).nowPage + 1;
}

QString PrintFileName(const QString& name, std::int32_t pageNo)
{
    QString base = name;
    const qsizetype cut = base.lastIndexOf(QStringLiteral(".csv"));
    if (cut >= 0)
        base.truncate(cut);
    return base + u'-' + FormatNumber(pageNo, "0000") + QStringLiteral(".pdf");
}

QString NextPageCaption(const QString& pageTag, const QString& time)
{
    const QStringList parts = pageTag.split(u'/');
    const QString count = parts.size() > 1 ? parts[1] : QString();
    return GeneralDouble(Val(parts.value(0)) + 1) + u'/' + count + QStringLiteral("   ") + time + u'～';
}

QList<SheetText> GraphBoxTexts(const GraphBoxSpec& b, const GraphScale& s, float pageSec, float sampPerSec,
                               float margin, float th, const TextWidthMm& tw)
{
    QList<SheetText> out;
    const float left = margin + b.X;
    if (b.leftCaption)
        out.append({b.caption, left - 25, b.Y + b.H / 2 - th / 2, true});
    else
        out.append({b.caption, left + b.W / 2 - tw(b.caption, true) / 2, b.Y + b.H + 2 * th, true});

    const QString unit = u'(' + s.Unit + u')';
    if (!b.leftCaption)
        out.append({unit, left - tw(s.Unit, false), b.Y - 1.5f * th});

    const float span = s.Top + s.MinusSpan;
    for (int i = 0; i < s.LineCount; ++i) {
        if (s.LineStyle[std::size_t(i)] & LineNoLabel)
            continue;
        const float v = s.LineValue[std::size_t(i)];
        QString text = GeneralSingle(v);
        if (!b.leftCaption)
            text += u' ';
        else if (v != 0)
            text += unit;
        float y = b.Y + b.H * (s.Top - v) / span - th / 2;
        // Strips lie 2.5 mm apart: a label centred on a strip's edge would run into the label of
        // the next strip's facing edge, so strips keep their labels within their own height.
        if (b.leftCaption)
            y = std::clamp(y, b.Y, b.Y + b.H - th);
        out.append({text, left - tw(text, false), y});
    }

    if (b.leftCaption && !b.firstStrip)
        return out;
    const TimeGrid grid = TimeGridFor(pageSec);
    const bool firstStrip = b.leftCaption && b.firstStrip;
    const float y = firstStrip ? b.Y - 1.5f * th : b.Y + b.H + th / 2;
    const int n = grid.axis.div;
    for (int j = 0; j <= n; ++j) {
        const QString text = grid.label(j, b.start, sampPerSec);
        const float x = left + b.W * float(j) / float(n) - tw(text, false) / 2;
        if (!(firstStrip && j == 0))
            out.append({text, x, y});
        if (j == n)
            out.append({u'(' + grid.axis.unit + u')', x, y + th});
    }
    return out;
}

}  // namespace tavin
