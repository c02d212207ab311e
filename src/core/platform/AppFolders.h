// Where the program keeps its own files: beside the executable when it runs from a folder it may
// write (a build folder, a copied folder: "portable"), in the user's folders when it is installed.
#pragma once

#include <QString>

namespace tavin {

struct AppEnv;

struct AppFolders {
    QString config;  // the settings file, its scratch copy and the port pins ports/COMn
    QString state;   // the daily log LOG/, the journal folder list, the lock, the console's log
    bool portable = true;
};

// What the choice reads from the environment.
struct FolderVars {
    QString configDir;  // TAVIN_CONFIG_DIR: a folder of its own for the settings (a service's)
    QString stateDir;   // TAVIN_STATE_DIR: a folder of its own for the log and lists
    QString xdgConfigHome, xdgStateHome, home;

    static FolderVars FromProcess();
};

// Portable: both beside the executable. Installed: `$XDG_CONFIG_HOME/TAVIN-Monitor` and
// `$XDG_STATE_HOME/TAVIN-Monitor`, or `~/.config/…` and `~/.local/state/…` where those are unset
// or not absolute. A TAVIN_ variable, when absolute, names its folder either way. A portable folder's files
// are never moved: an installed program simply does not look there.
AppFolders ChooseAppFolders(const QString& exeDir, bool portable, const FolderVars& vars);

// Whether a program in `exeDir` runs portable: it may write that folder, and the folder is not
// `installedBinDir`, where the package puts the programs (root may write /usr/bin, and an
// administrator starting the window there must not leave files in it).
bool RunsPortable(const QString& exeDir, const QString& installedBinDir);

// The folders of the running program, from its executable's folder and the environment.
AppFolders ProgramFolders(const QString& exeDir);

// Points `env` at `folders`.
void UseAppFolders(AppEnv& env, const AppFolders& folders);

// Makes the folder `path` where it is missing, with each missing level for its owner alone (mode
// 0700, as the base folder rules ask). False when it cannot be made.
bool MakePrivateFolder(const QString& path);

// Makes `env`'s settings and state folders where they are missing, once a program knows it will
// run (not for --help or a bad option). A folder that cannot be made, such as a service's
// read-only settings folder, is left to the messages of the files in it.
void MakeAppFolders(const AppEnv& env);

// Where the settings and the log went, for the user, when that is not beside the executable;
// empty when it is.
QString FoldersNote(const AppEnv& env);

}  // namespace tavin
