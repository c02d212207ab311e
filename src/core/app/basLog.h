// The daily event log: one file per day of the month in the LOG folder of the state folder (AppFolders).
// It is also the program's uniform error report: level 2 shows the message in a box as well, one
// that does not wait for OK, since errors also happen while samples come.
#pragma once

#include "core/platform/Errors.h"
#include "core/platform/Prompts.h"

#include <QObject>
#include <QString>

#include <mutex>
#include <vector>

namespace tavin {

struct AppEnv;

// Carries the boxes of other threads to the thread that made the log.
class NoticeRelay : public QObject {
    Q_OBJECT
Q_SIGNALS:
    void pending();
};

class EventLog {
public:
    explicit EventLog(const AppEnv& env);
    EventLog(const EventLog&) = delete;
    EventLog& operator=(const EventLog&) = delete;

    // Opens the day's file (clearing one left from an earlier month) and writes the start line,
    // which names `program` (empty: the executable's base name). Something that is no regular
    // file in its place is left alone, said in a box, and the log then writes nothing.
    short LogInit(const QString& program = QString());
    // Appends one line; 0 when written, -1 when not (also before LogInit). Any thread: the
    // measurement writes from its own; its level-2 boxes are shown by the thread that made the log.
    int LogMsg(int level, const QString& procName, const QString& message);

    // Shows now the level-2 boxes other threads logged, which would otherwise wait for the event
    // loop: what the program says next may follow from them (on the thread that made the log).
    void showQueued();

    QString LogFilePath;
    // Level-2 boxes also while there is no file (before LogInit, or when it failed): a program
    // whose boxes are its only report of errors (the recorder's stderr) loses none.
    bool boxesWithoutFile = false;

private:
    const AppEnv& env_;

    std::mutex m_;
    NoticeRelay home_;  // lives on the thread that made the log: boxes from other threads go through it
    std::vector<MessageBox> queued_;  // under m_
    bool unusable_ = false;           // the day's file is no regular file: nothing is written this run
};

// Runs a handler body. A run-time fault inside it is written as an "ERR " entry under the
// handler's name (which also shows it to the user) and the rest of the body is skipped.
// Returns whether the body ran to its end.
template <class Body>
bool Trap(EventLog& log, const QString& procName, Body&& body)
{
    try {
        body();
        return true;
    } catch (const std::exception& e) {
        log.LogMsg(2, procName, describe(e));
        return false;
    }
}

}  // namespace tavin
