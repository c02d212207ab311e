#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QStatusBar>
#include <gtest/gtest.h>

using namespace tavin;
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
        EXPECT_EQ(w.StatusBar1->currentMessage(), "起動しました");
        EXPECT_EQ(w.width(), PxFromTwips(frmMain::NormalWidth));
        EXPECT_EQ(w.l_nowPaint, 0);
        EXPECT_EQ(w.l_CursorPos, -1);
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

    auto second = t.state();
    frmMain b(*second);
    EXPECT_TRUE(second->SettingsSaveSuppressed);
    second->Settings.Tani = "MPa";
    b.close();
    EXPECT_EQ(t.read("TAVIN-Monitor.ini"), before);
    a.close();
    EXPECT_NE(t.read("TAVIN-Monitor.ini"), before);  // the first one saves (ComPort, FilePath)
}
