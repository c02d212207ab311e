// What a user pays for a live measurement: the real main window with its real event loop, started
// with its start button on the simulated gauge's pseudo-terminal, which sends a frame every
// millisecond. Reports the program's CPU time per frame (the gauge is a process of its own and is
// not counted), split by thread, beside the core path's time per frame over the same bytes
// measured in the same run; frames sent against samples stored, how often the graph is repainted
// and the counter label changes per second, heap allocations and waits per frame, and how often
// the journal writes and syncs. Runs on any Qt platform: offscreen, or an X server (Xvfb) where
// the cost of getting pixels to the screen is part of the bill; with the accessibility bridge when
// the session has one (QT_LINUX_ACCESSIBILITY_ALWAYS_ON=1 and an accessibility bus), whose label
// updates travel over D-Bus to any listener registered there. With --mqtt the window streams the
// measurement to that broker, as a user who set MqttUrl has it do (bench/stream_compare). The last
// line sums the figures up for bench/live_compare and bench/stream_compare.
//
//   live_bench [--frames N] [--mqtt URL [--mqtt-topic TOPIC]]
//     N frames in all (default 21000: 1000 to settle, 20 s measured); URL mqtt://host:port, TOPIC
//     the topics' root (default: the window's own)
#include "AllocCount.h"
#include "DecodingSink.h"
#include "GaugeFrames.h"
#include "GaugeSim.h"
#include "Timing.h"
#include "core/app/AppState.h"
#include "core/decode/Decoders.h"
#include "core/serial/FrameAssembler.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAccessible>
#include <QAction>
#include <QApplication>
#include <QEvent>
#include <QEventLoop>
#include <QPainter>
#include <QPushButton>
#include <QTimer>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <string>
#include <vector>

using namespace tavin;
using bench::Clock;

namespace {

// The window's controls: behind controls() now, members of the window itself in the baseline
// build that bench/live_compare builds with this file.
template <class W>
auto& controls(W& w)
{
    if constexpr (requires { w.controls(); })
        return w.controls();
    else
        return w;
}

// The engine's state now, a flag of the window in the baseline build.
template <class W>
bool measuring(const W& w)
{
    if constexpr (requires { w.measuring(); })
        return w.measuring();
    else
        return w.Measuring != 0;
}

// Streaming to a broker, set where the start button takes it from: the settings. False for the
// baseline build, which has no streaming.
template <class S>
bool streamTo(S& settings, const QString& url, const QString& topic)
{
    if constexpr (requires { settings.MqttUrl; }) {
        settings.MqttUrl = url;
        settings.MqttTopic = topic;
        return true;
    } else {
        return false;
    }
}

// The broker's state as the window's status bar shows it.
template <class W>
QString streamLabel(W& w)
{
    if constexpr (requires { controls(w).lblStream; })
        return controls(w).lblStream->text();
    else
        return {};
}

constexpr int ComNumber = 7;
constexpr int Kind = 0;             // VRT50
constexpr int SettleFrames = 1000;  // stored before the measuring period starts

// Samples in the store: the one place that knows where the store keeps its count.
int storedSamples(const AppState& s) { return int(s.store.g_DataCnt); }

// The frames gauge-sim sends with --kind 0 and its default wave (a sine of amplitude 1, 100
// frames a cycle), back to back in one buffer, with where each one ends.
struct GaugeStream {
    std::string bytes;
    std::vector<std::size_t> ends;
};

GaugeStream gaugeFrames(int count)
{
    GaugeStream s;
    s.ends.reserve(std::size_t(count));
    sim::FrameSpec wire;
    wire.kind = Kind;
    for (int i = 0; i < count; ++i) {
        wire.value = std::sin(2.0 * M_PI * double(i) / 100.0);
        s.bytes += sim::EncodeFrame(wire);
        s.ends.push_back(s.bytes.size());
    }
    return s;
}

// The core path alone over the same frames: assembly and decoding, one frame per call as the
// port delivers them at 1 ms. Best of five rounds, in seconds per frame.
double corePerFrame(const GaugeStream& s)
{
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(s.bytes.data());
    double best = 1e9;
    for (int round = 0; round < 5; ++round) {
        FrameAssembler a;
        bench::DecodingSink sink;
        const auto t0 = Clock::now();
        std::size_t at = 0;
        for (const std::size_t end : s.ends) {
            a.RecvAssemble(bytes + at, end - at, Kind, sink);
            at = end;
        }
        const double seconds = std::chrono::duration<double>(Clock::now() - t0).count();
        if (sink.frames != long(s.ends.size())) {
            std::fprintf(stderr, "core path decoded %ld of %zu frames\n", sink.frames, s.ends.size());
            std::exit(1);
        }
        best = std::min(best, seconds / double(s.ends.size()));
    }
    return best;
}

// Counts the paint events a widget receives.
// Counts the events of one type that reach the objects it filters: a widget's paint events, or the
// window's update requests (each one repaint cycle of the window: its dirty controls painted and
// the result sent to the display).
class EventCounter : public QObject {
public:
    explicit EventCounter(QEvent::Type type) : type_(type) {}
    long count = 0;

protected:
    bool eventFilter(QObject*, QEvent* e) override
    {
        if (e->type() == type_)
            ++count;
        return false;
    }

private:
    QEvent::Type type_;
};

// Qt's own cost of one repaint cycle, the least any window pays: a window whose one change is an
// opaque control filled with one colour, repainted through the event loop. Heap allocations per
// repaint.
double repaintFloor()
{
    struct Box : QWidget {
        using QWidget::QWidget;
        int colour = 0;
        void paintEvent(QPaintEvent*) override
        {
            QPainter(this).fillRect(rect(), ++colour & 1 ? Qt::red : Qt::blue);
        }
    };
    QWidget window;
    window.resize(400, 300);
    auto* box = new Box(&window);
    box->setAttribute(Qt::WA_OpaquePaintEvent);
    box->setGeometry(10, 10, 100, 40);
    window.show();
    auto repaint = [&] {
        const int before = box->colour;
        box->update();
        while (box->colour == before)
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    };
    for (int i = 0; i < 10; ++i)  // shown, fonts and buffers made
        repaint();
    constexpr int Repaints = 60;
    const long long a = bench::Allocations();
    for (int i = 0; i < Repaints; ++i)
        repaint();
    return double(bench::Allocations() - a) / Repaints;
}

// Where the program stands at one moment.
struct Snapshot {
    Clock::time_point at;
    double cpu = 0;
    long long allocations = 0;
    long waits = 0;
    int stored = 0;
    long paints = 0;
    long repaints = 0;
    long counterChanges = 0;
    std::uint64_t journalWrites = 0;
    std::uint64_t journalSyncs = 0;
    std::map<std::string, double> threads;  // CPU seconds by thread name
};

struct Arguments {
    int frames = 21000;
    QString mqttUrl;    // empty: no streaming
    QString mqttTopic;  // empty: the window's default
};

Arguments arguments(int argc, char** argv)
{
    Arguments a;
    for (int i = 1; i < argc; ++i) {
        const bool valued = i + 1 < argc;
        if (std::strcmp(argv[i], "--frames") == 0 && valued)
            a.frames = std::atoi(argv[++i]);
        else if (std::strcmp(argv[i], "--mqtt") == 0 && valued)
            a.mqttUrl = QString::fromLocal8Bit(argv[++i]);
        else if (std::strcmp(argv[i], "--mqtt-topic") == 0 && valued)
            a.mqttTopic = QString::fromLocal8Bit(argv[++i]);
        else {
            std::fprintf(stderr,
                         "usage: live_bench [--frames N] [--mqtt URL [--mqtt-topic TOPIC]]   (N > %d)\n",
                         SettleFrames);
            std::exit(2);
        }
    }
    if (a.frames <= SettleFrames) {
        std::fprintf(stderr, "live_bench: --frames must be more than %d\n", SettleFrames);
        std::exit(2);
    }
    if (!a.mqttTopic.isEmpty() && a.mqttUrl.isEmpty()) {
        std::fprintf(stderr, "live_bench: --mqtt-topic goes with --mqtt\n");
        std::exit(2);
    }
    return a;
}

}  // namespace

int main(int argc, char** argv)
{
    // Without a display the offscreen platform; with one (Xvfb under bench/run) the real thing.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") && qEnvironmentVariableIsEmpty("DISPLAY") &&
        qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const Arguments args = arguments(argc, argv);
    const int Frames = args.frames;
    if (!bench::CountsQtAllocations()) {
        std::fprintf(stderr, "live_bench: the allocation counter does not see Qt's allocations\n");
        return 1;
    }

    // Baseline, before the gauge starts: the core path over the frames the gauge will send.
    const double core = corePerFrame(gaugeFrames(Frames - SettleFrames));

    // The gauge first, so that its port is listed when the window builds its port menu.
    test::TestEnv t;
    bench::GaugeSim sim(t.dir.path(), ComNumber, Kind, Frames);
    if (!sim.ready()) {
        std::fprintf(stderr, "live_bench: gauge-sim made no port\n");
        return 2;
    }

    AppEnv env = t.env();
    env.clock = nullptr;  // samples carry the real time
    AppState state(env);
    frmMain w(state);
    w.show();

    // As a user does it: the gauge kind, the port and the 1 ms sampling period from the menus.
    controls(w).mnuTermKind[Kind]->trigger();
    const QString portPrefix = QStringLiteral("COM%1(").arg(ComNumber);
    for (QAction* a : controls(w).mnuCom)
        if (a->isVisible() && a->text().startsWith(portPrefix))
            a->trigger();
    controls(w).mnuSampling[0]->trigger();
    if (state.Settings.ComPort != ComNumber || state.Settings.Term != Kind || state.Settings.Sampling != 1) {
        std::fprintf(stderr, "live_bench: the menus chose COM%d, kind %d, %d ms\n",
                     int(state.Settings.ComPort), int(state.Settings.Term), int(state.Settings.Sampling));
        return 2;
    }
    if (!args.mqttUrl.isEmpty() && !streamTo(state.Settings, args.mqttUrl, args.mqttTopic)) {
        std::fprintf(stderr, "live_bench: this build does not stream\n");
        return 2;
    }

    EventCounter paintCounter(QEvent::Paint), repaintCounter(QEvent::UpdateRequest);
    controls(w).pctGraph1->installEventFilter(&paintCounter);
    w.installEventFilter(&repaintCounter);
    long counterChanges = 0;

    QEventLoop loop;
    Snapshot start, end;
    bool started = false, ended = false, timedOut = false;
    auto snapshot = [&](int stored) {
        return Snapshot{Clock::now(),
                        test::CpuSeconds(),
                        bench::Allocations(),
                        bench::Waits(),
                        stored,
                        paintCounter.count,
                        repaintCounter.count,
                        counterChanges,
                        state.journal.writes(),
                        state.journal.syncs(),
                        bench::ThreadSeconds()};
    };
    // The measuring period runs from the first look at the store that finds SettleFrames samples
    // to the first that finds them all. The store is looked at whenever the counter label changes
    // and, in case the label falls behind, ten times a second.
    auto look = [&] {
        const int stored = storedSamples(state);
        if (!started && stored >= SettleFrames) {
            started = true;
            start = snapshot(stored);
        }
        if (started && !ended && stored >= Frames) {
            ended = true;
            end = snapshot(stored);
            loop.quit();
        }
    };
    QObject::connect(controls(w).lblCounter, &Label::Change, &loop, [&] {
        ++counterChanges;
        look();
    });
    const auto deadline = Clock::now() + std::chrono::milliseconds(2 * Frames + 15000);
    QTimer backstop;
    QObject::connect(&backstop, &QTimer::timeout, &loop, [&] {
        look();
        if (!ended && Clock::now() > deadline) {
            timedOut = true;
            loop.quit();
        }
    });
    backstop.start(100);
    // Start once the window is up and the event loop runs.
    bool opened = false;
    QTimer::singleShot(300, &loop, [&] {
        controls(w).cmdOpen->click();
        opened = measuring(w);
        if (!opened)
            loop.quit();
    });
    loop.exec();
    backstop.stop();

    const int stored = storedSamples(state);
    const QString stream = streamLabel(w);
    if (opened)
        controls(w).cmdClose->click();
    const long sent = sim.stop();
    w.close();

    if (!opened) {
        std::fprintf(stderr, "live_bench: the measurement did not start (port COM%d)\n", ComNumber);
        for (const auto& p : t.prompts.shown)
            std::fprintf(stderr, "  message: %s\n", qPrintable(p.text));
        return 2;
    }

    const bool a11y = QAccessible::isActive();
    std::printf(
        "platform %s, accessibility bridge %s; gauge-sim kind %d every 1 ms, %d frames (the first %d to "
        "settle)\n",
        qPrintable(QGuiApplication::platformName()), a11y ? "on" : "off", Kind, Frames, SettleFrames);
    if (!args.mqttUrl.isEmpty())
        std::printf("streaming to %s; at the end of the measuring period: %s\n", qPrintable(args.mqttUrl),
                    qPrintable(stream));
    if (started && ended) {
        const double wall = std::chrono::duration<double>(end.at - start.at).count();
        const int frames = end.stored - start.stored;
        const double cpu = end.cpu - start.cpu;
        const double perFrame = cpu / frames;
        std::printf("measured %d frames in %.2f s = %.0f frames/s stored (the gauge sends 1000)\n", frames,
                    wall, frames / wall);
        std::printf("program CPU: %.1f us a frame = %.1f%% of one core (goal: at most 20 us a frame)\n",
                    perFrame * 1e6, 100.0 * cpu / wall);
        // The window's own thread is the main thread, named after the program; the engine's is "acquisition".
        auto threadUs = [&](const std::string& name) {
            const auto a = start.threads.find(name), b = end.threads.find(name);
            return b == end.threads.end()
                       ? 0.0
                       : (b->second - (a == start.threads.end() ? 0 : a->second)) / frames * 1e6;
        };
        const std::string gui = QCoreApplication::applicationName().toStdString();
        std::printf("by thread, us a frame:");
        const char* separator = " ";
        for (const auto& [name, seconds] : end.threads)
            if (threadUs(name) >= 0.05) {
                std::printf("%s%s %.2f", separator, name == gui ? "GUI (main)" : name.c_str(),
                            threadUs(name));
                separator = ", ";
            }
        std::printf("\n");
        std::printf(
            "core path alone, same frames: %.3f us a frame -> the program pays %.0f times the core path\n",
            core * 1e6, perFrame / core);
        std::printf("graph paint events: %.1f a second; counter label changes: %.1f a second (goal at least "
                    "25 each)\n",
                    double(end.paints - start.paints) / wall,
                    double(end.counterChanges - start.counterChanges) / wall);
        const double allocations = double(end.allocations - start.allocations) / frames;
        std::printf("allocations per frame: %.2f (goal: at most 0.5)\n", allocations);
        const double repaints = double(end.repaints - start.repaints) / wall, floor = repaintFloor();
        std::printf(
            "repaint cycles of the window: %.1f a second; Qt's least repaint, same run: %.1f allocations "
            "(one opaque control filled) -> %.2f allocations a frame from repainting alone\n",
            repaints, floor, repaints * floor / (frames / wall));
        const double waits = double(end.waits - start.waits) / frames;
        std::printf("waits per frame: %.2f (voluntary context switches, all threads)\n", waits);
        const auto writes = end.journalWrites - start.journalWrites,
                   syncs = end.journalSyncs - start.journalSyncs;
        std::printf("journal: %.2f write() and %.2f fdatasync() calls a second (%s)\n", double(writes) / wall,
                    double(syncs) / wall, writes > 0 ? "being written" : "NOT WRITTEN");
        std::printf(
            "summary: cpu_us=%.3f core_pct=%.3f allocs=%.4f waits=%.3f gui_us=%.3f engine_us=%.3f a11y=%d "
            "repaints=%.2f repaint_floor=%.2f stored=%d sent=%ld\n",
            perFrame * 1e6, 100.0 * cpu / wall, allocations, waits, threadUs(gui), threadUs("acquisition"),
            int(a11y), repaints, floor, stored, sent);
    } else {
        std::printf("no measuring period: %s after %d samples stored\n", timedOut ? "timed out" : "stopped",
                    stored);
    }
    std::printf("frames sent %ld, samples stored %d: %s\n", sent, stored,
                sent == stored && stored == Frames ? "nothing lost" : "SAMPLES LOST");
    return sent == stored && stored == Frames ? 0 : 1;
}
