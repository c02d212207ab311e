// The port menu: discovery, the choice of port and baud rate, and the lock while measuring.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "serial/frmComm.h"
#include "platform/CommControl.h"
#include "platform/NumText.h"
#include "serial/PortList.h"

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
        for (int i = 0; i < list.sorted.size() && i < mnuCom.size(); ++i) {
            mnuCom[i]->setText(list.sorted[i]);
            mnuCom[i]->setVisible(true);
        }
        delivered = list.deliveryOrder;
    });
    return delivered;
}

void frmMain::mnuCom_Click(int index)
{
    Trap(st_.log, QStringLiteral("mnuCom_Click"), [&] {
        for (QAction* a : mnuCom)
            a->setChecked(false);
        mnuCom[index]->setChecked(true);
        st_.Settings.ComPort = CInt(Val(QStringView(mnuCom[index]->text()).mid(3)));
    });
}

void frmMain::mnuBaoud_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < mnuBaoud.size(); ++i)
            mnuBaoud[i]->setChecked(i == index);
    });
}

int frmMain::BaudRate() const
{
    return mnuBaoud[2]->isChecked() ? 115200 : mnuBaoud[1]->isChecked() ? 38400 : 9600;
}

void frmMain::PortMenuEnb(bool enabled)
{
    Trap(st_.log, QStringLiteral("PortMenuEnb"), [&] {
        for (QAction* a : mnuCom)
            a->setEnabled(enabled);
        for (QAction* a : mnuBaoud)
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
