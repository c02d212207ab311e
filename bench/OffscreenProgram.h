// The program's main window, offscreen, in a program folder of its own with scripted prompts and
// the real clock, as the window benchmarks drive it; with the application object it needs.
#pragma once

#include "core/app/AppState.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"

#include <QApplication>

namespace tavin {

struct OffscreenProgram {
    OffscreenProgram(int& argc, char** argv) : app(offscreen(argc), argv), state(realClock(t.env())), w(state)
    {
        w.show();
    }

    static int& offscreen(int& argc)
    {
        qputenv("QT_QPA_PLATFORM", "offscreen");
        return argc;
    }

    static AppEnv realClock(AppEnv env)
    {
        env.clock = nullptr;
        return env;
    }

    QApplication app;
    test::TestEnv t;
    AppState state;
    frmMain w;
};

}  // namespace tavin
