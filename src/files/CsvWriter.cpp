#include "files/CsvWriter.h"

#include "platform/NumText.h"
#include "platform/TextFile.h"

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

bool WriteCsv(QIODevice& out, const CsvHeader& header, const float* values, const OleDate* times,
              std::int32_t first, std::int32_t last, const QString& endText)
{
    QByteArray head;
    char num[40];
    auto putNumber = [&](char* end) { head.append(num, end - num); };
    head += ToCp932(header.startText);
    head += ',';
    if (last >= first)
        putNumber(SerialDateText(num, times[first]));
    head += ',';
    head += QByteArray::number(header.fileNo);
    head += ',';
    putNumber(GeneralDouble(num, header.sampling));
    head += " msec,";
    head += ToCp932(header.plusRange) + ',' + ToCp932(header.minusRange) + ',' + ToCp932(header.unit) + ',';
    putNumber(GeneralSingle(num, header.keisu));
    head += "\r\n";
    if (out.write(head) != head.size())
        return false;

    // Sample lines (at most 64 bytes each) go through one buffer that is written whenever it
    // fills, so the memory touched stays small however long the segment is.
    constexpr std::size_t Chunk = 1 << 18;
    static thread_local std::vector<char> buffer(Chunk + 128);
    char* const begin = buffer.data();
    char* p = begin;
    for (std::int32_t i = first; i <= last; ++i) {
        p = writeValue(p, values[i]);
        *p++ = ',';
        if (i > first && times[i] != times[i - 1])
            p = SerialDateText(p, times[i]);
        *p++ = '\r';
        *p++ = '\n';
        if (std::size_t(p - begin) >= Chunk) {
            if (out.write(begin, p - begin) != p - begin)
                return false;
            p = begin;
        }
    }
    const QByteArray tail = ',' + ToCp932(endText) + "\r\n";
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
