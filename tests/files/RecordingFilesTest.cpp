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
    // One report: where the file went, and why not where it was meant to go.
    ASSERT_EQ(t.prompts.shown.size(), 1);
    EXPECT_TRUE(t.prompts.shown[0].text.startsWith("保存先に書き込めないため、ドキュメントフォルダに保存しました: " +
                                                   t.path("Documents/a.csv")));
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
    EXPECT_TRUE(QDir(t.dir.path()).entryList({"*.part"}).isEmpty());
}
