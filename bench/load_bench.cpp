// Loading a recording of 360,000 samples in read-out mode through the real window (file dialog
// answer, header, store, counter, pages, repaint) against the core reader alone on the same file
// in the same run: what the window adds to what the parsing costs.
#include "Failed.h"
#include "OffscreenProgram.h"
#include "Timing.h"
#include "core/files/CsvReader.h"
#include "core/files/CsvWriter.h"

#include <QApplication>
#include <QFile>
#include <QRadioButton>

#include <chrono>
#include <cmath>
#include <cstdio>

using namespace tavin;
using namespace tavin::bench;

int main(int argc, char** argv)
{
    OffscreenProgram program(argc, argv);
    frmMain& w = program.w;
    w.controls().optMode[1]->setChecked(true);

    constexpr int Samples = 360000;
    std::vector<float> values(Samples);
    std::vector<OleDate> times(Samples);
    for (int i = 0; i < Samples; ++i) {
        values[std::size_t(i)] = std::round(500 * std::sin(i / 900.0)) / 100.0f;
        times[std::size_t(i)] = 46362.5 + (i / 1000) / 86400.0;
    }
    const CsvHeader h{QStringLiteral("2026年12月6日 12:00:00"), 1, 1, "5", "0", "kPa", 1.0f};
    const QString path = program.t.path("load.csv");
    {
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) ||
            !WriteCsv(f, h, values.data(), times.data(), 0, Samples - 1, "2026年12月6日 12:06:00"))
            return bench::Failed("load_bench", "the recording is written", qPrintable(f.errorString()));
    }

    SampleStore store;
    // The core reads the file as the window does: the bytes its lines need, then the samples.
    const double core = best(7, [&] {
        const CsvFileBytes file = ReadCsvFile(path, SampleStore::Capacity - 1);
        const CsvHeaderLine header = ReadCsvHeader(file.bytes);
        store.ave.AveReset(1000);
        ReadCsvSamples(file.bytes, header.next, header.header.start, store, SampleStore::Capacity - 1, {},
                       file.whole);
    });
    const double window = best(7, [&] { w.LoadCsvFile(path); });
    if (program.state.store.g_DataCnt != Samples || store.g_DataCnt != Samples)
        return bench::Failed("load_bench", "every sample is loaded",
                             qPrintable(QStringLiteral("window %1, core reader %2 of %3")
                                            .arg(program.state.store.g_DataCnt.load())
                                            .arg(store.g_DataCnt.load())
                                            .arg(Samples)));
    std::printf("load of %d lines: window %.1f ms, core reader %.1f ms, ratio %.2f (goal <= 1.5)\n", Samples,
                window * 1e3, core * 1e3, window / core);
    w.close();
    return 0;
}
