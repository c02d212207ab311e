// The recorder without a window as a user runs it: a process of its own beside its own program
// folder, the simulated gauge on a pseudo-terminal, ended by a signal, a kill or a vanishing
// device; and its recordings read back by the window.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "e2e/RecorderFixture.h"
#include "support/Recordings.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

using namespace tavin;

namespace {

#define TAVIN_VERSION_TEXT                                                                                   \
    QT_STRINGIFY(TAVIN_VERSION_MAJOR)                                                                        \
    "." QT_STRINGIFY(TAVIN_VERSION_MINOR) "." QT_STRINGIFY(TAVIN_VERSION_REVISION)

class Recorder : public test::RecorderFixture {};

TEST_F(Recorder, RecordsEveryFrameUntilTerminated)
{
    gauge({"--period", "1", "--count", "5000"});
    record(rec, {"--sampling", "1"});
    const QList<test::SentFrame> sent = frames.waitFor(5000, 30000);
    ASSERT_EQ(sent.size(), 5000);
    QTest::qWait(300);  // the last frames read
    rec.terminate();
    EXPECT_EQ(ended(rec), 0);

    const std::vector<test::Recording> r = test::recordings(t.path("rec"));
    ASSERT_EQ(r.size(), 1u);
    EXPECT_EQ(r[0].values, valuesOf(sent));
    EXPECT_TRUE(files("*.journal").isEmpty());
    // One line for the recording: path, samples, first and last time; nothing on stderr.
    const QList<QByteArray> line = rec.readAllStandardOutput().trimmed().split('\t');
    ASSERT_EQ(line.size(), 4);
    EXPECT_EQ(QString::fromUtf8(line[0]), r[0].path);
    EXPECT_EQ(line[1], "5000");
    EXPECT_EQ(line[2], FromOleDate(r[0].times.front()).toString(Qt::ISODate).toUtf8());
    EXPECT_EQ(line[3], FromOleDate(r[0].times.back()).toString(Qt::ISODate).toUtf8());
    EXPECT_LT(line[2], line[3]);  // five seconds apart
    EXPECT_EQ(rec.readAllStandardError(), "");
    // The window's daily log, with the recorder's start and end.
    const QString log = FromCp932(t.read("LOG/" + QDir(t.path("LOG")).entryList({"PG*.Log"})[0]));
    EXPECT_TRUE(log.contains("tavin-recordが起動されました")) << log.toStdString();
    EXPECT_TRUE(log.contains("記録を終了します (状態 0)")) << log.toStdString();
}

// A service whose programs are root's names its state folder: the log and the journal folder list
// go there, and nothing is written beside the executable.
TEST_F(Recorder, AStateFolderTakesTheLogAndTheJournalListFromBesideTheProgram)
{
    ASSERT_TRUE(QDir(t.dir.path()).mkpath("state"));
    qputenv("TAVIN_STATE_DIR", QFile::encodeName(t.path("state")));
    gauge({"--period", "2", "--count", "100"});
    record(rec);
    qunsetenv("TAVIN_STATE_DIR");
    frames.waitFor(100);
    EXPECT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("state/TAVIN-Monitor.journals")); }, 5000));
    rec.terminate();
    EXPECT_EQ(ended(rec), 0);
    EXPECT_EQ(QDir(t.path("state/LOG")).entryList({"PG*.Log"}).size(), 1);
    EXPECT_FALSE(QFile::exists(t.path("LOG")));
    EXPECT_FALSE(QFile::exists(t.path("TAVIN-Monitor.journals")));
}

// Whatever its output does: here a pipe that is full and never read, as a stalled journald or a
// dropped ssh session leaves it, which the save's line cannot go into.
TEST_F(Recorder, TerminateInterruptAndHangUpSaveTheSegmentWhileNobodyReadsItsOutput)
{
    rec.setOutputStalled(true);
    for (const int sig : {SIGTERM, SIGINT, SIGHUP}) {
        if (sim.running()) {
            sim.terminate();
            sim.waitForFinished(5000);
        }
        frames.clear();
        QDir(t.path("rec")).removeRecursively();
        QDir(t.dir.path()).mkdir("rec");
        gauge({"--period", "2", "--count", "100"});
        record(rec);
        const std::vector<float> sent = valuesOf(frames.waitFor(100));
        // Its journal is there: it measures, and its signal handlers are in place.
        ASSERT_TRUE(QTest::qWaitFor([&] { return !files("*.journal").isEmpty(); }, 10000)) << sig;
        QTest::qWait(300);
        rec.signal(sig);
        EXPECT_EQ(ended(rec, 5000), 0) << sig << rec.readAllStandardError().toStdString();
        EXPECT_EQ(test::recorded(t.path("rec")), sent) << sig;
    }
}

TEST_F(Recorder, AfterAKillTheNextStartRecoversTheSegmentUpToTheLastSecond)
{
    gauge({"--period", "5"});
    record(rec, {"--sampling", "5"});
    test::SentTimeline timeline(frames);
    timeline.watchUntil(3300);
    ASSERT_TRUE(rec.running()) << rec.readAllStandardError().toStdString();
    rec.kill();
    const qint64 killed = timeline.now();
    ended(rec);
    sim.kill();
    ASSERT_TRUE(sim.waitForFinished(5000));
    const QList<test::SentFrame> sent = frames.read();
    const qsizetype mustHave = timeline.sentASecondBefore(killed);
    ASSERT_GT(mustHave, 0);
    ASSERT_EQ(files("*.journal").size(), 1u);
    EXPECT_TRUE(files("*.csv").isEmpty());

    // The next start (its gauge silent) recovers it and says so.
    frames.clear();
    gauge({"--period", "5", "--count", "0"});
    record(rec, {"--duration", "1"});
    const int status = ended(rec);
    const QString said = QString::fromUtf8(rec.readAllStandardError());
    EXPECT_EQ(status, 0) << said.toStdString();
    EXPECT_TRUE(said.contains("前回の測定を復旧しました")) << said.toStdString();
    EXPECT_TRUE(files("*.journal").isEmpty());
    const std::vector<float> got = test::recorded(t.path("rec"));
    EXPECT_GE(qsizetype(got.size()), mustHave);
    ASSERT_LE(got.size(), std::size_t(sent.size()));
    const std::vector<float> all = valuesOf(sent);
    EXPECT_EQ(got, std::vector<float>(all.begin(), all.begin() + std::ptrdiff_t(got.size())));
}

// Nothing can be written when the run ends (the save folder gone, the Documents folder a file):
// the failed save is said first, then what became of the segment.
TEST_F(Recorder, AFailedSaveIsSaidBeforeWhatFollowsFromIt)
{
    const QByteArray home = qgetenv("HOME"), config = qgetenv("XDG_CONFIG_HOME");
    qputenv("HOME", QFile::encodeName(t.dir.path()));  // the recorder's Documents folder is the test's
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(t.path("config")));
    t.write("Documents", "a file where the Documents folder should be");
    gauge({"--period", "2", "--count", "50"});
    record(rec);
    frames.waitFor(50);
    QTest::qWait(300);
    for (const auto& [name, value] : {std::pair{"HOME", home}, {"XDG_CONFIG_HOME", config}})
        value.isNull() ? qunsetenv(name) : qputenv(name, value);
    ASSERT_TRUE(QDir(t.dir.path()).rename("rec", "rec-away"));
    t.write("rec", "a file where the save folder was");
    rec.terminate();
    EXPECT_EQ(ended(rec), 1);
    const QString said = QString::fromUtf8(rec.readAllStandardError());
    const qsizetype failed = said.indexOf("測定データを保存できませんでした"),
                    kept = said.indexOf("ジャーナルに残り");
    EXPECT_TRUE(failed >= 0 && kept > failed) << said.toStdString();
}

TEST_F(Recorder, AVanishingDeviceIsSavedAndEndsTheRunWithStatus3)
{
    gauge({"--period", "2", "--vanish-after", "300"});
    record(rec);
    EXPECT_EQ(ended(rec), 3);
    EXPECT_TRUE(QString::fromUtf8(rec.readAllStandardError()).contains("ポート COM7 が切断されました"));
    EXPECT_EQ(test::recorded(t.path("rec")), valuesOf(frames.waitFor(300)));
    EXPECT_EQ(rec.readAllStandardOutput().count('\n'), 1);
}

TEST_F(Recorder, WithReconnectADeviceThatReturnsStartsASecondSegment)
{
    gauge({"--period", "2", "--vanish-after", "200"});
    // Said in the user's language, logged in the program's own, as the window logs.
    rec.setLocale("C.UTF-8");
    record(rec, {"--reconnect"});
    waitSaid(rec, "Waiting for the port COM7 to return");
    const std::vector<float> first = valuesOf(frames.waitFor(200));
    ASSERT_TRUE(sim.waitForFinished(5000));
    frames.clear();
    gauge({"--period", "2", "--count", "200"});
    waitSaid(rec, "The port COM7 is back");
    const std::vector<float> second = valuesOf(frames.waitFor(200));
    QTest::qWait(300);
    rec.terminate();
    EXPECT_EQ(ended(rec), 0);

    const std::vector<test::Recording> r = test::recordings(t.path("rec"));
    ASSERT_EQ(r.size(), 2u);
    // Both are segment 1 of a measurement of their own: in the order of their start times.
    const bool inOrder = r[0].header.start <= r[1].header.start;
    EXPECT_EQ(inOrder ? r[0].values : r[1].values, first);
    EXPECT_EQ(inOrder ? r[1].values : r[0].values, second);
    EXPECT_EQ(rec.readAllStandardOutput().count('\n'), 2);
    EXPECT_TRUE(FromCp932(t.read("LOG/" + QDir(t.path("LOG")).entryList({"PG*.Log"})[0]))
                    .contains("ポート COM7 が戻りました"));
}

// The command-line tools answer in the user's language: Japanese under a Japanese locale,
// English under any other. So does the window's --help, without a display.
TEST_F(Recorder, TheToolsAnswerInTheUsersLanguageAndBadInputEndsWithStatus2AndOneLineCreatingNothing)
{
    gauge({"--period", "5", "--count", "0"});
    const char* const English = "C.UTF-8";
    const char *const GaugeSim = GAUGE_SIM_PATH, *const Monitor = TAVIN_MONITOR_PATH;
    const struct {
        QStringList args;
        const char* says;
        const char* locale = "ja_JP.UTF-8";
        int status = 2;
        const char* tool = TAVIN_RECORD_PATH;
    } cases[] = {
        {{"--bogus"}, "不明なオプションです: --bogus"},
        {{"--bogus"}, "unknown option: --bogus", English},
        {{"--kind", "9"}, "--kind の値 9 は使えません"},
        {{"--kind", "9"}, "--kind cannot take the value 9", English},
        {{"--port", "COM9"}, "ポート COM9 がありません"},
        {{"--dir", "/proc"}, "に書き込めません"},
        {{"--name", QString(240, u'x')}, "ファイル名が長すぎます"},
        {{"--decay", "5"}, "--decay の値 5 は使えません"},
        {{"--decay", "0,1"}, "--decay の値 0,1 は使えません"},
        {{"--com", "31"}, "--com の値 31 は使えません", "ja_JP.UTF-8", 2, GaugeSim},
        {{"--com", "31"}, "bad value 31 for --com", English, 2, GaugeSim},
        // Asked for, on stdout.
        {{"--help"}, "使い方: tavin-record [オプション]\n", "ja_JP.UTF-8", 0},
        {{"--help"}, "Usage: tavin-record [options]\n", English, 0},
        {{"--help"}, "使い方: gauge-sim [--dir DIR] [オプション]\n", "ja_JP.UTF-8", 0, GaugeSim},
        {{"--help"}, "usage: gauge-sim [--dir DIR] [options]\n", English, 0, GaugeSim},
        {{"--help"}, "使い方: TAVIN-Monitor [オプション] [ファイル.csv]\n", "ja_JP.UTF-8", 0, Monitor},
        {{"-platform", "none", "--help"}, "Usage: TAVIN-Monitor [options] [FILE.csv]\n", English, 0, Monitor},
        {{"--version"}, "tavin-record " TAVIN_VERSION_TEXT "\n", English, 0},
        {{"--version"}, "gauge-sim " TAVIN_VERSION_TEXT "\n", English, 0, GaugeSim},
        {{"--version"}, "TAVIN-Monitor " TAVIN_VERSION_TEXT "\n", English, 0, Monitor},
    };
    for (const auto& c : cases) {
        other.setLocale(c.locale);
        if (QByteArray(c.tool) == TAVIN_RECORD_PATH)
            record(other, c.args);
        else
            ASSERT_TRUE(other.start(QString::fromUtf8(c.tool), c.args));
        EXPECT_EQ(ended(other), c.status) << c.says;
        const QString said = QString::fromUtf8(other.readAllStandardError()),
                      out = QString::fromUtf8(other.readAllStandardOutput());
        if (c.status == 0) {
            EXPECT_TRUE(out.startsWith(QString::fromUtf8(c.says))) << out.toStdString();
            EXPECT_EQ(said, "");
            continue;
        }
        EXPECT_TRUE(said.startsWith(QFileInfo(c.tool).fileName() + ": ") &&
                    said.contains(QString::fromUtf8(c.says)))
            << said.toStdString();
        EXPECT_EQ(said.count(u'\n'), 1) << said.toStdString();
        EXPECT_EQ(out, "");
    }
    EXPECT_FALSE(QFile::exists(t.path("LOG")));
    EXPECT_TRUE(QDir(t.path("rec")).isEmpty());

    // A port another recorder holds.
    other.setLocale("ja_JP.UTF-8");
    record(rec);
    ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("LOG")); }, 5000));
    record(other);
    EXPECT_EQ(ended(other), 2);
    EXPECT_TRUE(QString::fromUtf8(other.readAllStandardError()).contains("他のプログラムが使用中です"));
    EXPECT_TRUE(rec.running());
}

// A bench left alone judges each test by itself: a gauge whose pressure falls 0.5 kPa a second
// (read to 0.1 kPa) is OK against an allowed drop of 0.8 kPa over a second's hold, NG against 0.3.
TEST_F(Recorder, WithDecayEachSavedSegmentIsJudgedAndTheResultKept)
{
    gauge({"--period", "20", "--wave", "fall", "--offset", "200", "--amplitude", "1"});
    for (const char* allowed : {"1,0.8,0.5", "1,0.3,0.5"}) {
        record(rec, {"--sampling", "20", "--duration", "2.5", "--decay", allowed, "--quiet"});
        ASSERT_EQ(ended(rec), 0);
        const QList<QByteArray> lines = rec.readAllStandardOutput().trimmed().split('\n');
        ASSERT_EQ(lines.size(), 2) << allowed;
        const QStringList verdict = QString::fromUtf8(lines[1]).split(u'\t');
        ASSERT_EQ(verdict.size(), 3) << lines[1].toStdString();
        EXPECT_EQ(verdict[0], allowed[4] == '8' ? "OK" : "NG");
        EXPECT_EQ(verdict[1], QString::fromUtf8(lines[0].split('\t')[0]));  // the recording just saved
        const double dp = verdict[2].section(u' ', 1, 1).toDouble();
        EXPECT_TRUE(verdict[2].startsWith("Δp ") && dp >= -0.6 && dp <= -0.4) << verdict[2].toStdString();
    }
    // Both in the results file beside the recordings, under one header.
    const QByteArray results = t.read("rec/decay-results.csv");
    EXPECT_TRUE(results.startsWith("\xEF\xBB\xBF"));
    const QStringList rows = QString::fromUtf8(results).split("\r\n", Qt::SkipEmptyParts);
    ASSERT_EQ(rows.size(), 3);
    EXPECT_TRUE(rows[0].endsWith(
        QStringLiteral("評価時刻,記録ファイル,試験名,開始(s),終了(s),Δp,変化率(/min),単位,判定基準,判定")));
    EXPECT_TRUE(rows[1].contains(",0.5,1.5,") && rows[1].endsWith(",kPa,Δp≦0.8 kPa,OK"))
        << rows[1].toStdString();
    EXPECT_TRUE(rows[2].endsWith(",NG")) << rows[2].toStdString();
}

TEST_F(Recorder, ItsRecordingLoadsInTheWindowWithUnitSamplingAndCoefficient)
{
    gauge({"--period", "5", "--count", "200", "--unit", "M"});
    record(rec, {"--sampling", "5", "--coef", "2.5"});
    frames.waitFor(200);
    QTest::qWait(300);
    rec.terminate();
    ASSERT_EQ(ended(rec), 0);
    const QString path = QString::fromUtf8(rec.readAllStandardOutput().split('\t')[0]);

    state = std::make_unique<AppState>(t.env());
    w = std::make_unique<frmMain>(*state);
    w->controls().optMode[1]->setChecked(true);
    t.prompts.files = {path};
    w->controls().cmdFileLoad->click();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
    EXPECT_EQ(state->store.g_DataCnt, 200);
    EXPECT_EQ(w->controls().lblTani->text(), "MPa");
    EXPECT_EQ(state->Settings.Sampling, 5);
    EXPECT_EQ(state->g_Keisu, 2.5f);
}

}  // namespace
