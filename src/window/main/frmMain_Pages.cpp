// Pages of the graph: the sampling period and page length, the page labels and the scroll bar.
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
        DispPageInfo(s.page.start(), s.store.g_DataCnt - 1, true);
        MoveCursorLine();
        if (ui.cmbSampling->property("Tag").toString().isEmpty())
            pctGraph1_Paint();
    });
}

void frmMain::cmbPageSec_Click()
{
    Trap(st_.log, QString(), [&] {
        if (ui.cmbPageSec->currentIndex() < 0)
            return;
        ui.lineCursor->Visible = st_.page.hasCursor() && ui.cmdOpen->isEnabled();
        ui.pctLabelWork->setVisible(ui.lineCursor->Visible);
        st_.page.setPageSeconds(float(Val(ui.cmbPageSec->currentText())));
        MoveCursorLine();
        ui.cmbSampling->setProperty("Tag", QStringLiteral("1"));
        cmbSampling_Click();
        ui.cmbSampling->setProperty("Tag", QString());
        pctGraph1_Paint();
    });
}

void frmMain::DispPageInfo(std::int32_t p_start, std::int32_t p_end, bool withCursor)
{
    Trap(st_.log, QString(), [&] {
        const float N = st_.page.span();
        const PageInfo page = SetPageInfo(p_start, p_end, N);
        if (page.start < 0)
            return;
        const QString pages = PageTag(page);
        ui.lblPage->setText(pages + QStringLiteral("ページ"));
        ui.lblPage->Tag = pages;
        if (p_start < p_end)
            ui.lblTime->setText(FormatDate(st_.store.g_DataTime[std::size_t(page.start)], u"hh:nn:ss"));
        std::int32_t end = page.endPage;
        if (end > PageModel::MaxPages) {
            st_.env.prompts->message({QStringLiteral("管理可能なページ数をオーバーしています:") +
                                          QString::number(end) + QStringLiteral("\n処理を中止します。"),
                                      QString(), MsgButtons::Ok, MsgIcon::Critical});
            end = PageModel::MaxPages;
        }
        ui.HScroll1->setProperty("Tag", QStringLiteral("1"));
        ui.HScroll1->setRange(0, end);
        ui.HScroll1->setSingleStep(1);
        ui.HScroll1->setPageStep(1);
        ui.HScroll1->setValue(page.nowPage);
        ui.HScroll1->setProperty("Tag", QStringLiteral("0"));
        if (withCursor) {
            if (!CursorOnPage(st_.page.cursor(), page.start, N))
                ui.lineCursor->Visible = false;
            else if (st_.page.hasCursor() && !measuring()) {
                ui.lineCursor->Visible = true;
                ShowCursorLabel(st_.page.cursor());
            }
            ui.pctLabelWork->setVisible(ui.lineCursor->Visible);
            ui.pctGraph1->shapesChanged();
        }
    });
}

void frmMain::HScroll1_Change()
{
    Trap(st_.log, QString(), [&] {
        if (ScrollDepth > 1 || st_.store.g_DataCnt == 0 ||
            ui.HScroll1->property("Tag").toString() == QStringLiteral("1"))
            return;
        ++ScrollDepth;
        st_.page.scrollTo(ui.HScroll1->value());
        MoveCursorLine();
        DispPageInfo(st_.page.start(), st_.store.g_DataCnt - 1, true);
        pctGraph1_Paint();
        --ScrollDepth;
    });
}

void frmMain::MoveCursorLine()
{
    Trap(st_.log, QString(), [&] {
        if (st_.page.pageSeconds() <= 0)
            return;
        const float x = st_.page.cursorX(ui.pctGraph1->ScaleWidth);
        ui.lineCursor->X1 = ui.lineCursor->X2 = x;
        ui.lineCursor->Y1 = 0;
        ui.lineCursor->Y2 = ui.pctGraph1->ScaleHeight;
        if (st_.page.hasCursor() && !measuring())
            ShowCursorLabel(st_.page.cursor());
        ui.pctGraph1->shapesChanged();
    });
}

}  // namespace tavin
