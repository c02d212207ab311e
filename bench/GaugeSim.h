// The simulated gauge as a process of its own, on a pseudo-terminal linked as DIR/ports/COMn, for
// the live benchmarks: started at a period of 1 ms, quiet or writing each frame's line with the
// moment its write ended into a file, and asked at its stop how many frames it sent. Needs
// GAUGE_SIM_PATH, the gauge-sim executable.
#pragma once

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QThread>

namespace tavin::bench {

class GaugeSim {
public:
    // Sends `frames` frames of gauge kind `kind`, one a millisecond, once the port is opened; with
    // `stampedLines`, the file that gets each frame's line ending in "@" and its write's end in ms
    // since 1970 (a file, never a pipe that could fill and stall the gauge).
    GaugeSim(const QString& dir, int com, int kind, int frames, const QString& stampedLines = {})
        : link_(dir + QStringLiteral("/ports/COM%1").arg(com))
    {
        QStringList args{"--dir",    dir, "--com",   QString::number(com),   "--kind", QString::number(kind),
                         "--period", "1", "--count", QString::number(frames)};
        if (stampedLines.isEmpty()) {
            args << "--quiet";
        } else {
            args << "--stamp";
            sim_.setStandardOutputFile(stampedLines);
        }
        sim_.start(QStringLiteral(GAUGE_SIM_PATH), args);
        if (!sim_.waitForStarted(5000))
            return;
        for (int i = 0; i < 500 && !ready(); ++i)
            QThread::msleep(10);
    }
    ~GaugeSim() { stop(); }

    // Whether the port is there to open.
    bool ready() const { return QFile::exists(link_); }
    const QString& link() const { return link_; }

    // Stops the gauge; the frames it sent, -1 when it did not say.
    long stop()
    {
        if (sim_.state() != QProcess::NotRunning) {
            sim_.terminate();
            sim_.waitForFinished(5000);
            const QString log = QString::fromLocal8Bit(sim_.readAllStandardError());
            const auto m = QRegularExpression(QStringLiteral("after (\\d+) frames")).match(log);
            sent_ = m.hasMatch() ? m.captured(1).toLong() : -1;
        }
        return sent_;
    }

private:
    QString link_;
    QProcess sim_;
    long sent_ = -1;
};

}  // namespace tavin::bench
