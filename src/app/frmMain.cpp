#include "app/frmMain.h"

#include "app/AppState.h"
#include "decode/Sampling.h"
#include "platform/Controls.h"
#include "serial/frmComm.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QMenuBar>
#include <QStatusBar>

namespace tavin {

frmMain::frmMain(AppState& state, QWidget* parent) : QMainWindow(parent), st_(state)
{
    setObjectName(QStringLiteral("frmMain"));
    StatusBar1 = new QStatusBar(this);
    StatusBar1->setObjectName(QStringLiteral("StatusBar1"));
    setStatusBar(StatusBar1);
    buildMenus();
    buildControls();
    resize(PxFromTwips(NormalWidth), PxFromTwips(FormHeight));
    Form_Load();
}

frmMain::~frmMain() { delete comm_; }

void frmMain::buildMenus()
{
    auto named = [](auto* object, const char* name) {
        object->setObjectName(QString::fromLatin1(name));
        return object;
    };
    mnuFile = named(menuBar()->addMenu(QStringLiteral("メニュー(&F)")), "mnuFile");
    mnuSetting = named(mnuFile->addAction(QStringLiteral("設定(&C)")), "mnuSetting");
    mnuFile->addSeparator();
    mnuExit = named(mnuFile->addAction(QStringLiteral("終了(&Q)")), "mnuExit");
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);

    mnuTaniMenu = named(menuBar()->addMenu(QStringLiteral("単位(&N)")), "mnuTaniMenu");
    mnuTaniAuto = named(mnuTaniMenu->addAction(QStringLiteral("自動(&A)")), "mnuTaniAuto");
    mnuTaniAuto->setCheckable(true);

    mnuSamp = named(menuBar()->addMenu(QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ(&S)")), "mnuSamp");
    mnuSampAuto = named(mnuSamp->addAction(QStringLiteral("自動")), "mnuSampAuto");
    mnuSampAuto->setCheckable(true);
    // The check mark is ours to set: a click runs the handler, which inverts it.
    connect(mnuSampAuto, &QAction::triggered, this, [this] {
        mnuSampAuto->setChecked(!mnuSampAuto->isChecked());
        mnuSampAuto_Click();
    });
    mnuSamp->addSeparator();
    const QStringList captions = SamplingMenuCaptions();
    for (int i = 0; i < captions.size(); ++i) {
        QAction* a = mnuSamp->addAction(captions[i]);
        a->setObjectName(QStringLiteral("mnuSampling_%1").arg(i));
        a->setCheckable(true);
        connect(a, &QAction::triggered, this, [this, a, i] {
            a->setChecked(!a->isChecked());
            mnuSampling_Click(i);
        });
        mnuSampling << a;
    }
}

void frmMain::buildControls()
{
    auto* central = new QWidget(this);
    central->setObjectName(QStringLiteral("frmMainClient"));
    auto* grid = new QGridLayout(central);
    int row = 0;
    auto add = [&](const QString& caption, QWidget* w) {
        grid->addWidget(new QLabel(caption, central), row, 0);
        grid->addWidget(w, row++, 1);
    };
    lblVariable = new Label(QStringLiteral("lblVariable"), QStringLiteral("----"), central);
    QFont big = lblVariable->font();
    big.setPointSize(28);
    big.setBold(true);
    lblVariable->setFont(big);
    lblCounter = new Label(QStringLiteral("lblCounter"), QStringLiteral("0"), central);
    lblTani = new Label(QStringLiteral("lblTani"), QStringLiteral("---"), central);
    lblGA = new Label(QStringLiteral("lblGA"), QString(), central);
    lblBattery = new Label(QStringLiteral("lblBattery"), QStringLiteral("-"), central);
    lblBattery->setAutoFillBackground(true);
    lblBccErr = new Label(QStringLiteral("lblBccErr"), QString(), central);
    lblBccErrCnt = new Label(QStringLiteral("lblBccErrCnt"), QStringLiteral("0"), central);
    lblSampPC = new Label(QStringLiteral("lblSampPC"), QString(), central);
    lblSampling = new Label(QStringLiteral("lblSampling"), QString(), central);
    pctMonRecv = new QLabel(central);
    pctMonRecv->setObjectName(QStringLiteral("pctMonRecv"));
    pctMonRecv->setFixedSize(PxFromTwips(225), PxFromTwips(210));
    pctMonRecv->setAutoFillBackground(true);
    cmbSampling = new QComboBox(central);
    cmbSampling->setObjectName(QStringLiteral("cmbSampling"));
    connect(cmbSampling, &QComboBox::currentIndexChanged, this, [this] { cmbSampling_Click(); });

    add(QStringLiteral("測定値"), lblVariable);
    add(QStringLiteral("単位"), lblTani);
    add(QStringLiteral("データ数"), lblCounter);
    add(QStringLiteral("受信"), pctMonRecv);
    add(QStringLiteral("電池"), lblBattery);
    add(QStringLiteral("基準"), lblGA);
    add(QStringLiteral("サンプリング"), cmbSampling);
    add(QString(), lblSampling);
    add(QString(), lblSampPC);
    add(QStringLiteral("受信エラー"), lblBccErrCnt);
    add(QString(), lblBccErr);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);
    setCentralWidget(central);
}

frmComm& frmMain::comm()
{
    if (!comm_)
        comm_ = new frmComm(st_, *this);
    return *comm_;
}

void frmMain::setWidthTwips(int twips) { resize(PxFromTwips(twips), height()); }

void frmMain::mnuExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

}  // namespace tavin
