// The sample store's recording cycle: store, readout, lamp, limit alarms, one new segment per
// sample, page advance and the end of a full segment.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/PictureBox.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace tavin {

void frmMain::GraphDispAndDataSave(float& value, std::int32_t index)
{
    AppState& s = st_;
    SampleStore& store = s.store;
    Trap(s.log, QStringLiteral("GraphDispAndDataSave"), [&] {
        const bool refresh = RefreshDue(RefreshCount, s.Settings.Sampling, LastRecvTime, PrevRecvTime);
        if (refresh) {
            setBackground(pctMonRecv, QColor(0, 255, 0));
            Timer1->start(80);
        }
        const OleDate now = LastRecvTime != 0.0 ? LastRecvTime : s.env.now();
        const bool average = store.ave.AveNum > 1;
        auto page = [&] {
            return SampleStore::Page{l_StartPos, s.PageSpan(),
                                     chkAutoZoomOut->isChecked() && cmbPageSec->currentIndex() < cmbPageSec->count() - 1};
        };
        SampleStore::Appended a = store.Append(value, now, index, s.Settings.MaxDatas, average, page());
        if (!a.stored) {
            // The store already holds MaxDatas samples (the limit was lowered while recording):
            // the segment ends first and the sample opens the next one instead of being dropped.
            endSegment(store.g_DataCnt - 1);
            a = store.Append(value, now, 0, s.Settings.MaxDatas, average, page());
        }
        journalSample(a.index, value, now);
        if (!tmrScreen->isActive())
            tmrScreen->start();

        DispValue = chkDispMode->isChecked() ? store.g_AveDatas[std::size_t(a.index)] : s.g_Keisu * value;
        if (refresh) {
            RefreshCount = 0;
            ReadoutDue = true;
            ReadoutValue = DispValue;
            ReadoutFormat = DispFormat;
            const LimitCheck c = CheckLimits(DispValue, s.Settings.LimitHi, s.Settings.LimitLow, s.Settings.EtcConf);
            if (c.set != 0 && alarm.AlarmSet(c.set)) {
                Timer3_Timer();
                Timer3->start(500);
            }
            if (c.clear != 0 && alarm.AlarmBits != 0 && alarm.AlarmClear(c.clear)) {
                Timer3->stop();
                showBlink(BlinkColour::Normal);
            }
        }

        switch (a.step) {
        case SampleStore::PageStep::None: break;
        case SampleStore::PageStep::DrawSegment:
            DrawGraph(pctGraph1, a.index - 1, a.index, false);
            if (chkAve->isChecked() && average)
                DrawGraph2(pctGraph1, a.index - 1, a.index, false);
            break;
        case SampleStore::PageStep::ZoomOut:
            cmbPageSec->setCurrentIndex(cmbPageSec->currentIndex() + 1);
            pctGraph1_Paint();
            break;
        case SampleStore::PageStep::NextPage:
            l_StartPos = a.nextStart;
            pctGraph1_Paint();
            break;
        }
        if (a.segmentFull)
            endSegment(a.index);
    });
}

void frmMain::RefreshScreen()
{
    Trap(st_.log, QString(), [&] {
        ShowCounter();
        checkJournal();
        if (ReadoutDue) {
            ReadoutDue = false;
            lblVariable->setText(ReadoutText(ReadoutValue, ReadoutFormat));
        }
        pctGraph1->Refresh();
    });
}

// The counter is for the eye only and may lag the store by one screen refresh: code that needs
// the count reads the store.
void frmMain::ShowCounter() { lblCounter->setText(QString::number(st_.store.g_DataCnt)); }

// A full segment: saved, and the store starts the next one from index 0 on page 1.
void frmMain::endSegment(std::int32_t lastIndex)
{
    lblEndTime->setText(FormatDate(st_.env.now(), u"yyyy年m月d日 hh:nn:ss"));
    SaveSegment();
    lblStartCount->setText(QString::number(std::int64_t(Val(lblStartCount->text())) + lastIndex));
    StartDate = st_.env.now();
    lblStartTime->setText(FormatDate(StartDate, u"yyyy年m月d日 hh:nn:ss"));
    st_.store.EndSegment();
    ShowCounter();
    l_StartPos = 0;
    pctGraph1_Paint();
}

void frmMain::showBlink(BlinkColour colour)
{
    switch (colour) {
    case BlinkColour::Red: setBackground(lblVariable, QColor(255, 0, 0)); break;
    case BlinkColour::Blue: setBackground(lblVariable, QColor(128, 128, 255)); break;
    case BlinkColour::Normal: setBackground(lblVariable, QApplication::palette().color(QPalette::Button)); break;
    }
}

void frmMain::Timer3_Timer()
{
    Trap(st_.log, QString(), [&] {
        showBlink(alarm.step(Measuring != 0));
        if (!alarm.running)
            Timer3->stop();
    });
}

void frmMain::chkDispMode_Click()
{
    Trap(st_.log, QString(), [&] {
        chkDispMode->setText(chkDispMode->isChecked() ? QStringLiteral("移動平均値") : QStringLiteral("リアルタイム値"));
    });
}

void frmMain::AveReset()
{
    Trap(st_.log, QString(), [&] { st_.store.ave.AveReset(Val(txtAveNum->text())); });
}

}  // namespace tavin
