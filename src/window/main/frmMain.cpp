#include "window/main/frmMain.h"

#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "window/dialogs/frmComm.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTimer>

namespace tavin {

frmMain::frmMain(AppState& state, QWidget* parent)
    : QMainWindow(parent), st_(state),
      engine_(std::make_unique<Acquisition>(state.env, state.log, state.store, state.journal, state.unsaved))
{
    setObjectName(QStringLiteral("frmMain"));
    buildMenus();
    buildControls();
    graph_ = std::make_unique<GraphView>(state, *engine_, ui);
    evaluation_ = std::make_unique<EvaluationView>(state, *graph_, ui.pctGraph1, ui,
                                                   [this] { return ui.lblTani->text(); });
    buildEvaluationMenu();
    print_ = std::make_unique<PrintJob>(state, *graph_, ui.StatusBar1);
    gauge_ = std::make_unique<GaugeMenus>(state, ui, this);
    connect(gauge_.get(), &GaugeMenus::optionsChanged, this, &frmMain::pushOptions);
    connect(gauge_.get(), &GaugeMenus::graphChanged, this, &frmMain::pctGraph1_Paint);
    saveName_ = std::make_unique<SaveNameBox>(state, ui, this, ui.StatusBar1);
    connect(saveName_.get(), &SaveNameBox::changed, this, &frmMain::pushOptions);
    connectHandlers();
    // The controls are placed in twips, not by the layout, which knows only the menu bar and the
    // status bar: the minimum it would give the window (about 20 x 45 pixels) says nothing about
    // the window, and it would hand each change of it to the window system while the window shows.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
    // Smaller than the user's base size the controls would be cut off. Told once, before the window
    // shows: in the debug width the engineering controls may be cut off, never overlap.
    setMinimumSize(PxFromTwips(NormalWidth), PxFromTwips(FormHeight));
    resize(PxFromTwips(NormalWidth), PxFromTwips(FormHeight));
    Form_Load();
    optionsLive_ = true;
    pushOptions();
    connect(engine_.get(), &Acquisition::news, this, &frmMain::RefreshScreen, Qt::QueuedConnection);
}

// The communication window is a child and is destroyed after this window's own members: its port
// closing then must not signal a lost device to this half-destroyed window. (Its frames reach this
// window only from events, and none are delivered during destruction.)
frmMain::~frmMain()
{
    if (comm_)
        comm_->disconnect(this);
    engine_->disconnect(this);
    engine_.reset();
}

void frmMain::cmdComm_Click()
{
    frmComm& console = comm();
    console.show();
    console.raise();
    console.activateWindow();
}

frmComm& frmMain::comm()
{
    if (!comm_) {
        comm_ = new frmComm(st_, *engine_, this);
    }
    return *comm_;
}

void frmMain::connectHandlers()
{
    connectMenus();
    connectControls();
    connectGraphAndTimers();
}

// A menu click runs the handler, which alone decides the check marks.
void frmMain::connectMenus()
{
    auto click = [this](QAction* a, auto handler) { OnMenuClick(a, this, handler); };
    click(ui.mnuExit, [this] { mnuExit_Click(); });
    click(ui.mnuExportCsv, [this] { mnuExportCsv_Click(); });
    click(ui.mnuGraphImage, [this] { mnuGraphImage_Click(); });
    click(ui.actCopyGraph, [this] { copyGraph(); });
    for (int i = 0; i < ui.mnuRecent.size(); ++i)
        click(ui.mnuRecent[i], [this, i] { openRecording(st_.Settings.Recent.value(i)); });
    click(ui.actOpen, [this] { openRecording(QString()); });
    click(ui.actPrint, [this] {
        if (ui.cmdPrintOut->isEnabled() && ui.cmdPrintOut->isVisibleTo(this))
            ui.cmdPrintOut->click();
    });
    // The menu shows the print item as the button is; its key works whenever the button does.
    connect(ui.mnuFile, &QMenu::aboutToShow, this, [this] {
        ui.actPrint->setEnabled(ui.cmdPrintOut->isEnabled() && ui.cmdPrintOut->isVisibleTo(this));
    });
    connect(ui.mnuFile, &QMenu::aboutToHide, this, [this] { ui.actPrint->setEnabled(true); });
    for (int i = 0; i < ui.mnuPlusRange.size(); ++i)
        click(ui.mnuPlusRange[i], [this, i] { mnuPlusRange_Click(i); });
    for (int i = 0; i < ui.mnuMinusRange.size(); ++i)
        click(ui.mnuMinusRange[i], [this, i] { mnuMinusRange_Click(i); });
    click(ui.mnuSampAuto, [this] { mnuSampAuto_Click(); });
    for (int i = 0; i < ui.mnuSampling.size(); ++i)
        click(ui.mnuSampling[i], [this, i] { mnuSampling_Click(i); });
    click(ui.mnuUpperLimitInput, [this] { mnuUpperLimitInput_Click(); });
    click(ui.mnuLowerLimitInput, [this] { mnuLowerLimitInput_Click(); });
}

void frmMain::connectControls()
{
    connect(ui.cmdOpen, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(ui.cmdClose, &QPushButton::clicked, this, &frmMain::cmdClose_Click);
    connect(ui.cmdFileLoad, &QPushButton::clicked, this, &frmMain::cmdFileLoad_Click);
    connect(ui.cmdPrintOut, &QPushButton::clicked, this, &frmMain::cmdPrintOut_Click);
    connect(ui.cmdComm, &QPushButton::clicked, this, &frmMain::cmdComm_Click);
    connect(ui.cmdPrintOne, &QPushButton::clicked, this, &frmMain::cmdPrintOne_Click);
    connect(ui.Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(ui.Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    for (int i = 0; i < ui.optMode.size(); ++i)
        connect(ui.optMode[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optMode_Click(i);
        });
    connect(ui.cmbSampling, &QComboBox::currentIndexChanged, this, [this] { cmbSampling_Click(); });
    connect(ui.cmbPageSec, &QComboBox::currentIndexChanged, this, [this] { cmbPageSec_Click(); });
    connect(ui.cmbGraphRange, &QComboBox::currentIndexChanged, this, [this] { cmbGraphRange_Click(); });
    connect(ui.cmbRangeMinus, &QComboBox::currentIndexChanged, this, [this] { cmbRangeMinus_Click(); });
    connect(ui.chkUpperLimit, &QCheckBox::toggled, this, [this] { chkUpperLimit_Click(); });
    connect(ui.chkLowerLimit, &QCheckBox::toggled, this, [this] { chkLowerLimit_Click(); });
    connect(ui.chkDispMode, &QCheckBox::toggled, this, [this] { chkDispMode_Click(); });
    connect(ui.chkAve, &QCheckBox::toggled, this, &frmMain::chkAve_Click);
    connect(ui.chkAveMode, &QCheckBox::toggled, this, &frmMain::chkAveMode_Click);
    connect(ui.mnuAveEna, &QAction::triggered, this, &frmMain::mnuAveEna_Click);
    connect(ui.mnuSetting, &QAction::triggered, this, &frmMain::mnuSetting_Click);
    // Only what the user types counts as an edit, never a text the program puts there.
    connect(ui.txtAveNum, &QLineEdit::textEdited, this, &frmMain::txtAveNum_Change);
    for (QCheckBox* c : {ui.chkMinus120per, ui.chk120perScale, ui.chk125perHasen, ui.chkMinusFullNoSuji})
        connect(c, &QCheckBox::toggled, this, [this] {
            for (QCheckBox* dependent : {ui.chk120perScale, ui.chkMinusFullNoSuji, ui.chk125perHasen})
                dependent->setEnabled(ui.chkMinus120per->isChecked());
            BuildScaleTables(ui.cmbRangeMinus->currentIndex());
            cmbGraphRange_Click();
        });
    connect(ui.lblUpper, &Label::Change, this,
            [this] { graph_->SetLimitLinePos(ui.LineUpper, st_.Settings.LimitHi); });
    connect(ui.lblLower, &Label::Change, this,
            [this] { graph_->SetLimitLinePos(ui.LineLower, st_.Settings.LimitLow); });
    connect(ui.lblRefLine, &Label::Change, this, &frmMain::lblRefLine_Change);
    connect(ui.UpDown1, &QSpinBox::valueChanged, this,
            [this](int v) { ui.lblRefLine->setText(QString::number(v)); });
}

void frmMain::connectGraphAndTimers()
{
    connect(ui.Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(ui.Timer3, &QTimer::timeout, this, &frmMain::Timer3_Timer);
    connect(ui.tmrScreen, &QTimer::timeout, this, &frmMain::RefreshScreen);
    for (int i = 0; i < ui.cmdZoom.size(); ++i)
        connect(ui.cmdZoom[i], &QPushButton::clicked, this, [this, i] { cmdZoom_Click(i); });
    connect(ui.pctGraph1, &PictureBox::MouseUp, this, &frmMain::pctGraph1_MouseUp);
    connect(graph_.get(), &GraphView::longerPage, this,
            [this] { ui.cmbPageSec->setCurrentIndex(ui.cmbPageSec->currentIndex() + 1); });
    connect(ui.tmrUnsaved, &QTimer::timeout, this, &frmMain::saveUnsaved);
    connect(ui.tmrStream, &QTimer::timeout, this, [this] { showStream(engine_->view().stream); });
    ui.lblDebug->installEventFilter(this);
    ui.txtAveNum->installEventFilter(this);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == ui.txtAveNum && event->type() == QEvent::FocusOut)
        txtAveNum_LostFocus();
    if (watched == ui.lblDebug && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        lblDebug_MouseDown(e->button(), e->modifiers());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::setWidthTwips(int twips)
{
    baseWidthTwips_ = twips;  // the debug width's extra room is the engineering controls', not the graph's
    resize(PxFromTwips(twips), height());
}

void frmMain::mnuExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!unloaded_) {
        // A segment that exists only in memory would end with the program: the user decides.
        if (measuring())
            cmdClose_Click();  // stopped and saved here: the shutdown finds nothing to save twice
        saveUnsaved();
        const int lost = engine_->view().unsavedInMemoryOnly;
        if (lost > 0 && st_.env.prompts->message(
                            {QStringLiteral("保存できなかった測定データが %1 区間あります。終了するとこの"
                                            "データは失われます。\r\n終了しますか？")
                                 .arg(lost),
                             windowTitle(), MsgButtons::YesNo, MsgIcon::Exclamation}) != MsgAnswer::Yes) {
            event->ignore();
            return;
        }
    }
    Form_Unload();
    event->accept();
}

void frmMain::resizeEvent(QResizeEvent* event)
{
    QMainWindow::resizeEvent(event);
    Form_Resize();
}

}  // namespace tavin
