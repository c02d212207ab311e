#include "core/trend/Plot.h"

#include "core/platform/NumText.h"

namespace tavin {

float ScaleLineY(const GraphScale& rec, int i, bool raiseBottom)
{
    const float y = rec.Top - rec.LineValue[std::size_t(i)];
    return i == 0 && raiseBottom ? y - rec.Top / 300.0f : y;
}

bool ScaleLineDotted(const GraphScale& rec, int i)
{
    return (rec.LineStyle[std::size_t(i)] & 3) == LineDotted;
}

QString ScaleLabelFormat(const GraphScale& rec, double timeStep)
{
    return rec.Format.isEmpty() && timeStep < 1 ? QStringLiteral("0.0") : rec.Format;
}

QString ScaleLabelText(float value, const QString& format)
{
    const QString t = FormatNumber(double(value), format.toStdString());
    return t.size() >= 6 ? t.right(6) : t.rightJustified(6, u' ');
}

float ScaleLabelTop(const GraphScale& rec, int i, int boxTop, int boxHeight)
{
    return float(boxTop) +
           (rec.Top - rec.LineValue[std::size_t(i)]) * float(boxHeight) / (rec.Top + rec.MinusSpan) - 100;
}

float LimitLineY(const GraphScale& rec, float scaleHeight, float value)
{
    const float span = rec.MinusSpan + rec.Top;
    return span - (scaleHeight / span) * value - rec.MinusSpan;
}

TimeGrid TimeGridFor(float pageSec)
{
    TimeGrid g;
    g.axis = SetYokoTani_And_Yoko_Bun(pageSec);
    g.step = RoundHalfEven(double(pageSec) / g.axis.div);
    if (g.step == 0)
        g.step = double(pageSec) / g.axis.div;
    return g;
}

QString TimeGrid::label(int i, std::int32_t pageStart, float sampPerSec) const
{
    const double t = (i * step + double(pageStart) / double(sampPerSec)) / double(axis.divisor);
    return step < 1 ? FormatNumber(Round(t, 2), "0.0") : GeneralDouble(Round(t, 1));
}

std::int32_t PageStartForCursor(std::int32_t cursorPos, float span, std::int32_t dataCnt)
{
    if (cursorPos <= 0)
        return 0;
    const auto start = std::int32_t(RoundHalfEven(std::floor(double(cursorPos) / span) * span));
    return start > dataCnt ? 0 : start;
}

std::int32_t PageStartOfScroll(int page, float span) { return std::int32_t(RoundHalfEven(span)) * page; }

bool CursorOnPage(std::int32_t cursorPos, std::int32_t pageStart, float span)
{
    return cursorPos >= pageStart && double(cursorPos) <= double(pageStart) + span;
}

bool PageTooShortOrTooMany(std::int32_t dataCnt, float span)
{
    return double(dataCnt) / double(span) > 32767 || span < 11;
}

}  // namespace tavin
