// Units, gauge kind and coefficient on the main window.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QApplication>

namespace tavin {

// Brings the menu's check marks and user-unit slots in line with the menu state.
void frmMain::applyUnitMenu()
{
    for (int i = 0; i < ui.mnuTani.size(); ++i)
        ui.mnuTani[i]->setChecked(unitMenu.fixedChecked[i]);
    for (int i = 0; i < UserUnitSlots; ++i) {
        const UserSlot& slot = unitMenu.slots[std::size_t(i)];
        ui.mnuTaniExt[i]->setText(slot.caption);
        ui.mnuTaniExt[i]->setVisible(slot.visible);
        ui.mnuTaniExt[i]->setChecked(slot.checked);
    }
}

void frmMain::mnuTani_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        ui.mnuTaniAuto->setChecked(false);
        ui.lblGA->hide();
        const QString shown = MarkUnit(unitMenu, index, st_.Settings.Tani);
        ui.lblTani->setText(shown);
        applyUnitMenu();
        pctGraph1_Paint();
    });
}

void frmMain::mnuTaniAuto_Click()
{
    Trap(st_.log, QString(), [&] {
        ui.mnuTaniInput->setChecked(false);
        for (int i = 0; i < ui.mnuTani.size(); ++i) {
            ui.mnuTani[i]->setChecked(false);
            unitMenu.fixedChecked[i] = false;
        }
        ui.mnuTaniAuto->setChecked(true);
        ui.lblGA->show();
        ui.lblTani->setText(QStringLiteral("---"));
        pushOptions();
        pctGraph1_Paint();
    });
}

void frmMain::mnuTaniInput_Click()
{
    Trap(st_.log, QString(), [&] {
        frmTaniInput dialog(this, unitMenu, *st_.env.prompts);
        const bool added = dialog.exec() == QDialog::Accepted;
        applyUnitMenu();  // the units added, or all removed
        if (added && dialog.unit() != st_.Settings.Tani) {
            ui.lblTani->setText(dialog.unit());
            mnuTani_Click(-1);
        }
    });
}

void frmMain::mnuTaniExt_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        ui.lblTani->setText(ui.mnuTaniExt[index]->text());
        mnuTani_Click(-1);
    });
}

void frmMain::SelectTani(const QString& name)
{
    Trap(st_.log, QString(), [&] {
        ui.lblTani->setText(name);
        mnuTani_Click(-1);
    });
}

void frmMain::lblTani_Change()
{
    const QString unit = ui.lblTani->text();
    SetScaleUnit(unit);
    ui.lblTani2->setText(unit);
    ui.lblTaniH->setText(unit);
    ui.lblTaniL->setText(unit);
    st_.Settings.Tani = unit;
    pushOptions();
    pctGraph1_Paint();  // the scale's unit label, drawn with the page, shows the new unit now
}

void frmMain::SetScaleUnit(const QString& unit)
{
    Trap(st_.log, QString(), [&] {
        for (GraphScale& rec : st_.ScaleTable)
            rec.Unit = unit;
        for (GraphScale& rec : st_.PrintScaleTable)
            rec.Unit = unit;
    });
}

void frmMain::mnuTermKind_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        if (index < 0 || index >= ui.mnuTermKind.size())
            throw RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));
        for (int i = 0; i < ui.mnuTermKind.size(); ++i)
            ui.mnuTermKind[i]->setChecked(i == index);
        ui.lblBattery->setText(QStringLiteral("-"));
        setBackground(ui.lblBattery,
                      QApplication::palette().color(index == 5 ? QPalette::Base : QPalette::Button));
        st_.Settings.Term = std::int16_t(index);
        pushOptions();
        if (const int baud = KindBaudRate(index); baud != 0)
            mnuBaoud_Click(baud == 9600 ? 0 : 2);
    });
}

double frmMain::InputNumber(const QString& title, const QString& initial, const QString& name)
{
    frmKeisuInput dialog(this, title, initial, name);
    dialog.exec();
    return dialog.number();
}

void frmMain::mnuKeisuInput_Click()
{
    Trap(st_.log, QString(), [&] {
        const double v = InputNumber(QStringLiteral("係数の入力"), GeneralSingle(st_.g_Keisu));
        // 0, or a number a 32-bit float turns into 0 or infinity, is refused: unchanged.
        if (KeisuAcceptable(v)) {
            st_.g_Keisu = float(v);
            pushOptions();
            pctGraph1_Paint();
        }
    });
}

}  // namespace tavin
