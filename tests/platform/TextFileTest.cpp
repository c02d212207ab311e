#include "platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavin;

TEST(Cp932, JapaneseTextTravelsAsWindowsWritesIt)
{
    const QString text = QStringLiteral("起動しました～①");
    const QByteArray bytes = ToCp932(text);
    EXPECT_EQ(bytes.toHex(), "8b4e93ae82b582dc82b582bd81608740");
    EXPECT_EQ(FromCp932(bytes), text);
    EXPECT_EQ(ToCp932(u"ｾﾝｻﾚﾝｼﾞ"), "\xbe\xdd\xbb\xda\xdd\xbc\xde");  // half-width kana: one byte each
}

TEST(SplitLines, ALineEndsAtCrLfCrOrLf)
{
    EXPECT_EQ(SplitLines(u"a\r\nb\rc\nd"), QStringList({"a", "b", "c", "d"}));
    EXPECT_EQ(SplitLines(u"a\r\n\r\nb\r\n"), QStringList({"a", "", "b"}));
    EXPECT_EQ(SplitLines(u""), QStringList());
    EXPECT_EQ(SplitLines(u"\r"), QStringList({""}));
}

TEST(ReplaceFileAtomically, ReplacesWholeAndLeavesNoScratchFile)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("a.ini"), scratch = dir.filePath("a.tmp");
    QFile f(target);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("old old old");
    f.close();

    ASSERT_TRUE(ReplaceFileAtomically(target, scratch, "new"));
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll(), "new");
    EXPECT_FALSE(QFile::exists(scratch));
}

TEST(ReplaceFileAtomically, FailureKeepsTheOldFileAndRemovesTheScratch)
{
    QTemporaryDir dir;
    // The target is a folder that is not empty, so the rename cannot replace it.
    const QString target = dir.filePath("busy");
    ASSERT_TRUE(QDir().mkpath(target + "/inside"));
    const QString scratch = dir.filePath("a.tmp");
    QString why;
    EXPECT_FALSE(ReplaceFileAtomically(target, scratch, "x", &why));
    EXPECT_FALSE(why.isEmpty());
    EXPECT_FALSE(QFile::exists(scratch));
    EXPECT_TRUE(QDir(target + "/inside").exists());

    EXPECT_FALSE(ReplaceFileAtomically(dir.filePath("no/such/a.ini"), dir.filePath("no/such/a.tmp"), "x"));
}
