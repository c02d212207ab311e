// The sampling period on the main window: chosen from the menu, automatically or by text.
#include "core/app/AppState.h"
#include "core/decode/Sampling.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"

#include <QAction>
#include <QComboBox>

namespace tavin {

void frmMain::SelectSampling(const QString& text) { SelectSamplingMs(PeriodTextToMsec(text)); }

void frmMain::SelectSamplingMs(double ms)
{
    Trap(st_.log, QString(), [&] {
        for (int i = 0; i < ui.cmbSampling->count(); ++i) {
            if (SampTextToMsec(ui.cmbSampling->itemText(i)) == ms) {
                ui.cmbSampling->setCurrentIndex(i);
                SyncSamplingMenu(i);
                return;
            }
        }
    });
}

void frmMain::mnuSampAuto_Click()
{
    ui.mnuSampAuto->setChecked(!ui.mnuSampAuto->isChecked());
    SyncSamplingMenu(-1);
    pushOptions();
}

void frmMain::mnuSampling_Click(int index)
{
    SyncSamplingMenu(index);
    if (ui.cmbSampling->currentIndex() <= 1) {
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
    if (index >= 0 && index < ui.mnuSampling.size() && !ui.mnuSampling[index]->isChecked())
        ui.cmbSampling->setCurrentIndex(index);
    for (int i = 0; i < ui.mnuSampling.size(); ++i)
        ui.mnuSampling[i]->setChecked(index >= 0 && i == ui.cmbSampling->currentIndex());
}

}  // namespace tavin
