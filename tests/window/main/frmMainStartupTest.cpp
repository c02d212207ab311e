#include "core/app/AppState.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QComboBox>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QStatusBar>
#include <gtest/gtest.h>
#include <sys/stat.h>

using namespace tavin;
using tavin::test::Deadline;
using tavin::test::NotAFile;
using tavin::test::TestEnv;

TEST(frmMainStartup, FirstStartInAnEmptyFolderThenCloseWritesSettingsAndLog)
{
    TestEnv t;
    auto s = t.state();
    {
        frmMain w(*s);
        EXPECT_EQ(w.windowTitle(), QStringLiteral("TAVIN モニタソフト(Ver.%1.%2.%3)")
                                       .arg(TAVIN_VERSION_MAJOR)
                                       .arg(TAVIN_VERSION_MINOR)
                                       .arg(TAVIN_VERSION_REVISION));
        EXPECT_EQ(w.controls().StatusBar1->currentMessage(), "起動しました");
        EXPECT_EQ(w.width(), PxFromTwips(frmMain::NormalWidth));
        EXPECT_EQ(w.state().page.cursor(), -1);
        w.close();
    }
    const QString docs = QDir::toNativeSeparators(t.path("Documents"));
    EXPECT_EQ(t.read("TAVIN-Monitor.ini"),
              "[Init]\r\nSaveDir=" + docs.toUtf8() +
                  "\r\nRangePlus=0\r\nRangeMinus=0\r\nTani=---\r\nSampling=1000\r\nTerm=0\r\n"
                  "EtcConf=0\r\nAveNum=1000\r\nMaxDatas=30000\r\nCursorInfo=7\r\nLimitLow=-10000\r\n"
                  "LimitHi=10000\r\nComPort=0\r\nFilePath=RQ4600_Datas\r\n");
    EXPECT_EQ(t.read("LOG/PG06.Log"),
              ToCp932(u"INF 2026/12/06 9:05:03 [LogInit]: ### TAVIN-Monitorが起動されました。 ###\r\n"
                      u"INF 2026/12/06 9:05:03 [Form_Unload]: #### プログラムを終了します ####\r\n"));
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(frmMainStartup, DebugModeWidensAndTheSampleLimitIsAlwaysReset)
{
    TestEnv t;
    t.write("TAVIN-Monitor.ini", "[Init]\r\nLimitLow=-1\r\nLimitHi=1\r\nMaxDatas=360000\r\nDebugMode=1\r\n");
    auto s = t.state();
    frmMain w(*s);
    EXPECT_EQ(w.width(), PxFromTwips(frmMain::DebugWidth));
    EXPECT_EQ(s->Settings.MaxDatas, 30000);
    EXPECT_EQ(s->Settings.LimitHi, 1.0f);
}

TEST(frmMainStartup, ASecondInstanceLeavesTheSettingsFileUntouched)
{
    TestEnv t;
    auto first = t.state();
    frmMain a(*first);
    EXPECT_FALSE(first->SettingsSaveSuppressed);
    const QByteArray before = t.read("TAVIN-Monitor.ini");

    EXPECT_EQ(a.controls().StatusBar1->currentMessage(), "起動しました");
    EXPECT_EQ(a.findChild<QLabel*>("lblSaveSuppressed"), nullptr);

    auto second = t.state();
    frmMain b(*second);
    EXPECT_TRUE(second->SettingsSaveSuppressed);
    // The user is told at once, and the mark stays after later messages replace the first one.
    EXPECT_EQ(b.controls().StatusBar1->currentMessage(),
              "起動しました（このソフトは既に起動しているため、この画面の設定は終了時に保存されません）");
    b.controls().StatusBar1->showMessage("測定開始");
    const QLabel* mark = b.findChild<QLabel*>("lblSaveSuppressed");
    ASSERT_NE(mark, nullptr);
    EXPECT_EQ(mark->text(), "設定は保存されません（二重起動）");
    EXPECT_FALSE(mark->isHidden());
    second->Settings.Tani = "MPa";
    b.close();
    EXPECT_EQ(t.read("TAVIN-Monitor.ini"), before);
    a.close();
    EXPECT_NE(t.read("TAVIN-Monitor.ini"), before);  // the first one saves (ComPort, FilePath)
}

TEST(frmMainStartup, UnusableStoredValuesAreNamedOnceRunWithDefaultsAndSavedAsDefaults)
{
    TestEnv t;
    t.write("TAVIN-Monitor.ini", "[Init]\r\nSaveDir=/x\r\nLimitLow=abc\r\nLimitHi=55\r\nRangePlus=999\r\n"
                                 "Tani=kPa\r\nSampling=0\r\nTerm=99\r\nAveNum=10\r\nMy=own\r\n");
    auto s = t.state();
    const QList<ReplacedSetting> replaced = {{"LimitLow", "abc", "-10000"},
                                             {"RangePlus", "999", "0"},
                                             {"Sampling", "0", "1000"},
                                             {"Term", "99", "0"}};
    {
        frmMain w(*s);
        ASSERT_EQ(t.prompts.shown.size(), 1);
        EXPECT_EQ(t.prompts.shown[0].text, ReplacedSettingsMessage(replaced));
        EXPECT_EQ(t.prompts.shown[0].icon, MsgIcon::Exclamation);

        // The defaults are what the window runs with; the valid keys came through.
        EXPECT_EQ(w.controls().cmbSampling->currentText(), " 1 sec");
        EXPECT_EQ(s->page.samplesPerSecond(), 1.0f);
        EXPECT_TRUE(w.controls().mnuTermKind[0]->isChecked());
        EXPECT_EQ(w.controls().cmbGraphRange->currentIndex(), 0);
        EXPECT_EQ(w.controls().lblLower->text(), "-10000");
        EXPECT_EQ(w.controls().lblUpper->text(), "55");
        EXPECT_EQ(w.controls().lblTani->text(), "kPa");
        EXPECT_EQ(w.controls().txtAveNum->text(), "10");
        w.close();
    }
    QByteArray log;
    for (const ReplacedSetting& r : replaced)
        log += ToCp932(QStringLiteral("WAR 2026/12/06 9:05:03 [ConfStartUp]: ") + ReplacedSettingLogText(r) +
                       "\r\n");
    EXPECT_TRUE(t.read("LOG/PG06.Log").contains(log));

    // Replaced keys hold their defaults where they stood; missing ones follow; the unknown key stays.
    EXPECT_EQ(t.read("TAVIN-Monitor.ini"),
              "[Init]\r\nSaveDir=/x\r\nLimitLow=-10000\r\nLimitHi=55\r\nRangePlus=0\r\nTani=kPa\r\n"
              "Sampling=1000\r\nTerm=0\r\nAveNum=10\r\nMy=own\r\nComPort=0\r\nRangeMinus=0\r\nEtcConf=0\r\n"
              "MaxDatas=30000\r\nCursorInfo=7\r\nFilePath=RQ4600_Datas\r\n");
}

// A named pipe where the program keeps a file of its own would hold the start in open() for ever:
// the window comes up, one box names the file, and the pipe is still there after the exit.
TEST(frmMainStartup, APipeBesideTheProgramIsNamedInABoxAndTheStartGoesOn)
{
    const Deadline deadline(60);
    for (const QString name :
         {"TAVIN-Monitor.ini", "TAVIN-Monitor.lock", "TAVIN-Monitor.journals", "LOG/PG06.Log"}) {
        SCOPED_TRACE(name.toStdString());
        TestEnv t;
        ASSERT_TRUE(QDir().mkpath(t.path("LOG")));
        ASSERT_TRUE(t.make(name, NotAFile::Fifo));
        auto s = t.state();
        frmMain(*s).close();
        ASSERT_EQ(t.prompts.shown.size(), 1);
        EXPECT_TRUE(t.prompts.shown[0].text.contains(QDir::toNativeSeparators(t.path(name))));
        EXPECT_EQ(t.typeOf(name), unsigned(S_IFIFO));
    }
}
