// The vertical scale of the trend graph: plus ranges (the sensor's full scale), minus ranges and
// the scale options make one record per plus range for the screen and a coarse one for printing.
#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <cstdint>

namespace tavin {

constexpr int PlusRangeCount = 13;
constexpr int MinusRangeCount = 7;

// Style code of a scale line: low two bits 0 solid, 1 dotted; NoLabel draws a solid line without
// its number.
enum ScaleLineStyle : std::int16_t { LineSolid = 0, LineDotted = 1, LineNoLabel = 0x100 };

struct GraphScale {
    float Top = 0;
    QString Unit;
    float MinusSpan = 0;
    std::int16_t LineCount = 0;
    std::array<float, 26> LineValue{};
    std::array<std::int16_t, 26> LineStyle{};
    QString Format;
};

struct ScaleOptions {
    bool hasen125 = false;  // chk125perHasen: the 125 % lines dotted
    bool minus120 = false;  // chkMinus120per: the numeric minus side extended by 25 %
    bool scale120 = false;  // chk120perScale: a line at the extended bottom
};

const QStringList& PlusRangeTexts();      // combo texts "1" .. "5000"
const QStringList& PlusRangeCaptions();   // menu captions "1.0" .. "5000"
const QStringList& MinusRangeTexts();     // combo texts "なし", "練成", "-0.1" ..
const QStringList& MinusRangeCaptions();  // menu captions "0(マイナスなし)", "連成", "-0.1" ..
float FullScale(int plusIndex);
// Whether the plus range enables numeric minus-range menu item `minusIndex` (2..6).
bool MinusItemEnabled(int plusIndex, int minusIndex);

// The plus range a recording's header names, among the combo's `items`: the first item holding
// the text, else the first whose number is larger. Neither: the last item, and `matched` false.
struct RangeChoice {
    int index = -1;
    bool matched = false;
};
RangeChoice PlusRangeForText(const QStringList& items, const QString& text);
// The minus range a header names: none (0) for a zero, compound (1) for the plus range's own
// magnitude, else the first item holding the text, else compound.
int MinusRangeForText(const QStringList& items, const QString& minusText, const QString& plusText);

// Builds the screen and print records of one plus range.
void BuildScale(GraphScale& screen, GraphScale& print, float fullScale, int minusIndex, float minusValue,
                const ScaleOptions& options, const QString& unit);

struct ScaleTables {
    std::array<GraphScale, PlusRangeCount> ScaleTable;
    std::array<GraphScale, PlusRangeCount> PrintScaleTable;
};

}  // namespace tavin
