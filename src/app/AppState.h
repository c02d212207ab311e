// The process-wide state: created once at start-up (and afresh by every test) and handed to
// whoever needs it. Field names follow the program's own names.
#pragma once

#include "app/ConfFile.h"
#include "app/basLog.h"
#include "platform/AppEnv.h"
#include "trend/Scale.h"

#include <vector>

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
    static constexpr int StoreSize = 360001;
    std::vector<float> g_Datas = std::vector<float>(StoreSize);
    std::vector<double> g_DataTime = std::vector<double>(StoreSize);
    std::vector<float> g_AveDatas = std::vector<float>(StoreSize);
    std::int32_t g_DataCnt = 0;  // samples stored = next index
    std::int32_t g_FileNo = 1;   // recording segment number

    // Page state: samples per second and page length in seconds.
    float g_SampPerSec = 1.0f;
    float g_PageSec = 20.0f;

    // The vertical scales of the graph, one record per plus range, for the screen and for print.
    std::array<GraphScale, PlusRangeCount> ScaleTable;
    std::array<GraphScale, PlusRangeCount> PrintScaleTable;

    // Shorthand for the log, which every part of the program reports through.
    int LogMsg(int level, const QString& procName, const QString& message)
    {
        return log.LogMsg(level, procName, message);
    }
};

}  // namespace tavin
