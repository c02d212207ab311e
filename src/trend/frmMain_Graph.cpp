// The trend graph: full repaint (scale lines, time grid, labels, the page's polylines) and the
// polyline drawing that also appends one segment per new sample.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/PictureBox.h"
#include "trend/Paging.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QPainter>
#include <QTimer>

#include <cmath>
#include <vector>

namespace tavin {

namespace {

// A scale label: the value in the format, right-aligned in six characters.
QString scaleLabel(float v, const QString& format)
{
    QString t = FormatNumber(double(v), format.toStdString());
    return t.size() >= 6 ? t.right(6) : t.rightJustified(6, u' ');
}

// The pen of a scale line: its low two bits say solid or dotted.
int drawStyleOf(std::int16_t style) { return (style & 3) == LineDotted ? PictureBox::vbDot : PictureBox::vbSolid; }

// The dotted lines halfway between the time divisions.
void drawMinorGrid(PictureBox* g, float N, int div, float height)
{
    g->DrawStyle = PictureBox::vbDot;
    for (int i = 0; i < div; ++i) {
        const float x = N * float(i) / float(div) + N / float(div) / 2;
        g->Line(x, 0, x, height, Qt::black);
    }
    g->DrawStyle = PictureBox::vbSolid;
}

}  // namespace

void frmMain::pctGraph1_Paint()
{
    if (l_noPaint || l_nowPaint)
        return;
    l_nowPaint = 1;
    l_rePaint = 0;
    Trap(st_.log, QString(), [&] {
        GraphRedraw(std::int16_t(cmbGraphRange->currentIndex()));
        if (!l_rePaint)
            DrawGraph(pctGraph1, l_StartPos, st_.g_DataCnt - 1, false);
        if (chkAve->isChecked() && !l_rePaint)
            DrawGraph2(pctGraph1, l_StartPos, st_.g_DataCnt - 1, false);
        lblRefLine_Change();
        SetLimitLinePos(LineLower, st_.Settings.LimitLow);  // the scale may have moved it too
    });
    l_nowPaint = 0;
    if (l_rePaint)
        tmrPaint->start(100);
}

void frmMain::GraphRedraw(std::int16_t r)
{
    Trap(st_.log, QString(), [&] {
        pctGraph1->Cls();
        pctGraphWork->Cls();
        if (cmbGraphRange->currentIndex() < 0 || r < 0 || r >= PlusRangeCount)
            return;
        CurRange = r;
        const GraphScale& rec = st_.ScaleTable[std::size_t(r)];
        const float N = st_.g_SampPerSec * st_.g_PageSec;
        const float H = rec.Top + rec.MinusSpan;
        pctGraph1->ScaleHeight = H * (1.0f + 5.0f / float(pctGraph1->Height()));
        pctGraph1->ScaleWidth = N * (1.0f + 15.0f / float(pctGraph1->Width()));

        const TimeAxis axis = SetYokoTani_And_Yoko_Bun(st_.g_PageSec);
        double step = RoundHalfEven(double(st_.g_PageSec) / axis.div);
        if (step == 0)
            step = double(st_.g_PageSec) / axis.div;

        pctGraphWork->CurrentX = 100;
        pctGraphWork->CurrentY = 10;
        pctGraphWork->Print(u'(' + rec.Unit + u')');

        QString f = rec.Format;
        if (f.isEmpty() && step < 1)
            f = QStringLiteral("0.0");
        for (int i = 0; i < rec.LineCount; ++i) {
            const std::int16_t style = rec.LineStyle[std::size_t(i)];
            pctGraph1->DrawStyle = drawStyleOf(style);
            float y = rec.Top - rec.LineValue[std::size_t(i)];
            if (i == 0)
                y -= rec.Top / 300.0f;
            pctGraph1->Line(0, y, pctGraph1->ScaleWidth, y, Qt::black);
            pctGraph1->DrawStyle = PictureBox::vbSolid;
            if (style & LineNoLabel)
                continue;
            pctGraphWork->CurrentX = 40;
            pctGraphWork->CurrentY = float(pctGraph1->Top()) +
                                     (rec.Top - rec.LineValue[std::size_t(i)]) * float(pctGraph1->Height()) / H - 100;
            pctGraphWork->Print(scaleLabel(rec.LineValue[std::size_t(i)], f));
        }

        for (int i = 0; i <= axis.div; ++i) {
            float x = N * float(i) / float(axis.div);
            if (i == axis.div && pctGraph1->ScaleWidth > 1001)
                x -= 1;
            pctGraph1->Line(x, 0, x, pctGraph1->ScaleHeight, Qt::black);
            const double t = (i * step + double(l_StartPos) / double(st_.g_SampPerSec)) / double(axis.divisor);
            const QString label = step < 1 ? FormatNumber(Round(t, 2), "0.0") : GeneralDouble(Round(t, 1));
            pctGraphWork->CurrentX = float(pctGraph1->Left()) + float(pctGraph1->Width()) / float(axis.div) * float(i) -
                                     pctGraphWork->TextWidth(label) / 2;
            pctGraphWork->CurrentY = float(pctGraph1->Top() + pctGraph1->Height() + 60);
            pctGraphWork->Print(label);
            if (i == axis.div) {
                pctGraphWork->CurrentX = float(pctGraph1->Left() + pctGraph1->Width());
                pctGraphWork->Print(u'(' + axis.unit + u')');
            }
        }
        drawMinorGrid(pctGraph1, N, axis.div, pctGraph1->ScaleHeight);
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
        const float N = st_.g_SampPerSec * st_.g_PageSec;
        g->ScaleHeight = (rec.Top + rec.MinusSpan) * 1.002f;
        g->ScaleWidth = N * 1.001f;
        const TimeAxis axis = SetYokoTani_And_Yoko_Bun(st_.g_PageSec);
        for (int i = 0; i < rec.LineCount; ++i) {
            g->DrawStyle = drawStyleOf(rec.LineStyle[std::size_t(i)]);
            const float y = rec.Top - rec.LineValue[std::size_t(i)];
            g->Line(0, y, g->ScaleWidth, y, Qt::black);
        }
        g->DrawStyle = PictureBox::vbSolid;
        for (int i = 0; i <= axis.div; ++i) {
            float x = N * float(i) / float(axis.div);
            if (i == axis.div && pctGraph1->ScaleWidth > 1001)
                x -= 1;
            if (i == axis.div && p_PrtOut)
                x -= 50;
            g->Line(x, 0, x, g->ScaleHeight, Qt::black);
        }
        drawMinorGrid(g, N, axis.div, pctGraph1->ScaleHeight);
    });
}

void frmMain::DrawGraph(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.g_Datas.data(), p_start, p_end, p_printer, QColor(0, 0, 255));
}

void frmMain::DrawGraph2(PictureBox* pctGraph, std::int32_t p_start, std::int32_t p_end, bool p_printer)
{
    drawPolyline(pctGraph, st_.g_AveDatas.data(), p_start, p_end, p_printer, QColor(255, 0, 0));
}

// The polyline of samples p_start..p_end. A few segments are drawn one by one; a long run is
// reduced to the first, lowest, highest and last point of each pixel column, which draws the
// same picture as every segment with a one-pixel pen at a fraction of the cost.
void frmMain::drawPolyline(PictureBox* g, const float* values, std::int32_t p_start, std::int32_t p_end,
                           bool p_printer, const QColor& colour)
{
    Trap(st_.log, QString(), [&] {
        if (p_end < p_start || p_start < 0)
            return;
        const double N = double(st_.g_SampPerSec) * double(st_.g_PageSec);
        if (double(p_start) + 1 + N < double(p_end))
            p_end = std::int32_t(RoundHalfEven(double(p_start) + 1 + N));
        p_end = std::min(p_end, AppState::StoreSize - 1);
        g->DrawStyle = PictureBox::vbSolid;
        const float off = st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Top;
        const std::int32_t base = p_printer ? p_start : l_StartPos;
        const float k = g_Keisu;

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
        const double sx = image.width() / double(g->ScaleWidth), sy = image.height() / double(g->ScaleHeight);
        QPainter p(&image);
        p.setPen(QPen(colour, 0));

        // Runs of samples that fall into one pixel column become one vertical stroke; the strokes
        // are joined from the last point of a column to the first of the next.
        std::int32_t i = p_start;
        while (i < base + 1 && i < p_end)  // segments need both ends on the page
            ++i;
        const double scaleX = sx, offX = -double(base) * sx;
        auto yOf = [&](std::int32_t n) { return (off - double(values[n] * k)) * sy; };
        QElapsedTimer sinceYield;
        sinceYield.start();
        double lastX = double(i - 1) * scaleX + offX, lastY = yOf(i - 1);
        while (i <= p_end) {
            const double firstX = double(i) * scaleX + offX;
            const double column = std::floor(firstX);
            // The last sample of this column: columns hold about 1 / scaleX samples each.
            std::int32_t end = std::min<std::int32_t>(p_end, std::int32_t((column + 1 - offX) / scaleX));
            while (end < p_end && std::floor(double(end + 1) * scaleX + offX) == column)
                ++end;
            while (end > i && std::floor(double(end) * scaleX + offX) != column)
                --end;
            // The extremes of the raw values, then mapped (a plain loop the compiler vectorises).
            float vmin = values[i], vmax = values[i];
            for (std::int32_t j = i + 1; j <= end; ++j) {
                const float v = values[j];
                vmin = v < vmin ? v : vmin;
                vmax = v > vmax ? v : vmax;
            }
            const double firstY = yOf(i), y = yOf(end);
            const double a = (off - double(vmin * k)) * sy, b = (off - double(vmax * k)) * sy;
            const double lo = std::min(a, b), hi = std::max(a, b);
            p.drawLine(QPointF(lastX, lastY), QPointF(firstX, firstY));
            if (hi > lo)
                p.drawLine(QPointF(column, lo), QPointF(column, hi));
            lastX = double(end) * scaleX + offX;
            lastY = y;
            // Let the window breathe during long repaints; a page change meanwhile ends this one.
            if ((end >> 7) != (i >> 7) && l_doEvents == 0 && sinceYield.elapsed() >= paintYieldMs) {
                l_doEvents = 1;
                QCoreApplication::processEvents();
                l_doEvents = 0;
                sinceYield.restart();
                if (l_rePaint)
                    break;
            }
            i = end + 1;
        }
        p.end();
        g->updateArea(image.rect());
    });
}

}  // namespace tavin
