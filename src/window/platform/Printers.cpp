#include "window/platform/Printers.h"

#include "core/platform/Errors.h"

#include <QHash>
#include <QPrintEngine>
#include <QPrinter>
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

void SubmitToQueue(const QString& queue, const QString& pdfPath, const QString& title, bool landscape,
                   const QStringList& chosen)
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
    count = cupsAddOption("sides", "one-sided", count, &options);
    // The sheet is A4 in the orientation of the job, whatever paper the queue's settings name.
    static const QStringList sheet{"media", "PageSize", "PageRegion", "landscape", "orientation-requested"};
    for (qsizetype i = 0; i + 1 < chosen.size(); i += 2)
        if (!sheet.contains(chosen[i]))
            count = cupsAddOption(chosen[i].toUtf8().constData(), chosen[i + 1].toUtf8().constData(), count,
                                  &options);
    count = cupsAddOption("media", "A4", count, &options);
    if (landscape)
        count = cupsAddOption("landscape", "", count, &options);
    const int job = cupsPrintFile2(CUPS_HTTP_DEFAULT, name.constData(), pdfPath.toLocal8Bit().constData(),
                                   title.toLocal8Bit().constData(), count, options);
    cupsFreeOptions(count, options);
    if (job == 0)
        throw RuntimeError(queue + QStringLiteral(": ") + QString::fromLocal8Bit(cupsLastErrorString()));
}

namespace {
// The printer-object property under which Qt's print dialog keeps the driver's options.
constexpr auto DriverOptions = QPrintEngine::PrintEnginePropertyKey(0xfe00);
}  // namespace

QStringList QueueOptionsOf(const QPrinter& printer)
{
    QStringList options;
    if (printer.copyCount() > 1)
        options << QStringLiteral("copies") << QString::number(printer.copyCount());
    if (printer.duplex() == QPrinter::DuplexLongSide || printer.duplex() == QPrinter::DuplexAuto)
        options << QStringLiteral("sides") << QStringLiteral("two-sided-long-edge");
    else if (printer.duplex() == QPrinter::DuplexShortSide)
        options << QStringLiteral("sides") << QStringLiteral("two-sided-short-edge");
    if (printer.colorMode() == QPrinter::GrayScale)
        options << QStringLiteral("print-color-mode") << QStringLiteral("monochrome");
    // Qt's dialog adds its own neutral job options: left out, they leave the queue's defaults be.
    static const QHash<QString, QString> neutral{
        {"job-billing", ""}, {"job-priority", "50"}, {"job-sheets", "none,none"}, {"number-up", "1"}};
    const QStringList driver = printer.printEngine()->property(DriverOptions).toStringList();
    for (qsizetype i = 0; i + 1 < driver.size(); i += 2) {
        const auto it = neutral.find(driver[i]);
        if (it == neutral.end() || *it != driver[i + 1])
            options << driver[i] << driver[i + 1];
    }
    return options;
}

void ApplyQueueOptions(QPrinter& printer, const QStringList& options)
{
    QStringList driver;
    for (qsizetype i = 0; i + 1 < options.size(); i += 2) {
        const QString& name = options[i];
        const QString& value = options[i + 1];
        if (name == u"copies")
            printer.setCopyCount(value.toInt());
        else if (name == u"sides")
            printer.setDuplex(value == u"two-sided-long-edge"    ? QPrinter::DuplexLongSide
                              : value == u"two-sided-short-edge" ? QPrinter::DuplexShortSide
                                                                 : QPrinter::DuplexNone);
        else if (name == u"print-color-mode")
            printer.setColorMode(value == u"monochrome" ? QPrinter::GrayScale : QPrinter::Color);
        else
            driver << name << value;
    }
    printer.printEngine()->setProperty(DriverOptions, driver);
}

}  // namespace tavin
