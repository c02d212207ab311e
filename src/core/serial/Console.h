// The communication console in text: the monitor's lines and how they are trimmed, the
// hexadecimal dump of sent and received bytes, the send line read as text or as hexadecimal
// bytes, the framing of a gauge command with its two check letters, the port journal and how long
// an answer may take.
#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QTime>

namespace tavin {

// The lines of the dump of `data` after `head` ("S>" sent, "R>" received): 16 bytes a line, each
// line "[stamp]head", the bytes as two upper-case hexadecimal digits and a blank, then the bytes
// as characters (32..126, else "."), a short last line padded to the column. An empty array gives
// one line: `comment`, which is then cleared (a dump of bytes never writes it).
QStringList HexDump(QStringView head, QByteArrayView data, QString& comment, QStringView stamp);

// A line typed to be sent, already trimmed. Text: the line in code page 932 (a character it has no
// code for refuses the line). Binary: hexadecimal pairs, blanks between groups, a comment from ";".
struct SendLine {
    QByteArray bytes;
    QString comment;
    bool send = false;  // false: nothing to send (an empty line, only a comment, or refused)
    QString refusal;    // why a line was refused
};
SendLine ParseSendLine(const QString& line, bool binary);

// A gauge command: its bytes, ",", two check letters "a".."p" of the XOR of everything before
// them, CR.
QByteArray FrameCommand(const QByteArray& command);

// A send that no answer follows within this time gives up a half-received frame.
constexpr int ResponseTimeoutMs = 1000;

// The port journal in the state folder, kept while "Responce Log" is ticked: the port's open and
// close lines, each "[seconds since midnight] line" and CR LF, in code page 932.
inline const QString SensorLogName = QStringLiteral("sensor.txt");
QByteArray SensorLogLine(const QTime& time, const QString& line);

// The monitor's lines. An append with "Auto clear" drops the older half first (half of n lines,
// halves to even); without it the oldest lines go beyond a fixed number, so that memory and the
// time to append stay bounded however long a gauge sends.
class MonitorLines {
public:
    static constexpr int MaxLines = 2000;

    // Appends lines as one entry.
    void append(const QStringList& added, bool autoClear);
    void append(const QString& line, bool autoClear) { append(QStringList{line}, autoClear); }
    const QStringList& lines() const { return lines_; }
    // The monitor as one text, lines joined by CR LF.
    QString text() const { return lines_.join(QStringLiteral("\r\n")); }
    // Lines appended so far: what a screen showing the monitor has to add since it last looked.
    qint64 appended() const { return appended_; }

private:
    QStringList lines_{QString()};  // the text starts empty: one empty line
    qint64 appended_ = 0;
};

}  // namespace tavin
