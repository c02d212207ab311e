// Loading a recording back: what the status bar says, whether the log and the recent list take
// it, and the header handed on before any sample is read.
#include "core/files/RecordingLoad.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>

using namespace tavin;

TEST(LoadRecording, TheStatusNotesLogAndRecentListFollowWhatWasRead)
{
    test::TestEnv t;
    const std::unique_ptr<AppState> state = t.state();
    struct Case {
        const char* name;
        QByteArray content;
        QString status;
        bool logged, remembered;
        std::int32_t count, fileNo;
    } cases[] = {
        {"whole", "s,46362.5,4,1000 msec,10,0,kPa,1\r\n1,\r\n2,\r\n", "読み込み終了", false, true, 2, 4},
        {"short header", "s\r\n1,\r\n", "読み込み終了", false, true, 1, 1},
        {"bad line", "s,46362.5,3\r\n1,\r\n2,\r\n3\r\n4,\r\n", "読み込みエラー 4行目", true, true, 2, 3},
        {"bad start", "s,yesterday,3\r\n1,\r\n", "読み込みエラー 1行目", true, false, 0, 9},
        {"empty", "", "読み込み終了", false, false, 0, 1},
        {"no coefficient", "s,46362.5,1,1000 msec,10,0,kPa,abc\r\n1,\r\n",
         "読み込み終了 (係数「abc」は使えないため1にしました)", true, true, 1, 1},
        {"missing", QByteArray(), "読み込みエラー ファイルが見つかりません", true, false, 0, 9},
    };
    for (const Case& c : cases) {
        const QString path = t.path(QString::fromLatin1(c.name) + ".csv");
        if (!c.content.isNull())
            t.write(QString::fromLatin1(c.name) + ".csv", c.content);
        state->store.Clear();
        state->store.g_FileNo = 9;
        int headers = 0;
        const RecordingLoad r =
            LoadRecording(path, state->store, state->log, state->env, [&](const CsvHeaderLine&) {
                ++headers;
                EXPECT_EQ(state->store.g_DataCnt, 0) << c.name;  // before any sample
            });
        EXPECT_EQ(r.status, c.status) << c.name;
        EXPECT_EQ(r.logged, c.logged) << c.name;
        EXPECT_EQ(r.remembered, c.remembered) << c.name;
        EXPECT_EQ(state->store.g_DataCnt, c.count) << c.name;
        EXPECT_EQ(state->store.g_FileNo, c.fileNo) << c.name;
        EXPECT_EQ(headers, c.fileNo == 9 ? 0 : 1) << c.name;
    }
}
