// The gauge on the main window: the port menu (discovery, port and baud rate, its lock while
// measuring), the kind menu, the unit menu with the user's units, the coefficient, and what the
// gauge reports about itself (battery, reference character, unit). It owns these controls, keeps
// the settings they stand for, and says when the engine's options or the graph must follow.
// GUI thread only.
#pragma once

#include "core/decode/Units.h"

#include <QList>
#include <QObject>
#include <QString>
#include <cstdint>

class QAction;
class QMenu;
class QWidget;

namespace tavin {

struct AppState;
class Label;

namespace Ui {
// The gauge's controls, as the window's form holds them.
struct GaugeControls {
    QMenu* mnuPort = nullptr;
    QList<QAction*> mnuCom;
    QList<QAction*> mnuBaoud;
    QMenu* mnuTerm = nullptr;
    QList<QAction*> mnuTermKind;
    QMenu* mnuTaniMenu = nullptr;
    QAction* mnuTaniAuto = nullptr;
    QList<QAction*> mnuTani;
    QAction* mnuTaniInput = nullptr;
    QList<QAction*> mnuTaniExt;
    QMenu* mnuKeisu = nullptr;
    QAction* mnuKeisuInput = nullptr;
    Label* lblTani = nullptr;  // the unit; lblTani2, lblTaniH and lblTaniL repeat it
    Label* lblTani2 = nullptr;
    Label* lblTaniH = nullptr;
    Label* lblTaniL = nullptr;
    Label* lblBattery = nullptr;
    Label* lblGA = nullptr;  // the reference character
};
}  // namespace Ui

class GaugeMenus : public QObject {
    Q_OBJECT

public:
    // `dialogs`: the window the unit and coefficient dialogs belong to.
    GaugeMenus(AppState& state, Ui::GaugeControls& controls, QWidget* dialogs);

    // Fills the port menu with the serial devices found; returns them in delivery order.
    QString ListComPorts();
    // The baud rate checked in the port menu.
    int BaudRate() const;
    void PortMenuEnb(bool enabled);
    // The unit chosen automatically from the frames, as the unit menu's first item.
    bool unitAuto() const;
    void SelectTani(const QString& name);
    // The user's units of the unit menu, which its input dialog edits.
    UnitMenuState& unitMenuState() { return unitMenu; }

    // Battery level in tenths of a volt; 0: none known.
    void showBattery(std::int32_t level);
    // The reference character; 0: none.
    void showReference(char reference);

    void mnuTermKind_Click(int index);
    void mnuTaniAuto_Click();

Q_SIGNALS:
    // A choice the engine measures with changed (kind, unit, coefficient).
    void optionsChanged();
    // What the graph draws changed with it (its unit label, the coefficient).
    void graphChanged();

private:
    void mnuCom_Click(int index);
    void mnuBaoud_Click(int index);
    void mnuTani_Click(int index);
    void mnuTaniInput_Click();
    void mnuTaniExt_Click(int index);
    void lblTani_Change();
    void mnuKeisuInput_Click();
    // Brings the menu's check marks and user-unit slots in line with the menu state.
    void applyUnitMenu();
    void SetScaleUnit(const QString& unit);

    AppState& st_;
    Ui::GaugeControls& ui;
    QWidget* dialogs_;
    UnitMenuState unitMenu;
};

}  // namespace tavin
