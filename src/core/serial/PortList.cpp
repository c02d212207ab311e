#include "core/serial/PortList.h"

#include "core/platform/Errors.h"
#include "core/platform/NumText.h"

#include <QDir>
#include <QFileInfo>

#include <algorithm>

namespace tavin {

QString PortEntryFromName(const QString& name)
{
    const QStringList pieces = name.split(u'(');
    QString entry = pieces.value(1);
    entry.remove(u'(');
    entry.replace(u')', u'(');
    return entry + pieces.value(0) + u')';
}

int PortNumberOfEntry(const QString& entry) { return int(Val(QStringView(entry).mid(3))); }

void InsertPortEntry(QStringList& sorted, const QString& entry)
{
    // Walk the list, swapping whenever an entry's number is greater than the carried one's.
    QString carried = entry;
    for (QString& e : sorted) {
        if (PortNumberOfEntry(e) > PortNumberOfEntry(carried))
            std::swap(e, carried);
    }
    sorted.append(carried);
}

PortListing BuildPortList(const QStringList& deviceNames)
{
    PortListing out;
    QStringList delivered;
    for (const QString& name : deviceNames) {
        if (out.sorted.size() >= MaxPortEntries)
            throw RuntimeError(QStringLiteral("シリアルポートが多すぎます。(最大 %1)").arg(MaxPortEntries));
        const QString entry = PortEntryFromName(name);
        delivered << entry;
        InsertPortEntry(out.sorted, entry);
    }
    out.deliveryOrder = delivered.join(QStringLiteral("\r\n"));
    return out;
}

QList<SerialDevice> NumberSerialDevices(const QString& configDir, QList<SystemPort> systemPorts)
{
    constexpr int MaxComNumber = 30;
    QList<SerialDevice> devices;
    bool taken[MaxComNumber + 1] = {};
    QStringList pinnedTargets;

    const QDir ports(configDir + QStringLiteral("/ports"));
    for (int n = 1; n <= MaxComNumber; ++n) {
        const QFileInfo link(ports.filePath(QStringLiteral("COM%1").arg(n)));
        if (!link.exists())
            continue;
        const QString target = link.canonicalFilePath();
        taken[n] = true;
        pinnedTargets << target;
        devices.append({n, link.absoluteFilePath(),
                        QStringLiteral("%1 (COM%2)").arg(QFileInfo(target).fileName()).arg(n)});
    }

    std::sort(systemPorts.begin(), systemPorts.end(),
              [](const SystemPort& a, const SystemPort& b) { return a.systemLocation < b.systemLocation; });
    int next = 1;
    for (const SystemPort& p : systemPorts) {
        if (pinnedTargets.contains(QFileInfo(p.systemLocation).canonicalFilePath()))
            continue;
        while (next <= MaxComNumber && taken[next])
            ++next;
        if (next > MaxComNumber)
            break;
        taken[next] = true;
        devices.append({next, p.systemLocation, QStringLiteral("%1 (COM%2)").arg(p.description).arg(next)});
    }
    std::sort(devices.begin(), devices.end(),
              [](const SerialDevice& a, const SerialDevice& b) { return a.number < b.number; });
    return devices;
}

}  // namespace tavin
