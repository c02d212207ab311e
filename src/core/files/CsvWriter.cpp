#include "core/files/CsvWriter.h"

#include "core/platform/NumText.h"
#include "core/platform/TextFile.h"

#include <QBuffer>

#include <bit>
#include <cstring>
#include <vector>

namespace tavin {

namespace {

// A gauge reports values of four or five digits, so a recording repeats the same few thousand
// values over and over: their texts are kept in a small table indexed by the value's bits.
char* writeValue(char* p, float v)
{
    struct Entry {
        std::uint32_t bits;
        std::uint8_t length;  // 0: empty
        char text[27];
    };
    static thread_local std::vector<Entry> table(1 << 14);
    const auto bits = std::bit_cast<std::uint32_t>(v);
    Entry& e = table[(bits * 2654435761u) >> 18];
    if (e.length == 0 || e.bits != bits) {
        char* end = GeneralSingle(p, v);
        const auto n = std::size_t(end - p);
        if (n <= sizeof e.text) {
            e.bits = bits;
            e.length = std::uint8_t(n);
            std::memcpy(e.text, p, n);
        }
        return end;
    }
    std::memcpy(p, e.text, sizeof e.text);
    return p + e.length;
}

}  // namespace

QByteArray CsvHeaderText(const CsvHeader& header, const OleDate* firstTime)
{
    QByteArray head;
    char num[40];
    auto putNumber = [&](char* end) { head.append(num, end - num); };
    head += ToCp932(header.startText);
    head += ',';
    if (firstTime)
        putNumber(SerialDateText(num, *firstTime));
    head += ',';
    head += QByteArray::number(header.fileNo);
    head += ',';
    putNumber(GeneralDouble(num, header.sampling));
    head += " msec,";
    head += ToCp932(header.plusRange) + ',' + ToCp932(header.minusRange) + ',' + ToCp932(header.unit) + ',';
    putNumber(GeneralSingle(num, header.keisu));
    head += "\r\n";
    return head;
}

char* CsvSampleLine(char* p, float value, const OleDate* time)
{
    p = writeValue(p, value);
    *p++ = ',';
    if (time)
        p = SerialDateText(p, *time);
    *p++ = '\r';
    *p++ = '\n';
    return p;
}

QByteArray CsvClosingLine(const QString& endText) { return ',' + ToCp932(endText) + "\r\n"; }

bool WriteCsv(QIODevice& out, const CsvHeader& header, const float* values, const OleDate* times,
              std::int32_t first, std::int32_t last, const QString& endText)
{
    const QByteArray head = CsvHeaderText(header, last >= first ? &times[first] : nullptr);
    if (out.write(head) != head.size())
        return false;

    // Sample lines go through one buffer that is written whenever it fills, so the memory
    // touched stays small however long the segment is.
    constexpr std::size_t Chunk = 1 << 18;
    static thread_local std::vector<char> buffer(Chunk + CsvSampleLineMax);
    char* const begin = buffer.data();
    char* p = begin;
    for (std::int32_t i = first; i <= last; ++i) {
        p = CsvSampleLine(p, values[i], i > first && times[i] != times[i - 1] ? &times[i] : nullptr);
        if (std::size_t(p - begin) >= Chunk) {
            if (out.write(begin, p - begin) != p - begin)
                return false;
            p = begin;
        }
    }
    const QByteArray tail = CsvClosingLine(endText);
    return out.write(begin, p - begin) == p - begin && out.write(tail) == tail.size();
}

QByteArray FormatCsv(const CsvHeader& header, const float* values, const OleDate* times, std::int32_t first,
                     std::int32_t last, const QString& endText)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    WriteCsv(buffer, header, values, times, first, last, endText);
    return bytes;
}

QString FileExtentionAddCheck(const QString& name, const QString& suffix)
{
    if (name.endsWith(QStringLiteral(".csv"), Qt::CaseInsensitive))
        return name.left(name.size() - 4) + suffix + QStringLiteral(".csv");
    return name + suffix + QStringLiteral(".csv");
}

QString AutoSaveSuffix(OleDate start, std::int32_t fileNo, OleDate saved)
{
    return u'-' + FormatDate(start, u"YYYYMMDD-HHNNSS") + u'-' + QString::number(fileNo) + u'-' +
           FormatDate(saved, u"YYYYMMDD-HHNNSS");
}

QString MinusRangeField(int rangeMinus, const QString& plusText, const QString& minusText)
{
    if (rangeMinus == 0)
        return QStringLiteral("0");
    if (rangeMinus == 1)
        return u'-' + plusText;
    return minusText;
}

}  // namespace tavin
