#include "files/CsvWriter.h"

#include "platform/NumText.h"
#include "platform/TextFile.h"

#include <cstring>

namespace tavin {

QByteArray FormatCsv(const CsvHeader& header, const float* values, const OleDate* times, std::int32_t first,
                     std::int32_t last, const QString& endText)
{
    QByteArray out;
    const std::int32_t count = last >= first ? last - first + 1 : 0;
    out.reserve(256 + qsizetype(count) * 32);

    char num[40];
    auto putNumber = [&](char* end) { out.append(num, end - num); };
    out += ToCp932(header.startText);
    out += ',';
    if (count > 0)
        putNumber(GeneralDouble(num, times[first]));
    out += ',';
    out += QByteArray::number(header.fileNo);
    out += ',';
    out += QByteArray::number(header.sampling) + " msec,";
    out += ToCp932(header.plusRange) + ',' + ToCp932(header.minusRange) + ',' + ToCp932(header.unit) + ',';
    putNumber(GeneralSingle(num, header.keisu));
    out += "\r\n";

    // Sample lines go into one buffer grown in large steps; each line is at most 40 bytes.
    qsizetype used = out.size();
    out.resize(used + qsizetype(count) * 48);
    char* p = out.data() + used;
    for (std::int32_t i = first; i <= last; ++i) {
        p = GeneralSingle(p, values[i]);
        *p++ = ',';
        if (i > first && times[i] != times[i - 1])
            p = GeneralDouble(p, times[i]);
        *p++ = '\r';
        *p++ = '\n';
    }
    out.resize(p - out.data());
    out += ',' + ToCp932(endText) + "\r\n";
    return out;
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
