// Frame dispatch on the main window: arrival times, the automatic sampling measurement and the
// choice of decoder; the selection of a sampling period by text.
#include "app/AppState.h"
#include "app/frmMain.h"
#include "decode/Sampling.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/Prompts.h"

#include <QAction>
#include <QComboBox>

namespace tavin {

short frmMain::RecvAnalize(std::string_view p_strRecv)
{
    short result = 0;
    Trap(st_.log, QString(), [&] {
        const std::int32_t ticks = std::int32_t(ClockMs());
        if (FirstFrameTicks == 0)
            FirstFrameTicks = ticks == 0 ? 1 : ticks;
        const std::int32_t count = st_.store.g_DataCnt;
        if (mnuSampAuto->isChecked() && count > 0 && count % 10 == 0) {
            const float average = float(ticks - FirstFrameTicks) / float(count);
            lblSampPC->setText(QStringLiteral("サンプリング(ms):") + FormatNumber(average, "0.000"));
            mnuSampAuto->setChecked(false);
            SelectSamplingMs(SampToStd(average));
        }
        PrevRecvTime = LastRecvTime;
        LastRecvTime = st_.env.now();
        if (RefreshCount < INT16_MAX)
            ++RefreshCount;
        switch (st_.Settings.Term) {
        case 0:
        case 1:
        case 2:
        case 3: result = RecvAnalize_VRT_RQ(p_strRecv); break;
        case 4: result = RecvAnalize_QZ(p_strRecv); break;
        case 5: result = RecvAnalize_MW200(p_strRecv); break;
        default: break;
        }
    });
    return result;
}

void frmMain::SelectSampling(const QString& text) { SelectSamplingMs(PeriodTextToMsec(text)); }

void frmMain::SelectSamplingMs(double ms)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < cmbSampling->count(); ++i) {
            if (SampTextToMsec(cmbSampling->itemText(i)) == ms) {
                cmbSampling->setCurrentIndex(i);
                SyncSamplingMenu(i);
                return;
            }
        }
    });
}

void frmMain::mnuSampAuto_Click()
{
    mnuSampAuto->setChecked(!mnuSampAuto->isChecked());
    SyncSamplingMenu(-1);
}

void frmMain::mnuSampling_Click(int index)
{
    SyncSamplingMenu(index);
    if (cmbSampling->currentIndex() <= 1) {
        st_.env.prompts->message({QStringLiteral("！注意！\n"
                                                 "2msec以上のサンプリング（VRT50からの送信）は\n"
                                                 "パソコンの性能､CPUの稼働状態に大きく左右されます\n"
                                                 "正しく､データ受信が出来ない場合は\n"
                                                 "受信専用ソフトをご使用ください\n"
                                                 "1msecを選択した場合は、単位は手動で入力してください"),
                                  QStringLiteral("確認"), MsgButtons::Ok, MsgIcon::Information});
    }
}

void frmMain::SyncSamplingMenu(int index)
{
    if (index >= 0 && index < mnuSampling.size() && !mnuSampling[index]->isChecked())
        cmbSampling->setCurrentIndex(index);
    for (int i = 0; i < mnuSampling.size(); ++i)
        mnuSampling[i]->setChecked(index >= 0 && i == cmbSampling->currentIndex());
}

bool frmMain::ResTimeout(std::int16_t) { return false; }

}  // namespace tavin
