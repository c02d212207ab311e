// The serial path end to end: the simulated gauge on a pseudo-terminal linked as a COM port,
// the real serial control, frame assembly, dispatch, decoding and the store.
#include "core/decode/Decoders.h"
#include "core/platform/NumText.h"
#include "e2e/GaugeFixture.h"
#include "engine/CommControl.h"
#include "window/dialogs/frmComm.h"
#include "window/widgets/Controls.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace tavin;

namespace {

class SerialPath : public test::GaugeFixture {};

}  // namespace

TEST_F(SerialPath, EveryKindArrivesDecodedThroughTheRealPort)
{
    for (int kind = 0; kind <= 5; ++kind) {
        SCOPED_TRACE(kind);
        state->store.g_DataCnt = 0;
        frames.clear();
        startGauge(kind, {"--count", "30", "--wave", "sine", "--amplitude", "50", "--unit", "M"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt >= 30; }, 10000))
            << state->store.g_DataCnt;
        const QList<test::SentFrame> sent = frames.waitFor(30);
        ASSERT_EQ(sent.size(), 30);
        for (int i = 0; i < 30; ++i)
            EXPECT_FLOAT_EQ(state->store.g_Datas[std::size_t(i)], float(Val(sent[i].value))) << i;
        if (kind == 0 || kind == 4) {
            EXPECT_EQ(w->controls().lblTani->text(), "MPa");
        }
        w->controls().cmdClose->click();
        sim.terminate();
        sim.waitForFinished(5000);
    }
}

TEST_F(SerialPath, NoiseSplitWritesAndBadFramesAreHandled)
{
    startGauge(
        0, {"--count", "40", "--noise", "--split", "--bad-bcc", "4", "--wave", "ramp", "--amplitude", "9"});
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return state->store.g_DataCnt >= 30 && w->controls().lblBccErrCnt->text() == "10"; }, 15000));
    int stored = 0;
    for (const test::SentFrame& f : frames.waitFor(40)) {
        if (f.bad)
            continue;
        EXPECT_FLOAT_EQ(state->store.g_Datas[std::size_t(stored)], float(Val(f.value)));
        ++stored;
    }
    EXPECT_EQ(stored, 30);
}

TEST_F(SerialPath, AVanishedDeviceClosesThePortOnceAndLeavesTheProcessIdle)
{
    startGauge(0, {"--vanish-after", "15"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return !w->measuring(); }, 10000));  // stopped as the stop button does
    EXPECT_FALSE(w->engine().portOpen());
    EXPECT_EQ(state->store.g_DataCnt, 15);  // everything sent before was kept
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "ポートが切断されました。測定を停止しました。");

    const std::uint64_t frames = w->engine().frames();
    const double before = test::CpuSeconds();
    QTest::qWait(600);
    const double used = test::CpuSeconds() - before;
    EXPECT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(w->engine().frames(), frames);
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
