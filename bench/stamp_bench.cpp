// Time stamps while the window is held up: the real main window measures gauge-sim at 1 ms, each
// frame's line carrying the moment its write ended. In one run the window's thread runs free (the
// baseline); in the other it is held up for two seconds by a handler that sleeps and for two by a
// modal box nobody answers. For each run: the frames stored against those sent, and how many were
// stamped with the second their write ended in, allowing 2 ms (a frame written at .999 s may be
// read in the next second). The engine stamps frames on its own thread, so the held-up run should
// keep the free run's share. A busy machine lowers both: that is why this is a figure here and
// not an assertion of a test.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/DateTime.h"
#include "support/TestEnv.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <optional>

using namespace tavin;

namespace {

constexpr int Frames = 6000;
constexpr int HoldMs = 2000;

struct Figures {
    int sent = 0;
    int stored = 0;
    int onTime = 0;      // stamped in the second of the write, 2 ms allowed
    int early = 0;       // stamped in a second before the write's
};

// The whole second `ms` (since 1970) lies in, as the program stamps samples.
OleDate secondOf(qint64 ms) { return ToOleDate(QDateTime::fromMSecsSinceEpoch(ms - ms % 1000)); }

// One measurement of `Frames` frames; nothing when it could not be made (the reason on stderr).
std::optional<Figures> measure(bool heldUp)
{
    // The gauge first, so that its port is listed when the window builds its port menu.
    test::TestEnv t;
    QProcess sim;
    sim.setStandardOutputFile(t.path(QStringLiteral("sent.txt")));  // never a full pipe that stalls the gauge
    sim.start(QStringLiteral(GAUGE_SIM_PATH), {"--dir", t.dir.path(), "--com", "7", "--kind", "0", "--period", "1",
                                               "--count", QString::number(Frames), "--wave", "ramp", "--stamp"});
    if (!sim.waitForStarted(5000) || !QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM7")); }, 5000)) {
        std::fprintf(stderr, "stamp_bench: failed: gauge-sim makes its port\n");
        return std::nullopt;
    }
    AppEnv env = t.env();
    env.clock = nullptr;  // samples carry the real time
    AppState state(env);
    frmMain w(state);
    w.ui.mnuTermKind[0]->trigger();
    for (QAction* a : w.ui.mnuCom)
        if (a->isVisible() && a->text().startsWith(QStringLiteral("COM7(")))
            a->trigger();
    w.ui.cmdOpen->click();
    if (w.Measuring != 1) {
        std::fprintf(stderr, "stamp_bench: failed: the measurement starts on COM7 (port COM%d)\n", int(state.Settings.ComPort));
        for (const auto& p : t.prompts.shown)
            std::fprintf(stderr, "  message: %s\n", qPrintable(p.text));
        return std::nullopt;
    }
    QTest::qWaitFor([&] { return state.store.g_DataCnt >= 300; }, 10000);
    if (heldUp) {
        QThread::msleep(HoldMs);  // a handler that takes two seconds
        QMessageBox box(QMessageBox::Information, QStringLiteral("確認"), QStringLiteral("held open"));
        QTimer::singleShot(HoldMs, &box, &QMessageBox::accept);
        box.exec();  // a modal box nobody answers for two seconds
    }
    QTest::qWaitFor([&] { return state.store.g_DataCnt >= Frames; }, 60000);
    w.ui.cmdClose->click();
    sim.terminate();
    sim.waitForFinished(5000);

    Figures f;
    f.stored = state.store.g_DataCnt;
    QFile sent(t.path(QStringLiteral("sent.txt")));
    sent.open(QIODevice::ReadOnly);
    for (const QByteArray& line : sent.readAll().split('\n')) {
        const qsizetype at = line.lastIndexOf('@');
        if (at < 0)
            continue;
        const qint64 written = line.mid(at + 1).toLongLong();
        if (f.sent < f.stored) {
            const OleDate stamp = state.store.g_DataTime[std::size_t(f.sent)];
            const double late = (stamp - secondOf(written)) * 86400.0;
            f.early += late < -1e-4;
            f.onTime += std::fabs(late) < 1e-4 || std::fabs(stamp - secondOf(written + 2)) * 86400.0 < 1e-4;
        }
        ++f.sent;
    }
    w.close();
    return f;
}

void report(const char* run, const Figures& f)
{
    std::printf("%s: %d of %d frames stored; stamped in the second of their write (2 ms allowed): %d = %.2f%%, "
                "before it: %d, after it: %d\n",
                run, f.stored, f.sent, f.onTime, 100.0 * f.onTime / std::max(1, f.stored), f.early,
                f.stored - f.onTime - f.early);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<Figures> free = measure(false);
    const std::optional<Figures> held = measure(true);
    if (!free || !held)
        return 1;
    report("window running free", *free);
    report("window held up 2 s by a handler, 2 s by a modal box", *held);
    const double share = [](const Figures& f) { return double(f.onTime) / std::max(1, f.stored); }(*held) /
                         std::max(1e-9, double(free->onTime) / std::max(1, free->stored));
    std::printf("held up keeps %.1f%% of the free window's share of stamps in time (goal 100%%)\n", 100.0 * share);
    for (const auto& [run, f] : {std::pair{"free", *free}, std::pair{"held up", *held}})
        if (f.stored != Frames || f.sent != Frames) {
            std::fprintf(stderr, "stamp_bench: failed: every frame sent is stored (%s: %d sent, %d stored of %d)\n", run,
                         f.sent, f.stored, Frames);
            return 1;
        }
    return 0;
}
