// Starting and stopping a measurement, the lost device, and the switch between measure and
// read-out mode.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/CommControl.h"
#include "platform/Controls.h"
#include "platform/PictureBox.h"
#include "platform/Prompts.h"
#include "serial/frmComm.h"

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
        lblLoadFileName->setText(QString());
        lblRefLine_Change();
        comm();  // the console shows the port's opening
        pushed_ = acquisitionOptions();
        if (const QString why = engine_->start(pushed_); !why.isEmpty()) {
            st_.env.prompts->message({why, QStringLiteral("PortOpen"), MsgButtons::Ok, MsgIcon::Critical});
            return;
        }
        lblTime->hide();
        lblPage->hide();
        Frame3->setEnabled(false);
        PortMenuEnb(false);
        txtSaveFileName->setEnabled(false);
        cmdOpen->setEnabled(false);
        cmdClose->setEnabled(true);
        hideCursor();
        chkAveMode->setEnabled(false);
        txtAveNum->setEnabled(false);
        Measuring = 1;
        l_StartPos = 0;
        lblGA->setText(QString());
        lblVariable->setText(QStringLiteral("----- "));
        lblBccErrCnt->setText(QStringLiteral("0"));
        shownErrors_ = 0;
        HScroll1->setEnabled(false);
        StatusBar1->showMessage(QStringLiteral("測定中です."));
        RefreshScreen();
        pctGraph1_Paint();
        DispPageInfo(l_StartPos, l_StartPos, false);
        tmrScreen->start();
        if (!engine_->portOpen())
            PortMenuEnb(true);
    });
}

// The window after a measurement ended: menus, start button and inputs usable again.
void frmMain::unlockAfterStop()
{
    PortMenuEnb(true);
    txtSaveFileName->setEnabled(true);
    cmdOpen->setEnabled(true);
    cmdClose->setEnabled(false);
    chkAveMode->setEnabled(true);
    txtAveNum->setEnabled(true);
    Measuring = 0;
    tmrScreen->stop();
    lblJournalOff->hide();
}

void frmMain::cmdClose_Click()
{
    boxed(st_, QStringLiteral("cmdClose_Click"), [&] {
        Frame3->setEnabled(true);
        if (txtSaveFileName->text().isEmpty())
            txtSaveFileName->setText(QStringLiteral("TEST_Datas"));  // the name the segment is saved under
        pushOptions();
        engine_->stop();
        unlockAfterStop();
        StatusBar1->showMessage(QStringLiteral("停止しました."));
        HScroll1->setEnabled(true);
        RefreshScreen();  // the end time, and what the save said
        // The pages recorded can be browsed at once: labels and scroll range follow the store.
        DispPageInfo(l_StartPos, st_.store.g_DataCnt - 1, false);
        lblTime->setText(FormatDate(st_.store.g_DataTime[0], u"HH:NN:SS"));
        lblTime->show();
        lblPage->show();
    });
}

// The device vanished mid-measurement: stop as the stop button does, keeping what was received.
void frmMain::onPortLost(const QString&)
{
    if (!Measuring)
        return;
    cmdClose_Click();
    st_.env.prompts->message({QStringLiteral("ポートが切断されました。測定を停止しました。"), QString(), MsgButtons::Ok,
                              MsgIcon::Exclamation});
}

void frmMain::optMode_Click(int)
{
    Trap(st_.log, QString(), [&] {
        const bool measure = optMode[0]->isChecked();
        if (st_.store.g_DataCnt > 0)
            st_.env.prompts->message({measure ? QStringLiteral("現在のグラフをクリアします。")
                                              : QStringLiteral("測定データをクリアします。"),
                                      QString(), MsgButtons::Ok, MsgIcon::Information});
        lblPage->setText(QString());
        lblTime->setText(QString());
        lblLoadFileName->setText(QString());
        lblStartTime->setText(QString());
        st_.store.Clear();
        l_StartPos = 0;
        cmdOpen->setEnabled(measure);
        cmdFileLoad->setEnabled(!measure);
        const QColor back = measure ? QApplication::palette().color(QPalette::Button) : QColor(192, 255, 192);
        setBackground(centralWidget(), back);
        Label4->setText(QStringLiteral("ファイル名"));
        txtSaveFileName->setVisible(measure);
        lblTime->setVisible(!measure);
        lblPage->setVisible(!measure);
        lblSampPC->setVisible(measure);
        if (measure)
            lblSampPC->setText(QString());
        LineUpper->Visible = measure && chkUpperLimit->isChecked();
        LineLower->Visible = measure && chkLowerLimit->isChecked();
        if (measure) {
            SetLimitLinePos(LineUpper, st_.Settings.LimitHi);
            SetLimitLinePos(LineLower, st_.Settings.LimitLow);
        }
        pctGraph1->shapesChanged();
        hideCursor();
        l_CursorPos = -1;
        pctGraph1_Paint();
        for (QWidget* w : std::initializer_list<QWidget*>{Frame3, frmAverage, Frame2, chkUpperLimit, chkLowerLimit,
                                                          chkAve, chkAutoZoomOut, lblTaniH, lblTaniL, lblDebug,
                                                          lblDataNum})
            setBackground(w, back);
    });
}

}  // namespace tavin
