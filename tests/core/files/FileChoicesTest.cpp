// What the file dialogs propose and take: the save target, a typed base name, an export's name and
// folder, and the list of recordings loaded last.
#include "core/files/FileChoices.h"
#include "core/app/ConfFile.h"
#include "core/files/NameLimit.h"
#include "support/TestEnv.h"

#include <QDir>
#include <gtest/gtest.h>

using namespace tavin;

TEST(SaveTarget, TheFolderAndTheNameWithoutItsLastExtensionOrWhyNot)
{
    const SaveTarget t = SaveTargetOf(QStringLiteral("/data/tank.v2.csv"));
    EXPECT_TRUE(!t.none && t.refusal.isEmpty() && t.folder == "/data" && t.base == "tank.v2");
    EXPECT_TRUE(SaveTargetOf(QStringLiteral("tank.csv")).none);
    EXPECT_TRUE(SaveTargetOf(QStringLiteral("/Résumé/data.csv")).refusal.contains(QStringLiteral("(é)")));
    const int room = 255 - LongestRecordingNameBytes(QString());
    EXPECT_TRUE(SaveTargetOf(QStringLiteral("/tmp/") + QString(room + 1, u'x'))
                    .refusal.startsWith(QStringLiteral("ファイル名が長すぎます。")));
    EXPECT_EQ(SaveTargetOf(QStringLiteral("/tmp/") + QString(room, u'x')).refusal, QString());
    // Typed: cut back to what fits, a three-byte character never in halves.
    EXPECT_EQ(CutBaseNameToFit(QStringLiteral("/tmp"), QString(room, u'x')), std::nullopt);
    EXPECT_EQ(CutBaseNameToFit(QStringLiteral("/tmp"), QString(room / 3 + 5, u'測')),
              QString(room / 3, u'測'));
    EXPECT_EQ(OverwriteQuestion(QStringLiteral("/d/a.csv")),
              QStringLiteral("上書きしますか？\r\n(/d/a.csv)"));
}

TEST(ExportProposal, NamedAfterTheRecordingInItsFolderWithTheSuffixsExtension)
{
    const ExportProposal p =
        ProposeExport(QStringLiteral("bench.CSV"), QStringLiteral("/d"), "_analysis.csv");
    EXPECT_EQ(p.initDir, QStringLiteral("/d") + QDir::separator());
    EXPECT_EQ(p.name, QStringLiteral("bench_analysis.csv"));
    EXPECT_EQ(ExportPathOf(QStringLiteral("/d/out"), "_analysis.csv"), QStringLiteral("/d/out.csv"));
    EXPECT_EQ(ExportPathOf(QStringLiteral("/d/out.txt"), ".png"), QStringLiteral("/d/out.txt"));
}

TEST(RecentList, NewestFirstOnceAtMostFiveAndOnlyWhatTheSettingsFileCanHold)
{
    test::TestEnv t;
    QStringList recent;
    for (const char* name : {"a.csv", "b.csv", "c.csv", "d.csv", "e.csv", "f.csv", "b.csv"})
        EXPECT_TRUE(RememberRecent(recent, t.path(QString::fromLatin1(name))));
    QStringList expected;
    for (const char* name : {"b.csv", "f.csv", "e.csv", "d.csv", "c.csv"})
        expected << QDir::toNativeSeparators(t.path(QString::fromLatin1(name)));
    EXPECT_EQ(recent, expected);
    ASSERT_EQ(RecentMax, 5);
    EXPECT_FALSE(RememberRecent(recent, t.path(QStringLiteral("€.csv"))));
    EXPECT_FALSE(RememberRecent(recent, t.path(QStringLiteral("a\nb.csv"))));
    EXPECT_EQ(recent, expected);

    // A listed recording that went away is taken off, with a word why; one that is there stays.
    t.write(QStringLiteral("f.csv"), "1,\r\n");
    EXPECT_EQ(DropVanishedRecent(recent, recent[1]), std::nullopt);
    const std::optional<QString> gone = DropVanishedRecent(recent, recent[0]);
    ASSERT_TRUE(gone);
    EXPECT_TRUE(gone->startsWith(
        QStringLiteral("ファイルが見つかりません。最近使ったファイルの一覧から削除しました。")));
    EXPECT_EQ(recent, expected.mid(1));
    EXPECT_EQ(RecentMenuText(1, QStringLiteral("/d/R&D.csv")), QStringLiteral("&2 R&&D.csv"));
}
