// The graph for a report: what the screen shows (the plot with its scale and time labels, the
// unit, the average line, limit lines and cursor) as a PNG at the screen's size or twice it, as an
// SVG, or on the clipboard to paste into a spreadsheet or a document.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/trend/Plot.h"
#include "window/main/frmMain.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QBuffer>
#include <QCheckBox>
#include <QClipboard>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QStatusBar>
#include <QSvgGenerator>

namespace tavin {

QImage frmMain::graphImage(int scale)
{
    QImage image(ui.pctGraphWork->size() * scale, QImage::Format_RGB32);
    QPainter p(&image);
    if (scale == 1) {
        renderGraph(p);
        return image;
    }
    // Larger than the screen: the grid and labels scaled up, the curves drawn again at this size.
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    p.drawImage(QPoint(), graphBackground());
    drawPageCurves(p);
    return image;
}

void frmMain::renderGraph(QPainter& p)
{
    p.fillRect(QRect(QPoint(), ui.pctGraphWork->size()), ui.pctGraphWork->BackColor);
    ui.pctGraphWork->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
}

// The graph area without its curves: the page drawn again without them, taken, and drawn whole
// again before anything reaches the screen.
QImage frmMain::graphBackground()
{
    GraphRedraw(std::int16_t(ui.cmbGraphRange->currentIndex()));
    QImage image(ui.pctGraphWork->size(), QImage::Format_RGB32);
    {
        QPainter p(&image);
        renderGraph(p);
    }
    pctGraph1_Paint();
    return image;
}

// The page's curves as vector paths in the graph area's pixels, reduced to a stroke per pixel
// column as on the screen, so that a long page stays a small file.
void frmMain::drawPageCurves(QPainter& p)
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    // The page's last segment, partly shown, as the screen draws it.
    const std::int32_t last = std::min<std::int32_t>(
        count - 1, std::int32_t(RoundHalfEven(double(st_.page.start()) + 1 + st_.page.span())));
    if (last <= st_.page.start())
        return;
    PictureBox* g = ui.pctGraph1;
    const double sx = g->width() / double(g->ScaleWidth);
    const float off = st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Top;
    const PolylineMap map{sx, -double(st_.page.start()) * sx, g->height() / double(g->ScaleHeight), off,
                          st_.g_Keisu};
    auto curve = [&](const float* values, const QColor& colour) {
        QPainterPath path;
        ReduceToColumns(values, st_.page.start(), last, st_.page.start(), map, [&](QPointF a, QPointF b) {
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
    curve(st_.store.g_Datas.data(), QColor(0, 0, 255));
    if (ui.chkAve->isChecked() && st_.store.ave.AveNum > 1)
        curve(st_.store.g_AveDatas.data(), QColor(255, 0, 0));
    p.restore();
}

bool frmMain::writeGraphSvg(QIODevice& out)
{
    // Into memory first: the SVG writer does not report a failed write to its device.
    QBuffer buffer;
    buffer.open(QIODevice::WriteOnly);
    QSvgGenerator svg;
    svg.setOutputDevice(&buffer);
    svg.setSize(ui.pctGraphWork->size());
    svg.setViewBox(QRect(QPoint(), ui.pctGraphWork->size()));
    svg.setTitle(windowTitle());
    QPainter p(&svg);
    // The grid and the labels as the screen has them, the curves over them as paths.
    p.drawImage(QPoint(), graphBackground());
    drawPageCurves(p);
    p.end();
    return out.write(buffer.data()) == buffer.size();
}

void frmMain::mnuGraphImage_Click()
{
    Trap(st_.log, QStringLiteral("mnuGraphImage_Click"), [&] {
        const std::optional<QString> path =
            askExportPath(QStringLiteral("グラフを画像で保存"), QStringLiteral(".png"),
                          QStringLiteral("PNG画像(*.png)|*.png|SVG画像(*.svg)|*.svg|"));
        if (!path)
            return;
        const bool svg = path->endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
        int scale = 1;
        if (!svg) {
            const MsgAnswer size = st_.env.prompts->message(
                {QStringLiteral("画面の2倍の大きさで保存しますか？\r\n（いいえ: 画面と同じ大きさ）"),
                 windowTitle(), MsgButtons::YesNoCancel, MsgIcon::Question});
            if (size == MsgAnswer::Cancel)
                return;
            scale = size == MsgAnswer::Yes ? 2 : 1;
        }
        writeExport(
            *path,
            [&](QIODevice& out) { return svg ? writeGraphSvg(out) : graphImage(scale).save(&out, "PNG"); },
            QStringLiteral("グラフを保存しました: "));
    });
}

void frmMain::copyGraph()
{
    QGuiApplication::clipboard()->setImage(graphImage(1));
    ui.StatusBar1->showMessage(QStringLiteral("グラフをコピーしました."));
}

}  // namespace tavin
