// The unit menu: 17 fixed pressure units and five slots for units the user types in.
#pragma once

#include <QString>
#include <QStringList>
#include <array>

namespace tavin {

const QStringList& FixedUnits();

constexpr int UserUnitSlots = 5;

struct UserSlot {
    QString caption;
    bool visible = false;
    bool checked = false;
};

struct UnitMenuState {
    QList<bool> fixedChecked = QList<bool>(17, false);
    std::array<UserSlot, UserUnitSlots> slots;
};

// Marks the menu for a unit: `index` chooses fixed unit `index` (its caption is returned as the
// unit), -1 marks whatever matches `unit`. A unit found nowhere takes the first free slot.
// Returns the unit now shown.
QString MarkUnit(UnitMenuState& menu, int index, const QString& unit);

// The longest unit the unit dialog's box takes (a line edit's own limit).
constexpr int MaxUnitLength = 32767;

// A unit the unit dialog takes: no longer than its box, without a comma (a recording's header
// splits its fields at commas) or a control character, and all in characters code page 932 can
// write.
bool UnitAcceptable(QStringView unit);

// The first free slot takes a typed unit; false when all five are taken.
bool AddUserUnit(UnitMenuState& menu, const QString& unit);

// A coefficient that may be used: a number that is neither 0 nor beyond (or below) what a 32-bit
// float holds, so that displayed values never collapse to 0 or infinity.
bool KeisuAcceptable(double v);

// The baud rate the gauge kind menu selects with a kind: 9600 or 115200; 0 for a kind that
// leaves it as it is ("その他").
int KindBaudRate(int kind);

}  // namespace tavin
