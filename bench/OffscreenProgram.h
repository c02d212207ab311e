// The program's main window, offscreen, in a program folder of its own with scripted prompts and
// the real clock, as the window benchmarks drive it. Create after the QApplication.
#pragma once

#include "app/AppState.h"
#include "app/frmMain.h"
#include "support/TestEnv.h"

namespace tavin {

struct OffscreenProgram {
    OffscreenProgram() : state(realClock(t.env())), w(state) { w.show(); }

    static AppEnv realClock(AppEnv env)
    {
        env.clock = nullptr;
        return env;
    }

    test::TestEnv t;
    AppState state;
    frmMain w;
};

}  // namespace tavin
