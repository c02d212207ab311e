#include "core/app/basLog.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

using namespace tavin;
using tavin::test::TestEnv;

namespace {

const QString kStartLine = QStringLiteral("### TAVIN-Monitorが起動されました。 ###");

QStringList logLines(const TestEnv& t, const QString& name)
{
    return SplitLines(FromCp932(t.read(QStringLiteral("LOG/") + name)));
}

void stamp(const QString& path, const QDateTime& when)
{
    QFile f(path);
    ASSERT_TRUE(f.open(QIODevice::ReadWrite));
    ASSERT_TRUE(f.setFileTime(when, QFileDevice::FileModificationTime));
}

}  // namespace

TEST(LogInit, FirstStartCreatesTheFolderAndWritesTheStartLine)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->log.LogInit(), 0);
    EXPECT_EQ(s->log.LogFilePath, t.path("LOG/PG06.Log"));
    EXPECT_EQ(t.read("LOG/PG06.Log"),
              ToCp932(u"INF 2026/12/06 9:05:03 [LogInit]: ### TAVIN-Monitorが起動されました。 ###\r\n"));
}

TEST(LogInit, ADayFileFromAnEarlierMonthStartsAfreshButTheSameDayAppends)
{
    TestEnv t;
    t.now = QDateTime(QDate(2026, 5, 7), QTime(8, 0, 0));
    ASSERT_TRUE(QDir().mkpath(t.path("LOG")));
    t.write("LOG/PG07.Log", "INF 2026/04/07 8:00:00 [x]: april\r\n");
    stamp(t.path("LOG/PG07.Log"), QDateTime(QDate(2026, 4, 7), QTime(17, 0)));
    {
        auto s = t.state();
        ASSERT_EQ(s->log.LogInit(), 0);
    }
    QStringList lines = logLines(t, "PG07.Log");
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(kStartLine));

    stamp(t.path("LOG/PG07.Log"), QDateTime(QDate(2026, 5, 7), QTime(7, 0)));
    t.now = QDateTime(QDate(2026, 5, 7), QTime(21, 30, 0));
    auto second = t.state();
    ASSERT_EQ(second->log.LogInit(), 0);
    lines = logLines(t, "PG07.Log");
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1], "INF 2026/05/07 21:30:00 [LogInit]: " + kStartLine);
}

TEST(LogMsg, WritesTheLevelTextsAndKeepsTheStartDaysFile)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->log.LogInit(), 0);
    EXPECT_EQ(s->LogMsg(1, "Proc", "warn"), 0);
    EXPECT_EQ(s->LogMsg(7, "", "odd level"), 0);
    t.now = t.now.addDays(1);  // past midnight the start day's file is kept
    EXPECT_EQ(s->LogMsg(0, "MSComm1_OnComm", "受信"), 0);
    const QStringList lines = logLines(t, "PG06.Log");
    ASSERT_EQ(lines.size(), 4);
    EXPECT_EQ(lines[1], "WAR 2026/12/06 9:05:03 [Proc]: warn");
    EXPECT_EQ(lines[2], "2026/12/06 9:05:03 []: odd level");
    EXPECT_EQ(lines[3], "INF 2026/12/07 9:05:03 [MSComm1_OnComm]: 受信");
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST(LogMsg, NothingIsWrittenOrShownBeforeLogInit)
{
    TestEnv t;
    auto s = t.state();
    EXPECT_EQ(s->LogMsg(2, "X", "lost"), -1);
    EXPECT_TRUE(t.prompts.shown.isEmpty());
    EXPECT_FALSE(QDir(t.path("LOG")).exists());

    // A program whose boxes are its only report (the recorder) has them shown all the same.
    s->log.boxesWithoutFile = true;
    EXPECT_EQ(s->LogMsg(2, "X", "said"), -1);
    EXPECT_EQ(s->LogMsg(1, "X", "not an error"), -1);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "said");
    EXPECT_FALSE(QDir(t.path("LOG")).exists());
}

namespace {
// Checks, when the box is shown, that the line is not yet in the file.
struct OrderCheckingPrompts : ScriptedPrompts {
    QString logPath;
    bool lineWasThere = true;
    void notice(const MessageBox& box) override
    {
        QFile f(logPath);
        lineWasThere = f.open(QIODevice::ReadOnly) && f.readAll().contains("ERR ");
        ScriptedPrompts::notice(box);
    }
};
}  // namespace

// Errors also happen while samples come: the box must not hold up the receive path.
TEST(LogMsg, LevelTwoShowsABoxThatDoesNotWaitBeforeWritingTheLine)
{
    TestEnv t;
    OrderCheckingPrompts prompts;
    AppEnv env = t.env();
    env.prompts = &prompts;
    AppState s(env);
    ASSERT_EQ(s.log.LogInit(), 0);
    prompts.logPath = s.log.LogFilePath;

    EXPECT_EQ(s.LogMsg(2, "MenuSet", "失敗"), 0);
    ASSERT_EQ(prompts.shown.size(), 1);
    EXPECT_EQ(prompts.shown[0].text, "失敗");
    EXPECT_EQ(prompts.shown[0].title, "LogMsg");
    EXPECT_EQ(prompts.shown[0].icon, MsgIcon::None);
    EXPECT_EQ(prompts.shown[0].buttons, MsgButtons::Ok);
    EXPECT_FALSE(prompts.shown[0].waits);
    EXPECT_FALSE(prompts.lineWasThere);
    EXPECT_TRUE(logLines(t, "PG06.Log").last().startsWith("ERR 2026/12/06 9:05:03 [MenuSet]: 失敗"));
}

TEST(LogMsg, AnUnwritableFileStillShowsTheBoxAndReturnsMinusOne)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->log.LogInit(), 0);
    ASSERT_TRUE(QFile::remove(s->log.LogFilePath));
    ASSERT_TRUE(QDir().mkpath(s->log.LogFilePath));  // a folder in the file's place
    EXPECT_EQ(s->LogMsg(2, "X", "disk trouble"), -1);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].text, "disk trouble");
}

TEST(LogInit, AFolderThatCannotBeMadeShowsABoxAndLeavesTheLogSilent)
{
    TestEnv t;
    t.write("LOG", "a file where the folder should be");
    auto s = t.state();
    EXPECT_EQ(s->log.LogInit(), -1);
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_EQ(t.prompts.shown[0].buttons, MsgButtons::Ok);
    EXPECT_EQ(s->LogMsg(2, "X", "y"), -1);
    EXPECT_EQ(t.prompts.shown.size(), 1);
}

TEST(Trap, LogsTheFaultUnderTheHandlersNameAndSkipsTheRest)
{
    TestEnv t;
    auto s = t.state();
    ASSERT_EQ(s->log.LogInit(), 0);
    bool rest = false;
    EXPECT_FALSE(Trap(s->log, "Form_Resize", [&] {
        throw RuntimeError(kOverflow);
        rest = true;
    }));
    EXPECT_FALSE(rest);
    EXPECT_TRUE(logLines(t, "PG06.Log").last().endsWith("[Form_Resize]: オーバーフローしました。"));
    EXPECT_TRUE(Trap(s->log, "Ok", [] {}));
}
