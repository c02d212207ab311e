// Where a recording goes: a free name, a scratch file renamed when complete, and the Documents
// folder when the save folder cannot be written.
#include "files/RecordingFiles.h"
#include "platform/TextFile.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <gtest/gtest.h>

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
        return SaveRecording(state->log, state->env, path, [&](QIODevice& f) { return f.write(content) == content.size(); });
    }
    QStringList filesIn(const QString& dir) const { return QDir(dir).entryList(QDir::Files, QDir::Name); }

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
    ASSERT_EQ(t.prompts.shown.size(), 1);  // the level-2 report names the path and the reason
    EXPECT_TRUE(t.prompts.shown[0].text.contains("blocker"));
    QFile logFile(state->log.LogFilePath);
    ASSERT_TRUE(logFile.open(QIODevice::ReadOnly));
    const QString log = FromCp932(logFile.readAll());
    EXPECT_TRUE(log.contains("WAR ") && log.contains("Documents")) << log.toStdString();

    // Nowhere to write: a failure, and nothing left behind under any name.
    QDir(t.path("Documents")).removeRecursively();
    t.write("Documents", "not a folder either");
    EXPECT_EQ(save(t.path("blocker/sub/b.csv")).outcome, SaveOutcome::Failed);
    EXPECT_EQ(t.prompts.shown.size(), 3);
}

TEST_F(Recordings, AWriteThatFailsHalfwayLeavesNoFile)
{
    const SavedRecording r = SaveRecording(state->log, state->env, t.path("c.csv"), [](QIODevice& f) {
        f.write("1,\r\n");
        return false;
    });
    EXPECT_NE(r.path, t.path("c.csv"));
    EXPECT_FALSE(QFileInfo::exists(t.path("c.csv")));
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.part"}).isEmpty());
}
