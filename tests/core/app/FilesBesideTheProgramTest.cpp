#include "core/app/AppState.h"
#include "support/TestEnv.h"

#include <QDir>
#include <functional>
#include <gtest/gtest.h>

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
