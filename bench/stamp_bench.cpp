// Time stamps while the window is held up: the real main window measures gauge-sim at 1 ms, each
// frame's line carrying the moment its write ended. In one run the window's thread runs free (the
// baseline); in the other it is held up for two seconds by a handler that sleeps and for two by a
// modal box nobody answers. For each run: the frames stored against those sent, and how many were
// stamped with the second their write ended in, allowing 2 ms (a frame written at .999 s may be
// read in the next second). The engine stamps frames on its own thread, so the held-up run should
// keep the free run's share. A busy machine lowers both: that is why this is a figure here and
// not an assertion of a test.
#include "Failed.h"
#include "GaugeSim.h"
#include "core/app/AppState.h"
#include "core/platform/DateTime.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"

#include <QAction>
#include <QApplication>
#include <QDateTime>
#include <QFile>
#include <QMessageBox>
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
constexpr int ComNumber = 7;

struct Figures {
    int sent = 0;
    int stored = 0;
    int onTime = 0;  // stamped in the second of the write, 2 ms allowed
    int early = 0;   // stamped in a second before the write's
    double share() const { return double(onTime) / std::max(1, stored); }
};

// The whole second `ms` (since 1970) lies in, as the program stamps samples.
OleDate secondOf(qint64 ms) { return ToOleDate(QDateTime::fromMSecsSinceEpoch(ms - ms % 1000)); }

// One measurement of `Frames` frames; nothing when it could not be made (the condition that
// failed on stderr).
std::optional<Figures> measure(bool heldUp)
{
    // The gauge first, so that its port is listed when the window builds its port menu.
    test::TestEnv t;
    const QString lines = t.path(QStringLiteral("sent.txt"));
    bench::GaugeSim sim(t.dir.path(), ComNumber, 0, Frames, lines);
    if (!sim.ready()) {
        bench::Failed("stamp_bench", "gauge-sim makes its port", qPrintable(sim.link()));
        return std::nullopt;
    }
    AppEnv env = t.env();
    env.clock = nullptr;  // samples carry the real time
    AppState state(env);
    frmMain w(state);
    w.controls().mnuTermKind[0]->trigger();
    const QString portPrefix = QStringLiteral("COM%1(").arg(ComNumber);
    for (QAction* a : w.controls().mnuCom)
        if (a->isVisible() && a->text().startsWith(portPrefix))
            a->trigger();
    w.controls().cmdOpen->click();
    if (!w.measuring()) {
        const QString said = t.prompts.shown.isEmpty() ? QString() : t.prompts.shown.last().text;
        bench::Failed("stamp_bench", "the measurement starts on the gauge's port", qPrintable(said));
        return std::nullopt;
    }
    const bool settled = QTest::qWaitFor([&] { return state.store.g_DataCnt >= 300; }, 10000);
    if (settled && heldUp) {
        QThread::msleep(HoldMs);  // a handler that takes two seconds
        QMessageBox box(QMessageBox::Information, QStringLiteral("確認"), QStringLiteral("held open"));
        QTimer::singleShot(HoldMs, &box, &QMessageBox::accept);
        box.exec();  // a modal box nobody answers for two seconds
    }
    if (settled)
        (void)QTest::qWaitFor([&] { return state.store.g_DataCnt >= Frames; },
                              60000);  // figures tell what came
    w.controls().cmdClose->click();
    sim.stop();

    Figures f;
    f.stored = state.store.g_DataCnt;
    QFile sent(lines);
    if (!sent.open(QIODevice::ReadOnly)) {
        bench::Failed("stamp_bench", "gauge-sim's lines can be read", qPrintable(sent.errorString()));
        return std::nullopt;
    }
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
    std::printf(
        "%s: %d of %d frames stored; stamped in the second of their write (2 ms allowed): %d = %.2f%%, "
        "before it: %d, after it: %d\n",
        run, f.stored, f.sent, f.onTime, 100.0 * f.share(), f.early, f.stored - f.onTime - f.early);
}

}  // namespace

int main(int argc, char** argv)
{
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    const std::optional<Figures> running = measure(false);
    const std::optional<Figures> held = measure(true);
    if (!running || !held)
        return 1;
    report("window running free", *running);
    report("window held up 2 s by a handler, 2 s by a modal box", *held);
    const double kept = held->share() / std::max(1e-9, running->share());
    std::printf("held up keeps %.1f%% of the free window's share of stamps in time (goal 100%%)\n",
                100.0 * kept);
    for (const auto& [run, f] : {std::pair{"free", *running}, std::pair{"held up", *held}})
        if (f.stored != Frames || f.sent != Frames)
            return bench::Failed("stamp_bench", "every frame sent is stored",
                                 qPrintable(QStringLiteral("%1: %2 sent, %3 stored of %4")
                                                .arg(QString::fromLatin1(run))
                                                .arg(f.sent)
                                                .arg(f.stored)
                                                .arg(Frames)));
    // Both runs share the machine's load: a window that held up the stamping would fall far behind.
    if (kept < 0.9)
        return bench::Failed("stamp_bench",
                             "the held-up window keeps at least 90% of the free one's stamps in time",
                             qPrintable(QString::number(100.0 * kept, 'f', 1) + u'%'));
    return 0;
}
