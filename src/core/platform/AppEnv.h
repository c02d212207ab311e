// What the program asks of its platform: where it lives, what time it is, where the user's
// documents go, whether another copy runs, and how it talks to the user.
#pragma once

#include "core/platform/DateTime.h"

#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>

class QLockFile;

namespace tavin {

class Prompts;

struct AppEnv {
    QString exeDir;  // the executable's folder (tests: a temporary one)
    // Where the settings file and the port pins are (AppFolders); empty: `exeDir`.
    QString configDir;
    // Where the daily log, the journal folder list and the lock go (AppFolders); empty: `exeDir`.
    QString stateDir;
    QString exeBaseName = QStringLiteral("TAVIN-Monitor");
    QString documentsDir;  // empty: the system's Documents folder
    Prompts* prompts = nullptr;
    std::function<QDateTime()> clock;  // wall clock; empty: the system's

    QDateTime nowDateTime() const;
    // The local time `ago` before now, to the whole second, as the program stamps its samples.
    OleDate now(std::chrono::microseconds ago = {}) const;
    // The time `ago` before now in milliseconds since 1970 (UTC), for what needs more than seconds.
    std::int64_t epochMs(std::chrono::microseconds ago = {}) const;
    QString configFolder() const { return configDir.isEmpty() ? exeDir : configDir; }
    QString stateFolder() const { return stateDir.isEmpty() ? exeDir : stateDir; }
    // The file `name` in the settings' folder.
    QString configPath(const QString& name) const { return configFolder() + u'/' + name; }
    // The file `name` the program writes as it runs, in the state folder.
    QString statePath(const QString& name) const { return stateFolder() + u'/' + name; }
};

// Milliseconds since the process started, from a monotonic clock.
qint64 ClockMs();

// The user's Documents folder, created when it does not exist yet (unless `create` is false).
// Empty when the system names none; `exists` tells whether it exists now.
QString DocumentsFolder(const AppEnv& env, bool* exists = nullptr, bool create = true);

// Holds the instance lock file in `folder` (the state folder) for the life of the program.
class InstanceLock {
public:
    explicit InstanceLock(const QString& folder);
    ~InstanceLock();
    // True when another running instance already holds the lock.
    bool previousInstance() const { return previous_; }
    // Set, for the user, when the lock's name is taken by something that is no regular file:
    // that is left alone and no lock is tried.
    QString problem() const { return problem_; }

private:
    std::unique_ptr<QLockFile> lock_;
    bool previous_ = false;
    QString problem_;
};

}  // namespace tavin
