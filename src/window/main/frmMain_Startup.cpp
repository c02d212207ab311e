// Start-up, shutdown and the few window-level behaviours: caption, widths, resize, lamp timer,
// port menu check marks and the test buttons.
#include "core/app/AppState.h"
#include "core/decode/Sampling.h"
#include "core/platform/AppFolders.h"
#include "core/platform/NumText.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "core/trend/GraphRoom.h"
#include "core/trend/Paging.h"
#include "window/dialogs/frmConfig.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace tavin {

namespace {

// The user sees which stored values could not be used, and the log keeps the same.
void ReportReplacedSettings(AppState& s)
{
    if (s.conf.Replaced.isEmpty())
        return;
    for (const ReplacedSetting& r : s.conf.Replaced)
        s.LogMsg(1, QStringLiteral("ConfStartUp"), ReplacedSettingLogText(r));
    if (s.env.prompts)
        s.env.prompts->message(
            {ReplacedSettingsMessage(s.conf.Replaced), QString(), MsgButtons::Ok, MsgIcon::Exclamation});
}

// A file of the program's own that cannot be used, said once in a box and in the log.
void ReportFileProblem(AppState& s, const QString& procName, const QString& text)
{
    if (text.isEmpty())
        return;
    s.LogMsg(1, procName, text);
    if (s.env.prompts)
        s.env.prompts->message({text, QString(), MsgButtons::Ok, MsgIcon::Exclamation});
}

// A second instance must not let the user believe that changes made in it will last.
// An installed program also says where its settings and log are: not beside the executable.
QString StartMessage(bool saveSuppressed, const QString& foldersNote)
{
    QString text = saveSuppressed ? QStringLiteral("起動しました（このソフトは既に起動しているため、"
                                                   "この画面の設定は終了時に保存されません）")
                                  : QStringLiteral("起動しました");
    return foldersNote.isEmpty() ? text : text + QStringLiteral("　") + foldersNote;
}

// The start message gives way to later messages; this mark stays for the whole run.
void ShowSaveSuppressedMark(QStatusBar* bar)
{
    auto* mark = new QLabel(QStringLiteral("設定は保存されません（二重起動）"), bar);
    mark->setObjectName(QStringLiteral("lblSaveSuppressed"));
    mark->setToolTip(
        QStringLiteral("このソフトは既に起動しています。この画面で変更した設定は終了時に保存されません。"));
    bar->addPermanentWidget(mark);
}

}  // namespace

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
    auto step = [&](auto&& body) { Trap(s.log, QString(), body); };

    graph_->hold(true);  // one paint when the window is complete
    s.page.removeCursor();
    s.page.setPageSeconds(20.0f);
    ui.pctLabelWork->BackColor = ui.pctGraphWork->BackColor;
    s.instance = std::make_unique<InstanceLock>(s.env.stateFolder());
    s.SettingsSaveSuppressed = s.instance->previousInstance();
    setWindowTitle(caption());
    ResetRunSettings(s.Settings);
    s.log.LogInit();
    ReportFileProblem(s, QStringLiteral("Form_Load"), s.instance->problem());
    s.conf.ConfStartUp();
    ReportReplacedSettings(s);
    ApplyPerRunSettings(s.Settings);
    setWidthTwips(s.Settings.DebugMode != 0 ? DebugWidth : NormalWidth);
    ui.lblTani->setText(s.Settings.Tani);
    ui.txtAveNum->setText(QString::number(s.Settings.AveNum));
    gauge_->mnuTermKind_Click(s.Settings.Term);
    gauge_->ListComPorts();
    MenuSet();
    ui.pctGraphWork->setFontName(QStringLiteral("ＭＳ ゴシック"), 10);
    BuildScaleTables(0);
    InitRangeLists();
    step([&] { s.page.setSamplingMs(s.Settings.Sampling); });
    step([&] { ui.UpDown1->setValue(int(Val(ui.lblRefLine->text()))); });
    fillSamplingAndPageLists();
    ui.chkAve->setChecked(EtcConfHas(s.Settings.EtcConf, EtcAverage));
    ui.chkLowerLimit->setChecked(EtcConfHas(s.Settings.EtcConf, EtcLowerLimit));
    ui.chkUpperLimit->setChecked(EtcConfHas(s.Settings.EtcConf, EtcUpperLimit));
    if (ui.lblTani->text() == QStringLiteral("---"))
        gauge_->mnuTaniAuto_Click();
    else
        gauge_->SelectTani(s.Settings.Tani);
    mnuPlusRange_Click(s.Settings.RangePlus);
    mnuMinusRange_Click(s.Settings.RangeMinus);
    ui.StatusBar1->showMessage(StartMessage(s.SettingsSaveSuppressed, FoldersNote(s.env)));
    if (s.SettingsSaveSuppressed)
        ShowSaveSuppressedMark(ui.StatusBar1);
    showRecent();
    ui.txtSaveFileName->setText(s.Settings.FilePath);
    saveName_->txtSaveFileName_Change();  // also when the text did not change
    step([&] {                            // in the save folder, known from here on
        ReportFileProblem(s, QStringLiteral("Form_Load"), JournalListProblem(JournalFolderList(s.env)));
        recoverJournals();
    });
    AveReset();
    graph_->hold(false);
    st_.g_Keisu = 1.0f;
    pctGraph1_Paint();
    ui.lblUpper->setText(GeneralSingle(s.Settings.LimitHi));
    ui.lblLower->setText(GeneralSingle(s.Settings.LimitLow));
}

// The sampling and page-length lists, with the stored sampling and the 20 s page chosen.
void frmMain::fillSamplingAndPageLists()
{
    {
        // Filling a list selects nothing; only the stored choice below is applied.
        const QSignalBlocker quiet(ui.cmbSampling);
        ui.cmbSampling->clear();
        ui.cmbSampling->addItems(SamplingEntries());
        ui.cmbSampling->setCurrentIndex(-1);
    }
    SelectSampling(QString::number(st_.Settings.Sampling));
    {
        const QSignalBlocker quiet(ui.cmbPageSec);
        ui.cmbPageSec->clear();
        ui.cmbPageSec->addItems(PageSecEntries());
        ui.cmbPageSec->setCurrentIndex(-1);
    }
    ui.cmbPageSec->setCurrentIndex(4);
}

void frmMain::Form_Unload()
{
    if (unloaded_)
        return;
    unloaded_ = true;
    Trap(st_.log, QStringLiteral("Form_Unload"), [&] {
        if (measuring())
            cmdClose_Click();  // closing the window mid-measurement keeps what was recorded
        saveUnsaved();
        const AcquisitionView v = engine_->view();
        if (const int lost = v.unsavedInMemoryOnly; lost > 0)
            st_.LogMsg(
                2, QStringLiteral("Form_Unload"),
                QStringLiteral("保存できなかった測定データ %1 区間は保存されずに終了します。").arg(lost));
        if (const int kept = v.unsaved - v.unsavedInMemoryOnly; kept > 0)
            st_.LogMsg(
                1, QStringLiteral("Form_Unload"),
                QStringLiteral(
                    "保存できなかった測定データ %1 区間はジャーナルに残り、次回の起動時に復旧されます。")
                    .arg(kept));
        if (!st_.SettingsSaveSuppressed)
            st_.conf.ConfSave();
    });
    st_.LogMsg(0, QStringLiteral("Form_Unload"), QStringLiteral("#### プログラムを終了します ####"));
    Q_EMIT unloaded();
}

void frmMain::mnuSetting_Click()
{
    Trap(st_.log, QString(), [&] {
        if (st_.Settings.Password == 0) {
            frmPass pass(this);
            pass.exec();
            if (!pass.granted())
                return;
            st_.Settings.Password = 1;
        }
        frmConfig config(st_.Settings, st_.env, this);
        if (config.exec() != QDialog::Accepted)
            return;
        config.choices().applyTo(st_.Settings);
        saveName_->showSaveFolder();  // its button may have made the Documents folder the save folder
    });
}

void frmMain::Form_Resize()
{
    Trap(st_.log, QStringLiteral("Form_Resize"), [&] {
        growGraph();
        if (!ui.ProgressBar1 || width() * TwipsPerPixel <= 1000 || height() * TwipsPerPixel <= 1000)
            return;
        const QWidget* client = centralWidget();
        ui.ProgressBar1->move(ui.ProgressBar1->x(),
                              client->height() - ui.ProgressBar1->height() - PxFromTwips(30));
    });
}

void frmMain::growGraph()
{
    if (placements_.empty())
        return;
    const QSize extra = ExtraRoom(size(), {PxFromTwips(baseWidthTwips_), PxFromTwips(FormHeight)});
    if (extra == extra_)
        return;
    extra_ = extra;
    for (const Placement& p : placements_)
        p.control->setGeometry(Placed(p.base, p.anchor, extra));
    ui.ProgressBar1->resize(PxFromTwips(GraphAreaTwips.width()) + extra.width(), ui.ProgressBar1->height());
    graph_->grow(extra * TwipsPerPixel);
}

void frmMain::lblDebug_MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers)
{
    Trap(st_.log, QString(), [&] {
        const auto all = Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier;
        if (button != Qt::LeftButton || (modifiers & all) != all)
            return;
        if (!ui.lblDebug->Tag.isEmpty()) {
            ui.lblDebug->Tag.clear();
            setWidthTwips(NormalWidth);
        } else {
            ui.lblDebug->Tag = QStringLiteral("1");
            setWidthTwips(DebugWidth);
        }
    });
}

void frmMain::Timer1_Timer()
{
    Trap(st_.log, QString(), [&] {
        ui.Timer1->stop();
        // While measuring, the lamp goes out with the next screen refresh: one repaint for both.
        if (ui.tmrScreen->isActive())
            lampOutDue_ = true;
        else
            putLampOut();
    });
}

void frmMain::putLampOut()
{
    lampOutDue_ = false;
    ui.pctMonRecv->setColour(QApplication::palette().color(QPalette::Button));
}

void frmMain::MenuSet()
{
    Trap(st_.log, QStringLiteral("MenuSet"), [&] {
        for (QAction* a : ui.mnuCom)
            a->setChecked(int(Val(QStringView(a->text()).mid(3))) == st_.Settings.ComPort);
    });
}

void frmMain::Command1_Click()
{
    Trap(st_.log, QString(), [&] {
        engine_->saveNow();
        RefreshScreen();
    });
}

void frmMain::Command2_Click()
{
    Trap(st_.log, QString(), [&] {
        st_.env.prompts->message({GetMyDocumentsPath(st_.env), QString(), MsgButtons::Ok, MsgIcon::None});
    });
}

}  // namespace tavin
