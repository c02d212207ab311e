// The recording cycle on the real window: store, readout, alarms, segment end, start, stop, modes.
#include "engine/CommControl.h"
#include "support/WindowFixture.h"
#include "window/dialogs/frmComm.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <QTimer>

using namespace tavin;

namespace {

class Store : public test::WindowFixture {
protected:
    // One decoded value as the decoders hand it on.
    void sample(float v) { feedValue(v); }
    QColor readoutColour() const { return w->controls().lblVariable->palette().color(QPalette::Window); }
    QString readout() const { return w->controls().lblVariable->text(); }
    QStringList savedFiles() const
    {
        return QDir(state->Settings.SaveDir).entryList({"*.csv"}, QDir::Files, QDir::Name);
    }
};

}  // namespace

TEST_F(Store, SamplesAreStoredCountedAndShown)
{
    sample(1.5f);
    sample(-2.0f);
    EXPECT_EQ(state->store.g_DataCnt, 2);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->controls().lblCounter->text() == "2"; }));  // on the next screen update
    EXPECT_EQ(state->store.g_Datas[1], -2.0f);
    EXPECT_EQ(readout(), "-2");  // no frame gave a format: the general form
    EXPECT_EQ(w->controls().pctMonRecv->colour(), QColor(0, 255, 0));
    state->g_Keisu = 2.0f;
    sample(10.0f);
    EXPECT_EQ(readout(), "+20");
    EXPECT_EQ(state->store.g_Datas[2], 10.0f);  // the store keeps raw values
}

// A readout lights the receive lamp for 80 ms; while the screen refreshes, the lamp goes out with
// the refresh after that, in the same repaint.
TEST_F(Store, TheReceiveLampGoesOutAfterItsReadout)
{
    const QColor lit(0, 255, 0), out = QApplication::palette().color(QPalette::Button);
    sample(1.0f);
    EXPECT_EQ(w->controls().pctMonRecv->colour(), lit);
    EXPECT_TRUE(QTest::qWaitFor([&] { return w->controls().pctMonRecv->colour() == out; }, 2000));

    w->controls().tmrScreen->start(60000);  // refreshing, but only when this test says
    sample(2.0f);
    QTest::qWait(200);
    EXPECT_EQ(w->controls().pctMonRecv->colour(), lit);
    w->RefreshScreen();
    EXPECT_EQ(w->controls().pctMonRecv->colour(), out);
    w->controls().tmrScreen->stop();
}

TEST_F(Store, TheMovingAverageFillsItsColumn)
{
    w->controls().txtAveNum->setText("3");
    w->AveReset();
    for (float v : {3.0f, 6.0f, 9.0f, 12.0f})
        sample(v);
    EXPECT_EQ(state->store.g_AveDatas[0], 3.0f);
    EXPECT_EQ(state->store.g_AveDatas[1], 4.5f);
    EXPECT_EQ(state->store.g_AveDatas[3], 9.0f);
    w->controls().chkDispMode->setChecked(true);
    EXPECT_EQ(w->controls().chkDispMode->text(), "移動平均値");
    sample(15.0f);
    EXPECT_EQ(readout(), "+12");
}

TEST_F(Store, LimitAlarmsBlinkInTheirColours)
{
    startWithoutPort();
    state->Settings.LimitHi = 10;
    state->Settings.LimitLow = -10;
    w->controls().chkUpperLimit->setChecked(true);
    w->controls().chkLowerLimit->setChecked(true);
    const QColor face = QApplication::palette().color(QPalette::Button);
    sample(20);
    EXPECT_EQ(readoutColour(), QColor(255, 0, 0));
    test::Fire(w->controls().Timer3);
    EXPECT_EQ(readoutColour(), face);
    test::Fire(w->controls().Timer3);
    EXPECT_EQ(readoutColour(), QColor(255, 0, 0));
    sample(0);  // back inside: the blink stops
    EXPECT_EQ(readoutColour(), face);
    EXPECT_FALSE(w->controls().Timer3->isActive());
    sample(-20);
    EXPECT_EQ(readoutColour(), QColor(128, 128, 255));
    w->engine().stop();
    test::Fire(w->controls().Timer3);
    EXPECT_EQ(readoutColour(), face);
    EXPECT_FALSE(w->controls().Timer3->isActive());
}

TEST_F(Store, AFullSegmentIsSavedAndTheNextStartsAtIndexZero)
{
    startWithoutPort();
    state->store.g_DataCnt = 29999;
    sample(4.0f);
    EXPECT_EQ(state->store.g_FileNo, 2);
    EXPECT_EQ(state->store.g_DataCnt, 0);
    EXPECT_EQ(w->controls().lblCounter->text(), "0");
    EXPECT_EQ(state->page.start(), 0);
    EXPECT_EQ(w->controls().lblStartCount->text(), "30000");
    ASSERT_EQ(savedFiles().size(), 1);
    EXPECT_TRUE(savedFiles()[0].startsWith("RQ4600_Datas-20261206-090503-1-"));
    sample(5.0f);
    EXPECT_EQ(state->store.g_Datas[0], 5.0f);
    EXPECT_EQ(state->store.g_DataCnt, 1);
}

TEST_F(Store, StartingWithTheGaugeMissingChangesAlmostNothing)
{
    state->Settings.ComPort = 29;
    w->controls().lblLoadFileName->setText("old.csv");
    w->controls().cmdOpen->click();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].title, "PortOpen");
    EXPECT_EQ(t.prompts.shown[0].icon, MsgIcon::Critical);
    EXPECT_EQ(w->controls().lblLoadFileName->text(), "");
    EXPECT_TRUE(w->controls().cmdOpen->isEnabled());
    EXPECT_FALSE(w->controls().cmdClose->isEnabled());
    EXPECT_FALSE(w->measuring());
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "起動しました");
}

TEST_F(Store, SwitchingModesClearsTheStoreWithANotice)
{
    w->controls().optMode[1]->setChecked(true);  // empty store: no notice
    EXPECT_TRUE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(w->controls().cmdFileLoad->isEnabled());
    EXPECT_FALSE(w->controls().cmdOpen->isEnabled());
    EXPECT_EQ(w->centralWidget()->palette().color(QPalette::Window), QColor(192, 255, 192));
    EXPECT_TRUE(w->controls().txtSaveFileName->isHidden());

    sample(1.0f);
    w->controls().chkUpperLimit->setChecked(true);
    w->controls().chkLowerLimit->setChecked(false);
    w->controls().optMode[0]->setChecked(true);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "現在のグラフをクリアします。");
    EXPECT_EQ(state->store.g_DataCnt, 0);
    EXPECT_EQ(state->store.g_Datas[0], 0.0f);
    EXPECT_TRUE(w->controls().LineUpper->Visible);
    EXPECT_FALSE(w->controls().LineLower->Visible);

    sample(1.0f);
    w->controls().optMode[1]->setChecked(true);
    EXPECT_EQ(t.prompts.shown.last().text, "測定データをクリアします。");
    EXPECT_FALSE(w->controls().LineUpper->Visible);
}
