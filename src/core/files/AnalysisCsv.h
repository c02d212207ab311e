// A recording as plain CSV for other programs (pandas, spreadsheet charts, KST): UTF-8 without a
// byte order mark, "\n" line ends, a header row of column names and one row per sample with its
// full time. The program's own recording format (CsvWriter) is unchanged; this is an export.
//
//   time,value [kPa],average [kPa]
//   2026-12-06T12:00:00.000,101.25,101.2
//
// The times are the segment's time axis (SampleAxis.h), the same the stream gives each value, so
// rows join a database filled from the stream; the range's rows keep the times they have in the
// whole segment. Values are the gauge's times the coefficient at their resolution (WriteProduct).
#pragma once

#include "core/platform/DateTime.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <QStringList>
#include <cstdint>

namespace tavin {

struct AnalysisColumns {
    QString unit;              // e.g. "kPa"; goes into the header names
    float keisu = 1.0f;        // coefficient: values and averages are written times it
    bool average = false;      // a third column with the moving average (times keisu)
    double samplingMs = 1000;  // the sampling period in ms
    // What the data is (recording, start, export time, a verdict): lines before the header row,
    // each behind "# " as CSV readers skip comments (pandas: comment='#').
    QStringList notes = {};
};

// The analysis CSV beside a recording: "data.csv" gives "data_analysis.csv".
QString AnalysisCsvPath(const QString& recordingPath);

// The notes and the header row, "time,value [kPa]" or "time,value [kPa],average [kPa]" with its "\n"; without
// a unit (empty or "---") the names are just "value" and "average".
QByteArray AnalysisCsvHeader(const AnalysisColumns& c);

// Writes the header and samples first..last of a segment's arrays, index 0 its first sample: rows
// keep the times they have in the whole segment (a range that ends within the first second counts
// that second's samples up to `last`). `averages` is read only when the average column is asked
// for. False when a write failed. Values that are not finite are written as empty fields, which
// readers take as missing.
bool WriteAnalysisCsv(QIODevice& out, const AnalysisColumns& c, const float* values, const float* averages,
                      const OleDate* times, std::int32_t first, std::int32_t last);

}  // namespace tavin
