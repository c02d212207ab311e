#include "app/frmMain.h"

#include "app/AppState.h"

#include <QCloseEvent>
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
    resize(PxFromTwips(NormalWidth), PxFromTwips(FormHeight));
    Form_Load();
}

frmMain::~frmMain() = default;

void frmMain::buildMenus()
{
    mnuFile = menuBar()->addMenu(QStringLiteral("メニュー(&F)"));
    mnuFile->setObjectName(QStringLiteral("mnuFile"));
    mnuSetting = mnuFile->addAction(QStringLiteral("設定(&C)"));
    mnuSetting->setObjectName(QStringLiteral("mnuSetting"));
    mnuFile->addSeparator();
    mnuExit = mnuFile->addAction(QStringLiteral("終了(&Q)"));
    mnuExit->setObjectName(QStringLiteral("mnuExit"));
    connect(mnuExit, &QAction::triggered, this, &frmMain::mnuExit_Click);
}

void frmMain::setWidthTwips(int twips) { resize(PxFromTwips(twips), height()); }

void frmMain::mnuExit_Click() { close(); }

void frmMain::closeEvent(QCloseEvent* event)
{
    Form_Unload();
    event->accept();
}

}  // namespace tavin
