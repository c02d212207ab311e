#include "window/main/GraphView.h"

#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/trend/Cursor.h"
#include "core/trend/GraphRoom.h"
#include "core/trend/Plot.h"
#include "engine/Acquisition.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QBuffer>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QScrollBar>
#include <QSvgGenerator>
#include <QTimer>

#include <cmath>

namespace tavin {

namespace {

// The reference curve's colour: under the data, seen but not mistaken for it.
const QColor ReferenceColour(160, 160, 160);

int drawStyleOf(const GraphScale& rec, int i)
{
    return ScaleLineDotted(rec, i) ? PictureBox::vbDot : PictureBox::vbSolid;
}

// The dotted lines halfway between the time divisions.
void drawMinorGrid(PictureBox* g, const TimeGrid& grid, float span, float height)
{
    g->DrawStyle = PictureBox::vbDot;
    for (int i = 0; i < grid.axis.div; ++i) {
        const float x = grid.minorX(i, span);
        g->Line(x, 0, x, height, Qt::black);
    }
    g->DrawStyle = PictureBox::vbSolid;
}

}  // namespace

GraphView::GraphView(AppState& state, const Acquisition& engine, Ui::GraphControls& controls)
    : st_(state), engine_(engine), ui(controls)
{
    connect(ui.HScroll1, &QScrollBar::valueChanged, this, &GraphView::HScroll1_Change);
    ui.HScroll1->installEventFilter(this);
    connect(ui.Timer4, &QTimer::timeout, this, &GraphView::Timer4_Timer);
    ui.Timer4->start();
    ui.pctGraph1->setMouseTracking(true);  // the tool tip follows the mouse without a button held
    connect(ui.pctGraph1, &PictureBox::MouseMove, this, [this](float x, float) { pctGraph1_MouseMove(x); });
    connect(ui.pctGraph1, &PictureBox::MouseDown, this,
            [this](Qt::MouseButton b, float x, float) { pctGraph1_MouseDown(b, x); });
    connect(ui.pctGraph1, &PictureBox::DblClick, this, [this] { ui.Timer4->start(); });
    summaryLater_.setSingleShot(true);
    connect(&summaryLater_, &QTimer::timeout, this, &GraphView::showSummaryText);
    // A reference aligned at the cursor goes with it.
    connect(this, &GraphView::cursorsMoved, this, [this] {
        if (!reference_.empty() && referenceOrigin() != referenceOrigin_)
            paint();
    });
}

bool GraphView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.HScroll1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        ScrollDepth = event->type() == QEvent::FocusIn ? 1 : 0;
    return QObject::eventFilter(watched, event);
}

bool GraphView::measuring() const { return engine_.measuring(); }

bool GraphView::cursorShown() const { return st_.page.hasCursor() && !measuring(); }

bool GraphView::averageShown() const { return ui.chkAve->isChecked() && st_.store.ave.AveNum > 1; }

void GraphView::paint()
{
    if (held_)
        return;
    Trap(st_.log, QString(), [&] {
        const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
        drawnCount_ = count;
        GraphRedraw(std::int16_t(ui.cmbGraphRange->currentIndex()));
        drawReference();
        DrawGraph(ui.pctGraph1, st_.page.start(), count - 1, false);
        if (ui.chkAve->isChecked())
            DrawGraph2(ui.pctGraph1, st_.page.start(), count - 1, false);
        placeLimitLines();  // the scale may have moved them
        showSummary(true);
    });
    Q_EMIT cursorsMoved();
}

void GraphView::grow(QSize extra)
{
    ui.pctGraphWork->setTwips(Placed(GraphAreaTwips, Anchor::Grows, extra));
    // The plot keeps its user scale: the limit, average and cursor lines keep their places in it.
    ui.pctGraph1->placeTwips(Placed(PlotTwips, Anchor::Grows, extra));
    paint();
    // The cursor's panel is placed in the plot's twips: beside its line again.
    if (st_.page.hasCursor() && !measuring())
        ShowCursorLabel(st_.page.cursor());
}

void GraphView::showWholeSummary(bool shown)
{
    wholeSummary_ = shown;
    showSummary(true);
}

void GraphView::showSummary(bool again)
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const std::int32_t first = st_.page.start();
    const std::int32_t last = std::min(count - 1, st_.page.lastShown(count));
    const std::int32_t generation = st_.store.g_FileNo.load(std::memory_order_relaxed);
    auto& was = summarized_;
    if (!again && was.first == first && was.generation == generation && was.last <= last) {
        if (was.last == last)
            return;
        // What the refresh drew: no second pass over the page.
        was.page.add(st_.store.g_Datas.data(), was.last + 1, last);
        was.last = last;
        // While samples stream in, the figures are told twice a second: readable, and the label's
        // repaint stays off the refresh's cost. The last of them is told in any case.
        if (const qint64 since = summaryShown_.isValid() ? summaryShown_.elapsed() : SummaryEveryMs;
            since < SummaryEveryMs) {
            if (!summaryLater_.isActive())
                summaryLater_.start(int(SummaryEveryMs - since));
            return;
        }
    } else {
        was.page = RawSummary();
        was.page.add(st_.store.g_Datas.data(), first, last);
        was.first = first;
        was.last = last;
        was.generation = generation;
    }
    showSummaryText();
}

void GraphView::showSummaryText()
{
    summaryLater_.stop();
    const float* values = st_.store.g_Datas.data();
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    QString text = SummaryText(summarized_.page.shown(st_.g_Keisu));
    if (!text.isEmpty())
        text = QStringLiteral("表示中: ") + text;
    if (wholeSummary_ && count > 0)
        text += QStringLiteral("  全体: ") + SummaryText(SummaryOver(values, 0, count - 1, st_.g_Keisu));
    // In the unit of the scale's label, as the graph shows the values.
    const QString& unit = st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Unit;
    if (!text.isEmpty() && !unit.isEmpty() && unit != QStringLiteral("---"))
        text += u' ' + unit;
    ui.lblPageStats->setText(text);
    summaryShown_.start();
}

void GraphView::followStore() { drawnCount_ = st_.store.g_DataCnt.load(std::memory_order_acquire); }

void GraphView::placeLimitLines()
{
    SetLimitLinePos(ui.LineUpper, st_.Settings.LimitHi);
    SetLimitLinePos(ui.LineLower, st_.Settings.LimitLow);
}

void GraphView::setCursorShown(bool shown)
{
    ui.lineCursor->Visible = shown;
    ui.pctLabelWork->setVisible(shown);
}

void GraphView::GraphRedraw(std::int16_t r)
{
    Trap(st_.log, QString(), [&] {
        ui.pctGraph1->Cls();
        ui.pctGraphWork->Cls();
        if (ui.cmbGraphRange->currentIndex() < 0 || r < 0 || r >= PlusRangeCount)
            return;
        CurRange = r;
        const GraphScale& rec = st_.ScaleTable[std::size_t(r)];
        const float N = st_.page.span();
        // The margins (a pixel at the right, a third of one at the bottom) are those of the plot at
        // the window's base size, a share of the plot at any other: the user scale, and what is
        // placed in it, is the same however large the window (the printed grid reads it too).
        ui.pctGraph1->ScaleHeight = (rec.Top + rec.MinusSpan) * (1.0f + 5.0f / float(PlotTwips.height()));
        ui.pctGraph1->ScaleWidth = N * (1.0f + 15.0f / float(PlotTwips.width()));
        const TimeGrid grid = TimeGridFor(st_.page.pageSeconds());

        ui.pctGraphWork->CurrentX = 100;
        ui.pctGraphWork->CurrentY = 10;
        ui.pctGraphWork->Print(u'(' + rec.Unit + u')');

        const QString f = ScaleLabelFormat(rec, grid.step);
        for (int i = 0; i < rec.LineCount; ++i) {
            ui.pctGraph1->DrawStyle = drawStyleOf(rec, i);
            const float y = ScaleLineY(rec, i);
            ui.pctGraph1->Line(0, y, ui.pctGraph1->ScaleWidth, y, Qt::black);
            ui.pctGraph1->DrawStyle = PictureBox::vbSolid;
            if (rec.LineStyle[std::size_t(i)] & LineNoLabel)
                continue;
            ui.pctGraphWork->CurrentX = 40;
            ui.pctGraphWork->CurrentY = ScaleLabelTop(rec, i, ui.pctGraph1->Top(), ui.pctGraph1->Height());
            ui.pctGraphWork->Print(ScaleLabelText(rec.LineValue[std::size_t(i)], f));
        }

        const int div = grid.axis.div;
        for (int i = 0; i <= div; ++i) {
            float x = grid.majorX(i, N);
            if (i == div && ui.pctGraph1->ScaleWidth > 1001)
                x -= 1;
            ui.pctGraph1->Line(x, 0, x, ui.pctGraph1->ScaleHeight, Qt::black);
            const QString label = grid.label(i, st_.page.start(), st_.page.samplesPerSecond());
            ui.pctGraphWork->CurrentX = float(ui.pctGraph1->Left()) +
                                        float(ui.pctGraph1->Width()) / float(div) * float(i) -
                                        ui.pctGraphWork->TextWidth(label) / 2;
            ui.pctGraphWork->CurrentY = float(ui.pctGraph1->Top() + ui.pctGraph1->Height() + 60);
            ui.pctGraphWork->Print(label);
            if (i == div) {
                ui.pctGraphWork->CurrentX = float(ui.pctGraph1->Left() + ui.pctGraph1->Width());
                ui.pctGraphWork->Print(u'(' + grid.axis.unit + u')');
            }
        }
        drawMinorGrid(ui.pctGraph1, grid, N, ui.pctGraph1->ScaleHeight);
    });
}

void GraphView::SetGraphOnly(PictureBox* g, std::int16_t p_index, std::int16_t p_mode, bool p_PrtOut)
{
    Trap(st_.log, QString(), [&] {
        if (p_index < 0 || p_index >= PlusRangeCount)
            return;
        if (p_mode == 0)
            g->Cls();
        CurRange = p_index;
        const GraphScale& rec = (p_PrtOut ? st_.PrintScaleTable : st_.ScaleTable)[std::size_t(p_index)];
        const float N = st_.page.span();
        g->ScaleHeight = (rec.Top + rec.MinusSpan) * 1.002f;
        g->ScaleWidth = N * 1.001f;
        const TimeGrid grid = TimeGridFor(st_.page.pageSeconds());
        for (int i = 0; i < rec.LineCount; ++i) {
            g->DrawStyle = drawStyleOf(rec, i);
            const float y = ScaleLineY(rec, i, false);
            g->Line(0, y, g->ScaleWidth, y, Qt::black);
        }
        g->DrawStyle = PictureBox::vbSolid;
        const int div = grid.axis.div;
        for (int i = 0; i <= div; ++i) {
            float x = grid.majorX(i, N);
            if (i == div && ui.pctGraph1->ScaleWidth > 1001)
                x -= 1;
            // The printed grid's last line steps in from the edge, by no more than a pixel column:
            // 50 samples are nothing on a page of 1 ms samples but a sixth of one at 1 s.
            if (i == div && p_PrtOut)
                x -= std::min(50.0f, float(g->toUser(QPointF(1, 0)).x()));
            g->Line(x, 0, x, g->ScaleHeight, Qt::black);
        }
        drawMinorGrid(g, grid, N, ui.pctGraph1->ScaleHeight);
    });
}

void GraphView::DrawGraph(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.store.g_Datas.data(), p_start, p_end, p_printer, QColor(0, 0, 255));
}

void GraphView::DrawGraph2(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.store.g_AveDatas.data(), p_start, p_end, p_printer, QColor(255, 0, 0));
}

// The polyline of samples p_start..p_end. A few segments are drawn one by one; a long run is
// reduced to pixel columns first.
void GraphView::drawPolyline(PictureBox* g, const float* values, std::int32_t p_start, std::int32_t p_end,
                             bool p_printer, const QColor& colour)
{
    Trap(st_.log, QString(), [&] {
        if (p_end < p_start || p_start < 0)
            return;
        const float N = st_.page.span();
        if (double(p_start) + 1 + N < double(p_end))
            p_end = std::int32_t(RoundHalfEven(double(p_start) + 1 + N));
        p_end = std::min(p_end, SampleStore::Capacity - 1);
        g->DrawStyle = PictureBox::vbSolid;
        const float off = scaleTop();
        const std::int32_t base = p_printer ? p_start : st_.page.start();
        const float k = st_.g_Keisu;

        if (p_end - p_start <= 64) {
            float prev = -(values[p_start] * k);
            for (std::int32_t i = p_start + 1; i <= p_end; ++i) {
                const float cur = -(values[i] * k);
                const float x = float(i - base);
                if (x > 0)
                    g->Line(x - 1, prev + off, x, cur + off, colour);
                prev = cur;
            }
            return;
        }

        QImage& image = g->canvas();
        const double sx = image.width() / double(g->ScaleWidth);
        const PolylineMap map{sx, -double(base) * sx, image.height() / double(g->ScaleHeight), off, k};
        QPainter p(&image);
        // In the image's own pixels: on a high-resolution screen a column is a device pixel.
        if (const qreal dpr = image.devicePixelRatio(); dpr != 1)
            p.scale(1 / dpr, 1 / dpr);
        p.setPen(QPen(colour, 0));
        ReduceToColumns(values, p_start, p_end, base, map, [&](QPointF a, QPointF b) { p.drawLine(a, b); });
        p.end();
        g->updateArea(g->rect());
    });
}

float GraphView::scaleTop() const
{
    return st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Top;
}

std::int32_t GraphView::referenceOrigin() const { return cursorShown() ? st_.page.cursor() : 0; }

ReferenceSpan GraphView::referenceOnPage() const
{
    return reference_.onPage(st_.page.start(), st_.page.span(), referenceOrigin(), st_.page.periodS() * 1000);
}

PolylineMap GraphView::referenceMap(const ReferenceSpan& s, double pixelsPerSample,
                                    double pixelsPerValue) const
{
    return {s.step * pixelsPerSample, s.at * pixelsPerSample, pixelsPerValue, scaleTop(), reference_.keisu()};
}

// The reference's samples on the page, reduced to pixel columns as the data's are: a long
// reference costs what its page does. Drawn by full repaints only, never per sample.
void GraphView::drawReference()
{
    referenceOrigin_ = referenceOrigin();
    const ReferenceSpan s = referenceOnPage();
    if (s.last <= s.first)
        return;
    PictureBox* g = ui.pctGraph1;
    QImage& image = g->canvas();
    const PolylineMap map =
        referenceMap(s, image.width() / double(g->ScaleWidth), image.height() / double(g->ScaleHeight));
    QPainter p(&image);
    if (const qreal dpr = image.devicePixelRatio(); dpr != 1)  // the map is in the canvas's pixels
        p.scale(1 / dpr, 1 / dpr);
    p.setPen(QPen(ReferenceColour, 0));
    ReduceToColumns(reference_.values().data(), s.first, s.last, s.first, map,
                    [&](QPointF a, QPointF b) { p.drawLine(a, b); });
    p.end();
    g->updateArea(image.rect());
}

// The samples stored since the last refresh: their segments on the page, or the next page (or a
// longer one, with automatic zoom) once they pass its end.
void GraphView::drawNewSamples(bool mayLengthen)
{
    SampleStore& store = st_.store;
    const std::int32_t count = store.g_DataCnt.load(std::memory_order_acquire);
    std::int32_t i = std::max(drawnCount_, 1);
    while (i < count) {
        const PageMove m = st_.page.stepFor(i, mayLengthen);
        if (m.step == PageStep::DrawSegment) {
            const std::int32_t last = st_.page.lastShown(count);
            DrawGraph(ui.pctGraph1, i - 1, last, false);
            if (averageShown())
                DrawGraph2(ui.pctGraph1, i - 1, last, false);
            i = last + 1;
            continue;
        }
        if (m.step == PageStep::ZoomOut)
            Q_EMIT longerPage();
        else
            st_.page.take(m);
        // Pages the samples passed while the screen was not looking are not drawn at all.
        if (count - 1 <= st_.page.lastShown(count)) {
            paint();
            return;
        }
    }
    drawnCount_ = count;
    showSummary();
}

void GraphView::SetLimitLinePos(LineShape* line, float value)
{
    Trap(st_.log, QString(), [&] {
        const int index = ui.cmbGraphRange->currentIndex();
        if (index < 0)
            return;
        const float y = LimitLineY(st_.ScaleTable[std::size_t(index)], ui.pctGraph1->ScaleHeight, value);
        line->X1 = 0;
        line->X2 = ui.pctGraph1->ScaleWidth;
        line->Y1 = line->Y2 = y;
        ui.pctGraph1->shapesChanged();
    });
}

void GraphView::DispPageInfo(std::int32_t p_start, std::int32_t p_end, bool withCursor)
{
    Trap(st_.log, QString(), [&] {
        const float N = st_.page.span();
        const PageInfo page = SetPageInfo(p_start, p_end, N);
        if (page.start < 0)
            return;
        const QString pages = PageTag(page);
        ui.lblPage->setText(pages + QStringLiteral("ページ"));
        ui.lblPage->Tag = pages;
        if (p_start < p_end)
            ui.lblTime->setText(FormatDate(st_.store.g_DataTime[std::size_t(page.start)], u"hh:nn:ss"));
        std::int32_t end = page.endPage;
        if (end > PageModel::MaxPages) {
            st_.env.prompts->message({QStringLiteral("管理可能なページ数をオーバーしています:") +
                                          QString::number(end) + QStringLiteral("\n処理を中止します。"),
                                      QString(), MsgButtons::Ok, MsgIcon::Critical});
            end = PageModel::MaxPages;
        }
        ui.HScroll1->setProperty("Tag", QStringLiteral("1"));
        ui.HScroll1->setRange(0, end);
        ui.HScroll1->setSingleStep(1);
        ui.HScroll1->setPageStep(1);
        ui.HScroll1->setValue(page.nowPage);
        ui.HScroll1->setProperty("Tag", QStringLiteral("0"));
        if (withCursor) {
            if (!CursorOnPage(st_.page.cursor(), page.start, N))
                ui.lineCursor->Visible = false;
            else if (st_.page.hasCursor() && !measuring()) {
                ui.lineCursor->Visible = true;
                ShowCursorLabel(st_.page.cursor());
            }
            ui.pctLabelWork->setVisible(ui.lineCursor->Visible);
            ui.pctGraph1->shapesChanged();
        }
    });
}

void GraphView::HScroll1_Change()
{
    Trap(st_.log, QString(), [&] {
        if (ScrollDepth > 1 || st_.store.g_DataCnt == 0 ||
            ui.HScroll1->property("Tag").toString() == QStringLiteral("1"))
            return;
        ++ScrollDepth;
        st_.page.scrollTo(ui.HScroll1->value());
        MoveCursorLine();
        DispPageInfo(st_.page.start(), st_.store.g_DataCnt - 1, true);
        paint();
        --ScrollDepth;
    });
}

void GraphView::MoveCursorLine()
{
    Trap(st_.log, QString(), [&] {
        if (st_.page.pageSeconds() <= 0)
            return;
        const float x = st_.page.cursorX(ui.pctGraph1->ScaleWidth);
        ui.lineCursor->X1 = ui.lineCursor->X2 = x;
        ui.lineCursor->Y1 = 0;
        ui.lineCursor->Y2 = ui.pctGraph1->ScaleHeight;
        if (st_.page.hasCursor() && !measuring())
            ShowCursorLabel(st_.page.cursor());
        ui.pctGraph1->shapesChanged();
    });
    Q_EMIT cursorsMoved();
}

void GraphView::ShowCursorLabel(std::int32_t index)
{
    const QString marker = QStringLiteral("▼");
    const QString text =
        CursorTipText(st_.store, index, st_.Settings.CursorInfo, st_.g_Keisu, ui.chkAve->isChecked());
    const int width = int(ui.pctLabelWork->TextWidth(text + marker)) + TwipsPerPixel;
    const double lineX =
        double(ui.pctGraph1->Width()) / double(ui.pctGraph1->ScaleWidth) * double(ui.lineCursor->X1);
    const CursorPanel at = CursorPanelAt(lineX, width, double(ui.pctLabelWork->TextWidth(marker)),
                                         double(ui.pctGraph1->Width()));
    // The panel lives on the graph: its place is measured from the graph's left edge. One line
    // high, so that it hides no more of the graph than its text.
    const int height = int(ui.pctLabelWork->TextHeight(text)) + 2 * TwipsPerPixel;
    ui.pctLabelWork->setTwips(int(at.left), ui.pctLabelWork->Top(), width, height);
    ui.pctLabelWork->Cls();
    ui.pctLabelWork->Print(at.markerFirst ? marker + text : text + marker);
}

void GraphView::hideCursor()
{
    ui.lineCursor->Visible = false;
    ui.pctLabelWork->hide();  // never a readout without its line
    ui.pctGraph1->shapesChanged();
    Q_EMIT cursorsMoved();
}

void GraphView::pctGraph1_MouseMove(float x)
{
    Trap(st_.log, QString(), [&] {
        const std::int32_t i = st_.page.indexAt(x, st_.store.g_DataCnt);
        ui.pctGraph1->setToolTip(i < 0 ? QString()
                                       : CursorTipText(st_.store, i, st_.Settings.CursorInfo, st_.g_Keisu,
                                                       ui.chkAve->isChecked()));
    });
}

void GraphView::pctGraph1_MouseDown(Qt::MouseButton button, float x)
{
    Trap(st_.log, QString(), [&] {
        // Shift and a click: the interval's other end, the first cursor staying where it is.
        if (button == Qt::LeftButton && (QGuiApplication::keyboardModifiers() & Qt::ShiftModifier) &&
            cursorShown()) {
            if (const std::int32_t i = st_.page.indexAt(x, st_.store.g_DataCnt); i >= 0)
                st_.page.placeSecondCursor(i);
            Q_EMIT cursorsMoved();
            return;
        }
        if (button == Qt::LeftButton) {
            hideCursor();
            ui.lineCursor->X1 = ui.lineCursor->X2 = x;
            const std::int32_t i = st_.page.indexAt(x, st_.store.g_DataCnt);
            if (i < 0) {
                st_.page.removeCursor();
                Q_EMIT cursorsMoved();
                return;
            }
            if (measuring())
                return;  // while measuring a click only hides the line
            ui.Timer4->start();
            ui.lineCursor->Visible = true;
            ui.pctLabelWork->show();
            ShowCursorLabel(i);
            st_.page.placeCursor(i);
            ui.pctGraph1->shapesChanged();
            Q_EMIT cursorsMoved();
        } else if (button == Qt::RightButton) {
            ui.Timer4->stop();
            st_.page.removeCursor();
            hideCursor();
        }
    });
}

void GraphView::Timer4_Timer()
{
    Trap(st_.log, QString(), [&] {
        if (!ui.chkCursorOn->isChecked())
            return;
        if (!st_.page.cursorOnPage()) {
            hideCursor();
        } else if (measuring()) {
            hideCursor();
            ui.Timer4->stop();
        } else if (st_.Settings.CursorInfo & CursorBlinks) {
            ui.lineCursor->Visible = !ui.lineCursor->Visible;
            ui.pctGraph1->shapesChanged();
        }
    });
}

namespace {

// The report's lines above the graph: what was recorded, when, and what was judged of it; a line
// wider than the graph wraps.
QRect headerLineRect(const QWidget* w, const QString& line, int top)
{
    return QFontMetrics(w->font()).boundingRect(QRect(4, top, w->width() - 8, 1 << 16), Qt::TextWordWrap,
                                                line);
}

int headerHeight(const QWidget* w, const QStringList& lines)
{
    int height = 0;
    for (const QString& line : lines)
        height += headerLineRect(w, line, 0).height();
    return lines.isEmpty() ? 0 : height + 8;
}

void drawHeader(QPainter& p, const QWidget* w, const QStringList& lines)
{
    if (lines.isEmpty())
        return;
    p.fillRect(QRect(0, 0, w->width(), headerHeight(w, lines)), Qt::white);
    p.setFont(w->font());
    p.setPen(Qt::black);
    int top = 4;
    for (const QString& line : lines) {
        const QRect r = headerLineRect(w, line, top);
        p.drawText(QRect(4, top, w->width() - 8, r.height()), Qt::TextWordWrap, line);
        top += r.height();
    }
}

}  // namespace

QImage GraphView::graphImage(int scale, const QStringList& header)
{
    const int band = headerHeight(ui.pctGraphWork, header);
    const QSize size = ui.pctGraphWork->size() + QSize(0, band);
    // At the screen's size in the screen's own pixels, else `scale` times the size.
    const qreal dpr = scale == 1 ? ui.pctGraphWork->devicePixelRatioF() : qreal(scale);
    QImage image(size * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(scale == 1 ? dpr : 1);
    QPainter p(&image);
    if (scale != 1)
        p.scale(scale, scale);
    drawHeader(p, ui.pctGraphWork, header);
    p.translate(0, band);
    if (scale == 1) {
        renderGraph(p);
        return image;
    }
    // Larger than the screen: the grid and labels scaled up, the curves drawn again at this size.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.drawImage(QPoint(), graphBackground());
    drawPageCurves(p);
    return image;
}

void GraphView::renderGraph(QPainter& p)
{
    p.fillRect(QRect(QPoint(), ui.pctGraphWork->size()), ui.pctGraphWork->BackColor);
    ui.pctGraphWork->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
}

// An image of the graph area's size at the screen's resolution, as the screen shows it.
QImage GraphView::screenSized() const
{
    const qreal dpr = ui.pctGraphWork->devicePixelRatioF();
    QImage image(ui.pctGraphWork->size() * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    return image;
}

// The graph area without its curves: the page drawn again without them, taken, and drawn whole
// again before anything reaches the screen.
QImage GraphView::graphBackground()
{
    GraphRedraw(std::int16_t(ui.cmbGraphRange->currentIndex()));
    QImage image = screenSized();
    {
        QPainter p(&image);
        renderGraph(p);
    }
    paint();
    return image;
}

// The page's curves as vector paths in the graph area's pixels, reduced to a stroke per pixel
// column as on the screen, so that a long page stays a small file.
void GraphView::drawPageCurves(QPainter& p)
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const std::int32_t start = st_.page.start();
    // The page's last segment, partly shown, as the screen draws it.
    const std::int32_t last =
        std::min<std::int32_t>(count - 1, std::int32_t(RoundHalfEven(double(start) + 1 + st_.page.span())));
    PictureBox* g = ui.pctGraph1;
    const double sx = g->width() / double(g->ScaleWidth), sy = g->height() / double(g->ScaleHeight);
    const PolylineMap map{sx, -double(start) * sx, sy, scaleTop(), st_.g_Keisu};
    auto curve = [&](const float* values, std::int32_t first, std::int32_t end, const PolylineMap& m,
                     const QColor& colour) {
        QPainterPath path;
        ReduceToColumns(values, first, end, first, m, [&](QPointF a, QPointF b) {
            if (path.isEmpty() || path.currentPosition() != a)
                path.moveTo(a);
            path.lineTo(b);
        });
        p.setPen(QPen(colour, 1));
        p.drawPath(path);
    };
    p.save();
    p.translate(g->pos());
    p.setClipRect(QRect(QPoint(), g->size()));
    if (const ReferenceSpan s = referenceOnPage(); s.last > s.first)
        curve(reference_.values().data(), s.first, s.last, referenceMap(s, sx, sy), ReferenceColour);
    if (last > start) {
        curve(st_.store.g_Datas.data(), start, last, map, QColor(0, 0, 255));
        if (averageShown())
            curve(st_.store.g_AveDatas.data(), start, last, map, QColor(255, 0, 0));
    }
    p.restore();
}

bool GraphView::writeGraphSvg(QIODevice& out, const QString& title, const QStringList& header)
{
    // Into memory first: the SVG writer does not report a failed write to its device.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    const QSize size = ui.pctGraphWork->size() + QSize(0, headerHeight(ui.pctGraphWork, header));
    svg.setSize(size);
    svg.setViewBox(QRect(QPoint(), size));
    svg.setTitle(title);
    svg.setDescription(header.join(u'\n'));
    QPainter p(&svg);
    drawHeader(p, ui.pctGraphWork, header);
    p.translate(0, headerHeight(ui.pctGraphWork, header));
    // The grid and labels drawn once more and kept, so that they go out as lines and texts.
    PictureBox* plot = ui.pctGraph1;
    ui.pctGraphWork->keepLines(true);
    plot->keepLines(true);
    GraphRedraw(std::int16_t(ui.cmbGraphRange->currentIndex()));
    ui.pctGraphWork->drawVector(p);
    p.save();
    p.translate(plot->pos());
    plot->drawVector(p);
    p.restore();
    drawPageCurves(p);
    p.translate(plot->pos());
    plot->drawShapes(p);  // limit and cursor lines over the curves, as on the screen
    // The panels on the plot: the cursor's readout and what the evaluation shows.
    for (QWidget* panel : plot->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        if (panel->isHidden())
            continue;
        if (auto* box = qobject_cast<PictureBox*>(panel)) {
            p.save();
            p.translate(box->pos());
            box->drawVector(p);
            p.restore();
        } else {
            panel->render(&p, panel->pos(), QRegion(), QWidget::DrawChildren);
        }
    }
    p.end();
    ui.pctGraphWork->keepLines(false);
    plot->keepLines(false);
    paint();  // the screen as it was
    return out.write(buffer.data()) == buffer.size();
}

}  // namespace tavin
