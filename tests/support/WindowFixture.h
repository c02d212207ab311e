// A main window over a fresh program folder, scripted prompts and a fresh process state.
#pragma once

#include "app/AppState.h"
#include "app/frmMain.h"
#include "support/TestEnv.h"

#include <gtest/gtest.h>
#include <memory>

namespace tavin::test {

class WindowFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        state = t.state();
        w = std::make_unique<frmMain>(*state);
    }
    void TearDown() override
    {
        if (w)
            w->close();
    }

    TestEnv t;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> w;
};

}  // namespace tavin::test
