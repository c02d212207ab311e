// The communication console end to end: the simulated gauge on a pseudo-terminal linked as COM3,
// the console opened from the debug width, lines sent from it arriving at the gauge, and the dumps
// of received bytes while it is shown.
#include "e2e/GaugeFixture.h"
#include "engine/CommControl.h"
#include "window/dialogs/frmComm.h"
#include "window/widgets/Controls.h"
#include "window/widgets/MonitorView.h"

#include <QCheckBox>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QTest>

using namespace tavin;

namespace {

// Resident memory of this process in kB.
long ResidentKb()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray& line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').first().toLong();
    return 0;
}

class Console : public test::GaugeFixture {
protected:
    void startGauge(int periodMs)
    {
        GaugeFixture::startGauge(0, {"--period", QString::number(periodMs), "--quiet"});
    }
    // Everything the gauge reported receiving, as hexadecimal digits.
    QString received()
    {
        log += QString::fromLatin1(sim.readAllStandardError());
        QString hex;
        for (const QString& line : log.split(u'\n'))
            if (line.startsWith(QStringLiteral("gauge-sim: received ")))
                hex += line.mid(20).trimmed();
        return hex;
    }
    void send(const QString& line, bool binary)
    {
        frmComm& c = w->comm();
        test::Control<QCheckBox>(c, "chkBin")->setChecked(binary);
        test::Control<QLineEdit>(c, "txtKobetu")->setText(line);
        test::Control<QPushButton>(c, "cmdSend")->click();
    }
    int dumps(const char* head) const
    {
        int n = 0;
        for (const QString& line : w->comm().monitor().lines())
            n += line.contains(QLatin1String(head));
        return n;
    }

    QString log;
};

}  // namespace

TEST_F(Console, LinesSentFromTheConsoleReachTheGaugeByteForByte)
{
    startGauge(5);
    w->controls().cmdComm->click();
    ASSERT_TRUE(w->comm().isVisible());
    send(QStringLiteral("02 2b31 03 ;comment"), true);
    EXPECT_TRUE(QTest::qWaitFor([&] { return received() == QStringLiteral("022B3103"); }, 5000))
        << received().toStdString();
    send(QStringLiteral("  圧力 R  "), false);  // trimmed, in code page 932
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().endsWith(QStringLiteral("88B397CD2052")); }, 5000))
        << received().toStdString();
    EXPECT_EQ(test::Control<QLineEdit>(w->comm(), "txtKobetu")->text(), QStringLiteral("圧力 R"));
    w->comm().SendText(QStringLiteral("R"));
    EXPECT_TRUE(QTest::qWaitFor([&] { return received().endsWith(QStringLiteral("522C686F0D")); }, 5000))
        << received().toStdString();
    EXPECT_TRUE(test::Control<QTimer>(w->comm(), "tmrRes")->isActive());
}

TEST_F(Console, ReceivedBytesAreDumpedOnlyWhileTheConsoleIsShownAndClosingOnlyHidesIt)
{
    startGauge(5);
    frmComm& c = w->comm();
    ASSERT_TRUE(QTest::qWaitFor([&] { return state->store.g_DataCnt > 10; }, 5000));
    EXPECT_EQ(dumps("R>"), 0);
    test::Control<QCheckBox>(c, "chkAutoClr")->setChecked(false);
    w->controls().cmdComm->click();
    ASSERT_TRUE(QTest::qWaitFor([&] { return dumps("R>") > 5; }, 5000));
    // The screen follows the newest lines, and stays where the user scrolled to.
    QScrollBar* bar = test::Control<MonitorView>(c, "txtDebug")->verticalScrollBar();
    const auto framesArrive = [&](int n) {
        const int from = state->store.g_DataCnt;
        return QTest::qWaitFor([&] { return state->store.g_DataCnt >= from + n; }, 5000);
    };
    ASSERT_TRUE(QTest::qWaitFor(
        [&] {  // more lines than the screen holds
            c.showMonitor();
            return bar->maximum() > 0;
        },
        5000));
    ASSERT_TRUE(framesArrive(10));
    c.showMonitor();
    EXPECT_EQ(bar->value(), bar->maximum());
    bar->setValue(0);
    ASSERT_TRUE(framesArrive(10));
    c.showMonitor();
    EXPECT_EQ(bar->value(), 0);
    EXPECT_GT(bar->maximum(), 0);
    c.close();  // hides it: the port and the measurement go on
    EXPECT_FALSE(c.isVisible());
    const int hidden = dumps("R>");
    EXPECT_TRUE(framesArrive(20));
    EXPECT_EQ(dumps("R>"), hidden);
    EXPECT_TRUE(w->engine().portOpen());
}

TEST_F(Console, WithThePortClosedTheDumpIsFollowedByNotOpen)
{
    w->controls().cmdComm->click();
    send(QStringLiteral("ABC"), false);
    const QStringList lines = w->comm().monitor().lines();
    ASSERT_GE(lines.size(), 2);
    EXPECT_TRUE(lines[lines.size() - 2].endsWith(QStringLiteral("S>41 42 43 ") + QString(39, u' ') +
                                                 QStringLiteral("ABC")))
        << lines[lines.size() - 2].toStdString();
    EXPECT_EQ(lines.last(), QStringLiteral("未Open"));
    EXPECT_TRUE(test::Control<QTimer>(w->comm(), "tmrRes")->isActive());

    // A character code page 932 has no code for: refused with a box, nothing sent or dumped.
    const int before = int(lines.size());
    send(QStringLiteral("A€"), false);
    ASSERT_FALSE(t.prompts.shown.isEmpty());
    EXPECT_TRUE(t.prompts.shown.last().text.contains(u'€'));
    EXPECT_EQ(w->comm().monitor().lines().size(), before);
}

TEST_F(Console, AtOneMillisecondTheShownConsoleKeepsMemoryBounded)
{
    startGauge(1);
    frmComm& c = w->comm();
    test::Control<QCheckBox>(c, "chkAutoClr")->setChecked(false);  // the monitor keeps its newest lines only
    w->controls().cmdComm->click();
    QTest::qWait(2000);                                // settled
    [[maybe_unused]] const long start = ResidentKb();  // unread under a sanitizer
    QTest::qWait(10000);
    EXPECT_LE(c.monitor().lines().size(), MonitorLines::MaxLines + 1);
    EXPECT_GT(dumps("R>"), 1000);
    // Under a sanitizer the process's size is mostly the sanitizer's: AddressSanitizer keeps freed
    // memory in quarantine, ThreadSanitizer grows its shadow and history with the machine's load.
#if !defined(__SANITIZE_ADDRESS__) && !defined(__SANITIZE_THREAD__)
    EXPECT_LT(ResidentKb() - start, 30 * 1024) << "kB grown in 10 s";
#endif
}
