#include "print/Printers.h"

#include "platform/Errors.h"

#include <cups/cups.h>

namespace tavin {

const QString FilePrinterName = QStringLiteral("PDFファイル");

PrinterEntry FilePrinter() { return {FilePrinterName, QStringLiteral("FILE:"), true}; }

const PrinterEntry* PrinterList::current(const QString& wanted) const
{
    const PrinterEntry* fallback = nullptr;
    for (const PrinterEntry& p : printers) {
        if (p.name == wanted)
            return &p;
        if (p.name == defaultName || (!fallback && p.file))
            fallback = &p;
    }
    if (!fallback && !printers.isEmpty())
        fallback = &printers.first();
    return fallback;
}

PrinterList SystemPrinters()
{
    PrinterList list;
    cups_dest_t* dests = nullptr;
    const int n = cupsGetDests2(CUPS_HTTP_DEFAULT, &dests);
    for (int i = 0; i < n; ++i) {
        const cups_dest_t& d = dests[i];
        QString name = QString::fromLocal8Bit(d.name);
        if (d.instance)
            name += u'/' + QString::fromLocal8Bit(d.instance);
        const char* port = cupsGetOption("device-uri", d.num_options, d.options);
        if (!port)
            port = cupsGetOption("printer-location", d.num_options, d.options);
        list.printers.append({name, port ? QString::fromLocal8Bit(port) : QString(), false});
        if (d.is_default)
            list.defaultName = name;
    }
    cupsFreeDests(n, dests);
    list.printers.append(FilePrinter());
    return list;
}

PrinterList FilePrinterOnly() { return {{FilePrinter()}, QString()}; }

void SubmitToQueue(const QString& queue, const QString& pdfPath, const QString& title, bool landscape)
{
    // The options a Qt print job gives CUPS for an A4 sheet; the pages are already upright.
    // A queue's instance ("queue/instance") is the queue with options of its own.
    const QByteArray name = queue.section(u'/', 0, 0).toLocal8Bit();
    const QByteArray instance = queue.section(u'/', 1).toLocal8Bit();
    cups_option_t* options = nullptr;
    int count = 0;
    if (!instance.isEmpty())
        if (cups_dest_t* dest = cupsGetNamedDest(CUPS_HTTP_DEFAULT, name.constData(), instance.constData())) {
            for (int i = 0; i < dest->num_options; ++i)
                count = cupsAddOption(dest->options[i].name, dest->options[i].value, count, &options);
            cupsFreeDests(1, dest);
        }
    count = cupsAddOption("media", "A4", count, &options);
    count = cupsAddOption("sides", "one-sided", count, &options);
    if (landscape)
        count = cupsAddOption("landscape", "", count, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.constData(), pdfPath.toLocal8Bit().constData(),
                                   title.toLocal8Bit().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0)
        throw RuntimeError(queue + QStringLiteral(": ") + QString::fromLocal8Bit(cupsLastErrorString()));
}

}  // namespace tavin
