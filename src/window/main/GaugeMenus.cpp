#include "window/main/GaugeMenus.h"

#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/serial/PortList.h"
#include "engine/CommControl.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QApplication>

namespace tavin {

GaugeMenus::GaugeMenus(AppState& state, Ui::GaugeControls& controls, QWidget* dialogs)
    : st_(state), ui(controls), dialogs_(dialogs)
{
    auto click = [this](QAction* a, auto handler) { OnMenuClick(a, this, handler); };
    for (int i = 0; i < ui.mnuCom.size(); ++i)
        click(ui.mnuCom[i], [this, i] { mnuCom_Click(i); });
    for (int i = 0; i < ui.mnuBaoud.size(); ++i)
        click(ui.mnuBaoud[i], [this, i] { mnuBaoud_Click(i); });
    for (int i = 0; i < ui.mnuTermKind.size(); ++i)
        click(ui.mnuTermKind[i], [this, i] { mnuTermKind_Click(i); });
    click(ui.mnuTaniAuto, [this] { mnuTaniAuto_Click(); });
    for (int i = 0; i < ui.mnuTani.size(); ++i)
        click(ui.mnuTani[i], [this, i] { mnuTani_Click(i); });
    click(ui.mnuTaniInput, [this] { mnuTaniInput_Click(); });
    for (int i = 0; i < ui.mnuTaniExt.size(); ++i)
        click(ui.mnuTaniExt[i], [this, i] { mnuTaniExt_Click(i); });
    click(ui.mnuKeisuInput, [this] { mnuKeisuInput_Click(); });
    connect(ui.lblTani, &Label::Change, this, &GaugeMenus::lblTani_Change);
}

bool GaugeMenus::unitAuto() const { return ui.mnuTaniAuto->isChecked(); }

QString GaugeMenus::ListComPorts()
{
    QString delivered;
    Trap(st_.log, QString(), [&] {
        QStringList names;
        for (const SerialDevice& d : ListSerialDevices(st_.env.configFolder()))
            names << d.displayName;
        const PortListing list = BuildPortList(names);
        for (int i = 0; i < list.sorted.size() && i < ui.mnuCom.size(); ++i) {
            ui.mnuCom[i]->setText(list.sorted[i]);
            ui.mnuCom[i]->setVisible(true);
        }
        delivered = list.deliveryOrder;
    });
    return delivered;
}

void GaugeMenus::mnuCom_Click(int index)
{
    Trap(st_.log, QStringLiteral("mnuCom_Click"), [&] {
        for (QAction* a : ui.mnuCom)
            a->setChecked(false);
        ui.mnuCom[index]->setChecked(true);
        st_.Settings.ComPort = CInt(Val(QStringView(ui.mnuCom[index]->text()).mid(3)));
    });
}

void GaugeMenus::mnuBaoud_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < ui.mnuBaoud.size(); ++i)
            ui.mnuBaoud[i]->setChecked(i == index);
    });
}

int GaugeMenus::BaudRate() const
{
    return ui.mnuBaoud[2]->isChecked() ? 115200 : ui.mnuBaoud[1]->isChecked() ? 38400 : 9600;
}

void GaugeMenus::PortMenuEnb(bool enabled)
{
    Trap(st_.log, QStringLiteral("PortMenuEnb"), [&] {
        for (QAction* a : ui.mnuCom)
            a->setEnabled(enabled);
        for (QAction* a : ui.mnuBaoud)
            a->setEnabled(enabled);
    });
}

// Brings the menu's check marks and user-unit slots in line with the menu state.
void GaugeMenus::applyUnitMenu()
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

void GaugeMenus::mnuTani_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        ui.mnuTaniAuto->setChecked(false);
        ui.lblGA->hide();
        const QString shown = MarkUnit(unitMenu, index, st_.Settings.Tani);
        ui.lblTani->setText(shown);
        applyUnitMenu();
        Q_EMIT graphChanged();
    });
}

void GaugeMenus::mnuTaniAuto_Click()
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
        Q_EMIT optionsChanged();
        Q_EMIT graphChanged();
    });
}

void GaugeMenus::mnuTaniInput_Click()
{
    Trap(st_.log, QString(), [&] {
        frmTaniInput dialog(dialogs_, unitMenu, *st_.env.prompts);
        const bool added = dialog.exec() == QDialog::Accepted;
        applyUnitMenu();  // the units added, or all removed
        if (added && dialog.unit() != st_.Settings.Tani) {
            ui.lblTani->setText(dialog.unit());
            mnuTani_Click(-1);
        }
    });
}

void GaugeMenus::mnuTaniExt_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        ui.lblTani->setText(ui.mnuTaniExt[index]->text());
        mnuTani_Click(-1);
    });
}

void GaugeMenus::SelectTani(const QString& name)
{
    Trap(st_.log, QString(), [&] {
        ui.lblTani->setText(name);
        mnuTani_Click(-1);
    });
}

void GaugeMenus::lblTani_Change()
{
    const QString unit = ui.lblTani->text();
    SetScaleUnit(unit);
    ui.lblTani2->setText(unit);
    ui.lblTaniH->setText(unit);
    ui.lblTaniL->setText(unit);
    st_.Settings.Tani = unit;
    Q_EMIT optionsChanged();
    Q_EMIT graphChanged();  // the scale's unit label, drawn with the page, shows the new unit now
}

void GaugeMenus::SetScaleUnit(const QString& unit)
{
    Trap(st_.log, QString(), [&] {
        for (GraphScale& rec : st_.ScaleTable)
            rec.Unit = unit;
        for (GraphScale& rec : st_.PrintScaleTable)
            rec.Unit = unit;
    });
}

void GaugeMenus::mnuTermKind_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        if (index < 0 || index >= ui.mnuTermKind.size())
            throw RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));
        for (int i = 0; i < ui.mnuTermKind.size(); ++i)
            ui.mnuTermKind[i]->setChecked(i == index);
        ui.lblBattery->setText(QStringLiteral("-"));
        SetBackground(ui.lblBattery,
                      QApplication::palette().color(index == 5 ? QPalette::Base : QPalette::Button));
        st_.Settings.Term = std::int16_t(index);
        Q_EMIT optionsChanged();
        if (const int baud = KindBaudRate(index); baud != 0)
            mnuBaoud_Click(baud == 9600 ? 0 : 2);
    });
}

void GaugeMenus::mnuKeisuInput_Click()
{
    Trap(st_.log, QString(), [&] {
        const double v = InputNumber(dialogs_, QStringLiteral("係数の入力"), GeneralSingle(st_.g_Keisu));
        // 0, or a number a 32-bit float turns into 0 or infinity, is refused: unchanged.
        if (KeisuAcceptable(v)) {
            st_.g_Keisu = float(v);
            Q_EMIT optionsChanged();
            Q_EMIT graphChanged();
        }
    });
}

void GaugeMenus::showBattery(std::int32_t level)
{
    if (level <= 0) {
        ui.lblBattery->setText(QStringLiteral("-"));
        SetBackground(ui.lblBattery, QApplication::palette().color(QPalette::Button));
        return;
    }
    ui.lblBattery->setText(FormatNumber(level / 10.0, "0.0"));
    const double shown = level / 10.0;
    SetBackground(ui.lblBattery, shown >= 8.0   ? QColor(0, 255, 255)
                                 : shown >= 7.0 ? QColor(255, 255, 0)
                                                : QColor(255, 0, 0));
}

// The reference character; most frames repeat it, and a label only changes when it does.
void GaugeMenus::showReference(char reference)
{
    const QString shown = ui.lblGA->text();
    if (reference ? shown.size() == 1 && shown.front() == QLatin1Char(reference) : shown.isEmpty())
        return;
    ui.lblGA->setText(reference ? QString(QLatin1Char(reference)) : QString());
}

}  // namespace tavin
