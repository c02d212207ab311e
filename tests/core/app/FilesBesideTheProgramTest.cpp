#include "core/app/AppState.h"
#include "core/files/RecordingFiles.h"
#include "core/platform/AppFolders.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <functional>
#include <gtest/gtest.h>
#include <unistd.h>

using namespace tavin;
using namespace tavin::test;

// Something else in the place of a file of the program's own is never opened (a named pipe holds
// open() until its other end opens, a device may stream for ever): start-up goes on with what it
// needs in its place, the user is told which file and why, and it stays as it was.
TEST(FilesBesideTheProgram, WhatIsNoRegularFileIsNamedAndLeftAsItWas)
{
    const Deadline deadline(30);
    const struct {
        const char* name;
        std::function<QString(TestEnv&, AppState&)> start;  // the text the user is shown
    } files[] = {
        {"TAVIN-Monitor.ini",
         [](TestEnv& t, AppState& s) {
             s.Settings.AveNum = 5;
             EXPECT_EQ(s.conf.ConfStartUp(), -1);
             EXPECT_EQ(s.Settings.AveNum, 1000);  // the defaults
             s.Settings.Tani = "MPa";
             s.conf.ConfSave();
             return t.prompts.shown.value(0).text;
         }},
        {"LOG/PG06.Log",  // also of an earlier month, going by its date
         [](TestEnv& t, AppState& s) {
             EXPECT_EQ(s.log.LogInit(), -1);
             EXPECT_EQ(s.LogMsg(2, "X", "error"), -1);  // nothing written, the error still shown
             EXPECT_EQ(t.prompts.shown.size(), 2);
             EXPECT_EQ(t.prompts.shown.value(1).text, "error");
             return t.prompts.shown.value(0).text;
         }},
        {"TAVIN-Monitor.lock",
         [](TestEnv& t, AppState&) {
             const InstanceLock lock(t.dir.path());
             EXPECT_FALSE(lock.previousInstance());  // nothing is known of other instances
             return lock.problem();
         }},
    };
    for (const auto& f : files) {
        for (NotAFile kind : AllNotAFile) {
            SCOPED_TRACE(std::string(f.name) + " " + Name(kind));
            TestEnv t;
            ASSERT_TRUE(QDir().mkpath(t.path("LOG")));
            ASSERT_TRUE(t.make(f.name, kind));
            const unsigned type = t.typeOf(f.name);
            auto s = t.state();
            const QString text = f.start(t, *s);
            EXPECT_TRUE(text.contains(QDir::toNativeSeparators(t.path(f.name)))) << text.toStdString();
            EXPECT_TRUE(text.contains(ReasonFor(kind))) << text.toStdString();
            EXPECT_EQ(t.typeOf(f.name), type);
        }
    }
}

TEST(FilesBesideTheProgram, AnInstalledProgramUsesTheUsersFoldersAPortableOneItsOwn)
{
    const QString home = QStringLiteral("/home/u");
    const struct {
        bool portable;
        FolderVars vars;
        const char *config, *state;
    } cases[] = {
        {true, {}, "/opt/t", "/opt/t"},
        {true, {"", "/var/lib/s", "", "", home}, "/opt/t", "/var/lib/s"},
        {false, {"", "", "/x/conf", "/x/state/", home}, "/x/conf/TAVIN-Monitor", "/x/state/TAVIN-Monitor"},
        // unset or relative folders: the user's defaults
        {false,
         {"rel", "", "", "rel", home},
         "/home/u/.config/TAVIN-Monitor",
         "/home/u/.local/state/TAVIN-Monitor"},
        {false, {"/etc/r", "/var/lib/r/COM3", "/x", "/y", home}, "/etc/r", "/var/lib/r/COM3"},  // a service
    };
    for (const auto& c : cases) {
        const AppFolders f = ChooseAppFolders(QStringLiteral("/opt/t"), c.portable, c.vars);
        EXPECT_EQ(f.config, QString::fromUtf8(c.config));
        EXPECT_EQ(f.state, QString::fromUtf8(c.state));
        EXPECT_EQ(f.portable, c.portable);
    }

    // Where each file goes, written as the program writes it; the executable's folder of an
    // installed program never gets a file, also when it could be written (root).
    for (const bool portable : {true, false}) {
        SCOPED_TRACE(portable ? "portable" : "installed");
        TestEnv t;
        ASSERT_TRUE(QDir().mkpath(t.path("bin")));
        AppEnv env = t.env();
        env.exeDir = t.path("bin");
        UseAppFolders(env, ChooseAppFolders(env.exeDir, portable, {"", "", t.path("c"), t.path("s"), home}));
        MakeAppFolders(env);
        AppState s(env);
        s.conf.ConfSave();
        EXPECT_EQ(s.log.LogInit(), 0);
        s.LogMsg(0, "X", "a line");
        const InstanceLock lock(s.env.stateFolder());
        ASSERT_FALSE(lock.previousInstance());
        EXPECT_TRUE(UpdateJournalFolders(JournalFolderList(s.env), [](QStringList& l) { l << "/data"; }));

        const QString config = portable ? t.path("bin") : t.path("c/TAVIN-Monitor");
        const QString state = portable ? t.path("bin") : t.path("s/TAVIN-Monitor");
        EXPECT_TRUE(QFile::exists(config + "/TAVIN-Monitor.ini"));
        EXPECT_TRUE(QFile::exists(state + "/TAVIN-Monitor.lock"));
        EXPECT_TRUE(QFile::exists(state + "/TAVIN-Monitor.journals"));
        EXPECT_FALSE(QDir(state + "/LOG").isEmpty());
        EXPECT_EQ(QDir(t.path("bin")).isEmpty(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden),
                  !portable);
        EXPECT_EQ(FoldersNote(s.env).isEmpty(), portable);
        for (const char* made : {"c", "c/TAVIN-Monitor", "s/TAVIN-Monitor"}) {  // for the user alone
            if (!portable) {
                EXPECT_EQ(QFile::permissions(t.path(made)).toInt() & 0x77, 0) << made;  // group, others: none
            }
        }
    }

    // Whether a folder runs portable: one that may be written and is not where the package installs.
    TestEnv t;
    EXPECT_TRUE(RunsPortable(t.dir.path(), QStringLiteral("/usr/bin")));
    EXPECT_FALSE(RunsPortable(t.dir.path(), t.dir.path() + "/."));
    EXPECT_FALSE(RunsPortable(t.path("missing"), QStringLiteral("/usr/bin")));
    if (::geteuid() != 0) {  // root writes whatever the mode says
        QFile::setPermissions(t.dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        EXPECT_FALSE(RunsPortable(t.dir.path(), QStringLiteral("/usr/bin")));
        QFile::setPermissions(t.dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
}
