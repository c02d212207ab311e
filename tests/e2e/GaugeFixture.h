// A main window with the simulated gauge on a pseudo-terminal linked as COM3, stopped with the
// test.
#pragma once

#include "platform/CommControl.h"
#include "serial/frmComm.h"
#include "support/WindowFixture.h"

#include <QFile>
#include <QProcess>
#include <QTest>

namespace tavin::test {

class GaugeFixture : public WindowFixture {
protected:
    void TearDown() override
    {
        if (sim.state() != QProcess::NotRunning) {
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
        sim.start(QStringLiteral(GAUGE_SIM_PATH),
                  QStringList{"--dir", t.dir.path(), "--com", "3", "--kind", QString::number(kind), "--period", "5"} +
                      extra);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM3")); }, 5000));
        CommControl* port = w->comm().MSComm1;
        port->CommPort = 3;
        port->setPortOpen(true);
        ASSERT_TRUE(port->PortOpen());
    }

    QProcess sim;
};

}  // namespace tavin::test
