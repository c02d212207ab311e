// Reading a recording file back: the header's fields, then the sample lines straight into the
// store's arrays. Lenient about line ends (CR LF, CR or LF) and a UTF-8 byte-order mark; a line it
// cannot read ends the load with that line's number, keeping everything before it.
#pragma once

#include "files/CsvWriter.h"
#include "platform/DateTime.h"

#include <QByteArrayView>
#include <QStringList>
#include <cstdint>
#include <functional>

namespace tavin {

class SampleStore;

struct CsvHeaderLine {
    CsvHeader header;
    int fieldCount = 0;       // fields the line has: a shorter header leaves the rest unknown
    bool startGiven = false;  // the start time field holds a time (header.start)
    bool badStart = false;    // the start time field holds something else
    qsizetype next = 0;       // offset of the first sample line
    bool empty = true;        // the file has no line at all

    bool has(CsvField f) const { return fieldCount > int(f); }
};
CsvHeaderLine ReadCsvHeader(QByteArrayView bytes);

struct CsvSamples {
    std::int32_t dataCnt = 0;   // one more than the last line index that had a value
    std::int32_t lines = 0;     // sample lines read (the closing line included)
    std::int32_t badLine = 0;   // 1-based line number in the file of the line that stopped the load
};

// Reads sample lines from `next` on into the store (at most `maxLines`), carrying the time
// forward from `startTime`, and fills the moving-average column with the store's accumulator;
// the store's count becomes the result's dataCnt. `progress` is called now and then with the
// share of the bytes read (0..1).
CsvSamples ReadCsvSamples(QByteArrayView bytes, qsizetype next, OleDate startTime, SampleStore& store,
                          std::int32_t maxLines, const std::function<void(double)>& progress = {});

// A time field: a serial day number, or a date text "yyyy/m/d h:nn:ss" or "yyyy年m月d日 h:nn:ss"
// (time optional). False when it is neither.
bool ParseDateField(std::string_view text, OleDate& out);

}  // namespace tavin
