// Writes and reads a recording of 360,001 samples with the program's own CSV writer and reader,
// timing each, and writes the same samples with their moving average as an analysis CSV to
// FILE.analysis.csv; bench/csv_compare.py runs it next to Python's csv module and pandas.
//   csv_bench FILE SECONDS_PER_TIME_STAMP_STEP(1 or 0.001)
#include "Failed.h"
#include "core/files/AnalysisCsv.h"
#include "core/files/CsvReader.h"
#include "core/files/CsvWriter.h"
#include "core/trend/SampleStore.h"

#include <QFile>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <vector>

using namespace tavin;
using Clock = std::chrono::steady_clock;

static int failed(const char* condition, const QString& found)
{
    return bench::Failed("csv_bench", condition, qPrintable(found));
}

int main(int argc, char** argv)
{
    if (argc != 3) {
        std::fprintf(stderr, "usage: csv_bench FILE STEP_SECONDS\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    const double step = std::atof(argv[2]);
    constexpr int Samples = 360001;
    std::vector<float> values(Samples);
    std::vector<OleDate> times(Samples);
    const double start = 46362.5;
    for (int i = 0; i < Samples; ++i) {
        // Values as a gauge sends them: a few significant digits.
        values[std::size_t(i)] =
            float(std::round((50.0 * std::sin(i / 500.0) + 0.001 * (i % 1000)) * 100) / 100);
        // Times to the whole second, as the program stamps samples.
        times[std::size_t(i)] = start + std::floor(i * step) / 86400.0;
    }
    const CsvHeader h{
        QStringLiteral("2026年12月6日 12:00:00"), 1, std::round(step * 1000), "100", "0", "kPa", 1.0f};

    double best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        QFile::remove(path);  // a new file each time, as the program writes them
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !WriteCsv(f, h, values.data(), times.data(), 0, Samples - 1, "2026年12月7日 0:00:00"))
            return failed("the recording is written", f.errorString());
        f.close();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("write %.4f\n", best);

    // A moving average of the last ten samples, as the store keeps one beside the values.
    std::vector<float> averages(Samples);
    double sum = 0;
    for (int i = 0; i < Samples; ++i) {
        sum += values[std::size_t(i)] - (i >= 10 ? values[std::size_t(i - 10)] : 0.0f);
        averages[std::size_t(i)] = float(sum / std::min(i + 1, 10));
    }
    const QString analysisPath = path + QStringLiteral(".analysis.csv");
    const AnalysisColumns columns{QStringLiteral("kPa"), 1.0f, true, h.sampling};
    best = 1e9;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        QFile::remove(analysisPath);
        QFile f(analysisPath);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            !WriteAnalysisCsv(f, columns, values.data(), averages.data(), times.data(), 0, Samples - 1))
            return failed("the analysis CSV is written", f.errorString());
        f.close();
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("analysis %.4f\n", best);

    SampleStore store;
    const std::vector<float>& back = store.g_Datas;
    const std::vector<OleDate>& backTimes = store.g_DataTime;
    best = 1e9;
    CsvSamples r;
    for (int round = 0; round < 7; ++round) {
        const auto t0 = Clock::now();
        QFile f(path);
        if (!f.open(QIODevice::ReadOnly))
            return failed("the recording opens for reading", f.errorString());
        const uchar* mapped = f.map(0, f.size());
        const QByteArrayView bytes(reinterpret_cast<const char*>(mapped), f.size());
        const CsvHeaderLine header = ReadCsvHeader(bytes);
        store.ave.AveReset(1000);
        r = ReadCsvSamples(bytes, header.next, header.header.start, store, 360000);
        best = std::min(best, std::chrono::duration<double>(Clock::now() - t0).count());
    }
    std::printf("read %.4f\n", best);
    // The reader keeps 360000 sample lines; everything it kept must be what was written.
    for (int i = 0; i < r.dataCnt; ++i)
        if (back[std::size_t(i)] != values[std::size_t(i)] ||
            std::fabs(backTimes[std::size_t(i)] - times[std::size_t(i)]) > 1e-9) {
            return failed("the recording reads back as written", QStringLiteral("sample %1 differs").arg(i));
        }
    std::printf("samples %d\n", r.dataCnt);
    return 0;
}
