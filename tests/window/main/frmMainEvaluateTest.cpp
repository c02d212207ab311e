// Judging a recording in the real window: two cursors and their panel, the arrow keys, the copy,
// and the pressure-decay test with its verdict, its row in the results file and its log line.
#include "core/platform/TextFile.h"
#include "support/WindowFixture.h"
#include "window/dialogs/frmDecay.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>

using namespace tavin;

namespace {

constexpr const char* Name = "bench-20261206-120000-1-20261206-120100.csv";

// A recording of a minute at 100 ms, from 200 kPa falling 0.01 kPa a sample (6 kPa a minute),
// loaded in read-out mode.
class Evaluate : public test::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        QByteArray text = "s,46362.5,1,100 msec,10,0,kPa,1\r\n";
        for (int i = 0; i < 600; ++i)
            text += QByteArray::number(200 - 0.01 * i, 'f', 2) + ",\r\n";
        t.write(Name, text);
        w->controls().optMode[1]->setChecked(true);
        t.prompts.files = {t.path(Name)};
        Q_EMIT w->controls().cmdFileLoad->clicked();
        ASSERT_EQ(state->store.g_DataCnt, 600);
    }
    void click(double x, Qt::KeyboardModifiers modifiers = {})
    {
        PictureBox* plot = w->controls().pctGraph1;
        QTest::mouseClick(plot, Qt::LeftButton, modifiers,
                          QPoint(int(x * plot->width() / double(plot->ScaleWidth)), 20));
    }
    // From the recording's start with the dialog's boxes set as named: 評価.
    void evaluate(std::initializer_list<std::pair<const char*, const char*>> boxes)
    {
        whenShown<frmDecay>([boxes](frmDecay& d) {
            test::Control<QRadioButton>(d, "optFromStart")->setChecked(true);
            for (const auto& [name, text] : boxes)
                test::Control<QLineEdit>(d, name)->setText(QString::fromUtf8(text));
            test::Control<QPushButton>(d, "cmdOK")->click();
        });
        w->controls().mnuDecay->trigger();
    }
};

}  // namespace

TEST_F(Evaluate, TwoCursorsGiveTheIntervalsFiguresWhichTheArrowKeysMoveAndCopyTakes)
{
    click(10.5);
    click(110.5, Qt::ShiftModifier);  // the first cursor stays
    EXPECT_EQ(state->page.cursor(), 10);
    EXPECT_EQ(state->page.secondCursor(), 110);
    const QLabel* panel = w->controls().lblInterval;
    EXPECT_FALSE(panel->isHidden());
    EXPECT_TRUE(w->controls().lineCursor2->Visible);
    EXPECT_EQ(panel->text().section(u'\n', 0, 1),
              "開始 12:00:01.000  終了 12:00:11.000  Δt (s) 10  点数 101\n"
              "始値 (kPa) 199.9  終値 (kPa) 198.9  Δp (kPa) -1.0");
    EXPECT_TRUE(panel->text().contains("変化率 (/s) -0.1  変化率 (/min) -6")) << panel->text().toStdString();

    // The click left the focus on the graph, where the keys move both cursors.
    EXPECT_TRUE(w->controls().pctGraph1->hasFocus() || QApplication::focusWidget() == nullptr);
    QTest::keyClick(w->controls().pctGraph1, Qt::Key_Right);
    EXPECT_EQ(state->page.cursor(), 11);
    EXPECT_EQ(state->page.secondCursor(), 111);
    w->controls().mnuCopyInterval->trigger();
    EXPECT_TRUE(QGuiApplication::clipboard()->text().startsWith(
        "開始\t12:00:01.100\n終了\t12:00:11.100\nΔt (s)\t10\n"));

    QTest::mouseClick(w->controls().pctGraph1, Qt::RightButton);  // the interval goes with the cursor
    EXPECT_TRUE(panel->isHidden());
    EXPECT_FALSE(w->controls().lineCursor2->Visible);
}

TEST_F(Evaluate, ADecayTestShowsItsVerdictAndKeepsItsRowAndLogLine)
{
    evaluate({{"txtName", "継手A"},
              {"txtSettle", "5"},
              {"txtHold", "30"},
              {"txtMaxDrop", "0.5"},
              {"txtMaxRate", ""}});
    ASSERT_EQ(shown, 1);
    EXPECT_FALSE(w->controls().lblVerdict->isHidden());
    EXPECT_TRUE(w->controls().lblVerdict->text().contains(">NG<"));
    ASSERT_TRUE(state->lastDecay);
    EXPECT_TRUE(t.read(DecayResultsName).startsWith("\xEF\xBB\xBF"));  // a spreadsheet reads it as UTF-8
    EXPECT_EQ(QString::fromUtf8(t.read(DecayResultsName)), DecayResultsHeader() + "\r\n" +
                                                               state->lastDecay->evaluatedAt + u',' + Name +
                                                               ",継手A,5,35,-3,-6,kPa,Δp≦0.5 kPa,NG\r\n");
    EXPECT_TRUE(logText().contains(QStringLiteral("圧力降下試験 %1: NG Δp -3 kPa").arg(Name)));

    // The cursors' interval instead, a rate allowed: a second row; a hold beyond the data is not judged.
    click(100.5);
    click(200.5, Qt::ShiftModifier);
    whenShown<frmDecay>([](frmDecay& d) {
        test::Control<QRadioButton>(d, "optInterval")->setChecked(true);
        test::Control<QLineEdit>(d, "txtMaxDrop")->clear();
        test::Control<QLineEdit>(d, "txtMaxRate")->setText("6.5");
        test::Control<QPushButton>(d, "cmdOK")->click();
    });
    w->controls().mnuDecay->trigger();
    EXPECT_TRUE(
        QString::fromUtf8(t.read(DecayResultsName)).endsWith(",継手A,10,20,-1,-6,kPa,≦6.5 kPa/min,OK\r\n"));
    evaluate({{"txtSettle", "0"}, {"txtHold", "100"}});
    EXPECT_TRUE(w->controls().lblVerdict->text().contains("判定不能"));
}

// Set while measuring, the test waits for its hold time and is judged as soon as the data reaches it.
TEST_F(Evaluate, ATestSetWhileMeasuringIsJudgedOnceItsHoldTimeHasPassed)
{
    w->controls().optMode[0]->setChecked(true);
    startWithoutPort();
    evaluate({{"txtSettle", "0"}, {"txtHold", "1"}, {"txtMaxDrop", "0.5"}});
    EXPECT_FALSE(state->lastDecay);
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "圧力降下試験: 保持時間の経過を待っています.");
    for (int i = 0; i < 11; ++i)  // ten periods of 100 ms
        feedValue(100 - 0.01f * float(i));
    ASSERT_TRUE(state->lastDecay);
    EXPECT_EQ(state->lastDecay->result.verdict, Verdict::Ok);
    EXPECT_TRUE(w->controls().lblVerdict->text().contains(">OK<"));
}
