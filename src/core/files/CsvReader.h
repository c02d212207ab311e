// Reading a recording file back: the header's fields, then the sample lines straight into the
// store's arrays. Lenient about line ends (CR LF, CR or LF) and a UTF-8 byte-order mark; a line it
// cannot read ends the load with that line's number, keeping everything before it.
#pragma once

#include "core/files/CsvWriter.h"
#include "core/platform/DateTime.h"

#include <QByteArray>
#include <QByteArrayView>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <string_view>

namespace tavin {

class SampleStore;

struct CsvHeaderLine {
    CsvHeader header;
    int fieldCount = 0;       // fields the line has: a shorter header leaves the rest unknown
    bool startGiven = false;  // the start time field holds a time (header.start)
    bool badStart = false;    // the start time field holds something else
    bool malformed = false;   // the line holds a NUL byte, which no header of a recording has
    qsizetype next = 0;       // offset of the first sample line
    bool empty = true;        // the file has no line at all
    // The coefficient field holds a value the coefficient dialog would refuse (0, no number, beyond
    // a 32-bit float): header.keisu is then 1 and keisuText the refused text, for the user.
    bool badKeisu = false;
    QString keisuText;

    bool has(CsvField f) const { return fieldCount > int(f); }
};
CsvHeaderLine ReadCsvHeader(QByteArrayView bytes);

struct CsvSamples {
    std::int32_t dataCnt = 0;  // one more than the last line index that had a value
    std::int32_t lines = 0;    // sample lines read (the closing line included)
    std::int32_t badLine = 0;  // 1-based line number in the file of the line that stopped the load
    bool rest = false;         // samples beyond the limit of lines, or beyond the bytes given, were not read
};

// A sample's number field exactly as the text-to-number rule reads it, as a 32-bit float; plain
// decimals take a fast path with the same result. False for a number beyond a 32-bit float, which
// cannot be stored.
bool CsvValue(std::string_view field, float& out);

// The bytes of a recording file for loading, or why there are none. A path that is not a regular
// file (a named pipe would block the open, a device could stream forever) is refused before it is
// opened. Reads no more than the header and `maxLines` sample lines need (and a little beyond,
// to tell whether samples were left out), and never more than `maxBytes`, so an overlong file, or
// one of a few endless lines, costs neither the memory nor the time of reading it all; a line cut
// at that point is left out.
struct CsvFileBytes {
    QByteArray bytes;
    bool whole = false;  // bytes hold the whole file
    QString error;       // empty when read; else the reason, for the user
};
CsvFileBytes ReadCsvFile(const QString& path, std::int32_t maxLines, qint64 maxBytes = qint64(256) << 20);

// Reads sample lines from `next` on into the store (at most `maxLines`), carrying the time
// forward from `startTime`, and fills the moving-average column with the store's accumulator;
// the store's count becomes the result's dataCnt. `whole` says whether `bytes` end where the file
// ends (else lines beyond the limit are taken to be there). `progress` is called now and then with the
// share of the bytes read (0..1).
CsvSamples ReadCsvSamples(QByteArrayView bytes, qsizetype next, OleDate startTime, SampleStore& store,
                          std::int32_t maxLines, const std::function<void(double)>& progress = {},
                          bool whole = true);

// A time field: a serial day number, or a date text "yyyy/m/d h:nn:ss" or "yyyy年m月d日 h:nn:ss"
// (time optional). False when it is neither.
bool ParseDateField(std::string_view text, OleDate& out);

}  // namespace tavin
