#include "core/platform/TextFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <sys/resource.h>

using namespace tavin;

TEST(Cp932, JapaneseTextTravelsAsWindowsWritesIt)
{
    const QString text = QStringLiteral("起動しました～①");
    const QByteArray bytes = ToCp932(text);
    EXPECT_EQ(bytes.toHex(), "8b4e93ae82b582dc82b582bd81608740");
    EXPECT_EQ(FromCp932(bytes), text);
    EXPECT_EQ(ToCp932(u"ｾﾝｻﾚﾝｼﾞ"), "\xbe\xdd\xbb\xda\xdd\xbc\xde");  // half-width kana: one byte each
}

TEST(Cp932, TextWithoutACodeIsFoundCharacterByCharacter)
{
    // Everything a Japanese user types, including full-width symbols and half-width kana.
    for (const QString& ok : {QStringLiteral("kPa"), QStringLiteral("ｍｍＨ２Ｏ"), QStringLiteral("℃～①ｱ"),
                              QStringLiteral("/home/user/ドキュメント/測定"), QString()})
        EXPECT_TRUE(Cp932CanHold(ok)) << ok.toStdString();
    const struct {
        QString text, missing;
    } bad[] = {
        {QStringLiteral("/home/user/Résumé"), QStringLiteral("é")},  // reported once
        {QStringLiteral("€/m²"), QStringLiteral("€²")},
        {QStringLiteral("Müller"), QStringLiteral("ü")},
        {QStringLiteral("압력kPa"), QStringLiteral("압력")},
        {QStringLiteral("kPa😀x😀"), QStringLiteral("😀")},  // a surrogate pair stays whole
    };
    for (const auto& b : bad) {
        EXPECT_FALSE(Cp932CanHold(b.text)) << b.text.toStdString();
        EXPECT_EQ(Cp932Unencodable(b.text), b.missing) << b.text.toStdString();
    }
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

namespace {

// Lets a file grow to `bytes` only, for the object's lifetime: a write beyond stops part-way with
// EFBIG, the way a disk that fills stops one with ENOSPC.
struct FileSizeLimit {
    explicit FileSizeLimit(rlim_t bytes)
    {
        oldSignal = std::signal(SIGXFSZ, SIG_IGN);
        getrlimit(RLIMIT_FSIZE, &old);
        rlimit lower = old;
        lower.rlim_cur = bytes;
        active = setrlimit(RLIMIT_FSIZE, &lower) == 0;
    }
    ~FileSizeLimit()
    {
        setrlimit(RLIMIT_FSIZE, &old);
        std::signal(SIGXFSZ, oldSignal);
    }
    rlimit old{};
    void (*oldSignal)(int) = nullptr;
    bool active = false;
};

}  // namespace

TEST(ReplaceFileAtomically, AWriteCutShortGivesTheSystemsReason)
{
    QTemporaryDir dir;
    const QString target = dir.filePath("a.csv"), scratch = dir.filePath("a.part");
    const QString tooLarge = QString::fromLocal8Bit(std::strerror(EFBIG));
    QString oneBlock, manyPieces, appended;
    bool oneOk = true, piecesOk = true, appendOk = true;
    {
        FileSizeLimit limit(10000);
        ASSERT_TRUE(limit.active);
        // One large write, which Qt hands to the system at once ...
        oneOk = ReplaceFileAtomically(target, scratch, QByteArray(100000, 'x'), &oneBlock);
        // ... and many small ones, which fail when Qt's buffer is flushed.
        piecesOk = ReplaceFileAtomically(
            target, scratch,
            [](QIODevice& f) {
                for (int i = 0; i < 100; ++i)
                    if (f.write(QByteArray(1000, 'y')) != 1000)
                        return false;
                return true;
            },
            &manyPieces);
        appendOk = AppendToFile(dir.filePath("log"), QByteArray(100000, 'z'), &appended);
    }
    EXPECT_FALSE(oneOk);
    EXPECT_FALSE(piecesOk);
    EXPECT_FALSE(appendOk);
    EXPECT_EQ(oneBlock, tooLarge);
    EXPECT_EQ(manyPieces, tooLarge);
    EXPECT_EQ(appended, tooLarge);
    EXPECT_FALSE(QFile::exists(scratch));
    EXPECT_FALSE(QFile::exists(target));
}
