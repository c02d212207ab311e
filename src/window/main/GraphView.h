// The trend graph of the main window: the grid, scale and time labels and the page's curves, the
// samples a measurement adds, the page labels and scroll bar, the limit lines, the cursor with its
// readout panel, a reference curve under the data, and the graph as a picture (PNG, SVG, clipboard)
// or as a box of a printed sheet.
// It owns its controls (built with the window's others) and reads the page and cursor from the
// core's PageModel, the samples from the store; it runs on the GUI thread only.
#pragma once

#include "core/trend/Evaluation.h"
#include "core/trend/ReferenceCurve.h"

#include <QElapsedTimer>
#include <QImage>
#include <QObject>
#include <QSize>
#include <QString>
#include <QStringList>
#include <QTimer>
#include <cstdint>
#include <utility>

class QCheckBox;
class QComboBox;
class QIODevice;
class QPainter;
class QScrollBar;

namespace tavin {

struct AppState;
class Acquisition;
class Label;
class PictureBox;
struct LineShape;
struct PolylineMap;

namespace Ui {
// The graph's controls, as the window's form holds them.
struct GraphControls {
    PictureBox* pctGraphWork = nullptr;  // the labels around the plot area
    PictureBox* pctGraph1 = nullptr;     // the plot area
    PictureBox* pctLabelWork = nullptr;  // the cursor's readout panel
    LineShape* LineUpper = nullptr;
    LineShape* LineLower = nullptr;
    LineShape* lineCursor = nullptr;
    QScrollBar* HScroll1 = nullptr;
    Label* lblPage = nullptr;
    Label* lblTime = nullptr;
    Label* lblPageStats = nullptr;  // minimum, maximum and mean of what the page shows
    QCheckBox* chkCursorOn = nullptr;
    QTimer* Timer4 = nullptr;  // the cursor line's blink and clean-up
    // The choices the graph reads: the scale shown (plus range) and whether the average is drawn.
    QComboBox* cmbGraphRange = nullptr;
    QCheckBox* chkAve = nullptr;
};
}  // namespace Ui

class GraphView : public QObject {
    Q_OBJECT

public:
    GraphView(AppState& state, const Acquisition& engine, Ui::GraphControls& controls);

    // The graph afresh: grid, labels and the page's curves. Cheap enough (under a millisecond for a
    // full page) to run whenever the page, scale or data changes; nothing waits or yields in it.
    // Does nothing while held.
    void paint();
    // The graph area and the plot larger than at the window's base size by `extra` (twips), drawn
    // again at their new size.
    void grow(QSize extra);
    // Printing or a held screen: no repaint until released.
    void hold(bool held) { held_ = held; }
    // The samples stored since the last look: their segments on the page, or the next page once
    // they pass its end. `mayLengthen`: automatic zoom may ask for a longer page (longerPage).
    void drawNewSamples(bool mayLengthen);
    // Samples up to the store's count are drawn (a loaded recording is drawn by repaints only).
    void followStore();

    // The grid and labels for plus range `r`, without curves.
    void GraphRedraw(std::int16_t r);
    // The grid alone on another surface (for printing); p_mode 0 clears it first, p_PrtOut takes
    // the coarse print scale.
    void SetGraphOnly(PictureBox* pctGraph, std::int16_t p_index, std::int16_t p_mode, bool p_PrtOut);
    void DrawGraph(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer);
    void DrawGraph2(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer);
    // The limit line at `value` in the scale shown.
    void SetLimitLinePos(LineShape* line, float value);
    void placeLimitLines();

    // The page labels and the scroll bar for the samples p_start..p_end; `withCursor` shows or
    // hides the cursor with the page.
    void DispPageInfo(std::int32_t p_start, std::int32_t p_end, bool withCursor);
    void MoveCursorLine();
    void ShowCursorLabel(std::int32_t index);
    void hideCursor();  // the line and its panel together
    // In read-out mode the figures of the whole recording follow those of the page.
    void showWholeSummary(bool shown);
    void setCursorShown(bool shown);
    // A cursor is placed and reads out (none while measuring).
    bool cursorShown() const;

    // A second recording drawn thinly in grey under the data, aligned at the data's first sample or
    // at the cursor; an empty one draws nothing. Shown from the next full repaint on.
    void setReference(ReferenceCurve reference) { reference_ = std::move(reference); }
    const ReferenceCurve& reference() const { return reference_; }

    // What the graph shows (plot, labels, unit, average, limit lines, cursor) at `scale` times the
    // screen's size (at 1, in the screen's own pixels): the picture saved as PNG and put on the
    // clipboard. `header`: lines above the graph saying what it shows (none for the bare graph).
    QImage graphImage(int scale, const QStringList& header = {});
    // The same as SVG: the grid as lines, the labels as text, the curves as paths.
    bool writeGraphSvg(QIODevice& out, const QString& title, const QStringList& header = {});

Q_SIGNALS:
    // New samples passed the page's end and automatic zoom is on: the page should be longer.
    void longerPage();
    // The cursors or the page moved: what marks an interval follows.
    void cursorsMoved();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void HScroll1_Change();
    void pctGraph1_MouseMove(float x);
    void pctGraph1_MouseDown(Qt::MouseButton button, float x);
    void Timer4_Timer();
    void drawPolyline(PictureBox* g, const float* values, std::int32_t p_start, std::int32_t p_end,
                      bool p_printer, const QColor& colour);
    void drawPageCurves(QPainter& p);
    // The reference's samples on the page and where reference sample 0 lies: the graph's first
    // sample, or the cursor while one reads out.
    std::int32_t referenceOrigin() const;
    ReferenceSpan referenceOnPage() const;
    PolylineMap referenceMap(const ReferenceSpan& s, double pixelsPerSample, double pixelsPerValue) const;
    void drawReference();
    float scaleTop() const;  // the top value of the scale last drawn
    void renderGraph(QPainter& p);
    QImage graphBackground();
    QImage screenSized() const;
    bool measuring() const;
    // The page's figures; between repaints worked out again only when the page or its samples
    // changed.
    void showSummary(bool again = false);
    bool averageShown() const;

    AppState& st_;
    const Acquisition& engine_;
    Ui::GraphControls& ui;
    bool held_ = false;
    std::int16_t CurRange = 0;     // plus-range index of the last full redraw
    std::int16_t ScrollDepth = 0;  // the scroll bar's handler within itself, or the bar just focused
    std::int32_t drawnCount_ = 0;  // samples drawn on the screen
    bool wholeSummary_ = false;
    ReferenceCurve reference_;
    std::int32_t referenceOrigin_ = 0;  // the graph sample the reference was last drawn from
    void showSummaryText();
    static constexpr qint64 SummaryEveryMs = 500;
    QElapsedTimer summaryShown_;
    QTimer summaryLater_;  // the figures held back by the half second, told when it is up
    // What lblPageStats shows the figures of; samples a measurement adds to the page are added.
    struct {
        std::int32_t first = -1, last = -1, generation = -1;
        RawSummary page;
    } summarized_;
};

}  // namespace tavin
