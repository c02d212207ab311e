// The print buttons: the print dialog, then the job (PrintJob) with the page length it asks for.
#include "core/app/AppState.h"
#include "core/print/PrintPlan.h"
#include "window/dialogs/frmPrint.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QRadioButton>

namespace tavin {

void frmMain::cmdPrintOut_Click()
{
    // Nothing paints the screen while the dialog is open and a job uses the renderer.
    graph_->hold(true);
    Trap(st_.log, QString(), [&] {
        frmPrint dialog(print_->printerList(), st_.print, st_.env.prompts, this);
        const bool ok = dialog.exec() == QDialog::Accepted;
        // The printer chosen stays the program's printer until it ends, printed or not.
        const PrintState& chosen = dialog.choices();
        st_.print.CurrentPrinter = chosen.CurrentPrinter;
        st_.print.QueueOptions = chosen.QueueOptions;
        if (!ok)
            return;
        st_.print.PrintPortrait = chosen.PrintPortrait;
        st_.print.PrintAll = chosen.PrintAll;
        // The job prints with its page length; the screen's comes back afterwards.
        const int pageLength = ui.cmbPageSec->currentIndex();
        ui.cmbPageSec->setCurrentIndex(dialog.pageLengthIndex(pageLength));
        PrintOut();
        ui.cmbPageSec->setCurrentIndex(pageLength);
    });
    graph_->hold(false);
    // The page length may have changed and come back meanwhile, with every repaint held: the
    // screen shows again the page that the scroll position names.
    pctGraph1_Paint();
}

void frmMain::cmdPrintOne_Click() { cmdPrintOut_Click(); }

QString frmMain::GetPrintFileName() const
{
    // Once a measurement stopped, the file it was saved in: what was recorded, not the base name.
    if (!lastSaved_.isEmpty() && !measuring() && !ui.optMode[1]->isChecked())
        return lastSaved_;
    return PrintHeaderName(ui.optMode[1]->isChecked(), ui.lblLoadFileName->text(),
                           ui.txtSaveFileName->text());
}

std::int16_t frmMain::PrintOut()
{
    const QString folder = LoadFolder.isEmpty() ? st_.Settings.SaveDir : LoadFolder;
    return print_->PrintOut({GetPrintFileName(), ui.lblStartTime->text(), folder,
                             ui.cmbGraphRange->currentIndex(), ui.chkAve->isChecked()});
}

}  // namespace tavin
