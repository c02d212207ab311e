// The sample store's recording cycle: store, readout, lamp, limit alarms, one new segment per
// sample, page advance and the end of a full segment.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/Controls.h"
#include "platform/NumText.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QTimer>

namespace tavin {

void frmMain::GraphDispAndDataSave(float& value, std::int32_t index)
{
    AppState& s = st_;
    Trap(s.log, QStringLiteral("GraphDispAndDataSave"), [&] {
        const bool refresh = RefreshDue(RefreshCount, s.Settings.Sampling, LastRecvTime, PrevRecvTime);
        if (refresh) {
            setBackground(pctMonRecv, QColor(0, 255, 0));
            Timer1->start(80);
        }
        // A store already holding MaxDatas samples (the limit was lowered while recording) ends
        // its segment first; the sample opens the next one instead of being dropped.
        if (index >= s.Settings.MaxDatas || index >= AppState::StoreSize) {
            if (s.g_DataCnt > 0)
                endSegment(s.g_DataCnt - 1);
            index = 0;
        }
        if (index < 0)
            throw RuntimeError(QStringLiteral("インデックスが有効範囲にありません。"));

        const auto i = std::size_t(index);
        s.g_Datas[i] = value;
        s.g_DataTime[i] = LastRecvTime != 0.0 ? LastRecvTime : s.env.now();
        if (ave.AveNum > 1) {
            ave.AveAdd(value);
            s.g_AveDatas[i] = ave.AveGet();
        }
        s.g_DataCnt = index + 1;
        lblCounter->setText(QString::number(s.g_DataCnt));

        DispValue = chkDispMode->isChecked() ? s.g_AveDatas[i] : g_Keisu * value;
        if (refresh) {
            RefreshCount = 0;
            lblVariable->setText(ReadoutText(DispValue, DispFormat));
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

        if (index > 0) {
            const std::int32_t N = std::int32_t(s.g_SampPerSec * s.g_PageSec);
            if (index <= l_StartPos + N) {
                DrawGraph(pctGraph1, index - 1, index, false);
                if (chkAve->isChecked() && ave.AveNum > 1)
                    DrawGraph2(pctGraph1, index - 1, index, false);
            } else if (chkAutoZoomOut->isChecked() && cmbPageSec->currentIndex() < cmbPageSec->count() - 1) {
                cmbPageSec->setCurrentIndex(cmbPageSec->currentIndex() + 1);
                pctGraph1_Paint();
            } else {
                l_StartPos += N;
                pctGraph1_Paint();
            }
        }
        if (s.g_DataCnt >= s.Settings.MaxDatas)
            endSegment(index);
    });
}

// A full segment: saved, and the store starts the next one from index 0 on page 1.
void frmMain::endSegment(std::int32_t lastIndex)
{
    lblEndTime->setText(FormatDate(st_.env.now(), u"yyyy年m月d日 hh:nn:ss"));
    AutoSaveCsv();
    lblStartCount->setText(QString::number(std::int64_t(Val(lblStartCount->text())) + lastIndex));
    StartDate = st_.env.now();
    lblStartTime->setText(FormatDate(StartDate, u"yyyy年m月d日 hh:nn:ss"));
    st_.g_FileNo += 1;
    st_.g_DataCnt = 0;
    lblCounter->setText(QStringLiteral("0"));
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
    Trap(st_.log, QString(), [&] { ave.AveReset(Val(txtAveNum->text())); });
}

}  // namespace tavin
