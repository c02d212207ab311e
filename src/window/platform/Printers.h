// The printers a job can go to: the CUPS queues the system lists, and one built-in printer that
// writes each job into a PDF file named by the program, without asking.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class QPrinter;

namespace tavin {

struct PrinterEntry {
    QString name;
    QString port;       // a queue's device URI (or its location); "FILE:" for the file printer
    bool file = false;  // the built-in PDF file printer
};

struct PrinterList {
    QList<PrinterEntry> printers;  // the queues in the order CUPS gives them, the file printer last
    QString defaultName;           // the system's default queue; empty when it has none

    // The printer jobs go to: `wanted` when it is listed, else the default queue, else the file
    // printer. Null when the list is empty.
    const PrinterEntry* current(const QString& wanted) const;
};

extern const QString FilePrinterName;
PrinterEntry FilePrinter();

// Asks CUPS (the server CUPS_SERVER names, or the local one) for its queues.
PrinterList SystemPrinters();
// The file printer alone: tests and demonstrations that must never reach a real printer.
PrinterList FilePrinterOnly();

// Hands a finished PDF to a CUPS queue as an A4 job with the job options chosen for the queue
// (CUPS name and value pairs); throws RuntimeError when CUPS refuses it.
void SubmitToQueue(const QString& queue, const QString& pdfPath, const QString& title, bool landscape,
                   const QStringList& options);

// A queue's job options to and from Qt's printer object, which Qt's print dialog edits: copies,
// sides, colour and the driver's own options.
QStringList QueueOptionsOf(const QPrinter& printer);
void ApplyQueueOptions(QPrinter& printer, const QStringList& options);

}  // namespace tavin
