// The recorder without a window as a user runs it: its executable linked into the test's own
// program folder (so that ports/, LOG/ and the journal list beside it are the test's), the
// simulated gauge as COM7, and the recorder's output and exit status.
#pragma once

#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "e2e/GaugeFixture.h"
#include "support/TestEnv.h"
#include "window/main/frmMain.h"

#include <QDir>
#include <QFile>
#include <QTest>
#include <gtest/gtest.h>

#include <unistd.h>

namespace tavin::test {

class RecorderFixture : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The executable in the test's folder, so that ports/, LOG/ and the journal list beside
        // it are the test's own.
        exe = t.path("tavin-record");
        ASSERT_TRUE(::link(TAVIN_RECORD_PATH, QFile::encodeName(exe).constData()) == 0 ||
                    QFile::copy(QStringLiteral(TAVIN_RECORD_PATH), exe));
        ASSERT_TRUE(QDir(t.dir.path()).mkpath("rec"));
        // The recorder's texts are read in Japanese, whatever locale the tests run under.
        for (test::Spawned* p : {&rec, &other})
            p->setLocale("ja_JP.UTF-8");
    }
    void TearDown() override
    {
        if (w)
            w->close();
        for (test::Spawned* p : {&rec, &other, &sim})
            if (p->running()) {
                p->kill();
                p->waitForFinished(5000);
            }
    }

    void gauge(const QStringList& args)
    {
        QFile::remove(t.path("ports/COM7"));
        sim.start(QStringLiteral(GAUGE_SIM_PATH), QStringList{"--dir", t.dir.path(), "--com", "7", "--kind",
                                                              "0", "--wave", "ramp", "--amplitude", "50"} +
                                                      args);
        ASSERT_TRUE(sim.waitForStarted(5000));
        ASSERT_TRUE(QTest::qWaitFor([&] { return QFile::exists(t.path("ports/COM7")); }, 5000));
    }
    void record(test::Spawned& p, const QStringList& args = {})
    {
        ASSERT_TRUE(p.start(
            exe,
            QStringList{"--port", "COM7", "--kind", "0", "--dir", t.path("rec"), "--name", "bench"} + args))
            << p.errorString().toStdString();
    }
    // Waits for the process to end; its exit status.
    int ended(test::Spawned& p, int ms = 20000)
    {
        EXPECT_TRUE(p.waitForFinished(ms)) << "still running";
        return p.exitCode();
    }
    // Waits until stderr says `text`; all it said by then.
    QString waitSaid(test::Spawned& p, const QString& text, int ms = 10000)
    {
        EXPECT_TRUE(QTest::qWaitFor(
            [&] { return (err += QString::fromUtf8(p.readAllStandardError())).contains(text); }, ms))
            << "stderr: " << err.toStdString();
        return err;
    }
    QStringList files(const char* pattern) const
    {
        return QDir(t.path("rec")).entryList({pattern}, QDir::Files);
    }
    static std::vector<float> valuesOf(const QList<test::SentFrame>& sent)
    {
        std::vector<float> v;
        for (const test::SentFrame& f : sent)
            v.push_back(float(Val(f.value)));
        return v;
    }

    test::TestEnv t;
    QString exe;
    test::Spawned sim, rec, other;
    test::SimFrames frames{sim};
    QString err;
    std::unique_ptr<AppState> state;
    std::unique_ptr<frmMain> w;
};

}  // namespace tavin::test
