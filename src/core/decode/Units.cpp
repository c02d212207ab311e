#include "core/decode/Units.h"

#include "core/files/NameLimit.h"
#include "core/platform/TextFile.h"

#include <cmath>

namespace tavin {

const QStringList& FixedUnits()
{
    static const QStringList units = {
        QStringLiteral("Pa"),      QStringLiteral("hPa"),     QStringLiteral("kPa"),
        QStringLiteral("kPaA"),    QStringLiteral("MPa"),     QStringLiteral("atm"),
        QStringLiteral("torr"),    QStringLiteral("psi"),     QStringLiteral("mbar"),
        QStringLiteral("bar"),     QStringLiteral("mmHg"),    QStringLiteral("cmHg"),
        QStringLiteral("inchHg"),  QStringLiteral("mmH2O"),   QStringLiteral("cmH2O"),
        QStringLiteral("inchH2O"), QStringLiteral("kgf/cm2"),
    };
    return units;
}

QString MarkUnit(UnitMenuState& menu, int index, const QString& unit)
{
    QString shown = unit;
    bool found = false;
    const QStringList& fixed = FixedUnits();
    for (int i = 0; i < fixed.size(); ++i) {
        bool check = false;
        if (i == index) {
            shown = fixed[i];
            check = true;
        } else if (index == -1 && fixed[i] == shown) {
            check = true;
        }
        menu.fixedChecked[i] = check;
        found = found || check;
    }
    for (UserSlot& slot : menu.slots) {
        if (slot.visible) {
            slot.checked = slot.caption == shown;
            found = found || slot.checked;
        } else if (!found) {
            slot.caption = shown;
            slot.visible = true;
            slot.checked = true;
            found = true;
        }
    }
    return shown;
}

bool AddUserUnit(UnitMenuState& menu, const QString& unit)
{
    for (UserSlot& slot : menu.slots) {
        if (!slot.visible) {
            slot.caption = unit;
            slot.visible = true;
            return true;
        }
    }
    return false;
}

bool UnitAcceptable(QStringView unit)
{
    return unit.size() <= MaxUnitLength && !unit.contains(u',') &&
           TextRoleProblem(unit, TextRole::Unit).isEmpty() && Cp932CanHold(unit);
}

int KindBaudRate(int kind)
{
    switch (kind) {
    case 0:
    case 1:
    case 3:
    case 5: return 9600;
    case 2:
    case 4: return 115200;
    default: return 0;
    }
}

bool KeisuAcceptable(double v)
{
    const float f = float(v);
    return v != 0 && std::isfinite(v) && std::isfinite(f) && f != 0;
}

}  // namespace tavin
