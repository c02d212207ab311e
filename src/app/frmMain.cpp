#include "app/frmMain.h"

#include "app/AppState.h"
#include "platform/Controls.h"
#include "platform/PictureBox.h"
#include "platform/Prompts.h"
#include "serial/frmComm.h"

#include <QAction>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QLayout>
#include <QLineEdit>
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
    connectHandlers();
    // The controls are placed in twips, not by the layout, which knows only the menu bar and the
    // status bar: the minimum it would give the window (about 20 x 45 pixels) says nothing about
    // the window, and it would hand each change of it to the window system while the window shows.
    layout()->setSizeConstraint(QLayout::SetNoConstraint);
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

frmComm& frmMain::comm()
{
    if (!comm_) {
        comm_ = new frmComm(st_, *engine_, this);
    }
    return *comm_;
}

void frmMain::connectHandlers()
{
    // A menu click runs the handler, which alone decides the check marks.
    auto click = [this](QAction* a, auto handler) {
        connect(a, &QAction::triggered, this, [a, handler] {
            if (a->isCheckable())
                a->setChecked(!a->isChecked());
            handler();
        });
    };
    click(mnuExit, [this] { mnuExit_Click(); });
    for (int i = 0; i < mnuCom.size(); ++i)
        click(mnuCom[i], [this, i] { mnuCom_Click(i); });
    for (int i = 0; i < mnuBaoud.size(); ++i)
        click(mnuBaoud[i], [this, i] { mnuBaoud_Click(i); });
    for (int i = 0; i < mnuTermKind.size(); ++i)
        click(mnuTermKind[i], [this, i] { mnuTermKind_Click(i); });
    for (int i = 0; i < mnuPlusRange.size(); ++i)
        click(mnuPlusRange[i], [this, i] { mnuPlusRange_Click(i); });
    for (int i = 0; i < mnuMinusRange.size(); ++i)
        click(mnuMinusRange[i], [this, i] { mnuMinusRange_Click(i); });
    click(mnuTaniAuto, [this] { mnuTaniAuto_Click(); });
    for (int i = 0; i < mnuTani.size(); ++i)
        click(mnuTani[i], [this, i] { mnuTani_Click(i); });
    click(mnuTaniInput, [this] { mnuTaniInput_Click(); });
    for (int i = 0; i < mnuTaniExt.size(); ++i)
        click(mnuTaniExt[i], [this, i] { mnuTaniExt_Click(i); });
    click(mnuSampAuto, [this] { mnuSampAuto_Click(); });
    for (int i = 0; i < mnuSampling.size(); ++i)
        click(mnuSampling[i], [this, i] { mnuSampling_Click(i); });
    click(mnuKeisuInput, [this] { mnuKeisuInput_Click(); });
    click(mnuUpperLimitInput, [this] { mnuUpperLimitInput_Click(); });
    click(mnuLowerLimitInput, [this] { mnuLowerLimitInput_Click(); });

    connect(cmdOpen, &QPushButton::clicked, this, &frmMain::cmdOpen_Click);
    connect(cmdClose, &QPushButton::clicked, this, &frmMain::cmdClose_Click);
    connect(cmdFileLoad, &QPushButton::clicked, this, &frmMain::cmdFileLoad_Click);
    connect(cmdPrintOut, &QPushButton::clicked, this, &frmMain::cmdPrintOut_Click);
    connect(cmdComm, &QPushButton::clicked, this, &frmMain::cmdComm_Click);
    connect(cmdPrintOne, &QPushButton::clicked, this, &frmMain::cmdPrintOne_Click);
    connect(Command1, &QPushButton::clicked, this, &frmMain::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &frmMain::Command2_Click);
    for (int i = 0; i < optMode.size(); ++i)
        connect(optMode[i], &QRadioButton::toggled, this, [this, i](bool on) {
            if (on)
                optMode_Click(i);
        });
    connect(cmbSampling, &QComboBox::currentIndexChanged, this, [this] { cmbSampling_Click(); });
    connect(cmbPageSec, &QComboBox::currentIndexChanged, this, [this] { cmbPageSec_Click(); });
    connect(cmbGraphRange, &QComboBox::currentIndexChanged, this, [this] { cmbGraphRange_Click(); });
    connect(cmbRangeMinus, &QComboBox::currentIndexChanged, this, [this] { cmbRangeMinus_Click(); });
    connect(chkUpperLimit, &QCheckBox::toggled, this, [this] { chkUpperLimit_Click(); });
    connect(chkLowerLimit, &QCheckBox::toggled, this, [this] { chkLowerLimit_Click(); });
    connect(chkDispMode, &QCheckBox::toggled, this, [this] { chkDispMode_Click(); });
    connect(chkAve, &QCheckBox::toggled, this, &frmMain::chkAve_Click);
    connect(chkAveMode, &QCheckBox::toggled, this, &frmMain::chkAveMode_Click);
    connect(mnuAveEna, &QAction::triggered, this, &frmMain::mnuAveEna_Click);
    connect(mnuSetting, &QAction::triggered, this, &frmMain::mnuSetting_Click);
    // Only what the user types counts as an edit, never a text the program puts there.
    connect(txtAveNum, &QLineEdit::textEdited, this, &frmMain::txtAveNum_Change);
    for (QCheckBox* c : {chkMinus120per, chk120perScale, chk125perHasen, chkMinusFullNoSuji})
        connect(c, &QCheckBox::toggled, this, [this] {
            for (QCheckBox* dependent : {chk120perScale, chkMinusFullNoSuji, chk125perHasen})
                dependent->setEnabled(chkMinus120per->isChecked());
            BuildScaleTables(cmbRangeMinus->currentIndex());
            cmbGraphRange_Click();
        });
    connect(lblTani, &Label::Change, this, &frmMain::lblTani_Change);
    connect(lblUpper, &Label::Change, this, [this] { SetLimitLinePos(LineUpper, st_.Settings.LimitHi); });
    connect(lblLower, &Label::Change, this, [this] { SetLimitLinePos(LineLower, st_.Settings.LimitLow); });
    connect(lblRefLine, &Label::Change, this, &frmMain::lblRefLine_Change);
    connect(UpDown1, &QSpinBox::valueChanged, this, [this](int v) { lblRefLine->setText(QString::number(v)); });
    connect(txtSaveFileName, &QLineEdit::textChanged, this, &frmMain::txtSaveFileName_Change);
    connect(HScroll1, &QScrollBar::valueChanged, this, &frmMain::HScroll1_Change);
    connect(Timer1, &QTimer::timeout, this, &frmMain::Timer1_Timer);
    connect(Timer3, &QTimer::timeout, this, &frmMain::Timer3_Timer);
    connect(tmrScreen, &QTimer::timeout, this, &frmMain::RefreshScreen);
    connect(Timer4, &QTimer::timeout, this, &frmMain::Timer4_Timer);
    Timer4->start();
    for (int i = 0; i < cmdZoom.size(); ++i)
        connect(cmdZoom[i], &QPushButton::clicked, this, [this, i] { cmdZoom_Click(i); });
    pctGraph1->setMouseTracking(true);  // the tool tip follows the mouse without a button held
    connect(pctGraph1, &PictureBox::MouseMove, this, [this](float x, float) { pctGraph1_MouseMove(x); });
    connect(pctGraph1, &PictureBox::MouseDown, this,
            [this](Qt::MouseButton b, float x, float) { pctGraph1_MouseDown(b, x); });
    connect(pctGraph1, &PictureBox::MouseUp, this, &frmMain::pctGraph1_MouseUp);
    connect(pctGraph1, &PictureBox::DblClick, this, &frmMain::pctGraph1_DblClick);
    connect(tmrUnsaved, &QTimer::timeout, this, &frmMain::saveUnsaved);
    lblDebug->installEventFilter(this);
    HScroll1->installEventFilter(this);
    txtSaveFileName->installEventFilter(this);
    txtAveNum->installEventFilter(this);
}

bool frmMain::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == HScroll1 && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        ScrollDepth = event->type() == QEvent::FocusIn ? 1 : 0;
    if (watched == txtSaveFileName && event->type() == QEvent::MouseButtonRelease && txtSaveFileName->isEnabled()) {
        txtSaveFileName_Click();
        return true;
    }
    if (watched == txtAveNum && event->type() == QEvent::FocusOut)
        txtAveNum_LostFocus();
    if (watched == lblDebug && event->type() == QEvent::MouseButtonPress) {
        auto* e = static_cast<QMouseEvent*>(event);
        lblDebug_MouseDown(e->button(), e->modifiers());
        return true;
    }
    return QMainWindow::eventFilter(watched, event);
}

void frmMain::setWidthTwips(int twips) { resize(PxFromTwips(twips), height()); }

void frmMain::mnuExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event)
{
    if (!unloaded_) {
        // A segment that exists only in memory would end with the program: the user decides.
        if (Measuring) {
            cmdClose_Click();
            Measuring = 0;  // stopped and saved here: the shutdown must not save the segment twice
        }
        saveUnsaved();
        const int lost = engine_->view().unsavedInMemoryOnly;
        if (lost > 0 &&
            st_.env.prompts->message({QStringLiteral("保存できなかった測定データが %1 区間あります。終了するとこの"
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
