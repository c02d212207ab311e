// The journal and the unsaved segments on the real window: what the journal holds while a
// segment is recorded, and the questions before a kept segment could be lost.
#include "core/files/Journal.h"
#include "core/platform/FileOps.h"
#include "core/platform/TextFile.h"
#include "support/WindowFixture.h"
#include "window/widgets/Controls.h"

#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLineEdit>
#include <QPushButton>
#include <QStatusBar>

using namespace tavin;

namespace {

class JournalWindow : public test::WindowFixture {
protected:
    void SetUp() override
    {
        WindowFixture::SetUp();
        state->Settings.SaveDir = t.path("rec");
        startWithoutPort();  // samples come as in a measurement
    }
    void record(int n, float from = 0)
    {
        for (int i = 0; i < n; ++i) {
            float v = from + float(i);
            feedValue(v);
        }
    }
    // What the engine checks every few milliseconds while measuring, and the screen after it.
    void refresh()
    {
        w->engine().checkJournalNow();
        w->RefreshScreen();
    }
    void stop() { Q_EMIT w->controls().cmdClose->clicked(); }
    QStringList in(const QString& pattern) const
    {
        return QDir(t.path("rec")).entryList({pattern}, QDir::Files);
    }
    QByteArray journal()
    {
        state->journal.drain();
        return in("*.journal").isEmpty() ? QByteArray() : t.read("rec/" + in("*.journal")[0]);
    }
    // The save folder lies under a file, and so does the Documents folder: nothing can be written.
    void blockFolders()
    {
        t.write("blocked", "x");
        state->Settings.SaveDir = t.path("blocked/rec");
        QDir(t.path("Documents")).removeRecursively();
        t.write("Documents", "x");
    }
    void unblockFolders()
    {
        QFile::remove(t.path("blocked"));
        QFile::remove(t.path("Documents"));
    }
};

}  // namespace

TEST_F(JournalWindow, HoldsTheSegmentAsItIsRecordedAndGoesWhenItIsSaved)
{
    record(3);
    ASSERT_EQ(in("*.journal"), QStringList{"RQ4600_Datas-20261206-090503-1.journal"});
    JournalContent c = ReadJournal(journal());
    EXPECT_EQ(c.samples, 3);
    EXPECT_TRUE(FromCp932(c.recording).startsWith("2026年12月6日 09:05:03,")) << c.recording.toStdString();

    // A change of unit during the segment: the recovered recording would carry the new one.
    w->gauge().SelectTani("MPa");
    record(2, 3);
    c = ReadJournal(journal());
    EXPECT_EQ(c.samples, 5);
    EXPECT_TRUE(FromCp932(c.recording).section(u',', 6, 6) == "MPa") << c.recording.toStdString();

    stop();
    EXPECT_TRUE(in("*.journal").isEmpty());
    ASSERT_EQ(in("*.csv").size(), 1);
}

TEST_F(JournalWindow, AFullSegmentEndsItsJournalAndTheNextOneStartsItsOwn)
{
    state->Settings.MaxDatas = 4;
    record(6);
    EXPECT_EQ(in("*.csv").size(), 1);
    ASSERT_EQ(in("*.journal"), QStringList{"RQ4600_Datas-20261206-090503-2.journal"});
    EXPECT_EQ(ReadJournal(journal()).samples, 2);
}

TEST_F(JournalWindow, AStartOrALoadWithUnsavedSegmentsAsksFirst)
{
    blockFolders();
    record(5);
    stop();
    ASSERT_EQ(state->unsaved.count(), 1);
    EXPECT_FALSE(w->controls().lblUnsaved->isHidden());
    EXPECT_EQ(w->controls().lblUnsaved->text(),
              "未保存の測定データ: 1 区間（うち 1 区間はメモリ上だけにあり、終了すると失われます）");

    t.prompts.shown.clear();
    t.prompts.answers = {MsgAnswer::No};
    Q_EMIT w->controls().cmdOpen->clicked();
    EXPECT_FALSE(w->measuring());
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.contains("1 区間"));
    EXPECT_TRUE(t.prompts.shown[0].text.endsWith("測定を開始しますか？"));

    t.prompts.answers = {MsgAnswer::No};
    t.prompts.files = {t.path("some.csv")};
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_EQ(t.prompts.dialogs.size(), 0);  // no open dialog after No
    EXPECT_TRUE(t.prompts.shown.last().text.endsWith("ファイルを読み込みますか？"));

    // Once the folder can be written, the kept segment is saved and nothing is asked.
    unblockFolders();
    t.prompts.shown.clear();
    Q_EMIT w->controls().cmdFileLoad->clicked();
    EXPECT_TRUE(t.prompts.shown.isEmpty() || !t.prompts.shown[0].text.contains("区間"));
    EXPECT_TRUE(state->unsaved.empty());
    EXPECT_TRUE(w->controls().lblUnsaved->isHidden());
    EXPECT_EQ(QDir(t.path("blocked/rec")).entryList({"*.csv"}, QDir::Files).size(), 1);
}

TEST_F(JournalWindow, ClosingWithASegmentOnlyInMemoryAsksAndNoKeepsTheWindow)
{
    blockFolders();
    record(5);
    t.prompts.answers = {MsgAnswer::No};
    EXPECT_FALSE(w->close());  // the measurement stops, its segment cannot be written
    EXPECT_EQ(state->unsaved.inMemoryOnly(state->journal), 1);
    EXPECT_TRUE(t.prompts.shown.last().text.contains("終了しますか？"));

    unblockFolders();
    t.prompts.shown.clear();
    EXPECT_TRUE(w->close());
    EXPECT_TRUE(state->unsaved.empty());
    for (const MessageBox& box : t.prompts.shown)
        EXPECT_FALSE(box.text.contains("終了しますか？"));
}

TEST_F(JournalWindow, GoesWhereTheRecordingGoesAndIsFoundThereAtTheNextStart)
{
    // The save folder cannot be written: the journal goes to the Documents folder.
    t.write("blocked", "x");
    state->Settings.SaveDir = t.path("blocked/rec");
    record(4);
    EXPECT_EQ(QDir(t.path("Documents")).entryList({"*.journal"}, QDir::Files).size(), 1);

    // The program ends without saving (its journal stays) while the save folder it was given
    // lives only in its memory; the next start looks where the journal went.
    state->journal.release(state->journal.keep());
    // Beside it, files that are not its journals: a diary and a link to a journal elsewhere.
    t.write("Documents/diary.journal", "my notes\r\n");
    ASSERT_TRUE(QDir().mkpath(t.path("away")));
    const QString own = QDir(t.path("Documents")).entryList({"*.journal"}, QDir::Files)[0];
    ASSERT_TRUE(QFile::copy(t.path("Documents/" + own), t.path("away/a-20261206-120000-1.journal")));
    ASSERT_TRUE(QFile::link(t.path("away/a-20261206-120000-1.journal"),
                            t.path("Documents/a-20261206-120000-1.journal")));
    w.reset();
    state = t.state();
    w = std::make_unique<frmMain>(*state);
    EXPECT_TRUE(w->controls().StatusBar1->currentMessage().startsWith("前回の測定を復旧しました"))
        << w->controls().StatusBar1->currentMessage().toStdString();
    EXPECT_EQ(t.read("Documents/diary.journal"), "my notes\r\n");
    EXPECT_TRUE(QFileInfo(t.path("Documents/a-20261206-120000-1.journal")).isSymLink());
    EXPECT_EQ(QDir(t.path("Documents")).entryList({"*.journal"}, QDir::Files | QDir::NoSymLinks),
              QStringList{"diary.journal"});
    EXPECT_EQ(QDir(t.path("Documents")).entryList({"*.csv"}, QDir::Files).size(), 1);
    EXPECT_FALSE(QFile::exists(t.path("TAVIN-Monitor.journals")));  // nothing left to look for
}

TEST_F(JournalWindow, InAFolderChangedBeforeTheProgramEndedIsFoundAtTheNextStart)
{
    state->Settings.SaveDir = t.path("elsewhere");
    record(4);
    state->journal.release(state->journal.keep());
    w.reset();
    state = t.state();
    w = std::make_unique<frmMain>(*state);
    EXPECT_EQ(QDir(t.path("elsewhere")).entryList({"*.csv"}, QDir::Files).size(), 1);
    EXPECT_TRUE(QDir(t.path("elsewhere")).entryList({"*.journal"}, QDir::Files).isEmpty());
}

// Crash protection that stops says so for as long as it lasts, and comes back by itself: lines
// that could not be written are written later, a journal that cannot be trusted is replaced by a
// new one with the whole segment, and a folder that takes no journal is tried again.
TEST_F(JournalWindow, CrashProtectionOffIsShownUntilItIsBack)
{
    const QString back = QStringLiteral("ジャーナルへの書き込みを再開しました");
    auto check = [&] {
        state->journal.drain();
        refresh();
    };
    record(3);
    {
        fileops::InjectedFault full({fileops::Op::Write, ENOSPC, 0, 1000});
        record(2, 3);
        check();
        EXPECT_FALSE(w->controls().lblJournalOff->isHidden());
        record(2, 5);
        check();
        EXPECT_FALSE(w->controls().lblJournalOff->isHidden());  // not a passing message
    }
    check();
    check();
    EXPECT_TRUE(w->controls().lblJournalOff->isHidden());
    EXPECT_TRUE(w->controls().StatusBar1->currentMessage().startsWith(back));
    EXPECT_EQ(ReadJournal(journal()).samples, 7);

    {
        fileops::InjectedFault broken({fileops::Op::Sync, EIO});
        record(1, 7);
        state->journal.drain();
    }
    check();  // a new journal with every sample of the segment
    check();
    EXPECT_TRUE(w->controls().lblJournalOff->isHidden());
    ASSERT_EQ(in("*.journal"), QStringList{"RQ4600_Datas-20261206-090503-1-2.journal"});
    const JournalContent c = ReadJournal(journal());
    EXPECT_EQ(c.samples, 8);
    EXPECT_EQ(c.sampleLines(), QByteArray("0,\r\n1,\r\n2,\r\n3,\r\n4,\r\n5,\r\n6,\r\n7,\r\n"));

    const QString log = logText();
    EXPECT_EQ(log.count(QStringLiteral("ジャーナルを書き込めません")), 2) << log.toStdString();
    EXPECT_EQ(log.count(back), 2);
    stop();
}

TEST_F(JournalWindow, AFolderThatTakesNoJournalIsTriedAgain)
{
    t.write("blocked", "x");
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "x");
    state->Settings.SaveDir = t.path("blocked/rec");
    w->engine().call(
        [&] { w->engine().journalRetryMs = 0; });  // tried again at each check, not every few seconds
    record(3);
    refresh();
    EXPECT_FALSE(w->controls().lblJournalOff->isHidden());
    EXPECT_TRUE(t.prompts.shown.isEmpty());  // the measurement goes on without a box waiting

    QFile::remove(t.path("blocked"));
    record(1, 3);
    refresh();
    state->journal.drain();
    refresh();
    EXPECT_TRUE(w->controls().lblJournalOff->isHidden());
    EXPECT_EQ(
        ReadJournal(t.read("blocked/rec/" + QDir(t.path("blocked/rec")).entryList({"*.journal"})[0])).samples,
        4);
    stop();
}
