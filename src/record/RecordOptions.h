// The command line of the recorder without a window: every value it does not give is taken from a
// settings file in the window's format (read, never written), and each is checked before
// anything is opened or created, so that a mistake costs one clear line and nothing else.
#pragma once

#include "core/trend/Evaluation.h"
#include "engine/Acquisition.h"

#include <QString>
#include <QStringList>
#include <optional>

namespace tavin {

struct AppEnv;

struct RecordOptions {
    AcquisitionOptions acquisition;
    QString port;                    // the port as the user names it: "COM3" or a device path
    QString settingsPath;            // the settings file read; empty: none
    QStringList replaced;            // the settings file's keys that could not be used, one line each
    double durationS = 0;            // stop and save after this many seconds; 0: until a signal
    bool quiet = false;              // no status line
    bool reconnect = false;          // a vanished device is waited for rather than ending the run
    std::optional<DecayTest> decay;  // each saved segment is judged as a pressure-decay test
};

struct ParsedCommandLine {
    RecordOptions options;
    bool help = false;     // --help: the usage is all that is wanted
    bool version = false;  // --version: the program's name and version are all
    QString error;         // why the command line cannot run; empty when it can
};

// Reads `args` (without the program's name) with the settings file in `env.configFolder()` or the one
// named by --settings. Checks the port's existence, the folder and the base name as well.
ParsedCommandLine ParseRecordCommandLine(const QStringList& args, const AppEnv& env);

// What --help prints.
QString RecordUsage();

// Whether `folder` takes a new file: tried with a scratch file removed at once; empty when it
// does, else why not.
QString FolderProblem(const QString& folder);

}  // namespace tavin
