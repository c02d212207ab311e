// The serial path end to end: the simulated gauge on a pseudo-terminal linked as a COM port,
// the real serial control, frame assembly, dispatch, decoding and the store.
#include "decode/Decoders.h"
#include "platform/CommControl.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "serial/frmComm.h"
#include "e2e/GaugeFixture.h"

#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTest>


using namespace tavin;

namespace {


class SerialPath : public test::GaugeFixture {
protected:
    // The value texts the gauge printed, in order, and whether each frame was corrupted.
    QList<QPair<QString, bool>> sent()
    {
        QList<QPair<QString, bool>> out;
        for (const QByteArray& line : sim.readAllStandardOutput().split('\n')) {
            const QList<QByteArray> f = line.split(' ');
            if (f.size() >= 3)
                out.append({QString::fromLatin1(f[1]), f.size() > 3 && f[3] == "bad"});
        }
        return out;
    }
};

}  // namespace

TEST_F(SerialPath, EveryKindArrivesDecodedThroughTheRealPort)
{
    for (int kind = 0; kind <= 5; ++kind) {
        SCOPED_TRACE(kind);
        state->store.g_DataCnt = 0;
        startGauge(kind, {"--count", "30", "--wave", "sine", "--amplitude", "50", "--unit", "M"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt >= 30; }, 10000)) << state->store.g_DataCnt;
        const auto values = sent();
        ASSERT_EQ(values.size(), 30);
        for (int i = 0; i < 30; ++i)
            EXPECT_FLOAT_EQ(state->store.g_Datas[std::size_t(i)], float(Val(values[i].first))) << i;
        if (kind == 0 || kind == 4) {
            EXPECT_EQ(w->lblTani->text(), "MPa");
        }
        w->comm().MSComm1->setPortOpen(false);
        sim.terminate();
        sim.waitForFinished(5000);
    }
}

TEST_F(SerialPath, NoiseSplitWritesAndBadFramesAreHandled)
{
    startGauge(0, {"--count", "40", "--noise", "--split", "--bad-bcc", "4", "--wave", "ramp", "--amplitude", "9"});
    EXPECT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt >= 30 && w->lblBccErrCnt->text() == "10"; }, 15000));
    int stored = 0;
    for (const auto& [text, bad] : sent()) {
        if (bad)
            continue;
        EXPECT_FLOAT_EQ(state->store.g_Datas[std::size_t(stored)], float(Val(text)));
        ++stored;
    }
    EXPECT_EQ(stored, 30);
}

TEST_F(SerialPath, AVanishedDeviceClosesThePortOnceAndLeavesTheProcessIdle)
{
    QSignalSpy lost(&w->comm(), &frmComm::portLost);
    startGauge(0, {"--vanish-after", "15"});
    ASSERT_TRUE(lost.wait(10000));
    EXPECT_FALSE(w->comm().MSComm1->PortOpen());
    EXPECT_EQ(state->store.g_DataCnt, 15);  // everything sent before was kept

    QSignalSpy events(w->comm().MSComm1, &CommControl::OnComm);
    const double before = test::CpuSeconds();
    QTest::qWait(600);
    const double used = test::CpuSeconds() - before;
    EXPECT_EQ(lost.count(), 1);
    EXPECT_EQ(events.count(), 0);
    EXPECT_LT(used, 0.3) << "the event loop kept the CPU busy after the device vanished";
}

TEST(CommControl, OpeningAMissingPortOrBadSettingsFailsWithAReason)
{
    test::TestEnv t;
    CommControl port(t.dir.path());
    port.CommPort = 29;
    try {
        port.setPortOpen(true);
        ADD_FAILURE() << "opened a port that does not exist";
    } catch (const RuntimeError& e) {
        EXPECT_TRUE(e.description().contains("COM29"));
    }
    QDir().mkpath(t.path("ports"));
    QFile::link("/dev/null", t.path("ports/COM1"));
    port.CommPort = 1;
    port.Settings = "9600,E,7,2";
    EXPECT_THROW(port.setPortOpen(true), RuntimeError);
    EXPECT_FALSE(port.PortOpen());
}
