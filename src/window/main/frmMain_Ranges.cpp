// The vertical scale: plus and minus ranges with their menus, the scale options, and the limit
// lines with their inputs.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/trend/Plot.h"
#include "core/trend/Scale.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QCheckBox>
#include <QComboBox>
#include <QSignalBlocker>
#include <QSpinBox>

namespace tavin {

namespace {

QStringList ItemsOf(const QComboBox* box)
{
    QStringList items;
    for (int i = 0; i < box->count(); ++i)
        items << box->itemText(i);
    return items;
}

}  // namespace

void frmMain::BuildScaleTables(int minusIndex)
{
    Trap(st_.log, QString(), [&] {
        const float M =
            ui.cmbRangeMinus->currentIndex() >= 2 ? float(Val(ui.cmbRangeMinus->currentText())) : 0.0f;
        const ScaleOptions o{ui.chk125perHasen->isChecked(), ui.chkMinus120per->isChecked(),
                             ui.chk120perScale->isChecked()};
        for (int i = 0; i < PlusRangeCount; ++i)
            BuildScale(st_.ScaleTable[std::size_t(i)], st_.PrintScaleTable[std::size_t(i)], FullScale(i),
                       minusIndex, M, o, st_.Settings.Tani);
    });
}

void frmMain::InitRangeLists()
{
    Trap(st_.log, QString(), [&] {
        {
            const QSignalBlocker quiet(ui.cmbGraphRange);
            ui.cmbGraphRange->clear();
            ui.cmbGraphRange->addItems(PlusRangeTexts());
            ui.cmbGraphRange->setCurrentIndex(-1);
        }
        ui.cmbGraphRange->setCurrentIndex(st_.Settings.RangePlus < PlusRangeCount ? st_.Settings.RangePlus
                                                                                  : -1);
        {
            const QSignalBlocker quiet(ui.cmbRangeMinus);
            ui.cmbRangeMinus->clear();
            ui.cmbRangeMinus->addItems(MinusRangeTexts());
            ui.cmbRangeMinus->setCurrentIndex(-1);
        }
        ui.cmbRangeMinus->setCurrentIndex(st_.Settings.RangeMinus < MinusRangeCount ? st_.Settings.RangeMinus
                                                                                    : -1);
    });
}

void frmMain::cmbGraphRange_Click()
{
    Trap(st_.log, QString(), [&] {
        const int index = ui.cmbGraphRange->currentIndex();
        if (index < 0)
            return;
        st_.Settings.RangePlus = std::int16_t(index);
        pushOptions();
        for (int i = 0; i < ui.mnuPlusRange.size(); ++i)
            ui.mnuPlusRange[i]->setChecked(i == index);
        const float top = st_.ScaleTable[std::size_t(index)].Top;
        ui.UpDown1->setRange(CLng(-top), CLng(top));
        pctGraph1_Paint();
        lblRefLine_Change();
    });
}

void frmMain::cmbRangeMinus_Click()
{
    Trap(st_.log, QString(), [&] {
        const int index = ui.cmbRangeMinus->currentIndex();
        if (index < 0)
            return;
        st_.Settings.RangeMinus = std::int16_t(index);
        pushOptions();
        for (int i = 0; i < ui.mnuMinusRange.size(); ++i)
            ui.mnuMinusRange[i]->setChecked(i == index);
        BuildScaleTables(index);
        cmbGraphRange_Click();
    });
}

void frmMain::mnuPlusRange_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        if (index < 0 || index >= ui.cmbGraphRange->count())
            return;
        ui.cmbGraphRange->setCurrentIndex(index);
        const int minus = ui.cmbRangeMinus->currentIndex();
        for (int i = 2; i < ui.mnuMinusRange.size(); ++i)
            ui.mnuMinusRange[i]->setEnabled(MinusItemEnabled(index, i));
        mnuMinusRange_Click(minus >= 0 && ui.mnuMinusRange[minus]->isEnabled() ? minus : 0);
        if (measuring()) {
            graph_->placeLimitLines();
        }
    });
}

void frmMain::mnuMinusRange_Click(int index)
{
    Trap(st_.log, QString(), [&] {
        if (index >= 0 && index < ui.cmbRangeMinus->count())
            ui.cmbRangeMinus->setCurrentIndex(index);
    });
}

// The ranges a recording's header names, chosen as the menus would choose them.
void frmMain::SelectPlusRangeByText(const QString& text)
{
    Trap(st_.log, QString(), [&] {
        const RangeChoice choice = PlusRangeForText(ItemsOf(ui.cmbGraphRange), text);
        ui.cmbGraphRange->setCurrentIndex(choice.index);
        if (choice.matched)
            mnuPlusRange_Click(choice.index);
    });
}

void frmMain::SelectMinusRangeByText(const QString& minusText, const QString& plusText)
{
    Trap(st_.log, QString(), [&] {
        ui.cmbRangeMinus->setCurrentIndex(MinusRangeForText(ItemsOf(ui.cmbRangeMinus), minusText, plusText));
    });
}

// A limit's check box: its line shows and its bit in EtcConf follows the box.
void frmMain::enableLimit(QCheckBox* box, LineShape* line, std::int16_t bit)
{
    Trap(st_.log, QString(), [&] {
        line->Visible = box->isChecked();
        st_.Settings.EtcConf = EtcConfWith(st_.Settings.EtcConf, EtcConfBit(bit), line->Visible);
        pushOptions();
        ui.pctGraph1->shapesChanged();
    });
}

void frmMain::chkUpperLimit_Click() { enableLimit(ui.chkUpperLimit, ui.LineUpper, EtcUpperLimit); }

void frmMain::chkLowerLimit_Click() { enableLimit(ui.chkLowerLimit, ui.LineLower, EtcLowerLimit); }

// A limit typed into the number dialog; 0 or a number beyond a 32-bit float leaves it unchanged.
void frmMain::inputLimit(const QString& title, float& limit, Label* shown)
{
    Trap(st_.log, QString(), [&] {
        const float v = float(InputNumber(this, title, GeneralSingle(limit)));
        if (v != 0 && std::isfinite(v)) {
            limit = v;
            shown->setText(GeneralSingle(v));
            pushOptions();
        }
    });
}

void frmMain::mnuUpperLimitInput_Click()
{
    inputLimit(QStringLiteral("上限設定"), st_.Settings.LimitHi, ui.lblUpper);
}

void frmMain::mnuLowerLimitInput_Click()
{
    inputLimit(QStringLiteral("下限設定"), st_.Settings.LimitLow, ui.lblLower);
}

void frmMain::lblRefLine_Change() { graph_->SetLimitLinePos(ui.LineUpper, st_.Settings.LimitHi); }

}  // namespace tavin
