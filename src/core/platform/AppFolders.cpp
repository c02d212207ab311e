#include "core/platform/AppFolders.h"

#include "core/platform/AppEnv.h"

#include <QDir>
#include <QFileInfo>

#include <unistd.h>

namespace tavin {

namespace {

const QString Program = QStringLiteral("TAVIN-Monitor");

// An XDG base folder, or the user's default for it when the variable is unset or relative (the
// base folder rules ignore a relative one).
QString BaseFolder(const QString& variable, const QString& home, const QString& fallback)
{
    if (QDir::isAbsolutePath(variable))
        return QDir::cleanPath(variable);
    return QDir::cleanPath((home.isEmpty() ? QDir::homePath() : home) + u'/' + fallback);
}

}  // namespace

FolderVars FolderVars::FromProcess()
{
    return {qEnvironmentVariable("TAVIN_CONFIG_DIR"), qEnvironmentVariable("TAVIN_STATE_DIR"),
            qEnvironmentVariable("XDG_CONFIG_HOME"), qEnvironmentVariable("XDG_STATE_HOME"),
            qEnvironmentVariable("HOME")};
}

AppFolders ChooseAppFolders(const QString& exeDir, bool portable, const FolderVars& vars)
{
    AppFolders f;
    f.portable = portable;
    if (portable) {
        f.config = f.state = exeDir;
    } else {
        f.config = BaseFolder(vars.xdgConfigHome, vars.home, QStringLiteral(".config")) + u'/' + Program;
        f.state = BaseFolder(vars.xdgStateHome, vars.home, QStringLiteral(".local/state")) + u'/' + Program;
    }
    if (QDir::isAbsolutePath(vars.configDir))
        f.config = QDir::cleanPath(vars.configDir);
    if (QDir::isAbsolutePath(vars.stateDir))
        f.state = QDir::cleanPath(vars.stateDir);
    return f;
}

bool RunsPortable(const QString& exeDir, const QString& installedBinDir)
{
    const QString here = QFileInfo(exeDir).canonicalFilePath();
    if (here.isEmpty() || here == QFileInfo(installedBinDir).canonicalFilePath())
        return false;
    return ::access(QFile::encodeName(here).constData(), W_OK) == 0;
}

AppFolders ProgramFolders(const QString& exeDir)
{
    return ChooseAppFolders(exeDir, RunsPortable(exeDir, QStringLiteral(TAVIN_INSTALL_BINDIR)),
                            FolderVars::FromProcess());
}

void UseAppFolders(AppEnv& env, const AppFolders& folders)
{
    env.configDir = folders.config;
    env.stateDir = folders.state;
}

bool MakePrivateFolder(const QString& path)
{
    const QString clean = QDir::cleanPath(QDir(path).absolutePath());
    if (QFileInfo(clean).isDir())
        return true;
    const QString parent = QFileInfo(clean).path();
    if (parent != clean && !MakePrivateFolder(parent))
        return false;
    return QDir().mkdir(clean, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

void MakeAppFolders(const AppEnv& env)
{
    MakePrivateFolder(env.configFolder());
    MakePrivateFolder(env.stateFolder());
}

QString FoldersNote(const AppEnv& env)
{
    if (env.configFolder() == env.exeDir && env.stateFolder() == env.exeDir)
        return QString();
    return QStringLiteral("設定ファイル: %1　ログ: %2")
        .arg(QDir::toNativeSeparators(env.configPath(QStringLiteral("TAVIN-Monitor.ini"))),
             QDir::toNativeSeparators(env.statePath(QStringLiteral("LOG"))));
}

}  // namespace tavin
