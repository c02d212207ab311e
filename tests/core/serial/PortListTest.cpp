#include "core/serial/PortList.h"
#include "core/platform/Errors.h"
#include "support/TestEnv.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

using namespace tavin;

TEST(PortList, EntriesSortedByNumberAndReturnedInDeliveryOrder)
{
    const PortListing l =
        BuildPortList({"USB Serial Port (COM12)", "Communications Port (COM1)", "USB Serial Port (COM3)"});
    EXPECT_EQ(l.sorted, (QStringList{"COM1(Communications Port )", "COM3(USB Serial Port )",
                                     "COM12(USB Serial Port )"}));
    EXPECT_EQ(l.deliveryOrder,
              "COM12(USB Serial Port )\r\nCOM1(Communications Port )\r\nCOM3(USB Serial Port )");
    EXPECT_EQ(PortNumberOfEntry("COM12(USB Serial Port )"), 12);
    EXPECT_TRUE(BuildPortList({}).sorted.isEmpty());
}

TEST(PortList, MoreThanTwentyOneDevicesIsAnError)
{
    QStringList names;
    for (int i = 1; i <= 22; ++i)
        names << QString("Port (COM%1)").arg(i);
    EXPECT_THROW(BuildPortList(names), RuntimeError);
    names.removeLast();
    EXPECT_EQ(BuildPortList(names).sorted.size(), 21);
}

TEST(NumberSerialDevices, LinksPinTheirNumbersAndTheRestFillTheGapsByName)
{
    test::TestEnv t;
    QDir().mkpath(t.path("ports"));
    QFile::link("/dev/null", t.path("ports/COM2"));
    QFile::link(t.path("nothing-here"), t.path("ports/COM5"));  // a device that is gone
    const QList<SerialDevice> devices = NumberSerialDevices(t.dir.path(), {{"/dev/ttyUSB1", "USB B"},
                                                                           {"/dev/null", "pinned already"},
                                                                           {"/dev/ttyS0", "Serial"},
                                                                           {"/dev/ttyUSB0", "USB A"}});
    QStringList shown;
    for (const SerialDevice& d : devices)
        shown << QString::number(d.number) + ' ' + d.systemLocation.section('/', -2) + ' ' + d.displayName;
    EXPECT_EQ(shown, (QStringList{"1 dev/ttyS0 Serial (COM1)", "2 ports/COM2 null (COM2)",
                                  "3 dev/ttyUSB0 USB A (COM3)", "4 dev/ttyUSB1 USB B (COM4)"}));

    QList<SystemPort> many;
    for (int i = 0; i < 40; ++i)
        many.append({QString("/dev/ttyX%1").arg(i, 2, 10, QChar('0')), "x"});
    EXPECT_EQ(NumberSerialDevices(t.dir.path(), many).size(), 30);  // COM1..COM30 only
}
