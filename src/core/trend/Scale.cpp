#include "core/trend/Scale.h"

#include "core/platform/NumText.h"

#include <cmath>

namespace tavin {

const QStringList& PlusRangeTexts()
{
    static const QStringList t = {"1",   "2",   "5",   "10",   "20",   "35",  "70",
                                  "100", "200", "500", "1000", "2500", "5000"};
    return t;
}

const QStringList& PlusRangeCaptions()
{
    static const QStringList t = {"1.0", "2.0", "5.0", "10.0", "20.0", "35.0", "70.0",
                                  "100", "200", "500", "1000", "2500", "5000"};
    return t;
}

const QStringList& MinusRangeTexts()
{
    static const QStringList t = {
        QStringLiteral("なし"), QStringLiteral("練成"), "-0.1", "-10.0", "-20.0", "-50.0", "-100.0"};
    return t;
}

const QStringList& MinusRangeCaptions()
{
    static const QStringList t = {QStringLiteral("0(マイナスなし)"),
                                  QStringLiteral("連成"),
                                  "-0.1",
                                  "-10.0",
                                  "-20.0",
                                  "-50.0",
                                  "-100.0"};
    return t;
}

float FullScale(int plusIndex)
{
    static constexpr float fs[PlusRangeCount] = {1, 2, 5, 10, 20, 35, 70, 100, 200, 500, 1000, 2500, 5000};
    return plusIndex >= 0 && plusIndex < PlusRangeCount ? fs[plusIndex] : 0.0f;
}

bool MinusItemEnabled(int plusIndex, int minusIndex)
{
    if (minusIndex < 2)
        return true;
    if (plusIndex <= 2)
        return minusIndex == 2;
    if (plusIndex >= 7 && plusIndex <= 9)
        return minusIndex >= 3;
    return false;
}

namespace {
float round3(float x) { return float(Round(double(x), 3)); }

// The label format of a scale whose lines are `step` apart: as many decimals as the step needs.
QString stepFormat(float step)
{
    if (CLng(double(step) * 100) % 10 != 0)
        return QStringLiteral("0.00");
    if (CLng(double(step) * 10) % 10 != 0)
        return QStringLiteral("0.0");
    return QStringLiteral("0");
}

// The compound range's lines below zero, mirroring the plus side; the count of lines set.
int compoundLines(GraphScale& rec, float step, int N, const ScaleOptions& o, float& bottom)
{
    bottom = -float(N) * step;
    rec.MinusSpan = std::fabs(bottom);
    for (int i = 0; i <= 4; ++i) {
        rec.LineValue[i] = round3(float(i) * step + bottom);
        // Even lines are dotted, the bottom one only with the 125 % option.
        rec.LineStyle[i] = (i % 2 == 0 && (i > 0 || o.hasen125)) ? LineDotted : LineSolid;
    }
    return 5;
}

// A numeric minus range's lines below zero, down to M (or 25 % beyond it); the count of lines set.
int minusLines(GraphScale& rec, float FS, float M, float step, const ScaleOptions& o, float& bottom)
{
    int k = 0;
    bottom = M + (o.minus120 ? round3(M * 0.25f) : 0.0f);
    rec.MinusSpan = std::fabs(bottom);
    if (M >= -0.1f || M == -50.0f || M == -10.0f)
        rec.Format = QStringLiteral("0.00");
    if (o.minus120 && o.scale120) {
        rec.LineValue[0] = round3(bottom);
        if (FS * 0.5f > std::fabs(M))
            rec.LineStyle[0] = LineNoLabel;
        else
            rec.LineStyle[0] = (round3(std::fabs(M)) == round3(FS) && o.hasen125) ? LineDotted : LineSolid;
        k = 1;
    }
    if (FS * 0.02f < std::fabs(M)) {
        rec.LineValue[k] = round3(M);
        rec.LineStyle[k] = FS * 0.05f > std::fabs(M) ? LineNoLabel : LineSolid;
        ++k;
    }
    for (int r = 0; r <= 10 && k < 26; ++r) {
        const float v = -round3(float(r + 1) * step);
        if (v <= bottom)
            break;
        rec.LineStyle[k] = r % 2 == 0 ? LineDotted : LineSolid;
        rec.LineValue[k] = v;
        ++k;
    }
    return k;
}

// The printed scale: zero and the top, and the bottom when there is a minus side.
void printScale(GraphScale& print, const GraphScale& rec, int m, float bottom)
{
    print = GraphScale();
    print.Unit = rec.Unit;
    print.Top = rec.Top;
    print.MinusSpan = rec.MinusSpan;
    if (m == 0) {
        print.LineCount = 2;
        print.LineValue[0] = 0;
        print.LineValue[1] = rec.Top;
    } else {
        print.LineCount = 3;
        print.LineValue[0] = bottom;
        print.LineValue[1] = 0;
        print.LineValue[2] = rec.Top;
    }
}

}  // namespace

void BuildScale(GraphScale& rec, GraphScale& print, float FS, int m, float M, const ScaleOptions& o,
                const QString& unit)
{
    rec = GraphScale();
    rec.Unit = unit;
    const float step = FS / 4.0f;
    int N = 5, div = 4;
    rec.Top = float(N) * step;
    rec.Format = stepFormat(step);

    int k = 0;
    float bottom = 0;
    if (m == 1)
        k = compoundLines(rec, step, N, o, bottom);
    else if (m >= 2)
        k = minusLines(rec, FS, M, step, o, bottom);

    if (std::fabs(M) > FS && std::floor(std::fabs(M) / FS) >= 2) {
        N = 2;
        div = 1;
    }
    for (int l = 0; l <= N && k + l < 26; ++l) {
        float v = float(l) * FS / float(div);
        if (v > rec.Top)
            v = rec.Top;
        rec.LineValue[k + l] = v;
        rec.LineStyle[k + l] = LineSolid;
        if (l % 2 == 1)
            rec.LineStyle[k + l] = (l == N && !o.hasen125) ? LineSolid : LineDotted;
    }
    rec.LineCount = std::int16_t(k + N + 1);
    printScale(print, rec, m, bottom);
}

RangeChoice PlusRangeForText(const QStringList& items, const QString& text)
{
    for (int i = 0; i < items.size(); ++i)
        if (items[i].contains(text))
            return {i, true};
    const double n = Val(text);
    for (int i = 0; i < items.size(); ++i)
        if (Val(items[i]) > n)
            return {i, true};
    return {int(items.size()) - 1, false};
}

int MinusRangeForText(const QStringList& items, const QString& minusText, const QString& plusText)
{
    const double m = Val(minusText);
    if (m == 0)
        return 0;
    if (std::fabs(m) == Val(plusText))
        return 1;
    for (int i = 0; i < items.size(); ++i)
        if (items[i].contains(minusText))
            return i;
    return 1;
}

}  // namespace tavin
