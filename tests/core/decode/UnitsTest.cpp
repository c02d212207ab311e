#include "core/decode/Units.h"

#include <cmath>
#include <gtest/gtest.h>

using namespace tavin;

TEST(MarkUnit, AFixedUnitIsCheckedInItsPlace)
{
    UnitMenuState m;
    EXPECT_EQ(MarkUnit(m, -1, "kPa"), "kPa");
    EXPECT_TRUE(m.fixedChecked[2]);
    for (const UserSlot& s : m.slots)
        EXPECT_FALSE(s.visible);
    EXPECT_EQ(MarkUnit(m, 4, "kPa"), "MPa");
    EXPECT_TRUE(m.fixedChecked[4]);
    EXPECT_FALSE(m.fixedChecked[2]);
}

TEST(MarkUnit, AnUnknownUnitTakesTheFirstFreeSlot)
{
    UnitMenuState m;
    MarkUnit(m, -1, "Torr");  // the list has "torr": names compare case-sensitively
    EXPECT_TRUE(m.slots[0].visible);
    EXPECT_TRUE(m.slots[0].checked);
    EXPECT_EQ(m.slots[0].caption, "Torr");
    MarkUnit(m, -1, "mmAq");
    EXPECT_FALSE(m.slots[0].checked);
    EXPECT_TRUE(m.slots[1].checked);
    MarkUnit(m, -1, "Torr");  // found again in its slot, no new one
    EXPECT_TRUE(m.slots[0].checked);
    EXPECT_FALSE(m.slots[2].visible);
}

TEST(UserUnits, FiveSlotsAtMostAndClearingPutsTheUnitBack)
{
    UnitMenuState m;
    for (int i = 0; i < UserUnitSlots; ++i)
        EXPECT_TRUE(AddUserUnit(m, QString("u%1").arg(i)));
    EXPECT_FALSE(AddUserUnit(m, "sixth"));
    // With all slots taken by others, an unknown unit is checked nowhere.
    EXPECT_EQ(MarkUnit(m, -1, "other"), "other");
    for (const UserSlot& s : m.slots)
        EXPECT_FALSE(s.checked);

    for (UserSlot& s : m.slots)
        s = UserSlot();
    MarkUnit(m, -1, "u3");
    EXPECT_EQ(m.slots[0].caption, "u3");
    EXPECT_TRUE(m.slots[0].checked);
}

TEST(KeisuAcceptable, NothingThatShowsValuesAsZeroOrInfinity)
{
    for (double v : {2.5, -1.0, 1e-30, 3e38})
        EXPECT_TRUE(KeisuAcceptable(v)) << v;
    for (double v : {0.0, 1e-50, 1e39, -1e39, std::nan(""), HUGE_VAL})
        EXPECT_FALSE(KeisuAcceptable(v)) << v;
}
