// The process-wide state: created once at start-up (and afresh by every test) and handed to
// whoever needs it. Field names follow the program's own names.
#pragma once

#include "app/ConfFile.h"
#include "app/basLog.h"
#include "platform/AppEnv.h"

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

    // Shorthand for the log, which every part of the program reports through.
    int LogMsg(int level, const QString& procName, const QString& message)
    {
        return log.LogMsg(level, procName, message);
    }
};

}  // namespace tavin
