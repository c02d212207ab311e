// Nothing measured is lost: a program killed mid-segment leaves a journal that the next start
// turns into a recording, and segments that could not be written are saved once they can be.
#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"
#include "e2e/GaugeFixture.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QStatusBar>
#include <QTest>
#include <gtest/gtest.h>

using namespace tavin;

namespace {

constexpr OleDate Second = 1.0 / 86400;

class Recovery : public ::testing::Test {
protected:
    void TearDown() override
    {
        if (w)
            w->close();
        for (test::Spawned* p : {&host, &sim})
            if (p->running()) {
                p->kill();
                p->waitForFinished(5000);
            }
    }

    void startGauge(int period, const QStringList& more = {})
    {
        QFile::remove(t.path("ports/COM7"));
        sim.start(QStringLiteral(GAUGE_SIM_PATH),
                  QStringList{"--dir", t.dir.path(), "--com", "7", "--kind", "0", "--period",
                              QString::number(period), "--wave", "ramp", "--amplitude", "50"} +
                      more);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM7")); }, 5000));
    }

    // The program in this process, over the folder the killed one used.
    void startWindow()
    {
        AppEnv env = t.env();
        env.clock = nullptr;
        state = std::make_unique<AppState>(env);
        w = std::make_unique<frmMain>(*state);
    }
    void selectGauge()
    {
        w->gauge().ListComPorts();
        w->controls().mnuTermKind[0]->trigger();
        for (QAction* a : w->controls().mnuCom)
            if (a->isVisible() && a->text().startsWith("COM7("))
                a->trigger();
        ASSERT_EQ(state->Settings.ComPort, 7);
    }

    QStringList filesIn(const QString& folder, const QString& pattern) const
    {
        return QDir(folder).entryList({pattern}, QDir::Files, QDir::Name);
    }
    static QStringList linesOf(const QString& path)
    {
        QStringList lines;
        EXPECT_TRUE(ReadTextLines(path, lines)) << path.toStdString();
        return lines;
    }

    test::TestEnv t;
    test::Spawned sim;
    test::Spawned host;
    test::SimFrames frames{sim};
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> w;
};

class KilledMeasurement : public Recovery, public ::testing::WithParamInterface<int> {};

}  // namespace

TEST_P(KilledMeasurement, IsRecoveredAtTheNextStartUpToTheLastSecond)
{
    const int period = GetParam();
    startGauge(period);
    host.start(QStringLiteral(MEASURE_HOST_PATH),
               {"--dir", t.dir.path(), "--com", "7", "--kind", "0", "--sampling", QString::number(period)});
    ASSERT_TRUE(host.waitForStarted(5000));
    QByteArray said;  // the host's one line
    ASSERT_TRUE(
        QTest::qWaitFor([&] { return (said += host.readAllStandardOutput()).endsWith('\n'); }, 10000));
    ASSERT_EQ(said, "measuring\n");

    // Watch what the gauge sends, then kill the program in the middle of a second.
    test::SentTimeline timeline(frames);
    timeline.watchUntil(period == 1 ? 3300 : 4500);
    // Ended before the kill, it measured nothing worth recovering: say why (a sanitizer's report).
    ASSERT_TRUE(host.running()) << host.readAllStandardError().toStdString();
    host.kill();
    const qint64 killed = timeline.now();
    ASSERT_TRUE(host.waitForFinished(5000));
    sim.kill();
    ASSERT_TRUE(sim.waitForFinished(5000));  // its output is read to the end
    const QList<test::SentFrame> sent = frames.read();
    const qsizetype mustHave = timeline.sentASecondBefore(killed);
    ASSERT_GT(mustHave, 0);
    const QString folder = t.path("Documents");
    ASSERT_EQ(filesIn(folder, "*.journal").size(), 1);
    EXPECT_TRUE(filesIn(folder, "*.csv").isEmpty());

    startWindow();
    EXPECT_TRUE(
        w->controls().StatusBar1->currentMessage().startsWith(QStringLiteral("前回の測定を復旧しました")))
        << w->controls().StatusBar1->currentMessage().toStdString();
    EXPECT_TRUE(filesIn(folder, "*.journal").isEmpty());
    const QStringList recordings = filesIn(folder, "*.csv");
    ASSERT_EQ(recordings.size(), 1);
    // base - start stamp - segment - save stamp
    EXPECT_EQ(recordings[0].split(u'-').size(), 6) << recordings[0].toStdString();
    EXPECT_EQ(recordings[0].section(u'-', 3, 3), "1");
    const QString path = QDir(folder).filePath(recordings[0]);
    const QStringList lines = linesOf(path);
    const QStringList header = lines[0].split(u',');
    ASSERT_EQ(header.size(), 8);
    EXPECT_EQ(header[2], "1");
    EXPECT_EQ(header[3], QStringLiteral("%1 msec").arg(period));
    EXPECT_EQ(header[6], "kPa");
    const qsizetype samples = lines.size() - 2;
    EXPECT_GE(samples, mustHave);
    ASSERT_LE(samples, sent.size());
    for (qsizetype i = 0; i < samples; ++i)
        ASSERT_EQ(Val(lines[i + 1].section(u',', 0, 0)), Val(sent[i].value)) << i;

    // It loads in read-out mode, and its closing line carries the time of its last sample.
    w->controls().optMode[1]->setChecked(true);
    t.prompts.files = {path};
    w->controls().cmdFileLoad->click();
    EXPECT_EQ(w->controls().StatusBar1->currentMessage(), "読み込み終了");
    ASSERT_EQ(state->store.g_DataCnt, samples);
    EXPECT_EQ(lines.last(),
              u',' + FormatDate(state->store.g_DataTime[std::size_t(samples) - 1], u"yyyy年m月d日 hh:nn:ss"));

    // A normal measurement in the same folder afterwards: its own recording, the recovered one
    // untouched, no journal left.
    const QByteArray recovered = t.read("Documents/" + recordings[0]);
    frames.clear();
    startGauge(1, {"--count", "300"});
    w->controls().optMode[0]->setChecked(true);
    selectGauge();
    w->controls().cmdOpen->click();
    ASSERT_TRUE(w->measuring());
    EXPECT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt >= 300; }, 20000));
    w->controls().cmdClose->click();
    EXPECT_EQ(filesIn(folder, "*.csv").size(), 2);
    EXPECT_TRUE(filesIn(folder, "*.journal").isEmpty());
    EXPECT_EQ(t.read("Documents/" + recordings[0]), recovered);
}

INSTANTIATE_TEST_SUITE_P(Periods, KilledMeasurement, ::testing::Values(1, 1000), [](const auto& info) {
    return QStringLiteral("Every%1ms").arg(info.param).toStdString();
});

TEST_F(Recovery, SegmentsThatCouldNotBeWrittenAreSavedOnceTheFolderCanBe)
{
    // The save folder lies under a file and the Documents folder is a file: nothing can be written.
    t.write("blocked", "a file where the save folder's parent should be");
    t.write("Documents", "a file where the Documents folder should be");
    startGauge(1, {"--count", "5000"});
    startWindow();
    selectGauge();
    state->Settings.SaveDir = t.path("blocked/rec");
    state->Settings.MaxDatas = 2000;  // segments of 2000 samples, as 30000 at full length
    w->controls().cmdOpen->click();
    ASSERT_TRUE(w->measuring());
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->store.g_FileNo == 3; }, 20000));

    // Two segments are kept, said so, and nothing waited for an answer.
    EXPECT_EQ(state->unsaved.count(), 2);
    EXPECT_FALSE(w->controls().lblUnsaved->isHidden());
    for (const MessageBox& box : t.prompts.shown)
        EXPECT_FALSE(box.waits) << box.text.toStdString();
    // The journal, in the same folder, could not be written either: said once, not per segment.
    QStringList log;
    ASSERT_TRUE(ReadTextLines(state->log.LogFilePath, log));
    EXPECT_EQ(log.filter(QStringLiteral("ジャーナルを書き込めません")).size(), 1)
        << log.join('\n').toStdString();

    QFile::remove(t.path("blocked"));  // the folder can be written again
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->unsaved.empty(); }, 15000));
    EXPECT_TRUE(w->controls().lblUnsaved->isHidden());
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt == 1000; }, 20000));
    w->controls().cmdClose->click();
    const QList<test::SentFrame> sent = frames.waitFor(5000);
    ASSERT_EQ(sent.size(), 5000);

    // Every value in order, in three recordings whose times run on without a gap.
    const QString folder = t.path("blocked/rec");
    const QStringList files = filesIn(folder, "*.csv");
    ASSERT_EQ(files.size(), 3);
    EXPECT_TRUE(filesIn(folder, "*.journal").isEmpty());
    w->controls().optMode[1]->setChecked(true);
    qsizetype next = 0;
    OleDate lastTime = 0;
    for (const QString& f : files) {
        t.prompts.files = {QDir(folder).filePath(f)};
        w->controls().cmdFileLoad->click();
        const SampleStore& s = state->store;
        for (std::int32_t i = 0; i < s.g_DataCnt; ++i, ++next) {
            ASSERT_LT(next, sent.size());
            ASSERT_EQ(s.g_Datas[std::size_t(i)], float(Val(sent[next].value))) << f.toStdString() << ' ' << i;
            const OleDate time = s.g_DataTime[std::size_t(i)];
            if (lastTime != 0) {
                ASSERT_TRUE(time >= lastTime - 1e-9 && time <= lastTime + Second * 1.01)
                    << f.toStdString() << ' ' << i;
            }
            lastTime = time;
        }
    }
    EXPECT_EQ(next, 5000);
}
