// The console in text: dumps, send lines, command framing and the monitor's trimming.
#include "core/serial/Console.h"

#include <gtest/gtest.h>

using namespace tavin;

namespace {

QString Dump(const QByteArray& data, QString comment = QString())
{
    return HexDump(u"S>", data, comment, u"10:15:02").join(QStringLiteral("\r\n"));
}

}  // namespace

TEST(HexDump, SixteenBytesALineWithTheirCharactersAndAPaddedLastLine)
{
    EXPECT_EQ(Dump(QByteArray("\x02+1.2\x03")), QStringLiteral("[10:15:02]S>02 2B 31 2E 32 03 ") +
                                                    QString(30, u' ') + QStringLiteral(".+1.2."));
    const QByteArray sixteen("0123456789ABCDEF");
    EXPECT_EQ(Dump(sixteen),
              QStringLiteral("[10:15:02]S>30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 0123456789ABCDEF"));
    EXPECT_EQ(Dump(sixteen + 'x'),
              QStringLiteral("[10:15:02]S>30 31 32 33 34 35 36 37 38 39 41 42 43 44 45 46 "
                             "0123456789ABCDEF\r\n[10:15:02]S>78 ") +
                  QString(45, u' ') + u'x');
    const QString twenty = Dump(sixteen + "\x7f\x80 ~");
    const QStringList lines = twenty.split(QStringLiteral("\r\n"));
    ASSERT_EQ(lines.size(), 2);
    EXPECT_EQ(lines[1],
              QStringLiteral("[10:15:02]S>7F 80 20 7E ") + QString(36, u' ') + QStringLiteral(".. ~"));
}

TEST(HexDump, TheCommentIsWrittenOnlyForAnEmptyArray)
{
    QString comment = QStringLiteral(";note");
    EXPECT_EQ(HexDump(u"S>", QByteArray(), comment, u"10:15:02"), QStringList{";note"});
    EXPECT_TRUE(comment.isEmpty());
    comment = QStringLiteral(";note");
    EXPECT_EQ(HexDump(u"S>", QByteArray("\x02"), comment, u"10:15:02").size(), 1);
    EXPECT_EQ(comment, QStringLiteral(";note"));  // kept: a dump of bytes does not write it
}

TEST(SendLine, BinaryLinesAreHexadecimalPairsWithAnOptionalComment)
{
    const SendLine line = ParseSendLine(QStringLiteral("02 2b31 03 ;comment"), true);
    EXPECT_TRUE(line.send);
    EXPECT_EQ(line.bytes, QByteArray("\x02\x2b\x31\x03"));
    EXPECT_EQ(line.comment, QStringLiteral(";comment"));
    EXPECT_FALSE(ParseSendLine(QStringLiteral(";only a comment"), true).send);
    EXPECT_EQ(ParseSendLine(QStringLiteral("123   4"), true).bytes,
              QByteArray("\x12\x03\x04"));  // odd digits
    EXPECT_EQ(ParseSendLine(QStringLiteral("2G 41"), true).bytes,
              QByteArray("\x00\x41", 2));  // no hex pair: 0
}

TEST(SendLine, TextLinesAreSentInCodePage932OrNotAtAll)
{
    EXPECT_EQ(ParseSendLine(QStringLiteral("ABC"), false).bytes, QByteArray("ABC"));
    EXPECT_EQ(ParseSendLine(QStringLiteral("A B"), false).bytes, QByteArray("A B"));
    EXPECT_EQ(ParseSendLine(QStringLiteral("圧力"), false).bytes, QByteArray("\x88\xb3\x97\xcd"));
    const SendLine refused = ParseSendLine(QStringLiteral("A€"), false);
    EXPECT_FALSE(refused.send);
    EXPECT_TRUE(refused.refusal.contains(u'€'));
    EXPECT_FALSE(ParseSendLine(QString(), false).send);
}

TEST(SendLine, ACommandCarriesTwoCheckLettersOfItsXor)
{
    EXPECT_EQ(FrameCommand("R"), QByteArray("R,ho\r"));  // 0x52 ^ 0x2C = 0x7E
    EXPECT_EQ(FrameCommand(""), QByteArray(",cm\r"));    // 0x2C
}

TEST(MonitorLines, AutoClearKeepsTheNewerHalfAndWithoutItTheNewestLinesUpToALimit)
{
    MonitorLines m;
    for (const char* line : {"a", "b", "c", "d"})
        m.append(QString::fromLatin1(line), false);
    ASSERT_EQ(m.lines(), (QStringList{"", "a", "b", "c", "d"}));  // five lines
    m.append(QStringLiteral("e"), true);
    EXPECT_EQ(m.lines(), (QStringList{"", "b", "c", "d", "e"}));  // lines 2-4 kept (2.5 halves to 2)
    EXPECT_EQ(m.text(), QStringLiteral("\r\nb\r\nc\r\nd\r\ne"));

    MonitorLines first;  // an empty monitor has nothing to halve
    first.append(QStringList{"x", "y"}, true);
    EXPECT_EQ(first.lines(), (QStringList{"", "x", "y"}));

    MonitorLines capped;
    for (int i = 0; i < MonitorLines::MaxLines + 50; ++i)
        capped.append(QString::number(i), false);
    EXPECT_EQ(capped.lines().size(), MonitorLines::MaxLines + 1);
    EXPECT_EQ(capped.lines().last(), QString::number(MonitorLines::MaxLines + 49));
    EXPECT_EQ(capped.lines()[1], QStringLiteral("50"));
}

TEST(SensorLog, EachLineHasTheSecondsSinceMidnightAndEndsInCrLfInCodePage932)
{
    EXPECT_EQ(SensorLogLine(QTime(10, 15, 2, 250), QStringLiteral("COM3 Open")),
              QByteArray("[36902.25] COM3 Open\r\n"));
    EXPECT_EQ(SensorLogLine(QTime(0, 0), QStringLiteral("圧力")), QByteArray("[0] \x88\xb3\x97\xcd\r\n"));
    EXPECT_EQ(SensorLogName, QStringLiteral("sensor.txt"));
}
