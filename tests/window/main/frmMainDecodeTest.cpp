#include "core/decode/Decoders.h"
#include "core/decode/Sampling.h"
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QTest>

using namespace tavin;

namespace {

std::string withBcc(const std::string& text)
{
    static const char digits[] = "0123456789ABCDEF";
    const unsigned sum = BccSum(text);
    return text + digits[sum >> 4] + digits[sum & 0xF];
}

QColor background(QWidget* w) { return w->palette().color(QPalette::Window); }

class Decoding : public test::WindowFixture {};

}  // namespace

TEST_F(Decoding, ALongFrameFillsTheLabelsAndTheStore)
{
    state->Settings.Term = 0;
    ASSERT_TRUE(w->controls().mnuTaniAuto->isChecked());
    EXPECT_EQ(feed(withBcc("+1.23400"
                           "85"
                           "M"
                           "G"
                           "00")),
              0);
    EXPECT_EQ(w->controls().lblTani->text(), "MPa");
    EXPECT_EQ(w->controls().lblGA->text(), "G");
    EXPECT_EQ(w->controls().lblBattery->text(), "8.5");
    EXPECT_EQ(background(w->controls().lblBattery), QColor(0, 255, 255));
    EXPECT_EQ(state->store.g_DataCnt, 1);
    EXPECT_TRUE(QTest::qWaitFor(
        [&] { return w->controls().lblCounter->text() == "1"; }));  // with the next screen refresh
    EXPECT_FLOAT_EQ(state->store.g_Datas[0], 1.234f);
    EXPECT_EQ(w->controls().lblVariable->text(), "+1.234");

    // Without automatic units the unit label stays.
    w->controls().mnuTaniAuto->setChecked(false);
    feed(withBcc("+2.00000"
                 "70"
                 "k"
                 "H"
                 "00"));
    EXPECT_EQ(w->controls().lblTani->text(), "MPa");
    EXPECT_EQ(w->controls().lblGA->text(), "H");
    EXPECT_EQ(w->controls().lblBattery->text(), "7.0");
    EXPECT_EQ(background(w->controls().lblBattery), QColor(255, 255, 0));
    feed(withBcc("+2.00000"
                 "69"
                 "k"
                 "H"
                 "00"));
    EXPECT_EQ(background(w->controls().lblBattery), QColor(255, 0, 0));
    feed(withBcc("+2.00000"
                 "00"
                 "k"
                 "H"
                 "00"));
    EXPECT_EQ(w->controls().lblBattery->text(), "-");
    EXPECT_EQ(background(w->controls().lblBattery), QApplication::palette().color(QPalette::Button));
    EXPECT_EQ(state->store.g_DataCnt, 4);
}

TEST_F(Decoding, ARejectedFrameIsCountedAndShownButNotStored)
{
    std::string bad = withBcc("+1.23400"
                              "85"
                              "M"
                              "G"
                              "00");
    const std::string computed = QString::number(BccSum(bad.substr(0, 14)), 16).toUpper().toStdString();
    bad[14] = 'F';
    bad[15] = 'F';
    w->controls().lblBattery->setText("x");
    EXPECT_EQ(feed(bad), -1);
    EXPECT_EQ(w->controls().lblBccErr->text().toStdString(), bad + " -> BCC Err FF " + computed);
    EXPECT_EQ(w->controls().lblBccErrCnt->text(), "1");
    EXPECT_EQ(w->controls().lblBattery->text(), "x");
    EXPECT_EQ(state->store.g_DataCnt, 0);
    w->controls().lblBccErrCnt->setText("abc");  // the label only shows the engine's count
    feed(bad);
    EXPECT_EQ(w->controls().lblBccErrCnt->text(), "2");
    EXPECT_TRUE(t.prompts.shown.isEmpty());  // rejected frames are never errors
}

TEST_F(Decoding, KindFiveBlinksTheLampAtAHundredthOfTheFrames)
{
    state->Settings.Term = 5;
    state->Settings.Sampling = 1;  // the store's own lamp refresh stays out of the way
    w->controls().lblTani->setText("kPa");
    for (int i = 0; i < 50; ++i)
        feed("01.23");
    EXPECT_EQ(w->controls().pctMonRecv->colour(), QApplication::palette().color(QPalette::Button));
    for (int i = 0; i < 50; ++i)
        feed("01.23");
    EXPECT_EQ(w->controls().pctMonRecv->colour(), QColor(0, 255, 0));
    EXPECT_EQ(w->controls().lblTani->text(), "kPa");  // this gauge names no unit
    EXPECT_EQ(state->store.g_DataCnt, 100);
    EXPECT_EQ(w->controls().lblVariable->text(), "+1.23");
}

// The engine measures the period (its own tests check the arithmetic); the window shows it and
// selects the standard period once.
TEST_F(Decoding, TheMeasuredSamplingPeriodIsShownAndSelectedOnce)
{
    w->controls().mnuSampAuto->trigger();
    ASSERT_TRUE(w->controls().mnuSampAuto->isChecked());
    for (int i = 0; i < 11; ++i)
        feed(withBcc("+2.000"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return !w->controls().mnuSampAuto->isChecked(); }));
    EXPECT_TRUE(w->controls().lblSampPC->text().startsWith("サンプリング(ms):"))
        << w->controls().lblSampPC->text().toStdString();
    EXPECT_EQ(state->Settings.Sampling, SampTextToMsec(w->controls().cmbSampling->currentText()));
    EXPECT_FALSE(w->engine().options().samplingAuto);
}

TEST_F(Decoding, SelectSamplingReadsNumbersAndUnits)
{
    w->SelectSampling("100");
    EXPECT_EQ(w->controls().cmbSampling->currentText(), " 0.1 sec");
    w->SelectSampling("0.5 sec");
    EXPECT_EQ(state->Settings.Sampling, 500);
    w->SelectSampling("2 min");
    EXPECT_EQ(w->controls().cmbSampling->currentText(), "120 sec");
    EXPECT_EQ(w->controls().lblSampling->text(), "2 分");
    w->SelectSampling("3000");  // no such entry
    EXPECT_EQ(state->Settings.Sampling, 120000);
    EXPECT_TRUE(w->controls().mnuSampling[16]->isChecked());
}

TEST_F(Decoding, TheSamplingMenuWarnsOnlyAtOneAndTwoMilliseconds)
{
    w->controls().mnuSampling[2]->trigger();
    EXPECT_TRUE(t.prompts.shown.isEmpty());
    w->controls().mnuSampling[1]->trigger();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].title, "確認");
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith("！注意！\n"));
    w->controls().cmbSampling->setCurrentIndex(0);  // the combo itself does not warn
    EXPECT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(w->controls().mnuSampling[0]->isChecked());
    EXPECT_FALSE(w->controls().mnuSampling[1]->isChecked());
}
