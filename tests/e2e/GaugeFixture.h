// A main window with the simulated gauge on a pseudo-terminal linked as COM3, stopped with the
// test; and the frames a gauge-sim process reports having sent, for every end-to-end test.
#pragma once

#include "support/Spawned.h"
#include "support/WindowFixture.h"
#include "window/dialogs/frmComm.h"

#include <QElapsedTimer>
#include <QFile>
#include <QTest>

namespace tavin::test {

// A frame gauge-sim reports having sent: its value as text, and whether its check character was
// corrupted on purpose.
struct SentFrame {
    QString value;
    bool bad = false;
    qint64 writtenMs = 0;  // with --stamp: when the write ended, in ms since 1970
};

// The frames a gauge-sim process reports on its output, one line each ("n value bytes [bad]"),
// gathered as they arrive. gauge-sim writes a frame to the port before it prints the frame's line:
// the program may already hold frames whose lines are still on their way, so a test that has
// waited for the store waits for the lines too.
class SimFrames {
public:
    explicit SimFrames(Spawned& sim) : sim_(sim) {}

    // The frames reported so far; a line not complete yet waits for its end.
    const QList<SentFrame>& read()
    {
        pending_ += sim_.readAllStandardOutput();
        for (qsizetype end; (end = pending_.indexOf('\n')) >= 0; pending_.remove(0, end + 1)) {
            const QList<QByteArray> f = pending_.left(end).split(' ');
            if (f.size() >= 3)
                frames_.append({QString::fromLatin1(f[1]), f.size() > 3 && f[3] == "bad",
                                f.last().startsWith('@') ? f.last().mid(1).toLongLong() : 0});
        }
        return frames_;
    }

    // The frames reported once there are at least `count`, or those there are when the time is up.
    QList<SentFrame> waitFor(qsizetype count, int timeoutMs = 10000)
    {
        EXPECT_TRUE(QTest::qWaitFor([&] { return read().size() >= count; }, timeoutMs))
            << "gauge-sim reported " << frames_.size() << " of " << count << " frames";
        return frames_;
    }

    // Forgets the frames of a gauge-sim that has ended, before the next one starts.
    void clear()
    {
        sim_.readAllStandardOutput();
        pending_.clear();
        frames_.clear();
    }

private:
    Spawned& sim_;
    QByteArray pending_;
    QList<SentFrame> frames_;
};

// How many frames a gauge had sent by when, watched until a moment to kill the program at; then
// how many were certainly sent a second or more before the kill, which a recovery must bring back.
class SentTimeline {
public:
    explicit SentTimeline(SimFrames& frames) : frames_(frames) { clock_.start(); }
    void watchUntil(qint64 ms)
    {
        while (clock_.elapsed() < ms) {
            QTest::qWait(10);
            by_.append({clock_.elapsed(), frames_.read().size()});
        }
    }
    qint64 now() const { return clock_.elapsed(); }
    qsizetype sentASecondBefore(qint64 ms) const
    {
        qsizetype n = 0;
        for (const auto& [at, sent] : by_)
            if (at <= ms - 1000)
                n = sent;
        return n;
    }

private:
    SimFrames& frames_;
    QElapsedTimer clock_;
    QList<std::pair<qint64, qsizetype>> by_;  // (ms, frames printed by then)
};

class GaugeFixture : public WindowFixture {
protected:
    void TearDown() override
    {
        if (sim.running()) {
            sim.terminate();
            sim.waitForFinished(5000);
        }
        WindowFixture::TearDown();
    }

    // Starts the simulated gauge as COM3 (a frame every 5 ms unless `extra` says otherwise) and
    // opens the port once its link is there.
    void startGauge(int kind, const QStringList& extra = {})
    {
        state->Settings.Term = std::int16_t(kind);
        sim.start(QStringLiteral(GAUGE_SIM_PATH), QStringList{"--dir", t.dir.path(), "--com", "3", "--kind",
                                                              QString::number(kind), "--period", "5"} +
                                                      extra);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM3")); }, 5000));
        state->Settings.ComPort = 3;
        w->controls().cmdOpen->click();  // as the start button does
        ASSERT_TRUE(w->engine().portOpen());
    }

    Spawned sim;
    SimFrames frames{sim};
};

}  // namespace tavin::test
