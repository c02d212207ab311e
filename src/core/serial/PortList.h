// The port menu's entries: "COMn(description)" built from each serial device's display name,
// kept sorted by port number.
#pragma once

#include <QStringList>

namespace tavin {

// The most entries the list holds; more serial devices are an error.
constexpr int MaxPortEntries = 21;

// "USB Serial Port (COM3)" gives "COM3(USB Serial Port )": the text after the first "(", its ")"
// turned into "(", then the text before the first "(" and ")".
QString PortEntryFromName(const QString& name);

// The number of an entry: the text from its fourth character on ("COM12(..." gives 12).
int PortNumberOfEntry(const QString& entry);

// Inserts an entry, keeping the list sorted by port number (equal numbers keep their order).
void InsertPortEntry(QStringList& sorted, const QString& entry);

struct PortListing {
    QStringList sorted;     // for the menu, by port number
    QString deliveryOrder;  // the entries in the order the devices came, joined by CR LF
};
// Builds the menu entries for the devices' display names; throws RuntimeError past 21 devices.
PortListing BuildPortList(const QStringList& deviceNames);

// A serial device as the system lists it.
struct SystemPort {
    QString systemLocation;  // what the port is opened by
    QString description;
};

// A serial device with its COM number and the name the port menu shows ("... (COMn)").
struct SerialDevice {
    int number = 0;
    QString systemLocation;
    QString displayName;
};

// Numbers serial devices COM1..COM30: links named COMn in the folder `ports` of the settings'
// folder `configDir` (beside a portable executable) pin their numbers (a link whose device is gone is
// skipped); every other device the system lists gets the lowest free number in the order of its device name.
// Sorted by number.
QList<SerialDevice> NumberSerialDevices(const QString& configDir, QList<SystemPort> systemPorts);

}  // namespace tavin
