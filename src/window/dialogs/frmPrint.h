// The print dialog: the printer (every CUPS queue and the PDF file printer) with its own settings,
// A4 portrait or all data, and OK to print. It edits a copy of the print choices and hands it back;
// the caller prints. The system's default queue is never changed.
#pragma once

#include "core/print/PrintLayout.h"
#include "window/platform/Printers.h"

#include <QDialog>
#include <functional>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tavin {

class Prompts;

class frmPrint : public QDialog {
    Q_OBJECT

public:
    // `printers` is asked again at each choice: a queue may go away while the dialog is open.
    frmPrint(std::function<PrinterList()> printers, PrintState choices, Prompts* prompts, QWidget* parent);

    // The choices as the dialog leaves them: the printer and its queue's settings whatever the
    // answer, A4 portrait and all data as OK took them.
    const PrintState& choices() const { return choices_; }
    // The page length (index of the page list) to print with: all data prints five-minute pages.
    int pageLengthIndex(int current) const;

    void cboPriSet_Click();
    void cmdPriProperty_Click();
    void chkAll1Page_Click();
    void chkPrintTate_Click();
    void cmdPrintOK_Click();

private:
    QGroupBox* Frame1;
    QComboBox* cboPriSet;
    QLabel* lblPriName;
    QLabel* lblPriport;
    QPushButton* cmdPriProperty;
    QCheckBox* chkAll1Page;
    QCheckBox* chkPrintTate;
    QPushButton* cmdPrintOK;
    QPushButton* cmdPrintCancel;

    void Form_Load();
    void showCurrentPrinter(const PrinterList& printers);

    std::function<PrinterList()> printers_;
    PrintState choices_;
    Prompts* prompts_;
};

}  // namespace tavin
