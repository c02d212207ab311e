// The trend graph: full repaint (scale lines, time grid, labels, the page's polylines) and the
// polyline drawing that also appends one segment per new sample.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/trend/Plot.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPainter>
#include <QTimer>

#include <cmath>

namespace tavin {

namespace {

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

void frmMain::pctGraph1_Paint()
{
    if (l_noPaint)
        return;
    Trap(st_.log, QString(), [&] {
        const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
        drawnCount_ = count;
        GraphRedraw(std::int16_t(ui.cmbGraphRange->currentIndex()));
        DrawGraph(ui.pctGraph1, st_.page.start(), count - 1, false);
        if (ui.chkAve->isChecked())
            DrawGraph2(ui.pctGraph1, st_.page.start(), count - 1, false);
        lblRefLine_Change();
        SetLimitLinePos(ui.LineLower, st_.Settings.LimitLow);  // the scale may have moved it too
    });
}

void frmMain::GraphRedraw(std::int16_t r)
{
    Trap(st_.log, QString(), [&] {
        ui.pctGraph1->Cls();
        ui.pctGraphWork->Cls();
        if (ui.cmbGraphRange->currentIndex() < 0 || r < 0 || r >= PlusRangeCount)
            return;
        CurRange = r;
        const GraphScale& rec = st_.ScaleTable[std::size_t(r)];
        const float N = st_.page.span();
        ui.pctGraph1->ScaleHeight = (rec.Top + rec.MinusSpan) * (1.0f + 5.0f / float(ui.pctGraph1->Height()));
        ui.pctGraph1->ScaleWidth = N * (1.0f + 15.0f / float(ui.pctGraph1->Width()));
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

void frmMain::SetGraphOnly(PictureBox* g, std::int16_t p_index, std::int16_t p_mode, bool p_PrtOut)
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

void frmMain::DrawGraph(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.store.g_Datas.data(), p_start, p_end, p_printer, QColor(0, 0, 255));
}

void frmMain::DrawGraph2(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.store.g_AveDatas.data(), p_start, p_end, p_printer, QColor(255, 0, 0));
}

// The polyline of samples p_start..p_end. A few segments are drawn one by one; a long run is
// reduced to pixel columns first.
void frmMain::drawPolyline(PictureBox* g, const float* values, std::int32_t p_start, std::int32_t p_end,
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
        const float off = st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Top;
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
        p.setPen(QPen(colour, 0));
        ReduceToColumns(values, p_start, p_end, base, map, [&](QPointF a, QPointF b) { p.drawLine(a, b); });
        p.end();
        g->updateArea(image.rect());
    });
}

}  // namespace tavin
