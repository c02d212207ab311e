// A recording as plain CSV for other programs (pandas, spreadsheet charts, KST): UTF-8 without a
// byte order mark, "\n" line ends, a header row of column names and one row per sample with its
// full time. The program's own recording format (CsvWriter) is unchanged; this is an export.
//
//   time,value [kPa],average [kPa]
//   2026-12-06T12:00:00.000,101.25,101.2
//
// The times: the store stamps each sample with its receive time to the whole second, so several
// samples share a stamp. In this file the seconds are those receive times and the milliseconds
// the sample's position at the sampling period within its second: for a run of n samples with the
// same stamp, step = min(sampling period, 1000 / n) ms and the k-th sample of the run (k from 0)
// is at stamp + k * step. The first run of the range is usually a second the recording began
// in the middle of, so its samples are put at the end of their second instead:
// stamp + 1000 - (n - k) * step. Times are rounded to whole milliseconds, no later than the
// second's 999th; where that would make a time equal to (or before) the one above it, it is taken
// as that time + 1 ms, so the time column is strictly increasing as chart programs expect (with
// more than 1000 samples in a second this carries some into the next second). A stamp earlier
// than the one before it (the clock set back during a recording) is written as it is.
#pragma once

#include "platform/DateTime.h"

#include <QByteArray>
#include <QIODevice>
#include <QString>
#include <cstdint>

namespace tavin {

struct AnalysisColumns {
    QString unit;              // e.g. "kPa"; goes into the header names
    float keisu = 1.0f;        // coefficient: values and averages are written times it
    bool average = false;      // a third column with the moving average (times keisu)
    double samplingMs = 1000;  // the sampling period in ms
};

// The header row, "time,value [kPa]" or "time,value [kPa],average [kPa]" with its "\n"; without a
// unit (empty or "---") the names are just "value" and "average".
QByteArray AnalysisCsvHeader(const AnalysisColumns& c);

// Writes the header and samples first..last of the given arrays (`averages` is read only when
// the average column is asked for); false when a write failed. Values that are not finite are
// written as empty fields, which readers take as missing.
bool WriteAnalysisCsv(QIODevice& out, const AnalysisColumns& c, const float* values, const float* averages,
                      const OleDate* times, std::int32_t first, std::int32_t last);

}  // namespace tavin
