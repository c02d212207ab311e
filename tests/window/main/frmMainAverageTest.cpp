// The moving average on the real window: the line's switch, the length dialog, the typed length.
#include "support/WindowFixture.h"
#include "window/dialogs/frmInputDialogs.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QTimer>

using namespace tavin;

namespace {

class Average : public test::WindowFixture {
protected:
    void answerLengthDialog(const QString& text)
    {
        QTimer::singleShot(0, [text] {
            auto* d = qobject_cast<frmKeisuInput*>(QApplication::activeModalWidget());
            ASSERT_NE(d, nullptr);
            EXPECT_EQ(d->windowTitle(), "移動平均設定");
            EXPECT_EQ(test::Control<QLabel>(*d, "lblName")->text(), "移動平均");
            test::Control<QLineEdit>(*d, "txtInput")->setText(text);
            d->cmdOK_Click();
        });
    }
    // The input focus leaves the length box.
    void leaveLengthBox()
    {
        QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
        QApplication::sendEvent(w->controls().txtAveNum, &out);
    }
    void record(std::initializer_list<float> values)
    {
        for (float v : values)
            feedValue(v);
    }
    std::vector<float> averages(int n) const
    {
        return {state->store.g_AveDatas.begin(), state->store.g_AveDatas.begin() + n};
    }
    // The program ends (writing its settings) and starts again.
    void restart()
    {
        w->close();
        w.reset();
        state = t.state();
        w = std::make_unique<frmMain>(*state);
    }
};

}  // namespace

TEST_F(Average, TheDialogsLengthRecomputesTheColumnAndLastsAcrossARestart)
{
    record({3, 6, 9, 12});
    answerLengthDialog("3");
    w->controls().mnuAveEna->trigger();
    EXPECT_EQ(w->controls().txtAveNum->text(), "3");
    EXPECT_EQ(averages(4), (std::vector<float>{3, 4.5f, 6, 9}));

    // Lengths no average can use change nothing, 0.4 (which rounds to 0) included.
    for (const char* refused : {"0", "-5", "2001", "0.4"}) {
        answerLengthDialog(refused);
        w->controls().mnuAveEna->trigger();
        EXPECT_EQ(w->controls().txtAveNum->text(), "3") << refused;
        EXPECT_EQ(state->Settings.AveNum, 3) << refused;
    }
    answerLengthDialog("2.5");  // half to even
    w->controls().mnuAveEna->trigger();
    EXPECT_EQ(w->controls().txtAveNum->text(), "2");

    w->controls().chkAve->setChecked(!w->controls().chkAve->isChecked());
    const bool shown = w->controls().chkAve->isChecked();
    restart();
    EXPECT_EQ(state->Settings.AveNum, 2);
    EXPECT_EQ(w->controls().txtAveNum->text(), "2");
    EXPECT_EQ(w->controls().chkAve->isChecked(), shown);
}

TEST_F(Average, ATypedLengthIsNoticedOnlyAfterTheUsersEditWithSamplesStored)
{
    const std::int16_t kept = state->Settings.AveNum;
    QTest::keyClicks(w->controls().txtAveNum, "5");
    leaveLengthBox();  // no sample stored: no notice
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    record({1, 2});
    w->controls().txtAveNum->setText("40");  // the program's own text is no edit
    leaveLengthBox();
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    QTest::keyClick(w->controls().txtAveNum, Qt::Key_Backspace);
    leaveLengthBox();
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text,
              "移動平均値をグラフに反映する場合は、再度ファイルを読み込んでください。");
    leaveLengthBox();  // once per edit
    EXPECT_EQ(t.prompts.shown.size(), 1);
    // A typed length is for the next start or load: the settings file keeps the dialog's.
    EXPECT_EQ(state->Settings.AveNum, kept);

    w->controls().chkAveMode->setChecked(true);
    EXPECT_EQ(w->controls().chkAveMode->text(), "ページ毎");
    w->controls().chkAveMode->setChecked(false);
    EXPECT_EQ(w->controls().chkAveMode->text(), "連続");
}
