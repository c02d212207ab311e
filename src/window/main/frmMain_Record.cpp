// Starting and stopping a measurement, the lost device, and the switch between measure and
// read-out mode.
#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "engine/CommControl.h"
#include "window/dialogs/frmComm.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QStatusBar>
#include <QTimer>

#include <algorithm>

namespace tavin {

namespace {

// A fault in the start or stop handler is shown in a box titled with the handler's name.
template <class Body>
void boxed(AppState& s, const QString& title, Body&& body)
{
    try {
        body();
    } catch (const std::exception& e) {
        s.env.prompts->message({describe(e), title, MsgButtons::Ok, MsgIcon::None});
    }
}

}  // namespace

void frmMain::cmdOpen_Click()
{
    boxed(st_, QStringLiteral("cmdOpen_Click"), [&] {
        if (!goOnWithUnsaved(QStringLiteral("測定を開始しますか？")))
            return;
        ui.lblLoadFileName->setText(QString());
        lblRefLine_Change();
        comm();  // the console shows the port's opening
        pushed_ = acquisitionOptions();
        if (const QString why = engine_->start(pushed_); !why.isEmpty()) {
            st_.env.prompts->message({why, QStringLiteral("PortOpen"), MsgButtons::Ok, MsgIcon::Critical});
            return;
        }
        ui.lblTime->hide();
        ui.lblPage->hide();
        ui.Frame3->setEnabled(false);
        gauge_->PortMenuEnb(false);
        ui.txtSaveFileName->setEnabled(false);
        ui.cmdOpen->setEnabled(false);
        ui.cmdClose->setEnabled(true);
        st_.page.removeCursor();
        graph_->hideCursor();
        forgetDecay();
        lastSaved_.clear();
        ui.chkAveMode->setEnabled(false);
        ui.txtAveNum->setEnabled(false);
        st_.page.showFirstPage();
        ui.lblGA->setText(QString());
        ui.lblVariable->setText(QStringLiteral("----- "));
        ui.lblBccErrCnt->setText(QStringLiteral("0"));
        shownErrors_ = 0;
        ui.HScroll1->setEnabled(false);
        ui.StatusBar1->showMessage(QStringLiteral("測定中です."));
        RefreshScreen();
        pctGraph1_Paint();
        graph_->DispPageInfo(st_.page.start(), st_.page.start(), false);
        ui.tmrScreen->start();
        if (!engine_->portOpen())
            gauge_->PortMenuEnb(true);
    });
}

// The window after a measurement ended: menus, start button and inputs usable again.
void frmMain::unlockAfterStop()
{
    gauge_->PortMenuEnb(true);
    ui.txtSaveFileName->setEnabled(true);
    ui.cmdOpen->setEnabled(true);
    ui.cmdClose->setEnabled(false);
    ui.chkAveMode->setEnabled(true);
    ui.txtAveNum->setEnabled(true);
    ui.tmrScreen->stop();
    if (lampOutDue_)
        putLampOut();
    ui.lblJournalOff->hide();
}

void frmMain::cmdClose_Click()
{
    boxed(st_, QStringLiteral("cmdClose_Click"), [&] {
        ui.Frame3->setEnabled(true);
        if (ui.txtSaveFileName->text().isEmpty())
            ui.txtSaveFileName->setText(QStringLiteral("TEST_Datas"));  // the name the segment is saved under
        pushOptions();
        engine_->stop();
        unlockAfterStop();
        ui.StatusBar1->showMessage(QStringLiteral("停止しました."));
        ui.HScroll1->setEnabled(true);
        RefreshScreen();  // the end time, and what the save said
        // The pages recorded can be browsed at once: labels and scroll range follow the store.
        graph_->DispPageInfo(st_.page.start(), st_.store.g_DataCnt - 1, false);
        ui.lblTime->setText(FormatDate(st_.store.g_DataTime[0], u"HH:NN:SS"));
        ui.lblTime->show();
        ui.lblPage->show();
        judgeDecay(true);  // a test still waiting for its hold time is judged on what there is
    });
}

// The device vanished mid-measurement: stop as the stop button does, keeping what was received.
void frmMain::onPortLost(const QString&)
{
    if (!measuring())
        return;
    cmdClose_Click();
    st_.env.prompts->message({QStringLiteral("ポートが切断されました。測定を停止しました。"), QString(),
                              MsgButtons::Ok, MsgIcon::Exclamation});
}

void frmMain::optMode_Click(int)
{
    Trap(st_.log, QString(), [&] {
        const bool measure = ui.optMode[0]->isChecked();
        graph_->showWholeSummary(!measure);
        forgetDecay();
        if (st_.store.g_DataCnt > 0)
            st_.env.prompts->message({measure ? QStringLiteral("現在のグラフをクリアします。")
                                              : QStringLiteral("測定データをクリアします。"),
                                      QString(), MsgButtons::Ok, MsgIcon::Information});
        ui.lblPage->setText(QString());
        ui.lblTime->setText(QString());
        ui.lblLoadFileName->setText(QString());
        ui.lblStartTime->setText(QString());
        st_.store.Clear();
        st_.page.showFirstPage();
        ui.cmdOpen->setEnabled(measure);
        ui.cmdFileLoad->setEnabled(!measure);
        const QColor back = measure ? QApplication::palette().color(QPalette::Button) : QColor(192, 255, 192);
        SetBackground(centralWidget(), back);
        ui.Label4->setText(QStringLiteral("ファイル名"));
        ui.txtSaveFileName->setVisible(measure);
        ui.lblTime->setVisible(!measure);
        ui.lblPage->setVisible(!measure);
        ui.lblSampPC->setVisible(measure);
        if (measure)
            ui.lblSampPC->setText(QString());
        ui.LineUpper->Visible = measure && ui.chkUpperLimit->isChecked();
        ui.LineLower->Visible = measure && ui.chkLowerLimit->isChecked();
        if (measure) {
            graph_->placeLimitLines();
        }
        ui.pctGraph1->shapesChanged();
        graph_->hideCursor();
        st_.page.removeCursor();
        pctGraph1_Paint();
        for (QWidget* w : std::initializer_list<QWidget*>{
                 ui.Frame3, ui.frmAverage, ui.Frame2, ui.chkUpperLimit, ui.chkLowerLimit, ui.chkAve,
                 ui.chkAutoZoomOut, ui.lblTaniH, ui.lblTaniL, ui.lblDebug, ui.lblDataNum})
            SetBackground(w, back);
    });
}

}  // namespace tavin
