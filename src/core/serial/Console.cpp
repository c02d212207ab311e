#include "core/serial/Console.h"

#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"

#include <algorithm>
#include <cstdint>
#include <utility>

namespace tavin {

QStringList HexDump(QStringView head, QByteArrayView data, QString& comment, QStringView stamp)
{
    static const char digits[] = "0123456789ABCDEF";
    QStringList lines;
    if (data.isEmpty()) {
        lines << std::exchange(comment, QString());
        return lines;
    }
    // Written in place: at the fastest gauge a dump is made for every chunk the port receives.
    const qsizetype prefix = stamp.size() + 2 + head.size();
    for (qsizetype at = 0; at < data.size(); at += 16) {
        const qsizetype n = std::min<qsizetype>(16, data.size() - at);
        QString line(prefix + 3 * 16 + n, Qt::Uninitialized);  // a short line is padded to the column
        QChar* p = line.data();
        *p++ = u'[';
        p = std::copy(stamp.begin(), stamp.end(), p);
        *p++ = u']';
        p = std::copy(head.begin(), head.end(), p);
        for (qsizetype i = 0; i < 16; ++i) {
            if (i < n) {
                const auto b = std::uint8_t(data[at + i]);
                *p++ = QChar(digits[b >> 4]);
                *p++ = QChar(digits[b & 15]);
            } else {
                *p++ = u' ';
                *p++ = u' ';
            }
            *p++ = u' ';
        }
        for (qsizetype i = 0; i < n; ++i) {
            const auto b = std::uint8_t(data[at + i]);
            *p++ = b >= 32 && b <= 126 ? QChar(b) : QChar(u'.');
        }
        lines << line;
    }
    return lines;
}

namespace {

int HexDigit(QChar c)
{
    const char16_t u = c.unicode();
    if (u >= u'0' && u <= u'9')
        return u - u'0';
    if (u >= u'a' && u <= u'f')
        return u - u'a' + 10;
    if (u >= u'A' && u <= u'F')
        return u - u'A' + 10;
    return -1;
}

}  // namespace

SendLine ParseSendLine(const QString& line, bool binary)
{
    SendLine out;
    if (line.isEmpty())
        return out;
    if (!binary) {
        // Japanese characters have two-byte codes; a character without one is not sent at all.
        if (const QString missing = Cp932Unencodable(line); !missing.isEmpty()) {
            out.refusal = QStringLiteral("送信できない文字があります: ") + missing;
            return out;
        }
        out.bytes = ToCp932(line);
        out.send = true;
        return out;
    }
    QString data = line;
    if (const qsizetype semicolon = line.indexOf(u';'); semicolon >= 0) {
        out.comment = line.mid(semicolon);
        data = line.left(semicolon);
    }
    if (data.isEmpty())
        return out;
    for (const QString& piece : data.split(u' ', Qt::SkipEmptyParts)) {
        for (qsizetype j = 0; j < piece.size(); j += 2) {
            const int hi = HexDigit(piece[j]);
            if (j + 1 == piece.size()) {  // a final single digit
                out.bytes += char(hi < 0 ? 0 : hi);
                break;
            }
            const int lo = HexDigit(piece[j + 1]);
            out.bytes += char(hi < 0 || lo < 0 ? 0 : hi * 16 + lo);
        }
    }
    out.send = true;
    return out;
}

QByteArray FrameCommand(const QByteArray& command)
{
    QByteArray bytes = command + ',';
    std::uint8_t x = 0;
    for (char c : bytes)
        x ^= std::uint8_t(c);
    bytes += char('a' + ((x >> 4) & 15));
    bytes += char('a' + (x & 15));
    bytes += '\r';
    return bytes;
}

void MonitorLines::append(const QStringList& added, bool autoClear)
{
    if (autoClear && !(lines_.size() == 1 && lines_.first().isEmpty())) {
        // The older half goes: the text starts again with an empty line, then the newer half.
        const auto drop = qsizetype(RoundHalfEven(double(lines_.size()) / 2));
        lines_.remove(0, drop);
        lines_.prepend(QString());
    }
    lines_ += added;
    appended_ += added.size();
    if (lines_.size() > MaxLines + 1) {
        // Removing from the very front only moves the list's start; the empty first line returns.
        lines_.remove(0, lines_.size() - MaxLines);
        lines_.prepend(QString());
    }
}

QByteArray SensorLogLine(const QTime& time, const QString& line)
{
    const float seconds = float(time.msecsSinceStartOfDay()) / 1000.0f;
    return ToCp932(u'[' + GeneralSingle(seconds) + QStringLiteral("] ") + line + QStringLiteral("\r\n"));
}

}  // namespace tavin
