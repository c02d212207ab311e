// The printed sheet in numbers: the three layouts of an A4 sheet, where the header, the file block
// and the texts around each graph box go (millimetres from the sheet's top left), the names a job
// prints and writes, and how the strips of an all-data print run over as many sheets as they need.
#pragma once

#include "core/platform/DateTime.h"
#include "core/trend/Scale.h"

#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace tavin {

// ---- Layouts ---------------------------------------------------------------------------------

enum class PrintMode { Portrait, Landscape, AllData };
PrintMode PrintModeFor(bool portrait, bool allData);

struct PrintLayout {
    PrintMode mode;
    float X, Y, W, H;  // graph box 1 (X before the margin)
    float nextY;       // Portrait and Landscape: top of box 2 (the next page); AllData: strip pitch
    float right;       // right end of the header and the rules (before the margin)
    bool portrait() const { return mode == PrintMode::Portrait; }
};
PrintLayout PrintLayoutFor(PrintMode mode);

// Nothing of a strip is placed within this distance of the sheet's lower edge.
constexpr float SheetBottomMargin = 5.0f;

// Where strip k (0-based) of an all-data print goes: strips run down the sheet one pitch apart;
// the one that would pass `bottom` (mm from the top) starts the next sheet at the first top.
struct StripPlace {
    int sheet = 0;
    float top = 0;
    bool firstOnSheet = true;
};
int StripsPerSheet(const PrintLayout& layout, float bottom);
StripPlace StripPlaceOf(int k, const PrintLayout& layout, float bottom);

// ---- The print job's state -------------------------------------------------------------------

struct PrintState {
    float PrintMargin = 5;       // added to every x; set at the start of each job
    bool PrintPortrait = false;  // A4 portrait, else landscape
    bool PrintAll = false;       // all data as landscape strips ("全データ印刷")
    std::int16_t PrintRow = 0;   // current row of the file block
    OleDate PrintDate = 0;       // start of the job, to the second
    QString PrintFilePath;       // where the file printer writes
    GraphScale PrintScale;       // scale of the graph being printed
    float GraphLeft = 0;         // the box being printed, without the margin
    float GraphTop = 0;
    QString CurrentPrinter;                    // the printer jobs go to; empty: the system's default
    QHash<QString, QStringList> QueueOptions;  // per queue: job options chosen in its settings
};

// Header and file block rows: row r has its text top at 4r + 15 and its rule at 4r + 14; column c
// starts 8.5c after the left edge of the texts.
constexpr float PrnTextY(int row) { return 4.0f * float(row) + 15.0f; }
constexpr float PrnRuleY(int row) { return 4.0f * float(row) + 14.0f; }
constexpr float PrnTextX(float margin, int col) { return margin + 10.0f + 8.5f * float(col); }

// ---- Names -----------------------------------------------------------------------------------

// The file number of a loaded file's name: its fourth "-"-separated field when that is longer
// than four characters and its value lies within 0..32767; otherwise 0 (no number).
std::int16_t GetFileNoFromName(const QString& name);
// Page number (1-based) of the page starting at `startPos`.
std::int32_t PrintPageNo(std::int32_t startPos, float span);
// The file printer's output name: `name` cut at its last ".csv", then "-", the page number in four
// digits and ".pdf".
QString PrintFileName(const QString& name, std::int32_t pageNo);
// Caption of the second box: the page tag "n/m" of the first with n + 1, then the time.
QString NextPageCaption(const QString& pageTag, const QString& time);

// ---- Texts around a graph box ------------------------------------------------------------------

struct SheetText {
    QString text;
    float x, y;  // top left
    bool bold = false;
};

struct GraphBoxSpec {
    float X, Y, W, H;  // the box, X before the margin
    QString caption;
    std::int32_t start;  // store index of the box's first sample
    bool leftCaption;    // a strip of the all-data layout: caption left, units on the labels
    bool firstStrip;     // the strip that carries the time labels
};

// Text width (mm) in the sheet's font, bold or not.
using TextWidthMm = std::function<float(const QString& text, bool bold)>;

// The caption, the unit, the value labels and the time labels of one box, in printing order.
QList<SheetText> GraphBoxTexts(const GraphBoxSpec& box, const GraphScale& scale, float pageSec,
                               float sampPerSec, float margin, float lineHeight, const TextWidthMm& width);

}  // namespace tavin
