// What the graph's pages are: the sampling period, the page length and the two zoom buttons.
#include "core/app/AppState.h"
#include "core/decode/Sampling.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/trend/Plot.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QComboBox>
#include <QPushButton>
#include <QScrollBar>

namespace tavin {

void frmMain::cmbSampling_Click()
{
    Trap(st_.log, QString(), [&] {
        if (ui.cmbSampling->currentIndex() < 0)
            return;
        AppState& s = st_;
        const std::int32_t ms = SampTextToMsec(ui.cmbSampling->currentText());
        s.Settings.Sampling = ms;
        pushOptions();
        ui.lblSampling->setText(SamplingLabel(ms));
        s.page.setSamplingMs(ms);
        const float N = s.page.span();
        if (s.page.tooShortOrTooMany(s.store.g_DataCnt)) {
            if (ui.cmbPageSec->currentIndex() >= 0 &&
                ui.cmbPageSec->currentIndex() < ui.cmbPageSec->count() - 1) {
                ui.cmbPageSec->setCurrentIndex(ui.cmbPageSec->currentIndex() + 1);
                return;
            }
        }
        SyncSamplingMenu(ui.cmbSampling->currentIndex());
        ui.lblPageCount->setText(QStringLiteral("1ページのデータ数:") + QString::number(std::int64_t(N)));
        s.page.followCursor(s.store.g_DataCnt);
        SyncSamplingMenu(ui.cmbSampling->currentIndex());
        graph_->DispPageInfo(s.page.start(), s.store.g_DataCnt - 1, true);
        graph_->MoveCursorLine();
        if (ui.cmbSampling->property("Tag").toString().isEmpty())
            pctGraph1_Paint();
    });
}

void frmMain::cmbPageSec_Click()
{
    Trap(st_.log, QString(), [&] {
        if (ui.cmbPageSec->currentIndex() < 0)
            return;
        graph_->setCursorShown(st_.page.hasCursor() && ui.cmdOpen->isEnabled());
        st_.page.setPageSeconds(float(Val(ui.cmbPageSec->currentText())));
        graph_->MoveCursorLine();
        ui.cmbSampling->setProperty("Tag", QStringLiteral("1"));
        cmbSampling_Click();
        ui.cmbSampling->setProperty("Tag", QString());
        pctGraph1_Paint();
    });
}

// A click that placed a cursor leaves the focus on the graph, where the arrow keys move the cursors;
// any other hands it to the page length.
void frmMain::pctGraph1_MouseUp()
{
    if (graph_->cursorShown())
        ui.pctGraph1->setFocus();
    else
        ui.cmbPageSec->setFocus();
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
