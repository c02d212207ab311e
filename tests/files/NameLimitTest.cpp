#include "files/NameLimit.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace tavin;

// The rule against a real folder: the longest recording name of a base that fits can be created
// there, one byte more is refused by the file system as by the rule. A base counts in the file
// system's bytes ("測" is three), and a folder not made yet takes the usual 255.
TEST(NameLimit, ABaseFitsExactlyWhenItsLongestRecordingNameCanBeCreated)
{
    QTemporaryDir dir;
    const QString stamps = QStringLiteral("-20261206-130034-2147483647-20261206-140112-999.csv");
    const int max = FolderNameMax(dir.path());
    ASSERT_GT(max, 51);
    const QString fits(max - 51, u'a'), over(max - 50, u'a');
    EXPECT_EQ(LongestRecordingNameBytes(fits), QFile::encodeName(fits + stamps).size());
    EXPECT_TRUE(BaseNameFits(dir.path(), fits));
    EXPECT_FALSE(BaseNameFits(dir.path(), over));
    QFile ok(dir.filePath(fits + stamps)), tooLong(dir.filePath(over + stamps));
    EXPECT_TRUE(ok.open(QIODevice::WriteOnly));
    EXPECT_FALSE(tooLong.open(QIODevice::WriteOnly));

    const QString later = dir.filePath("later/on");
    EXPECT_EQ(FolderNameMax(later), 255);
    EXPECT_TRUE(BaseNameFits(later, QString(68, u'測')));        // 204 bytes
    EXPECT_FALSE(BaseNameFits(later, QString(68, u'測') + u'a'));  // 205
}
