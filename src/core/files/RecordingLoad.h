// Loading a recording file back into the store: its bytes, its header and its samples, and what
// the user is told about it (the status bar's text with its notes, whether the log keeps it, and
// whether the file joins the list of recent recordings).
#pragma once

#include "core/files/CsvReader.h"
#include "core/trend/SampleStore.h"

#include <QString>
#include <QStringList>
#include <functional>

namespace tavin {

class EventLog;
struct AppEnv;

// The lines a load reads: one fewer than the store holds.
constexpr std::int32_t LoadMaxLines = SampleStore::Capacity - 1;

struct RecordingLoad {
    QString failure;    // why the file could not be read; empty when it was
    CsvSamples read;    // what was read; badLine 1: the header ended the load
    QStringList notes;  // what the user should know about a load that went through
    QString status;     // "読み込み終了" or "読み込みエラー …", each note in brackets after it
    bool logged = false;      // a failure, a bad line or a note: the log keeps the status
    bool remembered = false;  // the file gave samples: it joins the recent list
};

// Reads `path` into `store` (already cleared). The header sets the store's file number (1 when
// the header has none) and goes to `applyHeader` before any sample is read, so that the choices
// it brings (sampling, ranges, unit) are in force while the samples come; samples without a start
// time in the header count from env.now(). `progress` gets the share read now and then. A fault
// is logged as a handler's (level 2) and ends the load as a failure.
RecordingLoad LoadRecording(const QString& path, SampleStore& store, EventLog& log, const AppEnv& env,
                            const std::function<void(const CsvHeaderLine&)>& applyHeader,
                            const std::function<void(double)>& progress = {});

}  // namespace tavin
