// The print dialog: the printer (every CUPS queue and the PDF file printer) with its own settings,
// A4 portrait or all data, and OK to print. The printer chosen here stays the program's printer
// until it ends; the system's default queue is never changed.
#pragma once

#include "window/platform/Printers.h"

#include <QDialog>
#include <cstdint>

class QCheckBox;
class QComboBox;
class QGroupBox;
class QLabel;
class QPushButton;

namespace tavin {

class frmMain;

class frmPrint : public QDialog {
    Q_OBJECT

public:
    explicit frmPrint(frmMain& main);

    QGroupBox* Frame1;
    QComboBox* cboPriSet;
    QLabel* lblPriName;
    QLabel* lblPriport;
    QPushButton* cmdPriProperty;
    QCheckBox* chkAll1Page;
    QCheckBox* chkPrintTate;
    QPushButton* cmdPrintOK;
    QPushButton* cmdPrintCancel;

    void cboPriSet_Click();
    void cmdPriProperty_Click();
    void chkAll1Page_Click();
    void chkPrintTate_Click();
    void cmdPrintOK_Click();

    // Closing by OK, Cancel or the close box puts the page length back as it was.
    void done(int result) override;

private:
    void Form_Load();
    void showCurrentPrinter(const PrinterList& printers);
    // Sets the main window's page length; the dialog's own changes are not the measurement's.
    void setPageLength(int index);

    frmMain& main_;
    std::int16_t SavedPageLenIndex = 0;
    bool settingPage_ = false;
};

}  // namespace tavin
