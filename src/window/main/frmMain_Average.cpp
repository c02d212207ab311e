// The moving average on the screen: its line shown or not, its length from the dialog or typed.
#include "core/app/AppState.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "window/dialogs/frmInputDialogs.h"
#include "window/main/frmMain.h"

#include <QCheckBox>
#include <QLineEdit>

namespace tavin {

void frmMain::chkAve_Click()
{
    Trap(st_.log, QString(), [&] {
        // EtcConf keeps the choice for the next start.
        st_.Settings.EtcConf = EtcConfWith(st_.Settings.EtcConf, EtcAverage, ui.chkAve->isChecked());
        pctGraph1_Paint();
    });
}

void frmMain::chkAveMode_Click()
{
    Trap(st_.log, QString(), [&] {
        ui.chkAveMode->setText(ui.chkAveMode->isChecked() ? QStringLiteral("ページ毎")
                                                          : QStringLiteral("連続"));
    });
}

void frmMain::mnuAveEna_Click()
{
    Trap(st_.log, QString(), [&] {
        const double x = InputNumber(this, QStringLiteral("移動平均設定"),
                                     QString::number(st_.Settings.AveNum), QStringLiteral("移動平均"));
        const std::optional<std::int16_t> length = MovingAverage::LengthFromInput(float(x));
        if (!length)
            return;
        st_.Settings.AveNum = *length;
        ui.txtAveNum->setText(QString::number(*length));
        engine_->call([&] { st_.store.AveRecalc(*length); });  // never under the engine's appends
        pctGraph1_Paint();
    });
}

void frmMain::txtAveNum_Change()
{
    Trap(st_.log, QString(), [&] {
        // The typed length takes effect at the next start or load; only the dialog sets the one
        // the settings file keeps.
        aveNumEdited_ = true;
    });
}

void frmMain::txtAveNum_LostFocus()
{
    Trap(st_.log, QString(), [&] {
        if (!aveNumEdited_)
            return;
        aveNumEdited_ = false;
        if (st_.store.g_DataCnt > 0)
            st_.env.prompts->message(
                {QStringLiteral("移動平均値をグラフに反映する場合は、再度ファイルを読み込んでください。"),
                 QString(), MsgButtons::Ok, MsgIcon::Information});
    });
}

}  // namespace tavin
