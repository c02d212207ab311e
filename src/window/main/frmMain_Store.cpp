// What the measurement shows: the engine's view taken at each screen refresh and at its events,
// the readout with its lamp and limit alarms, the labels of counts and times, the graph's new
// segments and page.
#include "core/app/AppState.h"
#include "core/decode/Sampling.h"
#include "core/platform/NumText.h"
#include "engine/SettingsOptions.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QFileInfo>
#include <QLineEdit>
#include <QRadioButton>
#include <QStatusBar>
#include <QTimer>

namespace tavin {

AcquisitionOptions frmMain::acquisitionOptions() const
{
    // What the settings hold, with what the window's controls show now on top.
    AcquisitionOptions o = OptionsFromSettings(st_.Settings);
    o.baudRate = gauge_->BaudRate();
    o.samplingAuto = ui.mnuSampAuto->isChecked();
    o.unitAuto = gauge_->unitAuto();
    o.keisu = st_.g_Keisu;
    o.readoutAverage = ui.chkDispMode->isChecked();
    o.aveLength = Val(ui.txtAveNum->text());
    o.baseName = ui.txtSaveFileName->text();
    return o;
}

void frmMain::pushOptions()
{
    if (!optionsLive_)
        return;  // controls set while the window is built
    AcquisitionOptions o = acquisitionOptions();
    if (o == pushed_)
        return;
    pushed_ = std::move(o);
    engine_->setOptions(pushed_);
    if (pushed_.stream.on()) {
        ui.tmrStream->start();
    } else {
        ui.tmrStream->stop();
        ui.lblStream->hide();
    }
}

void frmMain::RefreshScreen()
{
    if (lampOutDue_)
        putLampOut();
    // A print job reads the store: the segment it prints is not let go of under it.
    if (print_->running())
        return;
    Trap(st_.log, QString(), [&] {
        std::vector<AcquisitionEvent> events;
        const AcquisitionView v = engine_->view(&events);
        if (v.generation != shownGeneration_) {
            // A full segment was saved: the screen lets go of it and shows the next from page 1.
            shownGeneration_ = v.generation;
            engine_->acknowledge(v.generation);
            if (pendingDecay_)  // its data is gone with the segment: a test spans one segment
                ui.StatusBar1->showMessage(
                    QStringLiteral("圧力降下試験: 保持時間の前に区間が切り替わったため判定しませんでした."));
            forgetDecay();
            st_.page.showFirstPage();
            pctGraph1_Paint();
        }
        for (const AcquisitionEvent& e : events)
            onEngineEvent(e);
        showView(v);
        // A loaded recording is the window's own, drawn by full repaints from the page shown: its
        // samples are no new samples to follow page by page, also when a long load lets a refresh
        // in half-way.
        if (ui.optMode[1]->isChecked())
            graph_->followStore();
        else
            graph_->drawNewSamples(ui.chkAutoZoomOut->isChecked() &&
                                   ui.cmbPageSec->currentIndex() < ui.cmbPageSec->count() - 1);
        if (pendingDecay_ && v.measuring)
            judgeDecay(false);
        ui.pctGraph1->Refresh();
    });
}

// Each label changes only when what it shows did: no text is formatted for an unchanged number.
void frmMain::showView(const AcquisitionView& v)
{
    // Assistive technology is told of the count and readout at a pace it can follow while they
    // run, and of each change at once otherwise (a stop's last count, a load's).
    ui.lblCounter->setNameThrottled(v.measuring);
    ui.lblVariable->setNameThrottled(v.measuring);
    if (const std::int32_t n = st_.store.g_DataCnt.load(std::memory_order_acquire); n != shownCount_) {
        shownCount_ = n;
        ui.lblCounter->setText(QString::number(n));
    }
    if (v.readouts != shownReadouts_) {
        shownReadouts_ = v.readouts;
        ui.lblVariable->setText(ReadoutText(v.readoutValue, v.readoutFormat));
        ui.pctMonRecv->setColour(QColor(0, 255, 0));
        ui.Timer1->start(80);
        const LimitCheck c = v.limits;
        if (c.set != 0 && alarm.AlarmSet(c.set)) {
            Timer3_Timer();
            ui.Timer3->start(500);
        }
        if (c.clear != 0 && alarm.AlarmBits != 0 && alarm.AlarmClear(c.clear)) {
            ui.Timer3->stop();
            showBlink(BlinkColour::Normal);
        }
    }
    if (v.lampBlinks != shownLampBlinks_) {
        shownLampBlinks_ = v.lampBlinks;
        ui.pctMonRecv->setColour(v.lampOn ? QColor(0, 255, 0)
                                          : QApplication::palette().color(QPalette::Button));
    }
    if (v.errorCount != shownErrors_) {
        shownErrors_ = v.errorCount;
        ui.lblBccErrCnt->setText(QString::number(v.errorCount));
        ui.lblBccErr->setText(v.lastError);
    }
    if (v.startCount != shownStartCount_) {
        shownStartCount_ = v.startCount;
        ui.lblStartCount->setText(QString::number(v.startCount));
    }
    if (v.startTime != shownStart_) {
        shownStart_ = v.startTime;
        ui.lblStartTime->setText(FormatDate(v.startTime, u"yyyy年m月d日 hh:nn:ss"));
    }
    if (v.endTime != shownEnd_) {
        shownEnd_ = v.endTime;
        ui.lblEndTime->setText(FormatDate(v.endTime, u"yyyy年m月d日 hh:nn:ss"));
    }
    gauge_->showReference(v.reference);
    showUnsaved(v.unsaved, v.unsavedInMemoryOnly);
    showStream(v.stream);
}

// The broker's state, red while values wait for it or were dropped; the last problem as tool tip.
void frmMain::showStream(const StreamStatus& s)
{
    const QString text = StreamStatusText(s);
    ui.lblStream->setVisible(!text.isEmpty());
    if (text == ui.lblStream->text())
        return;
    ui.lblStream->setText(text);
    ui.lblStream->setToolTip(s.problem);
    const bool trouble = s.link != StreamStatus::Link::Connected || s.dropped > 0;
    ui.lblStream->setStyleSheet(trouble ? QStringLiteral("color: rgb(192, 0, 0);") : QString());
}

void frmMain::onEngineEvent(const AcquisitionEvent& e)
{
    using Kind = AcquisitionEvent::Kind;
    switch (e.kind) {
    case Kind::Status: ui.StatusBar1->showMessage(e.text); break;
    case Kind::SavedAs: ui.lblLoadFileName->setText(e.text); break;
    case Kind::SegmentEnded: break;                                      // the view's generation tells
    case Kind::Saved: lastSaved_ = QFileInfo(e.text).fileName(); break;  // the status text says so
    case Kind::PortLost:  // its stop refreshes the screen: not from inside a refresh
        QMetaObject::invokeMethod(
            this, [this, why = e.text] { onPortLost(why); }, Qt::QueuedConnection);
        break;
    case Kind::UnitChanged:
        // Only the frames' unit is news: a unit chosen by hand is shown already, and the engine's
        // echo of it may come after a later choice (a load's) and must not undo it.
        if (pushed_.unitAuto)
            ui.lblTani->setText(e.text);
        break;
    case Kind::BatteryChanged: gauge_->showBattery(std::int32_t(e.number)); break;
    case Kind::SamplingMeasured:
        ui.lblSampPC->setText(QStringLiteral("サンプリング(ms):") + FormatNumber(e.number, "0.000"));
        ui.mnuSampAuto->setChecked(false);
        SelectSamplingMs(e.whole);
        break;
    case Kind::ProtectionOff: ui.lblJournalOff->show(); break;
    case Kind::Stream: ui.StatusBar1->showMessage(e.text); break;
    case Kind::ProtectionBack:
        ui.lblJournalOff->hide();
        ui.StatusBar1->showMessage(QStringLiteral("ジャーナルへの書き込みを再開しました."));
        break;
    }
}

void frmMain::showBlink(BlinkColour colour)
{
    switch (colour) {
    case BlinkColour::Red: SetBackground(ui.lblVariable, QColor(255, 0, 0)); break;
    case BlinkColour::Blue: SetBackground(ui.lblVariable, QColor(128, 128, 255)); break;
    case BlinkColour::Normal:
        SetBackground(ui.lblVariable, QApplication::palette().color(QPalette::Button));
        break;
    }
}

void frmMain::Timer3_Timer()
{
    Trap(st_.log, QString(), [&] {
        showBlink(alarm.step(measuring()));
        if (!alarm.running)
            ui.Timer3->stop();
    });
}

void frmMain::AveReset()
{
    Trap(st_.log, QString(), [&] { st_.store.ave.AveReset(Val(ui.txtAveNum->text())); });
}

void frmMain::chkDispMode_Click()
{
    Trap(st_.log, QString(), [&] {
        ui.chkDispMode->setText(ui.chkDispMode->isChecked() ? QStringLiteral("移動平均値")
                                                            : QStringLiteral("リアルタイム値"));
        pushOptions();
    });
}

}  // namespace tavin
