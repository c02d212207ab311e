// The port menu: discovery, the choice of port and baud rate, and the lock while measuring.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/serial/PortList.h"
#include "engine/CommControl.h"
#include "window/dialogs/frmComm.h"
#include "window/main/frmMain.h"

#include <QAction>

namespace tavin {

QString frmMain::ListComPorts()
{
    QString delivered;
    Trap(st_.log, QString(), [&] {
        QStringList names;
        for (const SerialDevice& d : ListSerialDevices(st_.env.exeDir))
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

void frmMain::mnuCom_Click(int index)
{
    Trap(st_.log, QStringLiteral("mnuCom_Click"), [&] {
        for (QAction* a : ui.mnuCom)
            a->setChecked(false);
        ui.mnuCom[index]->setChecked(true);
        st_.Settings.ComPort = CInt(Val(QStringView(ui.mnuCom[index]->text()).mid(3)));
    });
}

void frmMain::mnuBaoud_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < ui.mnuBaoud.size(); ++i)
            ui.mnuBaoud[i]->setChecked(i == index);
    });
}

int frmMain::BaudRate() const
{
    return ui.mnuBaoud[2]->isChecked() ? 115200 : ui.mnuBaoud[1]->isChecked() ? 38400 : 9600;
}

void frmMain::PortMenuEnb(bool enabled)
{
    Trap(st_.log, QStringLiteral("PortMenuEnb"), [&] {
        for (QAction* a : ui.mnuCom)
            a->setEnabled(enabled);
        for (QAction* a : ui.mnuBaoud)
            a->setEnabled(enabled);
    });
}

void frmMain::cmdComm_Click()
{
    frmComm& console = comm();
    console.show();
    console.raise();
    console.activateWindow();
}

}  // namespace tavin
