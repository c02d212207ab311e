#include "serial/PortList.h"

#include "platform/Errors.h"
#include "platform/NumText.h"

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

}  // namespace tavin
