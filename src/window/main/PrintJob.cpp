#include "window/main/PrintJob.h"

#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/print/PrintPlan.h"
#include "core/trend/Paging.h"
#include "window/main/GraphView.h"
#include "window/platform/PrinterSurface.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QDir>
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

// Right end of the header and the rules.
float RightEnd(const PrintState& ps)
{
    return ps.PrintMargin + PrintLayoutFor(PrintModeFor(ps.PrintPortrait, ps.PrintAll)).right;
}

}  // namespace

PrintJob::PrintJob(AppState& state, GraphView& graph, QStatusBar* status)
    : st_(state), graph_(graph), status_(status),
      work_(std::make_unique<PictureBox>(QStringLiteral("pctPrintWork")))
{
}

PrintJob::~PrintJob() = default;

QString PrintJob::printRefusal(int range) const { return PrintRefusal(st_.page.span(), range); }

std::int16_t PrintJob::PrintOut(const PrintRequest& job)
{
    const PrinterList printers = installedPrinters_();
    PrintState& ps = st_.print;
    const PrinterEntry* printer = printers.current(ps.CurrentPrinter);
    if (!printer) {
        if (st_.env.prompts)
            st_.env.prompts->message({QStringLiteral("有効なプリンタがありません."), ProcPrintOut,
                                      MsgButtons::Ok, MsgIcon::Critical});
        st_.LogMsg(0, ProcPrintOut, QStringLiteral("プリンタがインストールされていません."));
        return -1;
    }
    if (const QString refusal = printRefusal(job.range); !refusal.isEmpty()) {
        st_.LogMsg(2, ProcPrintOut, refusal);
        return 0;
    }

    ps.PrintMargin = 5;
    ps.PrintDate = ToTheSecond(st_.env.now());
    const float span = st_.page.span();
    const std::int32_t perPage = CLng(span);
    const QString& headerName = job.headerName;
    ps.PrintFilePath.clear();
    if (printer->file)
        ps.PrintFilePath =
            QDir(job.folder).filePath(PrintFileName(headerName, PrintPageNo(st_.page.start(), span)));
    startTime_ = job.startTime;

    status_->showMessage(QStringLiteral("印刷中"));
    const WaitCursor wait;
    // The job lets no event in: a frame arriving meanwhile could end the segment and replace the
    // store under the job, and a page change would cut its curves short.
    const bool yielding = running_;
    running_ = true;
    // A failure is the error handler's box and log line; the job ends as after a sheet.
    const bool printed = Trap(st_.log, ProcPrintOut, [&] { printSheets(*printer, job, perPage); });
    running_ = yielding;
    // Where the file printer put the sheet, so that nobody has to look for it.
    status_->showMessage(printed && printer->file
                             ? QStringLiteral("印刷終了 ") + QDir::toNativeSeparators(ps.PrintFilePath)
                             : QStringLiteral("印刷終了"));
    return 0;
}

// The sheets of one job, from the header to the last graph box.
void PrintJob::printSheets(const PrinterEntry& printer, const PrintRequest& job, std::int32_t perPage)
{
    const PrintState& ps = st_.print;
    PrinterSurface prn(printer, ps.PrintFilePath, SheetTitle, ps.PrintPortrait,
                       ps.QueueOptions.value(printer.name));
    const PrintLayout layout = PrintLayoutFor(PrintModeFor(ps.PrintPortrait, ps.PrintAll));
    PageHeader(prn, GetFileNoFromName(job.headerName));
    PrintMatomeOne(prn, job.headerName);
    work_->setTwips(0, 0, int(100 * layout.W), int(100 * layout.H));
    work_->Cls();
    const auto index = std::int16_t(job.range);
    if (layout.mode == PrintMode::AllData)
        printStrips(prn, layout, index, perPage, job.headerName);
    else
        printBoxes(prn, layout, index, perPage, job.withAverage);
    prn.EndDoc();
    if (printer.file) {
        st_.print.PrintFilePath = prn.writtenPath();
        st_.LogMsg(0, ProcPrintOut, prn.writtenPath());
    }
}

void PrintJob::printBoxes(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index,
                          std::int32_t perPage, bool average)
{
    const SampleStore& store = st_.store;
    st_.print.PrintScale = st_.ScaleTable[std::size_t(index)];
    const std::int32_t start = st_.page.start();
    // The page label is not kept up to date while measuring: the tag is worked out afresh.
    const QString tag = PageTag(SetPageInfo(start, store.g_DataCnt - 1, st_.page.span()));
    for (const GraphBoxSpec& box : PageBoxes(layout, start, perPage, store, tag))
        printGraphBox(prn, box, index, false, average);
}

void PrintJob::printStrips(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index,
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

void PrintJob::printGraphBox(PrinterSurface& prn, const GraphBoxSpec& box, std::int16_t index,
                             bool printScale, bool withAverage)
{
    SetGraphPrinter(prn, box);
    graph_.SetGraphOnly(work_.get(), index, 0, printScale);
    const std::int32_t last = st_.store.g_DataCnt - 1;
    graph_.DrawGraph(work_.get(), box.start, last, true);
    if (withAverage)
        graph_.DrawGraph2(work_.get(), box.start, last, true);
    prn.PaintPicture(work_->image(), st_.print.PrintMargin + box.X, box.Y, box.W, box.H);
}

void PrintJob::PageHeader(PrinterSurface& prn, std::int16_t fileNo)
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

void PrintJob::PrintMatomeOne(PrinterSurface& prn, const QString& fileName)
{
    Trap(st_.log, QStringLiteral("PrintMatomeOne"), [&] {
        PrintState& ps = st_.print;
        SetPrnPos(prn, ps.PrintRow, -1, QString());
        if (ps.PrintPortrait)
            ps.PrintRow += 1;
        SetPrnPos(prn, ps.PrintRow, 1, QStringLiteral("ファイル名  ：") + fileName);
        ps.PrintRow += ps.PrintPortrait ? 2 : 1;
        SetPrnPos(prn, ps.PrintRow, 1, QStringLiteral("測定開始時間：") + startTime_);
        ps.PrintRow += 1;
        if (st_.lastDecay)
            printVerdict(prn, DecayReportLines(*st_.lastDecay));
    });
}

// The evaluation of what is printed: in portrait under the file block, across the landscape sheet
// right-aligned beside it (the page number keeps the first row's right end).
void PrintJob::printVerdict(PrinterSurface& prn, const QStringList& lines)
{
    const PrintState& ps = st_.print;
    for (int i = 0; i < lines.size(); ++i) {
        if (ps.PrintPortrait) {
            SetPrnPos(prn, std::int16_t(4 + i), 1, lines[i]);
            continue;
        }
        prn.CurrentX = RightEnd(ps) - prn.TextWidth(lines[i]);
        prn.CurrentY = PrnTextY(1 + i);
        prn.Print(lines[i]);
    }
}

void PrintJob::SetPrnPos(PrinterSurface& prn, std::int16_t row, std::int16_t col, const QString& text)
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

void PrintJob::SetGraphOrigin(float left, float top)
{
    st_.print.GraphLeft = left;
    st_.print.GraphTop = top;
}

void PrintJob::SetGraphPrinter(PrinterSurface& prn, const GraphBoxSpec& box)
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
