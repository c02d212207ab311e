// The graph for a report: what the screen shows (the plot with its scale and time labels, the
// unit, the average line, limit lines and cursor) as a PNG at the screen's size or twice it, as an
// SVG, or on the clipboard to paste into a spreadsheet or a document.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/PictureBox.h"
#include "platform/Prompts.h"
#include "platform/TextFile.h"
#include "trend/Plot.h"

#include <QAction>
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
    QWidget* area = ui.pctGraphWork;
    QImage image(area->size() * scale, QImage::Format_RGB32);
    image.fill(ui.pctGraphWork->BackColor);
    QPainter p(&image);
    p.setRenderHint(QPainter::SmoothPixmapTransform);
    p.scale(scale, scale);
    area->render(&p, QPoint(), QRegion(), QWidget::DrawChildren);
    return image;
}

// The page's curves as vector paths in the graph area's pixels, reduced to a stroke per pixel
// column as on the screen, so that a long page stays a small file.
void frmMain::drawPageCurves(QPainter& p)
{
    const std::int32_t count = st_.store.g_DataCnt.load(std::memory_order_acquire);
    const std::int32_t last = std::min<std::int32_t>(count - 1, l_StartPos + std::int32_t(st_.PageSpan()) + 1);
    if (last <= l_StartPos)
        return;
    PictureBox* g = ui.pctGraph1;
    const double sx = g->width() / double(g->ScaleWidth);
    const float off = st_.ScaleTable[std::size_t(std::clamp<int>(CurRange, 0, PlusRangeCount - 1))].Top;
    const PolylineMap map{sx, -double(l_StartPos) * sx, g->height() / double(g->ScaleHeight), off, st_.g_Keisu};
    auto curve = [&](const float* values, const QColor& colour) {
        QPainterPath path;
        ReduceToColumns(values, l_StartPos, last, l_StartPos, map, [&](QPointF a, QPointF b) {
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
    QSvgGenerator svg;
    svg.setOutputDevice(&out);
    svg.setSize(ui.pctGraphWork->size());
    svg.setViewBox(QRect(QPoint(), ui.pctGraphWork->size()));
    svg.setTitle(windowTitle());
    QPainter p(&svg);
    // The grid and the labels as the screen has them, the curves over them as paths.
    p.drawImage(QPoint(), graphImage(1));
    drawPageCurves(p);
    return p.end();
}

void frmMain::mnuGraphImage_Click()
{
    Trap(st_.log, QStringLiteral("mnuGraphImage_Click"), [&] {
        const QString folder = LoadFolder.isEmpty() ? st_.Settings.SaveDir : LoadFolder;
        QString base = GetPrintFileName();
        if (base.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
            base.chop(4);
        const std::optional<QString> chosen = st_.env.prompts->file(
            {FileDialog::Save, QStringLiteral("グラフを画像で保存"), folder + QDir::separator(), base + QStringLiteral(".png"),
             QStringLiteral("PNG画像(*.png)|*.png|SVG画像(*.svg)|*.svg|"), 1});
        if (!chosen)
            return;
        QString path = *chosen;
        const bool svg = path.endsWith(QStringLiteral(".svg"), Qt::CaseInsensitive);
        if (!svg && !path.endsWith(QStringLiteral(".png"), Qt::CaseInsensitive))
            path += QStringLiteral(".png");
        int scale = 1;
        if (!svg) {
            const MsgAnswer size = st_.env.prompts->message(
                {QStringLiteral("画面の2倍の大きさで保存しますか？\r\n（いいえ: 画面と同じ大きさ）"), windowTitle(),
                 MsgButtons::YesNoCancel, MsgIcon::Question});
            if (size == MsgAnswer::Cancel)
                return;
            scale = size == MsgAnswer::Yes ? 2 : 1;
        }
        if (QFileInfo::exists(path) &&
            st_.env.prompts->message({QStringLiteral("上書きしますか？\r\n(") + QDir::toNativeSeparators(path) + u')', windowTitle(),
                                      MsgButtons::YesNo, MsgIcon::Exclamation}) != MsgAnswer::Yes)
            return;
        QString why;
        const bool written = ReplaceFileAtomically(
            path, path + QStringLiteral(".part"),
            [&](QIODevice& out) { return svg ? writeGraphSvg(out) : graphImage(scale).save(&out, "PNG"); }, &why);
        if (!written) {
            st_.LogMsg(2, QStringLiteral("mnuGraphImage_Click"),
                       QStringLiteral("%1 に書き込めません (%2)。").arg(QDir::toNativeSeparators(path), why));
            return;
        }
        ui.StatusBar1->showMessage(QStringLiteral("グラフを保存しました: ") + QDir::toNativeSeparators(path));
    });
}

void frmMain::copyGraph()
{
    QGuiApplication::clipboard()->setImage(graphImage(1));
    ui.StatusBar1->showMessage(QStringLiteral("グラフをコピーしました."));
}

}  // namespace tavin
