#include "app/ConfFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

using namespace tavin;
using tavin::test::TestEnv;

namespace {

const char* kIni = "TAVIN-Monitor.ini";
const char* kTmp = "TAVIN-Monitor.tmp";

QByteArray defaultsFile(const QString& documents)
{
    return "[Init]\r\nSaveDir=" + documents.toUtf8() +
           "\r\nRangePlus=0\r\nRangeMinus=0\r\nTani=---\r\nSampling=1000\r\nTerm=0\r\nEtcConf=0\r\n"
           "AveNum=1000\r\nMaxDatas=30000\r\nCursorInfo=7\r\nLimitLow=-10000\r\nLimitHi=10000\r\n";
}

void ageFile(const QString& path)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(QDateTime(QDate(2020, 1, 1), QTime(12, 0)), QFileDevice::FileModificationTime));
}

QDateTime modified(const QString& path) { return QFileInfo(path).lastModified(); }

}  // namespace

TEST(FindText, GivesTheOneBasedPositionAtOrAfterStart)
{
    EXPECT_EQ(FindText(1, u"Tani=a=b", u"="), 5);
    EXPECT_EQ(FindText(6, u"Tani=a=b", u"="), 7);
    EXPECT_EQ(FindText(8, u"Tani=a=b", u"="), 0);
    EXPECT_EQ(FindText(1, u"[Init]", u"="), 0);
    EXPECT_EQ(FindText(1, u"", u"="), 0);
    EXPECT_EQ(FindText(0, u"a=b", u"="), 0);
    EXPECT_EQ(FindText(1, u"abc", u"Bc"), 0);  // exact, case-sensitive
}

TEST(ConfStartUp, MissingFileIsCreatedWithTheTwelveDefaultsInOrder)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);

    const QString docs = QDir::toNativeSeparators(t.path("Documents"));
    EXPECT_EQ(t.read(kIni), defaultsFile(docs));
    EXPECT_TRUE(QFileInfo(docs).isDir());  // created for the first recording
    EXPECT_EQ(s->Settings.SaveDir, docs);
    EXPECT_TRUE(t.prompts.shown.isEmpty());

    // The first save appends the two keys the new file lacked.
    s->Settings.ComPort = 3;
    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(t.read(kIni), defaultsFile(docs) + "ComPort=3\r\nFilePath=\r\n");
}

TEST(ConfStartUp, ReadsEveryKindOfFieldFromTheFile)
{
    TestEnv t;
    t.write(kIni, "[Init]\r\nComPort=12\r\nFilePath=run.csv\r\nSaveDir=/data\r\nLimitLow=-2.5\r\nLimitHi= 12.5 \r\n"
                  "RangePlus=4\r\nRangeMinus=2\r\nTani=a=b\r\nSampling=12.5ms\r\nTerm=5\r\nEtcConf=7\r\n"
                  "AveNum=10\r\nMaxDatas=360000\r\nCursorInfo=3\r\nPassword=1\r\nDebugMode=1\r\n");
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    const SettingsRecord& r = s->Settings;
    EXPECT_EQ(r.ComPort, 12);
    EXPECT_EQ(r.FilePath, "run.csv");
    EXPECT_EQ(r.SaveDir, "/data");
    EXPECT_EQ(r.LimitLow, -2.5f);
    EXPECT_EQ(r.LimitHi, 12.5f);
    EXPECT_EQ(r.RangePlus, 4);
    EXPECT_EQ(r.RangeMinus, 2);
    EXPECT_EQ(r.Tani, "a=b");
    EXPECT_EQ(r.Sampling, 12);  // 12.5 rounds half to even
    EXPECT_EQ(r.Term, 5);
    EXPECT_EQ(r.EtcConf, 7);
    EXPECT_EQ(r.MaxDatas, 360000);
    EXPECT_EQ(r.Password, 1);
    EXPECT_EQ(r.DebugMode, 1);
}

TEST(ConfStartUp, BadLimitLowStopsReadingWithABoxAndKeepsLaterPresets)
{
    for (const QByteArray& bad : {QByteArray("abc"), QByteArray()}) {
        TestEnv t;
        t.write(kIni, "[Init]\r\nComPort=4\r\nSaveDir=/x\r\nLimitLow=" + bad + "\r\nLimitHi=55\r\nTani=kPa\r\n");
        auto s = t.state();
        s->Settings.LimitHi = 10000.0f;
        EXPECT_EQ(s->conf.ConfStartUp(), -1);
        ASSERT_EQ(t.prompts.shown.size(), 1);
        EXPECT_EQ(t.prompts.shown[0].text, "ConfStartUp型が一致しません。");
        EXPECT_EQ(t.prompts.shown[0].title, "");
        EXPECT_EQ(t.prompts.shown[0].icon, MsgIcon::Critical);
        EXPECT_EQ(s->Settings.ComPort, 4);       // read before the error
        EXPECT_EQ(s->Settings.SaveDir, "/x");
        EXPECT_EQ(s->Settings.LimitLow, -10000.0f);  // preset kept
        EXPECT_EQ(s->Settings.LimitHi, 10000.0f);
        EXPECT_EQ(s->Settings.Tani, "");
    }
}

TEST(ConfStartUp, AWholeNumberOutOfItsFieldIsAnOverflow)
{
    TestEnv t;
    t.write(kIni, "[Init]\r\nLimitLow=1\r\nLimitHi=2\r\nRangePlus=40000\r\nTani=kPa\r\n");
    auto s = t.state();
    EXPECT_EQ(s->conf.ConfStartUp(), -1);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "ConfStartUpオーバーフローしました。");
    EXPECT_EQ(s->Settings.LimitHi, 2.0f);
    EXPECT_EQ(s->Settings.Tani, "");
}

TEST(ReadConfItem, KeysAreExactAndTheFirstOfDuplicatesCounts)
{
    TestEnv t;
    t.write(kIni, "[Init]\r\nsampling=5\r\n Sampling=6\r\nSampling=7\r\nSampling=8\r\nTani=a=b\r\nEmpty=\r\nLast=x");
    auto s = t.state();
    EXPECT_EQ(s->conf.ReadConfItem("Sampling"), "7");
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "a=b");
    EXPECT_EQ(s->conf.ReadConfItem("Empty"), "");
    EXPECT_EQ(s->conf.ReadConfItem("Last"), "x");
    EXPECT_EQ(s->conf.ReadConfItem("[Init]"), "");
    EXPECT_EQ(s->conf.ReadConfItem("Missing"), "");

    ASSERT_EQ(s->conf.WriteConfItem("Sampling", "9"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nsampling=5\r\n Sampling=6\r\nSampling=9\r\nSampling=8\r\nTani=a=b\r\n"
                            "Empty=\r\nLast=x\r\n");
}

TEST(ReadConfItem, MissingOrUnreadableFileGivesEmptyText)
{
    TestEnv t;
    auto s = t.state();
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "");
    ASSERT_TRUE(QDir().mkpath(t.path(kIni)));  // a folder cannot be read as a file
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "");
    EXPECT_EQ(s->conf.WriteConfItem("Tani", "kPa"), -1);
    EXPECT_TRUE(QFileInfo(t.path(kIni)).isDir());
}

TEST(WriteConfItem, FirstWriteCreatesTheFileWithHeaderAndKey)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "ｋＰａ"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nTani=" + QByteArray::fromHex("828b826f8281") + "\r\n");
    EXPECT_EQ(s->conf.ReadConfItem("Tani"), "ｋＰａ");
}

TEST(WriteConfItem, EqualValueLeavesFileAndTimeStampUntouched)
{
    TestEnv t;
    const QByteArray odd = "; comment\r\n\r\n[Init]\r\nTani=kPa\r\n[Init]\nSampling=10";
    t.write(kIni, odd);
    ageFile(t.path(kIni));
    const QDateTime before = modified(t.path(kIni));
    auto s = t.state();

    ASSERT_EQ(s->conf.WriteConfItem("Tani", "kPa"), 0);
    EXPECT_EQ(t.read(kIni), odd);
    EXPECT_EQ(modified(t.path(kIni)), before);

    // A changed value rewrites the file: only key lines survive, under one header.
    ASSERT_EQ(s->conf.WriteConfItem("Sampling", "20"), 0);
    EXPECT_EQ(t.read(kIni), "[Init]\r\nTani=kPa\r\nSampling=20\r\n");
    EXPECT_NE(modified(t.path(kIni)), before);
}

TEST(WriteConfItem, AStrayScratchFileDisappearsAtTheFirstWrite)
{
    TestEnv t;
    t.write(kIni, "[Init]\r\nTani=kPa\r\n");
    t.write(kTmp, "left over from a crash");
    auto s = t.state();
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "kPa"), 0);  // even when nothing changes
    EXPECT_FALSE(QFile::exists(t.path(kTmp)));
    ASSERT_EQ(s->conf.WriteConfItem("Tani", "MPa"), 0);
    EXPECT_FALSE(QFile::exists(t.path(kTmp)));
}

TEST(WriteConfItem, AFailedWriteLeavesNoScratchAndReportsMinusOne)
{
    TestEnv t;
    AppEnv env = t.env();
    env.exeDir = t.path("gone");  // the folder does not exist
    SettingsRecord r;
    ConfFile conf(env, r);
    EXPECT_EQ(conf.WriteConfItem("Tani", "kPa"), -1);
    EXPECT_FALSE(QFile::exists(conf.ScratchFilePath));
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(ConfSave, WritesTheRecordBackAndOnlyChangedKeysTouchTheFile)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->conf.ConfStartUp(), 0);
    ASSERT_EQ(s->conf.ConfSave(), 0);
    const QByteArray first = t.read(kIni);
    ageFile(t.path(kIni));
    const QDateTime before = modified(t.path(kIni));

    ASSERT_EQ(s->conf.ConfSave(), 0);
    EXPECT_EQ(modified(t.path(kIni)), before);

    s->Settings.LimitHi = 12.5f;
    s->Settings.LimitLow = -0.1f;
    s->Settings.Tani = "MPa";
    s->Settings.FilePath = "試験.csv";
    s->Settings.Password = 1;  // never written
    ASSERT_EQ(s->conf.ConfSave(), 0);

    auto again = t.state();
    ASSERT_EQ(again->conf.ConfStartUp(), 0);
    EXPECT_EQ(again->Settings.LimitHi, 12.5f);
    EXPECT_EQ(again->Settings.LimitLow, -0.1f);
    EXPECT_EQ(again->Settings.Tani, "MPa");
    EXPECT_EQ(again->Settings.FilePath, "試験.csv");
    EXPECT_EQ(again->Settings.Password, 0);
    EXPECT_TRUE(t.read(kIni).contains("LimitLow=-0.1\r\nLimitHi=12.5\r\nComPort=0\r\n"));
}
