// The process-wide state: created once at start-up (and afresh by every test) and handed to
// whoever needs it. Field names follow the program's own names.
#pragma once

#include "core/app/ConfFile.h"
#include "core/app/basLog.h"
#include "core/files/Journal.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppEnv.h"
#include "core/print/PrintLayout.h"
#include "core/trend/Evaluation.h"
#include "core/trend/PageModel.h"
#include "core/trend/SampleStore.h"
#include "core/trend/Scale.h"

#include <memory>

namespace tavin {

struct AppState {
    explicit AppState(AppEnv environment) : env(std::move(environment)) {}
    AppState(const AppState&) = delete;
    AppState& operator=(const AppState&) = delete;

    AppEnv env;
    EventLog log{env};
    SettingsRecord Settings;
    ConfFile conf{env, Settings};

    // Set when another instance was already running at start: its settings win, ours are not saved.
    bool SettingsSaveSuppressed = false;
    // Held from start-up to exit; tells a later instance that this one runs.
    std::unique_ptr<InstanceLock> instance;

    // The sample store: one recording segment of raw values, their times and moving averages.
    SampleStore store;
    // The current segment's journal, and the segments whose recording could not be written yet.
    Journal journal;
    UnsavedRecordings unsaved;

    // The user coefficient applied to raw values wherever they are shown or drawn.
    float g_Keisu = 1.0f;

    // The page the graph shows and its cursor.
    PageModel page;
    // The last pressure-decay test judged on what the window shows, for the reports; none after a
    // new measurement or load.
    std::optional<DecayRecord> lastDecay;

    // The vertical scales of the graph, one record per plus range, for the screen and for print.
    std::array<GraphScale, PlusRangeCount> ScaleTable;
    std::array<GraphScale, PlusRangeCount> PrintScaleTable;

    // The print job's choices and state.
    PrintState print;

    // Shorthand for the log, which every part of the program reports through.
    int LogMsg(int level, const QString& procName, const QString& message)
    {
        return log.LogMsg(level, procName, message);
    }
};

}  // namespace tavin
