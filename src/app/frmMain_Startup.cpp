// Start-up and shutdown of the main window.
#include "app/AppState.h"
#include "app/frmMain.h"

#include "decode/Sampling.h"
#include "platform/Controls.h"

#include <QAction>
#include <QComboBox>
#include <QCoreApplication>
#include <QSignalBlocker>
#include <QStatusBar>

namespace tavin {

QString frmMain::caption() const
{
    return QStringLiteral("TAVIN モニタソフト(Ver.%1.%2.%3)")
        .arg(TAVIN_VERSION_MAJOR)
        .arg(TAVIN_VERSION_MINOR)
        .arg(TAVIN_VERSION_REVISION);
}

// Each step runs even when an earlier one failed; the procedures it calls report their own errors.
void frmMain::Form_Load()
{
    AppState& s = st_;
    l_nowPaint = 1;
    l_CursorPos = -1;

    s.instance = std::make_unique<InstanceLock>(s.env.exeDir);
    s.SettingsSaveSuppressed = s.instance->previousInstance();

    setWindowTitle(caption());

    s.Settings.RangePlus = 0;
    s.Settings.RangeMinus = 0;
    s.Settings.LimitLow = -10000.0f;
    s.Settings.LimitHi = 10000.0f;
    s.Settings.MaxDatas = 30000;

    s.log.LogInit();
    s.conf.ConfStartUp();
    // The large store is chosen per run in the settings dialog, never carried over.
    s.Settings.MaxDatas = 30000;

    setWidthTwips(s.Settings.DebugMode != 0 ? DebugWidth : NormalWidth);
    lblTani->setText(s.Settings.Tani);

    Trap(s.log, QString(), [&] {
        if (s.Settings.Sampling > 0)
            s.g_SampPerSec = 1000.0f / float(s.Settings.Sampling);
    });
    {
        // Filling the list selects nothing; only the stored period below is applied.
        const QSignalBlocker quiet(cmbSampling);
        cmbSampling->clear();
        cmbSampling->addItems(SamplingEntries());
        cmbSampling->setCurrentIndex(-1);
    }
    SelectSampling(QString::number(s.Settings.Sampling));

    if (lblTani->text() == QStringLiteral("---"))
        mnuTaniAuto->setChecked(true);

    StatusBar1->showMessage(QStringLiteral("起動しました"));
    l_nowPaint = 0;
}

void frmMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Trap(st_.log, QStringLiteral("Form_Unload"), [&] {
        if (!st_.SettingsSaveSuppressed)
            st_.conf.ConfSave();
    });
    st_.LogMsg(0, QStringLiteral("Form_Unload"), QStringLiteral("#### プログラムを終了します ####"));
    Q_EMIT unloaded();
}

}  // namespace tavin
