// Printing the graph: the job on the current printer, the sheet's header and file block, and each
// graph box with its texts. A box's grid and curve are drawn by the screen's renderer into
// pctPrintWork and copied onto the sheet.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/print/PrintPlan.h"
#include "core/trend/Paging.h"
#include "window/dialogs/frmPrint.h"
#include "window/main/frmMain.h"
#include "window/platform/PrinterSurface.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>

#include <cmath>

namespace tavin {

namespace {

const QString ProcPrintOut = QStringLiteral("PrintOut");
const QString SheetTitle = QStringLiteral("TAVIN モニタソフト");

// The hourglass for as long as a job runs, however it ends.
struct WaitCursor {
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

OleDate ToTheMinute(OleDate d) { return std::floor(d * 1440 + 1e-6) / 1440; }

// Right end of the header and the rules.
float RightEnd(const PrintState& ps)
{
    return ps.PrintMargin + PrintLayoutFor(PrintModeFor(ps.PrintPortrait, ps.PrintAll)).right;
}

}  // namespace

void frmMain::cmdPrintOut_Click()
{
    // Nothing paints the screen while the dialog is open and a job uses the renderer.
    graph_->hold(true);
    Trap(st_.log, QString(), [&] {
        frmPrint dialog(installedPrinters_, st_.print, st_.env.prompts, this);
        const bool ok = dialog.exec() == QDialog::Accepted;
        // The printer chosen stays the program's printer until it ends, printed or not.
        const PrintState& chosen = dialog.choices();
        st_.print.CurrentPrinter = chosen.CurrentPrinter;
        st_.print.QueueOptions = chosen.QueueOptions;
        if (!ok)
            return;
        st_.print.PrintPortrait = chosen.PrintPortrait;
        st_.print.PrintAll = chosen.PrintAll;
        // The job prints with its page length; the screen's comes back afterwards.
        const int pageLength = ui.cmbPageSec->currentIndex();
        ui.cmbPageSec->setCurrentIndex(dialog.pageLengthIndex(pageLength));
        PrintOut();
        ui.cmbPageSec->setCurrentIndex(pageLength);
    });
    graph_->hold(false);
    // The page length may have changed and come back meanwhile, with every repaint held: the
    // screen shows again the page that the scroll position names.
    pctGraph1_Paint();
}

void frmMain::cmdPrintOne_Click() { cmdPrintOut_Click(); }

QString frmMain::GetPrintFileName() const
{
    return PrintHeaderName(ui.optMode[1]->isChecked(), ui.lblLoadFileName->text(),
                           ui.txtSaveFileName->text());
}

QString frmMain::printRefusal() const
{
    const float span = st_.page.span();
    return PrintRefusal(span, ui.cmbGraphRange->currentIndex());
}

std::int16_t frmMain::PrintOut()
{
    const PrinterList printers = installedPrinters();
    PrintState& ps = st_.print;
    const PrinterEntry* printer = printers.current(ps.CurrentPrinter);
    if (!printer) {
        if (st_.env.prompts)
            st_.env.prompts->message({QStringLiteral("有効なプリンタがありません."), ProcPrintOut,
                                      MsgButtons::Ok, MsgIcon::Critical});
        st_.LogMsg(0, ProcPrintOut, QStringLiteral("プリンタがインストールされていません."));
        return -1;
    }
    if (const QString refusal = printRefusal(); !refusal.isEmpty()) {
        st_.LogMsg(2, ProcPrintOut, refusal);
        return 0;
    }

    ps.PrintMargin = 5;
    ps.PrintDate = ToTheMinute(st_.env.now());
    const float span = st_.page.span();
    const std::int32_t perPage = CLng(span);
    const QString headerName = GetPrintFileName();
    ps.PrintFilePath.clear();
    if (printer->file) {
        const QString folder = LoadFolder.isEmpty() ? st_.Settings.SaveDir : LoadFolder;
        ps.PrintFilePath =
            QDir(folder).filePath(PrintFileName(headerName, PrintPageNo(st_.page.start(), span)));
    }

    ui.StatusBar1->showMessage(QStringLiteral("印刷中"));
    const WaitCursor wait;
    // The job lets no event in: a frame arriving meanwhile could end the segment and replace the
    // store under the job, and a page change would cut its curves short.
    const std::int16_t yielding = l_doEvents;
    l_doEvents = 1;
    const bool printed = Trap(st_.log, ProcPrintOut, [&] {
        PrinterSurface prn(*printer, ps.PrintFilePath, SheetTitle, ps.PrintPortrait,
                           ps.QueueOptions.value(printer->name));
        const PrintLayout layout = PrintLayoutFor(PrintModeFor(ps.PrintPortrait, ps.PrintAll));
        PageHeader(prn, GetFileNoFromName(headerName));
        PrintMatomeOne(prn, headerName);
        ui.pctPrintWork->setTwips(0, 0, int(100 * layout.W), int(100 * layout.H));
        ui.pctPrintWork->Cls();
        const auto index = std::int16_t(ui.cmbGraphRange->currentIndex());
        if (layout.mode == PrintMode::AllData)
            printStrips(prn, layout, index, perPage, headerName);
        else
            printBoxes(prn, layout, index, perPage);
        prn.EndDoc();
        if (printer->file)
            st_.LogMsg(0, ProcPrintOut, ps.PrintFilePath);
    });
    l_doEvents = yielding;
    // Where the file printer put the sheet, so that nobody has to look for it.
    ui.StatusBar1->showMessage(printed && printer->file
                                   ? QStringLiteral("印刷終了 ") + QDir::toNativeSeparators(ps.PrintFilePath)
                                   : QStringLiteral("印刷終了"));
    return 0;
}

void frmMain::printBoxes(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index,
                         std::int32_t perPage)
{
    const SampleStore& store = st_.store;
    st_.print.PrintScale = st_.ScaleTable[std::size_t(index)];
    const std::int32_t start = st_.page.start();
    const bool average = ui.chkAve->isChecked();
    // The page label is not kept up to date while measuring: the tag is worked out afresh.
    const QString tag = PageTag(SetPageInfo(start, store.g_DataCnt - 1, st_.page.span()));
    for (const GraphBoxSpec& box : PageBoxes(layout, start, perPage, store, tag))
        printGraphBox(prn, box, index, false, average);
}

void frmMain::printStrips(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index,
                          std::int32_t perPage, const QString& headerName)
{
    const SampleStore& store = st_.store;
    st_.print.PrintScale = st_.PrintScaleTable[std::size_t(index)];
    const float bottom = prn.printableBottom();
    std::int32_t pos = st_.page.start();
    for (int k = 0;; ++k) {
        const PlannedStrip strip = StripAt(k, layout, bottom, pos, perPage, store);
        if (strip.newSheet) {
            prn.NewPage();
            PageHeader(prn, GetFileNoFromName(headerName));
            PrintMatomeOne(prn, headerName);
        }
        printGraphBox(prn, strip.box, index, true, false);
        if (strip.last)
            break;
    }
}

void frmMain::printGraphBox(PrinterSurface& prn, const GraphBoxSpec& box, std::int16_t index, bool printScale,
                            bool withAverage)
{
    SetGraphPrinter(prn, box);
    graph_->SetGraphOnly(ui.pctPrintWork, index, 0, printScale);
    const std::int32_t last = st_.store.g_DataCnt - 1;
    graph_->DrawGraph(ui.pctPrintWork, box.start, last, true);
    if (withAverage)
        graph_->DrawGraph2(ui.pctPrintWork, box.start, last, true);
    prn.PaintPicture(ui.pctPrintWork->image(), st_.print.PrintMargin + box.X, box.Y, box.W, box.H);
}

void frmMain::PageHeader(PrinterSurface& prn, std::int16_t fileNo)
{
    PrintState& ps = st_.print;
    const float right = RightEnd(ps);
    prn.CurrentX = ps.PrintMargin + 10;
    prn.CurrentY = 8;
    prn.Print(SheetTitle);
    const QString date = ShortDate(ps.PrintDate) + u' ' + LongTime(ps.PrintDate);
    prn.CurrentX = right - prn.TextWidth(date);
    prn.CurrentY = 8;
    prn.Print(date);
    ps.PrintRow = 0;
    if (!ps.PrintPortrait && ps.PrintAll && fileNo >= 1) {
        const QString page = QStringLiteral("頁：") + QString::number(fileNo);
        prn.CurrentX = right - prn.TextWidth(page);
        prn.CurrentY = 15;
        prn.Print(page);
    }
}

void frmMain::PrintMatomeOne(PrinterSurface& prn, const QString& fileName)
{
    Trap(st_.log, QStringLiteral("PrintMatomeOne"), [&] {
        PrintState& ps = st_.print;
        SetPrnPos(prn, ps.PrintRow, -1, QString());
        if (ps.PrintPortrait)
            ps.PrintRow += 1;
        SetPrnPos(prn, ps.PrintRow, 1, QStringLiteral("ファイル名  ：") + fileName);
        ps.PrintRow += ps.PrintPortrait ? 2 : 1;
        SetPrnPos(prn, ps.PrintRow, 1, QStringLiteral("測定開始時間：") + ui.lblStartTime->text());
        ps.PrintRow += 1;
    });
}

void frmMain::SetPrnPos(PrinterSurface& prn, std::int16_t row, std::int16_t col, const QString& text)
{
    Trap(st_.log, QStringLiteral("SetPrnPos"), [&] {
        const PrintState& ps = st_.print;
        if (col < 0) {
            prn.Line(ps.PrintMargin + 10, PrnRuleY(row), RightEnd(ps), PrnRuleY(row), Qt::black);
            return;
        }
        prn.CurrentX = PrnTextX(ps.PrintMargin, col);
        prn.CurrentY = PrnTextY(row);
        prn.Print(text);
    });
}

void frmMain::SetGraphOrigin(float left, float top)
{
    st_.print.GraphLeft = left;
    st_.print.GraphTop = top;
}

void frmMain::SetGraphPrinter(PrinterSurface& prn, const GraphBoxSpec& box)
{
    try {
        SetGraphOrigin(box.X, box.Y);
        const auto width = [&](const QString& text, bool bold) {
            prn.setFontBold(bold);
            const float w = prn.TextWidth(text);
            prn.setFontBold(false);
            return w;
        };
        const PrintState& ps = st_.print;
        for (const SheetText& t :
             GraphBoxTexts(box, ps.PrintScale, st_.page.pageSeconds(), st_.page.samplesPerSecond(),
                           ps.PrintMargin, prn.TextHeight(), width)) {
            prn.setFontBold(t.bold);
            prn.CurrentX = t.x;
            prn.CurrentY = t.y;
            prn.Print(t.text);
        }
        prn.setFontBold(false);
    } catch (const std::exception& e) {
        prn.setFontBold(false);
        // Shown without waiting: the job goes on and lets no event in meanwhile.
        if (st_.env.prompts)
            st_.env.prompts->notice(
                {describe(e), QStringLiteral("SetGraphPrinter"), MsgButtons::Ok, MsgIcon::None, false});
    }
}

}  // namespace tavin
