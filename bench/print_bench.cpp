// Printing all data of a full store: 360,001 samples at 1 s, printed as 300-second strips over as
// many sheets as they need into the PDF file printer, beside one screen repaint of the same data
// in the same run (a page spanning the whole store, and the 300-second page the strips show).
#include "OffscreenProgram.h"
#include "Timing.h"
#include "window/widgets/Controls.h"

#include <QComboBox>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

#include <cmath>
#include <cstdio>
#include <random>

using namespace tavin;
using namespace tavin::bench;

int main(int argc, char** argv)
{
    OffscreenProgram program(argc, argv);
    AppState& state = program.state;
    frmMain& w = program.w;
    w.setInstalledPrinters(FilePrinterOnly);
    state.Settings.SaveDir = program.t.dir.path();
    w.controls().mnuPlusRange[7]->trigger();  // 0 .. 125
    w.SelectSampling(QStringLiteral("1000"));
    constexpr int Stored = 360001;
    std::mt19937 rng(7);
    std::normal_distribution<float> noise(0.0f, 3.0f);
    for (int i = 0; i < Stored; ++i) {
        state.store.g_Datas[std::size_t(i)] = 60.0f + 40.0f * std::sin(float(i) / 900.0f) + noise(rng);
        state.store.g_DataTime[std::size_t(i)] = 46000.375 + i / 86400.0;
    }
    state.store.g_DataCnt = Stored;
    w.state().page.showFrom(0);

    w.controls().cmbPageSec->setCurrentIndex(17);  // 432000 s: one page holds the whole store
    w.state().page.showFrom(0);
    const double whole = best(5, [&] { w.pctGraph1_Paint(); });
    w.controls().cmbPageSec->setCurrentIndex(8);  // 300 s, the strips' length
    w.state().page.showFrom(0);
    const double page = best(5, [&] { w.pctGraph1_Paint(); });

    state.print.PrintPortrait = false;
    state.print.PrintAll = false;
    const double sheet = best(5, [&] { w.PrintOut(); });  // the two pages from the first on
    state.print.PrintAll = true;
    const double job = best(3, [&] { w.PrintOut(); });
    const QString pdf = state.print.PrintFilePath;
    QProcess info;
    info.start(QStringLiteral("pdfinfo"), {pdf});
    info.waitForFinished();
    const QString pages = QString::fromUtf8(info.readAllStandardOutput())
                              .section(QStringLiteral("Pages:"), 1)
                              .section(u'\n', 0, 0)
                              .trimmed();

    std::printf("screen repaint: a page of all %d samples %.2f ms, a 300 s page %.2f ms\n", Stored,
                whole * 1e3, page * 1e3);
    std::printf("one landscape sheet (two 300 s boxes) to PDF: %.1f ms\n", sheet * 1e3);
    std::printf("all data printed to PDF (1200 strips of 300 s): %.0f ms = %.0f repaints of the whole store, "
                "%s sheets, %.1f MB (%.1f KB a sheet)\n",
                job * 1e3, job / whole, qPrintable(pages), QFileInfo(pdf).size() / 1e6,
                QFileInfo(pdf).size() / 1e3 / std::max(1, pages.toInt()));
    if (argc > 1)  // a folder to keep the PDF in, to look at it
        QFile::copy(pdf, QString::fromLocal8Bit(argv[1]) + u'/' + QFileInfo(pdf).fileName());
    w.close();
    return 0;
}
