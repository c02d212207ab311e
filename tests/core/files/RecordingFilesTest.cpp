// Where a recording goes: a free name, a scratch file renamed when complete, and the Documents
// folder when the save folder cannot be written.
#include "core/files/RecordingFiles.h"
#include "core/files/NameLimit.h"
#include "core/platform/FileOps.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

#include <cerrno>
#include <cstring>
#include <unistd.h>

using namespace tavin;

namespace {

class Recordings : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = t.state();
        state->log.LogInit();
    }
    SavedRecording save(const QString& path, const QByteArray& content = "1,\r\n")
    {
        return SaveRecording(state->log, state->env, path,
                             [&](QIODevice& f) { return f.write(content) == content.size(); });
    }
    // Hidden ones too: a scratch file left behind is a fault.
    QStringList filesIn(const QString& dir) const
    {
        return QDir(dir).entryList(QDir::Files | QDir::Hidden, QDir::Name);
    }

    test::TestEnv t;
    std::unique_ptr<AppState> state;
};

}  // namespace

TEST_F(Recordings, NeverOverwriteAndNeverLeaveAScratchFile)
{
    const QString path = t.path("rec/a.csv");
    EXPECT_EQ(save(path).path, path);  // the folder is made
    EXPECT_EQ(save(path, "2,\r\n").path, t.path("rec/a-2.csv"));
    EXPECT_EQ(save(path).outcome, SaveOutcome::Saved);
    EXPECT_EQ(filesIn(t.path("rec")), (QStringList{"a-2.csv", "a-3.csv", "a.csv"}));
    EXPECT_EQ(t.read("rec/a.csv"), "1,\r\n");
}

TEST_F(Recordings, AnUnwritableFolderSendsTheFileToDocuments)
{
    t.write("blocker", "a file where a folder should be");
    const SavedRecording r = save(t.path("blocker/sub/a.csv"));
    EXPECT_EQ(r.outcome, SaveOutcome::SavedInDocuments);
    EXPECT_EQ(r.path, t.path("Documents/a.csv"));
    // One report: where the file went, and why not where it was meant to go.
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith(
        "保存先に書き込めないため、ドキュメントフォルダに保存しました: " + t.path("Documents/a.csv")));
    EXPECT_TRUE(t.prompts.shown[0].text.contains("blocker"));

    // Nowhere to write: a failure that names both places, and nothing left behind under any name.
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "not a folder either");
    EXPECT_EQ(save(t.path("blocker/sub/b.csv")).outcome, SaveOutcome::Failed);
    ASSERT_EQ(t.prompts.shown.size(), 2);
    EXPECT_TRUE(t.prompts.shown[1].text.contains("blocker") && t.prompts.shown[1].text.contains("Documents"));
}

TEST_F(Recordings, AWriteThatFailsHalfwayLeavesNoFile)
{
    const SavedRecording r = SaveRecording(state->log, state->env, t.path("c.csv"), [](QIODevice& f) {
        f.write("1,\r\n");
        return false;
    });
    EXPECT_NE(r.path, t.path("c.csv"));
    EXPECT_FALSE(QFileInfo::exists(t.path("c.csv")));
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.part"}, QDir::Files | QDir::Hidden).isEmpty());
}

// Two copies of the program saving under one name in the same second: the name taken between
// the choice and the rename goes to the other copy's file, never over it.
TEST_F(Recordings, ANameTakenMeanwhileIsNeverReplaced)
{
    QDir().mkpath(t.path("rec"));
    fileops::InjectedFault other({fileops::Op::Rename, 0, 0, 2, "/rec/a", [&](const char* to) {
                                      t.write(QFileInfo(QFile::decodeName(to)).fileName().prepend("rec/"),
                                              "theirs");
                                  }});
    const SavedRecording r = save(t.path("rec/a.csv"), "mine");
    EXPECT_EQ(other.hits(), 2);
    EXPECT_EQ(r.path, t.path("rec/a-3.csv"));
    EXPECT_EQ(filesIn(t.path("rec")), (QStringList{"a-2.csv", "a-3.csv", "a.csv"}));
    EXPECT_EQ(t.read("rec/a.csv"), "theirs");
    EXPECT_EQ(t.read("rec/a-3.csv"), "mine");
}

TEST_F(Recordings, AFullDiskLeavesNothingBehind)
{
    QDir().mkpath(t.path("rec"));
    for (int failing : {1, 2}) {  // the save folder, then the Documents folder too
        fileops::InjectedFault full({fileops::Op::Write, ENOSPC, 0, failing});
        const SavedRecording r = save(t.path("rec/a.csv"), QByteArray(100000, '1'));
        EXPECT_EQ(r.outcome, failing == 1 ? SaveOutcome::SavedInDocuments : SaveOutcome::Failed);
        EXPECT_TRUE(t.prompts.shown.last().text.contains(QString::fromLocal8Bit(std::strerror(ENOSPC))));
    }
    EXPECT_TRUE(filesIn(t.path("rec")).isEmpty());
    EXPECT_EQ(filesIn(t.path("Documents")), QStringList{"a.csv"});
}

// A killed program's scratch file goes at the next recovery; a running writer's stays.
TEST_F(Recordings, LeftScratchFilesAreRemovedButNotAWritersOwn)
{
    QDir().mkpath(t.path("rec"));
    t.write("rec/.tavin-abc123.part", "cut");
    const int fd = CreateLockedFile(t.path("rec/.tavin-xyz789.part"));
    ASSERT_GE(fd, 0);
    RecoverJournals(state->log, state->env, t.path("rec"));
    EXPECT_EQ(filesIn(t.path("rec")), QStringList{".tavin-xyz789.part"});
    ::close(fd);
}

// The longest names a base name leads to can be made for real in the folder, and one byte more is refused.
TEST_F(Recordings, ABaseNameThatFitsMakesEveryFileItNeeds)
{
    QDir().mkpath(t.path("rec"));
    const int room = FolderNameMax(t.path("rec")) - LongestRecordingNameBytes(QString());
    for (const QString& unit : {QStringLiteral("x"), QStringLiteral("測")}) {
        QString base;
        while (BaseNameFits(t.path("rec"), base + unit))
            base += unit;
        EXPECT_GT(QFile::encodeName(base).size(), room - 3);
        EXPECT_LE(QFile::encodeName(base).size(), room);
        const QString recording = base + "-20261206-120000-2147483647-20261206-130000-999.csv";
        const QString journal = base + "-20261206-120000-2147483647-999.journal.bad";
        for (const QString& name : {recording, journal})
            EXPECT_EQ(save(t.path("rec/" + name)).path, t.path("rec/" + name)) << name.size();
    }
    // A folder not made yet takes the usual 255 bytes.
    EXPECT_TRUE(BaseNameFits(t.path("later/on"), QString(68, u'測')));          // 204 bytes
    EXPECT_FALSE(BaseNameFits(t.path("later/on"), QString(68, u'測') + u'a'));  // 205
}
