// The cursor on the graph: the tool tip under the mouse, the cursor line with its readout panel,
// its blink, and the two zoom buttons.
#include "core/app/AppState.h"
#include "core/trend/Cursor.h"
#include "core/trend/Plot.h"
#include "window/main/frmMain.h"
#include "window/widgets/PictureBox.h"

#include <QCheckBox>
#include <QComboBox>
#include <QTimer>

namespace tavin {

void frmMain::ShowCursorLabel(std::int32_t index)
{
    const QString marker = QStringLiteral("▼");
    const QString text =
        CursorTipText(st_.store, index, st_.Settings.CursorInfo, st_.g_Keisu, ui.chkAve->isChecked());
    const int width = int(ui.pctLabelWork->TextWidth(text + marker)) + TwipsPerPixel;
    const double lineX =
        double(ui.pctGraph1->Width()) / double(ui.pctGraph1->ScaleWidth) * double(ui.lineCursor->X1);
    const CursorPanel at = CursorPanelAt(lineX, width, double(ui.pctLabelWork->TextWidth(marker)),
                                         double(ui.pctGraph1->Width()));
    // The panel lives on the graph: its place is measured from the graph's left edge. One line
    // high, so that it hides no more of the graph than its text.
    const int height = int(ui.pctLabelWork->TextHeight(text)) + 2 * TwipsPerPixel;
    ui.pctLabelWork->setTwips(int(at.left), ui.pctLabelWork->Top(), width, height);
    ui.pctLabelWork->Cls();
    ui.pctLabelWork->Print(at.markerFirst ? marker + text : text + marker);
}

void frmMain::hideCursor()
{
    ui.lineCursor->Visible = false;
    ui.pctLabelWork->hide();  // never a readout without its line
    ui.pctGraph1->shapesChanged();
}

void frmMain::pctGraph1_MouseMove(float x)
{
    Trap(st_.log, QString(), [&] {
        const std::int32_t i = st_.page.indexAt(x, st_.store.g_DataCnt);
        ui.pctGraph1->setToolTip(i < 0 ? QString()
                                       : CursorTipText(st_.store, i, st_.Settings.CursorInfo, st_.g_Keisu,
                                                       ui.chkAve->isChecked()));
    });
}

void frmMain::pctGraph1_MouseDown(Qt::MouseButton button, float x)
{
    Trap(st_.log, QString(), [&] {
        if (button == Qt::LeftButton) {
            hideCursor();
            ui.lineCursor->X1 = ui.lineCursor->X2 = x;
            const std::int32_t i = st_.page.indexAt(x, st_.store.g_DataCnt);
            if (i < 0) {
                st_.page.removeCursor();
                return;
            }
            if (measuring())
                return;  // while measuring a click only hides the line
            ui.Timer4->start();
            ui.lineCursor->Visible = true;
            ui.pctLabelWork->show();
            ShowCursorLabel(i);
            st_.page.placeCursor(i);
            ui.pctGraph1->shapesChanged();
        } else if (button == Qt::RightButton) {
            ui.Timer4->stop();
            hideCursor();
            st_.page.removeCursor();
        }
    });
}

void frmMain::pctGraph1_MouseUp() { ui.cmbPageSec->setFocus(); }

void frmMain::pctGraph1_DblClick() { ui.Timer4->start(); }

void frmMain::Timer4_Timer()
{
    Trap(st_.log, QString(), [&] {
        if (!ui.chkCursorOn->isChecked())
            return;
        if (!st_.page.cursorOnPage()) {
            hideCursor();
        } else if (measuring()) {
            hideCursor();
            ui.Timer4->stop();
        } else if (st_.Settings.CursorInfo & CursorBlinks) {
            ui.lineCursor->Visible = !ui.lineCursor->Visible;
            ui.pctGraph1->shapesChanged();
        }
    });
}

void frmMain::cmdZoom_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        // While measuring, the page recomputation keeps the newest sample in view; the cursor
        // the user placed (or none) comes back afterwards.
        const std::int32_t cursor = st_.page.cursor();
        if (measuring())
            st_.page.placeCursor(st_.store.g_DataCnt - 1);
        const int at = ui.cmbPageSec->currentIndex();
        if (index == 1 && at > 0)
            ui.cmbPageSec->setCurrentIndex(at - 1);
        else if (index == 0 && at + 1 < ui.cmbPageSec->count())
            ui.cmbPageSec->setCurrentIndex(at + 1);
        st_.page.placeCursor(cursor);
    });
}

}  // namespace tavin
