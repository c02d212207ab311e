// Opening a port that another program holds says so in Japanese, not in Qt's English words.
#include "engine/CommControl.h"
#include "core/platform/Errors.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>
#include <gtest/gtest.h>

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

using namespace tavin;

namespace {

// A pseudo-terminal linked as ports/COM<number> in `dir`; closed with the object.
struct PseudoTerminal {
    PseudoTerminal(const QString& dir, int number)
    {
        master = ::posix_openpt(O_RDWR | O_NOCTTY);
        if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0)
            return;
        slave = QString::fromLocal8Bit(::ptsname(master));
        QDir().mkpath(dir + "/ports");
        linked = QFile::link(slave, dir + QStringLiteral("/ports/COM%1").arg(number));
    }
    ~PseudoTerminal()
    {
        if (master >= 0)
            ::close(master);
    }
    int master = -1;
    QString slave;
    bool linked = false;
};

QString openError(CommControl& port)
{
    try {
        port.setPortOpen(true);
    } catch (const RuntimeError& e) {
        return e.description();
    }
    return QString();
}

}  // namespace

TEST(CommControl, APortHeldByAnotherProgramIsReportedAsInUse)
{
    // The same device named by its number, then by the path its ports/ link points at: the lock
    // goes by the device, also for root, who passes the terminal's exclusive mode.
    for (const bool byDevicePath : {false, true}) {
        SCOPED_TRACE(byDevicePath ? "by device path" : "by number");
        test::TestEnv t;
        PseudoTerminal pty(t.dir.path(), 7);
        ASSERT_TRUE(pty.linked);
        CommControl holder(t.dir.path()), second(t.dir.path());
        holder.CommPort = second.CommPort = 7;
        if (byDevicePath)
            second.Device = pty.slave;
        ASSERT_EQ(openError(holder), QString());
        ASSERT_TRUE(holder.PortOpen());

        // The holder keeps the port's lock, as another program would.
        const QString why = openError(second);
        const QString name = byDevicePath ? pty.slave : QStringLiteral("COM7");
        EXPECT_TRUE(why.startsWith(name + QStringLiteral(" を開けません: 他のプログラムが使用中です。")))
            << why.toStdString();
        EXPECT_FALSE(why.contains(QStringLiteral("Permission"))) << why.toStdString();
        EXPECT_FALSE(second.PortOpen());

        // Once the holder lets go, the port opens.
        holder.setPortOpen(false);
        EXPECT_EQ(openError(second), QString());
        EXPECT_TRUE(second.PortOpen());
    }
}

TEST(CommControl, ADeviceThisUserMayNotUseIsNotCalledInUse)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "root may open any device";
    test::TestEnv t;
    const QString device = t.path("locked-device");
    t.write("locked-device", "");
    QFile::setPermissions(device, QFileDevice::ReadOwner);
    QDir().mkpath(t.path("ports"));
    ASSERT_TRUE(QFile::link(device, t.path("ports/COM8")));
    CommControl port(t.dir.path());
    port.CommPort = 8;
    const QString why = openError(port);
    EXPECT_TRUE(why.contains(QStringLiteral("権限"))) << why.toStdString();
    EXPECT_FALSE(why.contains(QStringLiteral("使用中"))) << why.toStdString();
}
