// The recording file: a header with the segment's context, one line per sample, a closing line
// with the end time. CP932 text, CR LF line ends, fields separated by "," without quoting.
#pragma once

#include "core/platform/DateTime.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstddef>
#include <cstdint>

namespace tavin {

// The first line of a recording, shared by the writer and the reader.
struct CsvHeader {
    QString startText;        // the start time as shown, "yyyy年m月d日 hh:nn:ss"
    std::int32_t fileNo = 1;  // segment number
    double sampling = 0;      // ms
    QString plusRange;        // the plus-range list entry, "1" .. "5000"
    QString minusRange;       // "0", "-" + plus range (compound) or the minus-range entry
    QString unit;
    float keisu = 1.0f;
    OleDate start = 0;  // time of the first sample (the writer takes it from the samples)
};
// The header's fields in the order they stand in the line.
enum class CsvField { StartText, Start, FileNo, Sampling, PlusRange, MinusRange, Unit, Keisu };

// The header line; the time of the first sample is left empty when there is none.
QByteArray CsvHeaderText(const CsvHeader& header, const OleDate* firstTime);
// One sample line written at `p` (at most CsvSampleLineMax bytes); the time is written only when
// given, that is for the first sample of each second after the first. Returns the end.
constexpr std::size_t CsvSampleLineMax = 64;
char* CsvSampleLine(char* p, float value, const OleDate* time);
// The closing line: an empty field and the end time as shown.
QByteArray CsvClosingLine(const QString& endText);

// The whole file for samples first..last of the store (times carried only where the second
// changes; the first sample's time is in the header).
QByteArray FormatCsv(const CsvHeader& header, const float* values, const OleDate* times, std::int32_t first,
                     std::int32_t last, const QString& endText);
// The same written to a device in pieces of a reused buffer; false when a write failed.
bool WriteCsv(QIODevice& out, const CsvHeader& header, const float* values, const OleDate* times,
              std::int32_t first, std::int32_t last, const QString& endText);

// Guarantees a lower-case ".csv" extension, with `suffix` before it: "data.CSV" with "-x" gives
// "data-x.csv", "data" gives "data-x.csv".
QString FileExtentionAddCheck(const QString& name, const QString& suffix);

// The suffix of an automatically saved file: "-" start stamp "-" segment "-" save stamp.
QString AutoSaveSuffix(OleDate start, std::int32_t fileNo, OleDate saved);

// The minus-range header field for the settings' range indexes.
QString MinusRangeField(int rangeMinus, const QString& plusText, const QString& minusText);

}  // namespace tavin
