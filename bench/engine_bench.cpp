// What the measurement costs without any window: the acquisition engine on its own thread, with
// its real port, store and journal, fed by the simulated gauge on a pseudo-terminal sending a frame
// every millisecond. Reports the CPU time per frame of the engine's thread (the port's reads
// included; the gauge is a process of its own) and of the whole process, and heap allocations per
// frame, beside a bare poll()/read() loop that
// cuts and decodes the same gauge's frames, measured in the same run: the least any reader that
// wakes for every frame pays; and the same loop reading every 10 ms, several frames a read.
//
//   engine_bench [--frames N]     N frames to the engine (default 21000: 1000 to settle, 20 s measured)
#include "AllocCount.h"
#include "DecodingSink.h"
#include "GaugeSim.h"
#include "Timing.h"
#include "core/app/AppState.h"
#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"
#include "engine/Acquisition.h"
#include "support/TestEnv.h"

#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QTimer>

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace tavin;
using bench::Clock;

namespace {

constexpr int ComNumber = 7;
constexpr int Kind = 0;             // VRT50
constexpr int SettleFrames = 1000;  // received before the measuring period starts
constexpr int BareFrames = 6000;    // a bare loop's run: 1 s to settle, 5 s measured

struct Snapshot {
    Clock::time_point at;
    double cpu = 0;
    double engineCpu = 0;  // the engine's thread alone
    long long allocations = 0;
    long waits = 0;
    long frames = 0;
    std::uint64_t journalWrites = 0, journalSyncs = 0;
};

Snapshot snapshot(long frames)
{
    const auto threads = bench::ThreadSeconds();
    const auto engine = threads.find("acquisition");
    return {Clock::now(),         test::CpuSeconds(), engine == threads.end() ? 0.0 : engine->second,
            bench::Allocations(), bench::Waits(),     frames};
}

struct Figures {
    double seconds = 0, cpuPerFrame = 0, engineCpuPerFrame = 0, coreShare = 0, allocationsPerFrame = 0,
           waitsPerFrame = 0;
    long frames = 0;
};

Figures between(const Snapshot& a, const Snapshot& b)
{
    Figures f;
    f.seconds = std::chrono::duration<double>(b.at - a.at).count();
    f.frames = b.frames - a.frames;
    f.cpuPerFrame = (b.cpu - a.cpu) / double(f.frames);
    f.engineCpuPerFrame = (b.engineCpu - a.engineCpu) / double(f.frames);
    f.coreShare = (b.cpu - a.cpu) / f.seconds;
    f.allocationsPerFrame = double(b.allocations - a.allocations) / double(f.frames);
    f.waitsPerFrame = double(b.waits - a.waits) / double(f.frames);
    return f;
}

// The floor: the port read with poll() and read(), cut and decoded, nothing kept; as fast as frames
// come, or with a pause after each read. Returns the figures over its measuring period, or
// frames = 0 when it got none.
Figures bareReader(const QString& dir, int pauseMs)
{
    bench::GaugeSim sim(dir, ComNumber, Kind, BareFrames);
    const QByteArray port = QFile::encodeName(sim.link());
    const int fd = sim.ready() ? ::open(port.constData(), O_RDONLY | O_NOCTTY | O_NONBLOCK) : -1;
    if (fd < 0) {
        std::fprintf(stderr, "engine_bench: gauge-sim's port cannot be opened\n");
        return {};
    }
    FrameAssembler assembler;
    bench::DecodingSink sink;
    std::uint8_t buffer[16 * 1024];
    Snapshot start, end;
    bool started = false;
    pollfd p{fd, POLLIN, 0};
    while (sink.frames < BareFrames && (::poll(&p, 1, 10000) > 0)) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EAGAIN)
            continue;
        if (n <= 0)
            break;  // the gauge is gone
        assembler.RecvAssemble(buffer, std::size_t(n), Kind, sink);
        if (pauseMs > 0)
            ::usleep(useconds_t(pauseMs) * 1000);
        if (!started && sink.frames >= SettleFrames) {
            started = true;
            start = snapshot(sink.frames);
        }
    }
    end = snapshot(sink.frames);
    ::close(fd);
    if (!started || sink.frames != BareFrames) {
        std::fprintf(stderr, "engine_bench: the bare loop (pause %d ms) got %ld of %d frames\n", pauseMs,
                     sink.frames, BareFrames);
        return {};
    }
    return between(start, end);
}

int framesArgument(int argc, char** argv)
{
    int frames = 21000;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--frames") == 0 && i + 1 < argc)
            frames = std::atoi(argv[++i]);
        else
            frames = 0;
    }
    if (frames <= SettleFrames) {
        std::fprintf(stderr, "usage: engine_bench [--frames N]   (N > %d)\n", SettleFrames);
        std::exit(2);
    }
    return frames;
}

}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const int Frames = framesArgument(argc, argv);
    if (!bench::CountsQtAllocations()) {
        std::fprintf(stderr, "engine_bench: the allocation counter does not see Qt's allocations\n");
        return 1;
    }
    test::TestEnv t;

    const Figures bare = bareReader(t.dir.path(), 0), paced = bareReader(t.dir.path(), 10);
    if (bare.frames == 0 || paced.frames == 0)
        return 2;

    bench::GaugeSim sim(t.dir.path(), ComNumber, Kind, Frames);
    if (!sim.ready()) {
        std::fprintf(stderr, "engine_bench: gauge-sim made no port\n");
        return 2;
    }
    AppEnv env = t.env();
    env.clock = nullptr;  // samples carry the real time
    AppState state(env);
    Acquisition engine(state.env, state.log, state.store, state.journal, state.unsaved);
    AcquisitionOptions options;
    options.port = ComNumber;
    options.term = Kind;
    options.sampling = 1;
    options.saveDir = t.path(QStringLiteral("recordings"));
    options.baseName = QStringLiteral("engine");
    QDir().mkpath(options.saveDir);

    // The measuring period runs from the first look that finds SettleFrames frames received to
    // the first that finds them all; the engine is looked at twenty times a second.
    QEventLoop loop;
    Snapshot start, end;
    bool started = false, ended = false;
    const auto deadline = Clock::now() + std::chrono::milliseconds(2 * Frames + 15000);
    auto take = [&](long frames) {
        Snapshot s = snapshot(frames);
        s.journalWrites = state.journal.writes();
        s.journalSyncs = state.journal.syncs();
        return s;
    };
    QTimer look;
    QObject::connect(&look, &QTimer::timeout, &loop, [&] {
        const long frames = long(engine.frames());
        if (!started && frames >= SettleFrames) {
            started = true;
            start = take(frames);
        }
        if (started && frames >= Frames) {
            ended = true;
            end = take(frames);
        }
        if (ended || Clock::now() > deadline)
            loop.quit();
    });
    if (const QString why = engine.start(options); !why.isEmpty()) {
        std::fprintf(stderr, "engine_bench: the measurement did not start: %s\n", qPrintable(why));
        return 2;
    }
    look.start(50);
    loop.exec();
    look.stop();
    const int stored = int(state.store.g_DataCnt);
    const long seen = long(engine.frames());
    engine.stop();
    const long sent = sim.stop();

    std::printf("engine alone: gauge-sim kind %d every 1 ms, %d frames (the first %d to settle)\n", Kind,
                Frames, SettleFrames);
    auto reader = [](const char* what, const Figures& f) {
        std::printf("%-44s %6.2f us a frame = %.2f%% of one core, %.2f waits and %.3f allocations a frame\n",
                    what, f.cpuPerFrame * 1e6, 100 * f.coreShare, f.waitsPerFrame, f.allocationsPerFrame);
    };
    reader("bare poll()/read() loop, cutting, decoding:", bare);
    reader("the same loop reading every 10 ms:", paced);
    const bool lost = !(sent == stored && stored == Frames && seen == Frames);
    if (ended) {
        const Figures f = between(start, end);
        std::printf("measured %ld frames in %.2f s = %.0f frames/s received (the gauge sends 1000)\n",
                    f.frames, f.seconds, double(f.frames) / f.seconds);
        reader("the process (engine, and this bench's look):", f);
        std::printf("%-44s %6.2f us a frame\n", "the engine's thread:", f.engineCpuPerFrame * 1e6);
        std::printf(
            "the engine's thread pays %.2f times the bare loop, %.2f times the loop reading every 10 ms "
            "(goals: at most 5 us and 0.5 allocations a frame)\n",
            f.engineCpuPerFrame / bare.cpuPerFrame, f.engineCpuPerFrame / paced.cpuPerFrame);
        std::printf("journal: %.2f write() and %.2f fdatasync() calls a second\n",
                    double(end.journalWrites - start.journalWrites) / f.seconds,
                    double(end.journalSyncs - start.journalSyncs) / f.seconds);
        std::printf("summary: engine_us=%.3f cpu_us=%.3f core_pct=%.3f allocs=%.4f waits=%.3f floor_us=%.3f "
                    "paced_us=%.3f stored=%d sent=%ld\n",
                    f.engineCpuPerFrame * 1e6, f.cpuPerFrame * 1e6, 100 * f.coreShare, f.allocationsPerFrame,
                    f.waitsPerFrame, bare.cpuPerFrame * 1e6, paced.cpuPerFrame * 1e6, stored, sent);
    } else {
        std::printf("no measuring period: timed out after %ld frames received\n", seen);
    }
    std::printf("frames sent %ld, received %ld, stored %d: %s\n", sent, seen, stored,
                lost ? "FRAMES LOST" : "nothing lost");
    return ended && !lost ? 0 : 1;
}
