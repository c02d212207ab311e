// Printing the graph: the job on the current printer, the sheet's header and file block, and each
// graph box with its texts. A box's grid and curve are drawn by the graph's renderer into an
// off-screen picture (pctPrintWork) and copied onto the sheet. GUI thread only.
#pragma once

#include "core/print/PrintLayout.h"
#include "window/platform/Printers.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>

class QStatusBar;

namespace tavin {

struct AppState;
class GraphView;
class PictureBox;
class PrinterSurface;

// What one job prints, as the window shows it.
struct PrintRequest {
    QString headerName;  // the recording's name on the sheet
    QString startTime;   // its start as the window shows it
    QString folder;      // where the file printer writes
    int range = 0;       // the plus range shown
    bool withAverage = false;
};

class PrintJob {
public:
    // `status`: where the job says it runs and where its file went.
    PrintJob(AppState& state, GraphView& graph, QStatusBar* status);
    ~PrintJob();

    // The printers a job can go to: the system's; tests give the file printer alone.
    const std::function<PrinterList()>& printerList() const { return installedPrinters_; }
    void setInstalledPrinters(std::function<PrinterList()> list) { installedPrinters_ = std::move(list); }

    // Prints the graph on the current printer with the current choices; -1 when there is no
    // printer, else 0.
    std::int16_t PrintOut(const PrintRequest& job);
    // A job reads the store: while it runs, the screen lets go of no segment.
    bool running() const { return running_; }
    // The last graph box drawn for the sheet.
    PictureBox& work() const { return *work_; }

private:
    // Why the current choices cannot be printed; empty when they can.
    QString printRefusal(int range) const;
    void printSheets(const PrinterEntry& printer, const PrintRequest& job, std::int32_t perPage);
    void PageHeader(PrinterSurface& prn, std::int16_t fileNo);
    void PrintMatomeOne(PrinterSurface& prn, const QString& fileName);
    void printVerdict(PrinterSurface& prn, const QStringList& lines);
    void SetPrnPos(PrinterSurface& prn, std::int16_t row, std::int16_t col, const QString& text);
    void SetGraphOrigin(float left, float top);
    // The caption, unit, value and time labels of one graph box on the sheet.
    void SetGraphPrinter(PrinterSurface& prn, const GraphBoxSpec& box);
    // One graph of the job: grid and curve into pctPrintWork, then onto the sheet with its texts.
    void printGraphBox(PrinterSurface& prn, const GraphBoxSpec& box, std::int16_t index, bool printScale,
                       bool withAverage);
    void printBoxes(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index, std::int32_t perPage,
                    bool average);
    void printStrips(PrinterSurface& prn, const PrintLayout& layout, std::int16_t index, std::int32_t perPage,
                     const QString& headerName);

    AppState& st_;
    GraphView& graph_;
    QStatusBar* status_;
    std::unique_ptr<PictureBox> work_;  // pctPrintWork, a window of its own that is never shown
    std::function<PrinterList()> installedPrinters_ = SystemPrinters;
    QString startTime_;  // of the job running
    bool running_ = false;
};

}  // namespace tavin
