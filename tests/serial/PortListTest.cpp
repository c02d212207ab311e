#include "platform/Errors.h"
#include "serial/PortList.h"

#include <gtest/gtest.h>

using namespace tavin;

TEST(PortList, EntriesSortedByNumberAndReturnedInDeliveryOrder)
{
    const PortListing l =
        BuildPortList({"USB Serial Port (COM12)", "Communications Port (COM1)", "USB Serial Port (COM3)"});
    EXPECT_EQ(l.sorted, (QStringList{"COM1(Communications Port )", "COM3(USB Serial Port )", "COM12(USB Serial Port )"}));
    EXPECT_EQ(l.deliveryOrder, "COM12(USB Serial Port )\r\nCOM1(Communications Port )\r\nCOM3(USB Serial Port )");
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
