// A main window over a fresh program folder, scripted prompts and a fresh process state.
#pragma once

#include "core/app/AppState.h"
#include "core/platform/TextFile.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"

#include <QFileInfo>

#include <QAction>
#include <QApplication>
#include <QPushButton>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <gtest/gtest.h>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>

namespace tavin::test {

// A timer's time is up now: what it runs, runs.
inline void Fire(QTimer* timer) { EXPECT_TRUE(QMetaObject::invokeMethod(timer, "timeout")); }

// A window's control found by its name, as a user finds it on screen; `index`: the n-th of a group
// that shares the name. A control that is not there fails the test and ends it.
template <class T>
T* Control(const QObject& window, const char* name, int index = 0)
{
    const QList<T*> found = window.findChildren<T*>(QString::fromLatin1(name));
    if (index >= found.size())
        throw std::logic_error(std::string("no control ") + name);
    return found[index];
}

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

    // Runs `answer` on the next modal dialog of type D once it shows; counts it in `shown`.
    template <class D>
    void whenShown(std::function<void(D&)> answer)
    {
        QTimer::singleShot(0, [this, answer] {
            auto* d = qobject_cast<D*>(QApplication::activeModalWidget());
            if (!d) {  // another dialog than expected: closed, so that the test ends
                ADD_FAILURE() << "not the dialog expected";
                if (QWidget* other = QApplication::activeModalWidget())
                    other->close();
                return;
            }
            ++shown;
            answer(*d);
            if (d->isVisible()) {  // an answer that failed part-way: the test goes on to its end
                ADD_FAILURE() << "the dialog was left open";
                d->reject();
            }
        });
    }

    // A frame as if the port had received it, and the screen refreshed after it: what the
    // engine did is on the labels when this returns. -1 for a rejected frame.
    short feed(std::string_view frame)
    {
        w->pushOptions();  // settings a test set directly
        const short r = w->engine().inject(frame);
        w->RefreshScreen();
        return r;
    }
    // A value as if a gauge had sent it, stored and shown.
    void feedValue(float v)
    {
        w->pushOptions();
        w->engine().injectValue(v);
        w->RefreshScreen();
    }

    // A measurement whose frames come from feed() alone: the engine's start time, segment and
    // journal as with a port.
    void startWithoutPort()
    {
        AcquisitionOptions o = w->acquisitionOptions();
        o.noPort = true;
        ASSERT_EQ(w->engine().start(o), QString());
        w->RefreshScreen();
    }
    // Saves what the store holds as the save button of the debug view does.
    void saveNow()
    {
        w->pushOptions();
        w->engine().saveNow();
        w->RefreshScreen();
    }

    // The day's event log as written so far.
    QString logText() const
    {
        return FromCp932(t.read("LOG/" + QFileInfo(state->log.LogFilePath).fileName()));
    }

    TestEnv t;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> w;
    int shown = 0;
};

}  // namespace tavin::test
