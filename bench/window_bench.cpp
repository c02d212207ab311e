// Samples per second through the real main window, offscreen: frame assembly, decoding and the
// recording cycle with its segment drawing and page advances, against the core path alone (the
// same bytes through assembly and decoding) measured in the same run. Also the cost of one
// sample with 300,000 samples stored against 1,000 stored, the heap allocations per stored
// sample in steady state, what the crash-safe journal costs while measuring, and what the console
// costs while it is shown and dumps every received chunk.
#include "AllocCount.h"
#include "DecodingSink.h"
#include "Failed.h"
#include "GaugeFrames.h"
#include "OffscreenProgram.h"
#include "Timing.h"
#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"
#include "window/dialogs/frmComm.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <chrono>
#include <cmath>
#include <cstdio>
#include <string>

using namespace tavin;
using namespace tavin::bench;

namespace {

std::string stream(int frames, int offset)
{
    std::string s;
    sim::FrameSpec wire;
    for (int i = 0; i < frames; ++i) {
        wire.value = 50.0 * std::sin((i + offset) / 300.0);
        s += sim::EncodeFrame(wire);
    }
    return s;
}

// Feeds the bytes to the engine in 4 KB chunks, as its port would deliver a burst, with a
// screen refresh every 32 chunks (about the samples of a thirtieth of a second at the fastest
// gauge); returns seconds. With `screenEvery`, the console's screen takes what the tap gained
// after every that many chunks.
double feed(frmMain& w, const std::string& bytes, int screenEvery = 0)
{
    const auto t0 = Clock::now();
    int chunks = 0;
    for (std::size_t at = 0; at < bytes.size(); at += 4096) {
        w.engine().receive(
            QByteArrayView(bytes.data() + at, qsizetype(std::min<std::size_t>(4096, bytes.size() - at))));
        ++chunks;
        if (chunks % 32 == 0)
            w.RefreshScreen();
        if (screenEvery > 0 && chunks % screenEvery == 0)
            w.comm().showMonitor();
    }
    w.RefreshScreen();
    w.controls().pctGraph1->image();
    QCoreApplication::processEvents();  // the repaints the samples asked for
    return seconds(t0);
}

int failed(const char* condition, const char* found) { return Failed("window_bench", condition, found); }

}  // namespace

int main(int argc, char** argv)
{
    OffscreenProgram program(argc, argv);
    AppState& state = program.state;
    frmMain& w = program.w;
    w.controls().mnuSampling[0]->trigger();  // 1 ms: a 20 s page spans 20,000 samples
    state.Settings.Term = 0;
    state.Settings.MaxDatas = 360000;
    frmComm& comm = w.comm();

    constexpr int Samples = 100000;
    const std::string bytes = stream(Samples, 0);

    // Baseline: the core path alone over the same bytes.
    FrameAssembler a;
    bench::DecodingSink sink;
    auto t0 = Clock::now();
    a.RecvAssemble(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size(), 0, sink);
    const double core = seconds(t0);

    if (!CountsQtAllocations())
        return failed("the allocation counter sees Qt's allocations", "it does not");
    // Warm-up over more than one page, so one-off growth (buffers, glyph caches, the page advance)
    // is done before the counted feed; then the store starts again from empty.
    feed(w, stream(25000, Samples));
    state.store.g_DataCnt = 0;  // the engine is idle: the bench is the store's only user
    w.state().page.showFrom(0);

    const long long allocationsBefore = bench::Allocations();
    const double window = feed(w, bytes);
    const long long allocations = bench::Allocations() - allocationsBefore;
    if (state.store.g_DataCnt != Samples)
        return failed("the window stores every sample",
                      qPrintable(QStringLiteral("%1 of %2").arg(state.store.g_DataCnt.load()).arg(Samples)));
    std::printf("window: %d samples in %.3f s = %.0f samples/s (goal 100,000)\n", Samples, window,
                Samples / window);
    std::printf("core path alone: %.0f frames/s; the window keeps %.1f%% of it\n", Samples / core,
                100.0 * core / window);
    std::printf("allocations per sample: %.1f (goal 0; %lld in %d samples)\n", double(allocations) / Samples,
                allocations, Samples);

    // The cost of a sample must not depend on how many are stored.
    auto perSample = [&](int stored) {
        state.store.g_DataCnt = stored;
        w.state().page.showFrom(stored - stored % 20000);
        const std::string more = stream(20000, stored);
        double best = 1e9;
        for (int round = 0; round < 3; ++round) {
            state.store.g_DataCnt = stored;
            w.state().page.showFrom(stored - stored % 20000);
            best = std::min(best, feed(w, more) / 20000);
        }
        return best;
    };
    const double small = perSample(1000), large = perSample(300000);
    std::printf(
        "per sample: %.2f us with 1,000 stored, %.2f us with 300,000 stored, ratio %.2f (goal <= 1.5)\n",
        small * 1e6, large * 1e6, large / small);

    // The console: every received chunk dumped while it is shown (with "Auto clear", then without)
    // against hidden, rounds alternating. A gauge at 1 ms gives a chunk a millisecond and the
    // screen takes the monitor's lines 20 times a second: once every 50 chunks.
    double hidden = 1e9, shownAuto = 1e9, shownCapped = 1e9;
    for (int round = 0; round < 3 * 5; ++round) {
        const int mode = round % 3;
        comm.setVisible(mode != 0);
        comm.findChild<QCheckBox*>(QStringLiteral("chkAutoClr"))->setChecked(mode == 1);
        state.store.g_DataCnt = 0;  // the engine is idle: the bench is the store's only user
        w.state().page.showFrom(0);
        double& best = mode == 0 ? hidden : mode == 1 ? shownAuto : shownCapped;
        best = std::min(best, feed(w, bytes, 50));
    }
    comm.hide();
    std::printf(
        "console shown: %.0f samples/s with Auto clear, %.0f without, hidden: %.0f; shown keeps %.1f%% and "
        "%.1f%% of hidden (goal >= 50%%)\n",
        Samples / shownAuto, Samples / shownCapped, Samples / hidden, 100.0 * hidden / shownAuto,
        100.0 * hidden / shownCapped);

    // The journal's cost: the same samples while measuring, each round a measurement of its own
    // whose journal goes into a writable folder ("on") or into one that cannot exist, under a
    // regular file, so that the measurement goes on without a journal ("off"). Rounds alternate.
    QTemporaryDir journalDir;
    QFile(journalDir.filePath(QStringLiteral("blocker"))).open(QIODevice::WriteOnly);
    const QString noFolder = journalDir.filePath(QStringLiteral("blocker/rec"));
    const QString documents = state.env.documentsDir;
    const std::uint64_t writesBefore = state.journal.writes(), syncsBefore = state.journal.syncs();
    long long journalAllocations = 0;
    double on = 1e9, off = 1e9;
    constexpr int Rounds = 9;  // of each
    for (int round = 0; round < 2 * Rounds; ++round) {
        const bool journal = round % 2 == 0;
        AcquisitionOptions o = w.acquisitionOptions();
        o.noPort = true;
        // Off: neither the save folder nor the Documents folder, where a journal would go next.
        o.saveDir = journal ? journalDir.path() : noFolder;
        state.env.documentsDir = journal ? documents : noFolder;
        if (const QString why = w.engine().start(o); !why.isEmpty())
            return failed("each round's measurement starts", qPrintable(why));
        w.RefreshScreen();
        w.state().page.showFrom(0);
        const long long before = bench::Allocations();
        const double s = feed(w, bytes);
        const long long roundAllocations = bench::Allocations() - before;
        const bool opened = state.journal.active();
        const int stored = state.store.g_DataCnt;
        w.engine().stop();
        // An "off" round's segment could not be saved either: it is, once the engine is idle and
        // the Documents folder can be written again.
        state.env.documentsDir = documents;
        w.engine().saveUnsaved();
        w.RefreshScreen();
        if (opened != journal)
            return failed(journal ? "a journal is open in the rounds with one"
                                  : "no journal is open in the rounds without",
                          opened ? "one is open" : "none is open");
        if (stored != Samples)
            return failed("each round stores every sample",
                          qPrintable(QStringLiteral("%1 of %2").arg(stored).arg(Samples)));
        if (w.engine().view().unsaved != 0)
            return failed("each round's segment is saved", "it is kept in memory");
        if (!journal) {
            off = std::min(off, s);
            continue;
        }
        on = std::min(on, s);
        journalAllocations += roundAllocations;
    }
    std::printf("journal on: %.0f samples/s, off: %.0f samples/s, on keeps %.1f%% of off (goal >= 90%%)\n",
                Samples / on, Samples / off, 100.0 * off / on);
    std::printf("journal in %d rounds of %d samples: %llu write() and %llu fdatasync() calls, "
                "%.1f allocations per sample (%lld)\n",
                Rounds, Samples, (unsigned long long)(state.journal.writes() - writesBefore),
                (unsigned long long)(state.journal.syncs() - syncsBefore),
                double(journalAllocations) / (double(Rounds) * Samples), journalAllocations);
    if (const QStringList left = QDir(journalDir.path()).entryList({QStringLiteral("*.journal")});
        !left.isEmpty())
        return failed("no journal is left behind once its segment is saved", qPrintable(left.join(u' ')));
    w.close();
    return 0;
}
