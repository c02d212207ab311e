// The window-level behaviours of start-up: first run, stored choices, widths, port check marks.
#include "support/WindowFixture.h"
#include "window/dialogs/frmComm.h"
#include "window/dialogs/frmConfig.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/dialogs/frmPrint.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QProgressBar>
#include <QStatusBar>
#include <QTest>

#include <functional>
#include <utility>

using namespace tavin;

TEST(frmMainWindow, AFirstRunStartsWithTheDefaults)
{
    test::TestEnv t;
    auto s = t.state();
    frmMain w(*s);
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::NormalWidth));
    EXPECT_EQ(w.controls().lblTani->text(), "---");
    EXPECT_TRUE(w.controls().mnuTaniAuto->isChecked());
    EXPECT_FALSE(w.controls().lblGA->isHidden());
    EXPECT_EQ(w.controls().cmbSampling->currentText(), " 1 sec");
    EXPECT_TRUE(w.controls().mnuSampling[9]->isChecked());
    EXPECT_EQ(w.controls().cmbPageSec->currentText(), "20秒");
    EXPECT_EQ(w.controls().cmbGraphRange->currentIndex(), 0);
    EXPECT_EQ(w.controls().cmbRangeMinus->currentIndex(), 0);
    EXPECT_TRUE(w.controls().mnuPlusRange[0]->isChecked());
    EXPECT_TRUE(w.controls().mnuMinusRange[0]->isChecked());
    EXPECT_EQ(w.controls().lblUpper->text(), "10000");
    EXPECT_EQ(w.controls().lblLower->text(), "-10000");
    EXPECT_EQ(w.state().g_Keisu, 1.0f);
    EXPECT_EQ(w.controls().StatusBar1->currentMessage(), "起動しました");
    EXPECT_EQ(w.controls().txtSaveFileName->text(), "RQ4600_Datas");
    EXPECT_EQ(w.controls().lblPageCount->text(), "1ページのデータ数:20");
    EXPECT_TRUE(w.controls().mnuTermKind[0]->isChecked());
    EXPECT_TRUE(w.controls().mnuBaoud[0]->isChecked());
    EXPECT_TRUE(QFileInfo::exists(t.path("TAVIN-Monitor.ini")));
    EXPECT_TRUE(QFileInfo::exists(t.path("LOG/PG06.Log")));
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(frmMainWindow, StoredChoicesComeBack)
{
    test::TestEnv t;
    t.write("TAVIN-Monitor.ini", "[Init]\r\nLimitLow=-5\r\nLimitHi=7.5\r\nDebugMode=1\r\nComPort=3\r\n"
                                 "MaxDatas=360000\r\nTani=kPa\r\nTerm=4\r\nSampling=20\r\nRangePlus=7\r\n"
                                 "RangeMinus=3\r\nEtcConf=7\r\nAveNum=10\r\n");
    auto s = t.state();
    frmMain w(*s);
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::DebugWidth));
    EXPECT_EQ(s->Settings.MaxDatas, 30000);
    for (int i = 0; i < w.controls().mnuCom.size(); ++i)
        EXPECT_EQ(w.controls().mnuCom[i]->isChecked(), i == 2) << i;
    EXPECT_EQ(w.controls().lblTani->text(), "kPa");
    EXPECT_TRUE(w.controls().mnuTani[2]->isChecked());
    EXPECT_TRUE(w.controls().lblGA->isHidden());
    EXPECT_TRUE(w.controls().mnuTermKind[4]->isChecked());
    EXPECT_TRUE(w.controls().mnuBaoud[2]->isChecked());
    EXPECT_EQ(w.controls().cmbSampling->currentText(), "20 msec");
    EXPECT_EQ(w.controls().cmbGraphRange->currentText(), "100");
    EXPECT_EQ(w.controls().cmbRangeMinus->currentText(), "-10.0");
    EXPECT_TRUE(w.controls().chkAve->isChecked());
    EXPECT_TRUE(w.controls().chkUpperLimit->isChecked());
    EXPECT_TRUE(w.controls().chkLowerLimit->isChecked());
    EXPECT_TRUE(w.controls().LineUpper->Visible);
    EXPECT_EQ(w.controls().lblUpper->text(), "7.5");
    EXPECT_EQ(w.controls().txtAveNum->text(), "10");
    EXPECT_EQ(w.state().store.ave.AveNum, 10);
}

TEST(frmMainWindow, OnlyShiftCtrlAltClickOnTheDebugLabelTogglesTheWidth)
{
    test::TestEnv t;
    t.write("TAVIN-Monitor.ini", "[Init]\r\nLimitLow=-5\r\nLimitHi=5\r\nDebugMode=1\r\n");
    auto s = t.state();
    frmMain w(*s);
    const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
    QTest::mouseClick(w.controls().lblDebug, Qt::LeftButton, Qt::ShiftModifier | Qt::ControlModifier);
    EXPECT_TRUE(w.controls().lblDebug->Tag.isEmpty());
    QTest::mouseClick(w.controls().lblDebug, Qt::LeftButton, all);
    EXPECT_EQ(w.controls().lblDebug->Tag, "1");
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::DebugWidth));
    QTest::mouseClick(w.controls().lblDebug, Qt::LeftButton, all);
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::NormalWidth));
    QTest::mouseClick(w.controls().lblDebug, Qt::RightButton, all);
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::NormalWidth));
}

TEST(frmMainWindow, PortZeroOrBeyondThirtyChecksNothing)
{
    for (const char* port : {"0", "31"}) {
        test::TestEnv t;
        t.write("TAVIN-Monitor.ini",
                QByteArray("[Init]\r\nLimitLow=-5\r\nLimitHi=5\r\nComPort=") + port + "\r\n");
        auto s = t.state();
        frmMain w(*s);
        for (QAction* a : w.controls().mnuCom)
            EXPECT_FALSE(a->isChecked()) << port;
    }
}

TEST(frmMainWindow, AShortWindowLeavesTheProgressBarWhereItWas)
{
    test::TestEnv t;
    auto s = t.state();
    frmMain w(*s);
    w.setMinimumSize(0, 0);  // a window made smaller than its minimum all the same
    w.show();
    w.resize(w.width(), 500);
    const int placed = w.controls().ProgressBar1->y();
    w.resize(w.width(), 60);  // 900 twips
    EXPECT_EQ(w.controls().ProgressBar1->y(), placed);
    w.resize(w.width(), 600);
    EXPECT_EQ(w.controls().ProgressBar1->y(),
              w.centralWidget()->height() - w.controls().ProgressBar1->height() - 2);
    w.close();
}

namespace {

// The warnings Qt writes while an instance lives; everything still goes on to the usual output.
class QtWarnings {
public:
    QtWarnings() { previous_ = qInstallMessageHandler(&QtWarnings::record); }
    ~QtWarnings() { qInstallMessageHandler(previous_); }
    QStringList take() { return std::exchange(seen_, {}); }

private:
    static void record(QtMsgType type, const QMessageLogContext& context, const QString& text)
    {
        if (type == QtWarningMsg)
            seen_ << text;
        previous_(type, context, text);
    }
    static inline QStringList seen_;
    static inline QtMessageHandler previous_ = nullptr;
};

}  // namespace

// What a window tells the window system about its size when it appears must not change right
// after: the offscreen platform of the tests and of the recorded demo warns about every change.
TEST(frmMainWindow, EveryWindowAppearsWithoutAWarning)
{
    test::TestEnv t;
    auto s = t.state();
    frmMain w(*s);
    w.setInstalledPrinters(FilePrinterOnly);
    const std::vector<std::pair<const char*, std::function<QWidget*()>>> windows{
        {"frmMain", [&] { return &w; }},
        {"frmComm", [&] { return &w.comm(); }},
        {"frmPrint", [&] { return new frmPrint(FilePrinterOnly, w.state().print, nullptr, &w); }},
        {"frmKeisuInput",
         [&] { return new frmKeisuInput(&w, QStringLiteral("係数の入力"), QStringLiteral("1")); }},
        {"frmTaniInput",
         [&] { return new frmTaniInput(&w, w.gauge().unitMenuState(), *w.state().env.prompts); }},
        {"frmPass", [&] { return new frmPass(&w); }},
        {"frmConfig", [&] { return new frmConfig(w.state().Settings, w.state().env, &w); }},
    };
    QtWarnings warnings;
    for (const auto& [name, make] : windows) {
        QWidget* window = make();
        window->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(window)) << name;
        // The main window goes on living: a message, a measurement's texts, the debug width.
        if (window == &w) {
            w.controls().StatusBar1->showMessage(QStringLiteral("測定中"));
            w.controls().lblCounter->setText(QStringLiteral("+123.45"));
            w.setWidthTwips(frmMain::DebugWidth);
        }
        QCoreApplication::processEvents();
        EXPECT_EQ(warnings.take(), QStringList()) << name;
        if (window != &w)
            window->close();
    }
}
