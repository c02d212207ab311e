// The graph for a report, as GraphView draws it: what the screen shows (the plot with its scale and time
// labels, the unit, the average line, limit lines and cursor) as a PNG at the screen's size or twice it, as
// an SVG, or on the clipboard to paste into a spreadsheet or a document. A saved picture says above
// the graph what it shows: the recording, its start, when it was saved and the verdict judged.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/trend/Plot.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
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
            [&](QIODevice& out) {
                const QStringList header = reportHeader();
                return svg ? graph_->writeGraphSvg(out, windowTitle(), header)
                           : graph_->graphImage(scale, header).save(&out, "PNG");
            },
            QStringLiteral("グラフを保存しました: "));
    });
}

QStringList frmMain::reportHeader() const
{
    QStringList lines{QStringLiteral("ファイル名: %1   測定開始: %2   出力: %3")
                          .arg(GetPrintFileName(), ui.lblStartTime->text(),
                               FormatDate(ToTheSecond(st_.env.now()), u"yyyy/mm/dd hh:nn:ss"))};
    if (st_.lastDecay)
        lines += DecayReportLines(*st_.lastDecay);
    return lines;
}

void frmMain::copyGraph()
{
    QGuiApplication::clipboard()->setImage(graph_->graphImage(1));
    ui.StatusBar1->showMessage(QStringLiteral("グラフをコピーしました."));
}

}  // namespace tavin
