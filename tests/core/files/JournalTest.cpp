// The journal: what a killed program leaves, what the next start makes of it, and what happens
// to segments whose recording cannot be written.
#include "core/files/Journal.h"
#include "core/files/CsvReader.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/FileOps.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace tavin;

namespace {

// 2026-12-06 12:00:00 plus `s` seconds, stamped as the program stamps its samples.
OleDate at(int s) { return ToOleDate(QDateTime(QDate(2026, 12, 6), QTime(12, 0)).addSecs(s)); }

CsvHeader header(const QString& unit = "kPa", float keisu = 1.0f)
{
    CsvHeader h;
    h.startText = "2026年12月6日 12:00:00";
    h.fileNo = 3;
    h.sampling = 1;
    h.plusRange = "100";
    h.minusRange = "-100";
    h.unit = unit;
    h.keisu = keisu;
    return h;
}

// Header and sample lines of `n` samples 0, 1, 2 ... at 1 ms, as the window journals them.
QByteArray journalText(int n, const CsvHeader& h = header())
{
    const OleDate first = at(0);
    QByteArray bytes = CsvHeaderText(h, &first);
    char line[CsvSampleLineMax];
    for (int i = 0; i < n; ++i) {
        const OleDate t = at(i / 1000);
        const bool newSecond = i > 0 && i % 1000 == 0;
        bytes.append(line, CsvSampleLine(line, float(i), newSecond ? &t : nullptr) - line);
    }
    return bytes;
}

class Journals : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = t.state();
        state->log.LogInit();
        ASSERT_TRUE(QDir().mkpath(t.path("rec")));
    }
    QList<RecoveredJournal> recover() { return RecoverJournals(state->log, state->env, t.path("rec")); }
    QStringList files() const { return QDir(t.path("rec")).entryList(QDir::Files, QDir::Name); }
    QString logText() const
    {
        QFile f(state->log.LogFilePath);
        return f.open(QIODevice::ReadOnly) ? FromCp932(f.readAll()) : QString();
    }

    test::TestEnv t;
    std::unique_ptr<AppState> state;
};

}  // namespace

TEST(JournalContent, IsTheRecordingUpToTheLastWholeLine)
{
    const QByteArray whole = journalText(2500);
    const JournalContent c = ReadJournal(whole + "2500,4636");  // killed in the middle of a line
    EXPECT_EQ(c.samples, 2500);
    EXPECT_NEAR(c.lastTime, at(2), 1e-9);
    // Closing line: the time of the last sample.
    EXPECT_EQ(c.recording, whole + ToCp932(u",2026年12月6日 12:00:02\r\n"));

    // The reader takes it back as any recording: header, every sample, its times.
    const CsvHeaderLine h = ReadCsvHeader(c.recording);
    EXPECT_EQ(h.header.fileNo, 3);
    EXPECT_EQ(h.header.unit, "kPa");

    // What a power cut can leave after the last synced block: zeros, or a line cut after its comma.
    EXPECT_EQ(ReadJournal(whole + QByteArray(4096, '\0')).samples, 2500);
    EXPECT_EQ(ReadJournal(whole + "12.5,\r").samples, 2500);
    EXPECT_TRUE(ReadJournal(whole + "12.5,\r").whole);
    const JournalContent junk = ReadJournal(whole + "x,\r\n1,\r\n");
    EXPECT_EQ(junk.samples, 2500);
    EXPECT_FALSE(junk.whole);  // lines it could not read: the journal is not to be thrown away

    // Whatever the writer writes, the reader takes back.
    EXPECT_EQ(ReadJournal(whole + "Inf,\r\n-Inf,\r\nNaN,\r\n").samples, 2503);
}

TEST(JournalContent, TakesTheUnitAndCoefficientLastWritten)
{
    const OleDate first = at(0);
    const QByteArray text = journalText(3) + CsvHeaderText(header("MPa", 0.5f), &first) + "7,\r\n" +
                            CsvHeaderText(header("bar", 2), &first);
    const JournalContent c = ReadJournal(text);
    EXPECT_EQ(c.samples, 4);
    EXPECT_TRUE(c.recording.startsWith(CsvHeaderText(header("bar", 2), &first)));
    EXPECT_EQ(c.recording.count("\r\n"), 1 + 4 + 1);  // one header, four samples, the closing line
}

TEST(JournalContent, WithoutASampleIsNoRecording)
{
    EXPECT_EQ(ReadJournal("").samples, 0);
    EXPECT_EQ(ReadJournal(journalText(0)).samples, 0);
    EXPECT_EQ(ReadJournal(journalText(0).chopped(5)).samples, 0);  // the header itself cut
    EXPECT_TRUE(ReadJournal(journalText(0)).recording.isEmpty());
}

TEST_F(Journals, BecomeRecordingsNamedAsEveryRecordingAndAreRemoved)
{
    t.write("rec/data-20261206-120000-3.journal", journalText(1500) + "15");
    t.write("rec/data-20261206-123000-4.journal", journalText(10));
    t.write("rec/empty-20261206-120000-1.journal", "");  // no header: nothing says it is one
    t.write("rec/head-20261206-120000-1.journal", journalText(0));
    t.write("rec/cut-20261206-120000-2.journal", journalText(20) + "junk\r\n" + journalText(5));
    t.write("rec/junk-20261206-120000-2.journal", journalText(0) + "junk\r\n");
    // A copy that went through a tool writing LF alone is still this program's journal.
    t.write("rec/lf-20261206-120000-5.journal", journalText(7).replace("\r\n", "\n"));

    const QList<RecoveredJournal> r = recover();
    ASSERT_EQ(r.size(), 4);
    EXPECT_EQ(r[0].samples, 20);  // up to the line it could not read
    EXPECT_EQ(r[1].path, t.path("rec/data-20261206-120000-3-20261206-090503.csv"));
    EXPECT_EQ(r[1].samples, 1500);
    EXPECT_EQ(r[2].samples, 10);
    EXPECT_EQ(r[3].samples, 7);
    // The journals are gone, the one with a header only too; what could not be read stays for a person to
    // look at.
    EXPECT_EQ(
        files(),
        (QStringList{"cut-20261206-120000-2-20261206-090503.csv", "cut-20261206-120000-2.journal.bad",
                     "data-20261206-120000-3-20261206-090503.csv",
                     "data-20261206-123000-4-20261206-090503.csv", "empty-20261206-120000-1.journal",
                     "junk-20261206-120000-2.journal.bad", "lf-20261206-120000-5-20261206-090503.csv"}));
    EXPECT_EQ(t.read("rec/data-20261206-120000-3-20261206-090503.csv"),
              ReadJournal(journalText(1500)).recording);
    EXPECT_EQ(t.read("rec/lf-20261206-120000-5-20261206-090503.csv"), ReadJournal(journalText(7)).recording);
    const QString log = logText();
    EXPECT_TRUE(log.contains(QStringLiteral("WAR ")) &&
                log.contains("data-20261206-120000-3-20261206-090503.csv") &&
                log.contains(QStringLiteral("1500 件")))
        << log.toStdString();
    ASSERT_EQ(t.prompts.shown.size(), 2);  // the two set aside are shown as errors, with their names
    EXPECT_TRUE(t.prompts.shown[1].text.contains("junk-20261206-120000-2.journal.bad"));
    // A journal that had to take "-2" becomes a recording named as every other.
    EXPECT_EQ(RecoveredRecordingPath("/r/a-b-20261206-120000-1-2.journal", at(0)),
              "/r/a-b-20261206-120000-1-20261206-120000.csv");
    // Every file of a segment starts with one name, which the stream's batches carry.
    EXPECT_EQ(SegmentStem("a-b.CSV", at(0), 3), "a-b-20261206-120000-3");
    EXPECT_EQ(SegmentName("a-b-20261206-120000-3-20261206-130000.csv"), "a-b-20261206-120000-3");
    EXPECT_EQ(SegmentName("a-b-20261206-120000-3-20261206-130000-2.csv"), "a-b-20261206-120000-3");
    EXPECT_EQ(SegmentName("chosen by hand.csv"), "chosen by hand");
}

// Files of others that happen to end in ".journal" are neither read past their first line nor
// renamed nor removed; links, pipes, devices and folders are not even opened.
TEST_F(Journals, OfOtherProgramsAreLeftExactlyAsTheyAre)
{
    const QByteArray foreign[] = {"diary of the bench\r\nday 1\r\n", QByteArray("\x00\x01\xff\r\n", 5),
                                  "not, a, journal\r\n", journalText(3)};
    const QString names[] = {"diary.journal", "bin-20261206-120000-1.journal",
                             "crlf-20261206-120000-1.journal", ".hidden-20261206-120000-1.journal"};
    for (int i = 0; i < 4; ++i)
        t.write("rec/" + names[i], foreign[i]);
    ASSERT_TRUE(QDir().mkpath(t.path("elsewhere")));
    t.write("elsewhere/real-20261206-120000-1.journal", journalText(5));
    ASSERT_TRUE(QFile::link(t.path("elsewhere/real-20261206-120000-1.journal"),
                            t.path("rec/link-20261206-120000-1.journal")));
    ASSERT_EQ(::mkfifo(QFile::encodeName(t.path("rec/fifo-20261206-120000-1.journal")).constData(), 0644), 0);
    ASSERT_TRUE(QDir().mkpath(t.path("rec/dir-20261206-120000-1.journal")));
    ASSERT_TRUE(
        QFile::link(t.path("elsewhere/real-20261206-120000-1.journal"), t.path("rec/.tavin-abcdef.part")));

    EXPECT_TRUE(recover().isEmpty());
    for (int i = 0; i < 4; ++i)
        EXPECT_EQ(t.read("rec/" + names[i]), foreign[i]) << names[i].toStdString();
    EXPECT_TRUE(QFileInfo(t.path("rec/link-20261206-120000-1.journal")).isSymLink());
    EXPECT_TRUE(QFileInfo(t.path("rec/.tavin-abcdef.part")).isSymLink());  // named as a scratch file
    EXPECT_EQ(t.read("elsewhere/real-20261206-120000-1.journal"), journalText(5));
    EXPECT_EQ(QDir(t.path("rec"))
                  .entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot)
                  .size(),
              8);
    EXPECT_TRUE(t.prompts.shown.isEmpty());
}

TEST_F(Journals, OfARunningProgramAreLeftAlone)
{
    Journal running;
    QString why;
    ASSERT_TRUE(running.begin(t.path("rec/live-20261206-120000-1.journal"), journalText(5), &why))
        << why.toStdString();
    running.drain();
    EXPECT_TRUE(recover().isEmpty());
    EXPECT_EQ(files(), QStringList{"live-20261206-120000-1.journal"});

    // Once its program has ended without saving, the journal is free to be recovered.
    running.release(running.keep());
    running.drain();
    EXPECT_EQ(recover().size(), 1);
}

TEST_F(Journals, WriteEveryLineAndGoOnlyWhenTheSegmentIsSaved)
{
    Journal j(10);
    QString why;
    const QString path = t.path("rec/a-20261206-120000-1.journal");
    ASSERT_TRUE(j.begin(path, journalText(0), &why));
    const OleDate second = at(1);
    j.sample(1.5f, nullptr);
    j.sample(-2.25f, &second);
    j.drain();
    char time[40];
    EXPECT_EQ(t.read("rec/a-20261206-120000-1.journal"),
              journalText(0) + "1.5,\r\n-2.25," + QByteArray(time, SerialDateText(time, second) - time) +
                  "\r\n");
    EXPECT_GE(j.syncs(), 1u);
    EXPECT_LE(j.writes(), 3u);  // lines are handed over in batches, never one write per sample

    // The name is taken (a restart within the same second): the next journal gets "-2".
    Journal other;
    ASSERT_TRUE(other.begin(path, journalText(0), &why));
    EXPECT_EQ(other.path(), t.path("rec/a-20261206-120000-1-2.journal"));
    other.remove();
    j.remove();
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(j.active());

    // A segment that could not be saved keeps its journal until it is saved after all.
    ASSERT_TRUE(j.begin(path, journalText(0), &why));
    j.sample(4, nullptr);
    const JournalTicket kept = j.keep();
    j.drain();
    EXPECT_TRUE(t.read("rec/a-20261206-120000-1.journal").endsWith("4,\r\n"));
    EXPECT_TRUE(j.intact(kept));
    j.remove(kept);
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_FALSE(j.intact(kept));

    // A journal someone deleted while it was written no longer holds its segment, and says so.
    ASSERT_TRUE(j.begin(path, journalText(0), &why));
    j.sample(5, nullptr);
    j.drain();
    ASSERT_TRUE(QFile::remove(path));
    j.sample(6, nullptr);
    j.drain();
    EXPECT_TRUE(j.takeFailure().contains(path));
    EXPECT_FALSE(j.intact(j.keep()));
}

TEST_F(Journals, ThatCannotBeWrittenSayWhy)
{
    t.write("blocker", "a file where the folder should be");
    Journal j;
    QString why;
    EXPECT_FALSE(j.begin(t.path("blocker/a.journal"), journalText(0), &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(j.active());
    j.sample(1, nullptr);  // ignored, no crash
    EXPECT_TRUE(j.takeFailure().isEmpty());
}

TEST_F(Journals, UnsavedSegmentsAreSavedOnceTheFolderCanBeWritten)
{
    t.write("blocker", "x");
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "x");
    Journal journal;
    UnsavedRecordings unsaved;
    for (int seg = 1; seg <= 2; ++seg)
        unsaved.add({t.path(QStringLiteral("blocker/a-%1.csv").arg(seg)), header(), "end",
                     std::vector<float>(10, float(seg)), std::vector<OleDate>(10, at(0)), 0},
                    state->log, journal);
    EXPECT_EQ(unsaved.saveAll(state->log, state->env, journal), 0);
    EXPECT_EQ(unsaved.count(), 2);
    EXPECT_EQ(unsaved.inMemoryOnly(journal), 2);

    QFile::remove(t.path("blocker"));  // the folder can be written again
    EXPECT_EQ(unsaved.saveAll(state->log, state->env, journal), 2);
    EXPECT_TRUE(unsaved.empty());
    const OleDate first = at(0);
    EXPECT_TRUE(t.read("blocker/a-1.csv").startsWith(CsvHeaderText(header(), &first) + "1,\r\n"));
    EXPECT_TRUE(t.read("blocker/a-2.csv").endsWith("2,\r\n,end\r\n"));
}

TEST_F(Journals, KeepBoundedMemoryGivingUpTheOldestFirst)
{
    Journal journal;
    UnsavedRecordings unsaved;
    QString why;
    const auto big = std::size_t(UnsavedRecordings::MaxSamples / 3 + 1);
    ASSERT_TRUE(journal.begin(t.path("rec/j-20261206-120000-1.journal"), journalText(0), &why));
    const JournalTicket withJournal = journal.keep();
    unsaved.add({"a", header(), "", std::vector<float>(big), std::vector<OleDate>(big), 0}, state->log,
                journal);
    unsaved.add({"b", header(), "", std::vector<float>(big), std::vector<OleDate>(big), withJournal},
                state->log, journal);
    unsaved.add({"c", header(), "", std::vector<float>(big), std::vector<OleDate>(big), 0}, state->log,
                journal);
    // Over the bound: the segment whose journal holds it goes first, left for the next start.
    EXPECT_EQ(unsaved.count(), 2);
    EXPECT_EQ(unsaved.inMemoryOnly(journal), 2);
    journal.drain();
    EXPECT_EQ(recover().size(), 0);  // header only: nothing to recover, but no longer locked
    EXPECT_FALSE(QFile::exists(t.path("rec/j-20261206-120000-1.journal")));

    // Then the oldest kept only in memory is given up, and the log says so.
    unsaved.add({"d", header(), "", std::vector<float>(big), std::vector<OleDate>(big), 0}, state->log,
                journal);
    EXPECT_EQ(unsaved.count(), 2);
    EXPECT_TRUE(logText().contains(QStringLiteral("破棄しました: a")));
}

TEST_F(Journals, WhoseFolderCannotTakeTheRecordingGoToDocuments)
{
    t.write("rec/a-20261206-120000-1.journal", journalText(3));
    // The folder takes no new file.
    std::optional<fileops::InjectedFault> refused(std::in_place,
                                                  fileops::Fault{fileops::Op::Open, EACCES, 0, 1, "/rec/"});
    const QList<RecoveredJournal> r = recover();
    ASSERT_EQ(r.size(), 1);
    EXPECT_EQ(r[0].path, t.path("Documents/a-20261206-120000-1-20261206-090503.csv"));
    EXPECT_FALSE(QFile::exists(t.path("rec/a-20261206-120000-1.journal")));

    // Nowhere to write: the journal stays for the next start.
    t.write("rec/b-20261206-120000-1.journal", journalText(3));
    refused.emplace(fileops::Fault{fileops::Op::Open, EACCES, 0, 1, "/rec/"});
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "a file where the folder should be");
    EXPECT_TRUE(recover().isEmpty());
    EXPECT_TRUE(QFile::exists(t.path("rec/b-20261206-120000-1.journal")));
}

// Crash protection does not stop for good at one failing call: a write that fails is written at
// the next pass, and a file that cannot be trusted any more is replaced by a new one, which keeps
// a deleted one's free name without removing itself as the old file; a disk that fails every
// sync does not gather one file after another.
TEST_F(Journals, OutliveFailedWritesFailedSyncsAndDeletion)
{
    Journal j;
    QString why;
    const QString path = t.path("rec/a-20261206-120000-1.journal");
    auto handOver = [&](int from, int to) {
        for (int i = from; i < to; ++i)
            j.sample(float(i), nullptr);
        j.drain();
    };
    auto replace = [&](int samples) {
        ASSERT_TRUE(j.needsNewFile());
        ASSERT_TRUE(j.replace(path, journalText(0), &why));
        handOver(0, samples);  // the window hands the whole segment over again
    };
    ASSERT_TRUE(j.begin(path, journalText(0), &why));
    handOver(0, 1);
    EXPECT_TRUE(j.protecting());
    {
        fileops::InjectedFault full({fileops::Op::Write, ENOSPC, 0, 1000});
        handOver(1, 2);
        handOver(2, 3);
        EXPECT_GE(full.hits(), 3);
        EXPECT_FALSE(j.protecting());
        EXPECT_TRUE(j.takeFailure().contains(path));
        EXPECT_TRUE(j.takeFailure().isEmpty());  // once, however many passes fail
    }
    j.drain();  // the disk has room again: what waited is written, in order
    EXPECT_TRUE(j.protecting());
    EXPECT_EQ(t.read("rec/a-20261206-120000-1.journal"), journalText(3));

    ASSERT_TRUE(QFile::remove(path));
    handOver(3, 4);
    replace(4);
    j.drain();
    EXPECT_TRUE(j.protecting());
    EXPECT_EQ(files(), QStringList{"a-20261206-120000-1.journal"});
    EXPECT_EQ(t.read("rec/a-20261206-120000-1.journal"), journalText(4));

    {
        fileops::InjectedFault broken({fileops::Op::Sync, EIO});
        handOver(4, 5);
    }
    EXPECT_TRUE(j.takeFailure().contains("fdatasync"));
    replace(5);  // the old file goes once the new one is on the disk
    EXPECT_TRUE(j.protecting());
    EXPECT_EQ(files(), QStringList{"a-20261206-120000-1-2.journal"});
    EXPECT_EQ(t.read("rec/a-20261206-120000-1-2.journal"), journalText(5));

    {
        fileops::InjectedFault broken({fileops::Op::Sync, EIO, 0, 1000});
        handOver(5, 6);
        for (int attempt = 0; attempt < 4; ++attempt)
            replace(3);
        // The file that held the segment last, and the newest attempt.
        EXPECT_EQ(files().size(), 2) << files().join(' ').toStdString();
    }
    ASSERT_TRUE(j.replace(path, journalText(0), &why));
    handOver(0, 3);
    EXPECT_EQ(files().size(), 1);
    EXPECT_TRUE(j.protecting());
    j.remove();
    EXPECT_TRUE(files().isEmpty());
}

// Killed between a segment's save and the removal of its journal: the next start must not make a
// second recording of the same samples.
TEST_F(Journals, WhoseSegmentIsSavedAlreadyAreRemovedWithoutASecondRecording)
{
    const QByteArray saved = ReadJournal(journalText(40)).recording;  // saved after the last sync
    QByteArray othersValues = ReadJournal(journalText(30)).recording;
    othersValues.replace("\r\n0,\r\n", "\r\n7,\r\n");  // another copy's segment under the same name
    struct Case {
        const char* what;
        QByteArray recording;
        bool recovered;
    } cases[] = {
        {"saved with more samples than synced", saved, false},
        {"the same samples", ReadJournal(journalText(30)).recording, false},
        {"fewer samples", ReadJournal(journalText(20)).recording, true},
        {"another copy's samples", othersValues, true},
    };
    for (const Case& c : cases) {
        QDir(t.path("rec")).removeRecursively();
        QDir().mkpath(t.path("rec"));
        t.write("rec/a-20261206-120000-1.journal", journalText(30));
        t.write("rec/a-20261206-120000-1-20261206-080000.csv", c.recording);
        EXPECT_EQ(recover().size(), c.recovered ? 1 : 0) << c.what;
        EXPECT_EQ(files().size(), c.recovered ? 2 : 1) << c.what;
        EXPECT_EQ(t.read("rec/a-20261206-120000-1-20261206-080000.csv"), c.recording) << c.what;
    }
    // Saved in the Documents folder when the save folder could not take it.
    QDir(t.path("rec")).removeRecursively();
    QDir().mkpath(t.path("rec"));
    t.write("rec/a-20261206-120000-1-2.journal", journalText(30));
    t.write("Documents/a-20261206-120000-1-20261206-080000-2.csv", saved);
    EXPECT_TRUE(recover().isEmpty());
    EXPECT_TRUE(files().isEmpty());
}

// Programs started together each add their folders to the list: none writes over another's.
TEST_F(Journals, FolderListKeepsWhatProgramsStartedTogetherAdd)
{
    const QString list = t.path("TAVIN-Monitor.journals");
    std::vector<std::thread> programs;
    for (int p = 0; p < 8; ++p)
        programs.emplace_back([&list, p] {
            for (int i = 0; i < 10; ++i)
                UpdateJournalFolders(list,
                                     [&](QStringList& l) { l += QStringLiteral("/f%1-%2").arg(p).arg(i); });
        });
    for (std::thread& p : programs)
        p.join();
    EXPECT_EQ(ReadJournalFolders(list).size(), 80);

    // One that holds the list too long (stopped, a slow disk) is never written over.
    const int held = ::open(QFile::encodeName(t.path("")).constData(), O_RDONLY | O_DIRECTORY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    EXPECT_FALSE(UpdateJournalFolders(
        list, [](QStringList& l) { l.clear(); }, 50));
    ::close(held);
    EXPECT_EQ(ReadJournalFolders(list).size(), 80);
}

TEST(RecoveredRecordingName, IsShortenedToFitTheFolder)
{
    for (const QString& base :
         {QString(240, u'x'), QString(80, u'測'), QString(60, u'x') + QString::fromUtf8("😀")}) {
        const QString path = RecoveredRecordingPath("/r/" + base + "-20261206-120000-1.journal", at(0), 100);
        const QString name = QFileInfo(path).fileName();
        EXPECT_LE(QFile::encodeName(name).size() + 4, 100) << name.toStdString();  // room for "-N"
        EXPECT_TRUE(name.endsWith("-20261206-120000-1-20261206-120000.csv")) << name.toStdString();
        EXPECT_TRUE(name.startsWith(base.left(10))) << name.toStdString();
        EXPECT_FALSE(name.contains(QChar::ReplacementCharacter));
    }
}
