// The main window's menus and controls. Placement is in twips, as the window was designed: the
// left 13380 twips hold what a user needs, the debug width adds the engineering controls. This is
// the base size; a larger window gives its extra room to the graph (recordPlacements, growGraph).
#include "core/app/AppState.h"
#include "core/decode/Sampling.h"
#include "core/decode/Units.h"
#include "core/trend/GraphRoom.h"
#include "core/trend/Paging.h"
#include "core/trend/Scale.h"
#include "window/main/frmMain.h"
#include "window/widgets/Controls.h"
#include "window/widgets/PictureBox.h"

#include <QAction>
#include <QActionGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QMainWindow>
#include <QMenuBar>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QStatusBar>
#include <QTimer>

namespace tavin {

namespace {

// Places a control in twips within its parent.
void place(QWidget* w, int left, int top, int width, int height)
{
    w->setGeometry(PxFromTwips(left), PxFromTwips(top), PxFromTwips(width), PxFromTwips(height));
}

// A checkable menu item whose check mark only the handler sets.
QAction* item(QMenu* menu, const QString& caption, const QString& name)
{
    QAction* a = named(menu->addAction(caption), name);
    a->setCheckable(true);
    return a;
}

// A recording's name ("RQ4600_Datas-20261206-130034-1-20261206-140112.csv") is wider than the
// panel: on one line in a smaller font, cut in the middle when too long (so that it never runs
// into the check box below), with the whole name as tool tip.
void showFileName(Label* label)
{
    label->setElided();
    label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QFont small = label->font();
    if (small.pointSizeF() > 0)
        small.setPointSizeF(small.pointSizeF() * 0.8);
    else
        small.setPixelSize(small.pixelSize() * 4 / 5);
    label->setFont(small);
    QObject::connect(label, &Label::Change, label, [label] { label->setToolTip(label->text()); });
}

// The file menu: settings, load and print with their keys, copy and exports, the recent recordings,
// exit.
void buildFileMenu(Ui::frmMain& ui, QMenuBar* bar, QMainWindow* w)
{
    ui.mnuFile = named(bar->addMenu(QStringLiteral("メニュー(&F)")), QStringLiteral("mnuFile"));
    ui.mnuSetting = named(ui.mnuFile->addAction(QStringLiteral("設定(&C)")), QStringLiteral("mnuSetting"));
    ui.mnuFile->addSeparator();
    // The load and print buttons' keys, shown where a user looks for them.
    ui.actOpen = named(ui.mnuFile->addAction(QStringLiteral("読み込み(&O)...")), QStringLiteral("actOpen"));
    ui.actOpen->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_O));
    ui.actPrint = named(ui.mnuFile->addAction(QStringLiteral("印刷(&P)...")), QStringLiteral("actPrint"));
    ui.actPrint->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_P));
    w->addActions({ui.actOpen, ui.actPrint});
    ui.mnuFile->addSeparator();
    ui.mnuGraphImage = named(ui.mnuFile->addAction(QStringLiteral("グラフを画像で保存(&G)...")),
                             QStringLiteral("mnuGraphImage"));
    ui.mnuExportCsv =
        named(ui.mnuFile->addAction(QStringLiteral("解析用CSV出力(&E)...")), QStringLiteral("mnuExportCsv"));
    ui.mnuFile->addSeparator();
    for (int i = 0; i < RecentMax; ++i) {
        ui.mnuRecent << named(ui.mnuFile->addAction(QString()), QStringLiteral("mnuRecent%1").arg(i));
        ui.mnuRecent.back()->setVisible(false);
    }
    ui.mnuRecentEnd = ui.mnuFile->addSeparator();
    ui.mnuRecentEnd->setVisible(false);
    ui.mnuExit = named(ui.mnuFile->addAction(QStringLiteral("終了(&Q)")), QStringLiteral("mnuExit"));
    ui.mnuExit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q));
}

// What the gauge is and sends: port and speed, kind, sensor range, unit.
void buildGaugeMenus(Ui::frmMain& ui, QMenuBar* bar)
{
    ui.mnuPort = named(bar->addMenu(QStringLiteral("&COMM")), QStringLiteral("mnuPort"));
    for (int i = 0; i < 30; ++i) {
        QAction* a = item(ui.mnuPort, QStringLiteral("COM%1").arg(i + 1), QStringLiteral("mnuCom_%1").arg(i));
        a->setVisible(false);
        ui.mnuCom << a;
    }
    ui.mnuCom[0]->setChecked(true);
    ui.mnuPort->addSeparator();
    for (const char* b : {"9600bps", "38400bps", "115200bps"})
        ui.mnuBaoud << item(ui.mnuPort, QString::fromLatin1(b),
                            QStringLiteral("mnuBaoud_%1").arg(ui.mnuBaoud.size()));
    ui.mnuBaoud[0]->setChecked(true);

    ui.mnuTerm = named(bar->addMenu(QStringLiteral("Term(&T)")), QStringLiteral("mnuTerm"));
    const QStringList kinds = {"VRT50",
                               QStringLiteral("VRT50-QL(1ch専用)"),
                               "HOSTU-VRT",
                               "RQ",
                               "QZ",
                               "MW200",
                               QStringLiteral("その他")};
    for (int i = 0; i < kinds.size(); ++i)
        ui.mnuTermKind << item(ui.mnuTerm, kinds[i], QStringLiteral("mnuTermKind_%1").arg(i));

    ui.mnuSensorRange = named(bar->addMenu(QStringLiteral("ｾﾝｻﾚﾝｼﾞ(&R)")), QStringLiteral("mnuSensorRange"));
    for (int i = 0; i < PlusRangeCount; ++i)
        ui.mnuPlusRange << item(ui.mnuSensorRange, PlusRangeCaptions()[i],
                                QStringLiteral("mnuPlusRange_%1").arg(i));
    ui.mnuSensorRange->addSeparator();
    for (int i = 0; i < MinusRangeCount; ++i)
        ui.mnuMinusRange << item(ui.mnuSensorRange, MinusRangeCaptions()[i],
                                 QStringLiteral("mnuMinusRange_%1").arg(i));

    ui.mnuTaniMenu = named(bar->addMenu(QStringLiteral("単位(&N)")), QStringLiteral("mnuTaniMenu"));
    ui.mnuTaniAuto = item(ui.mnuTaniMenu, QStringLiteral("自動(&A)"), QStringLiteral("mnuTaniAuto"));
    ui.mnuTaniMenu->addSeparator();
    for (int i = 0; i < FixedUnits().size(); ++i)
        ui.mnuTani << item(ui.mnuTaniMenu, FixedUnits()[i], QStringLiteral("mnuTani_%1").arg(i));
    ui.mnuTaniMenu->addSeparator();
    ui.mnuTaniInput = item(ui.mnuTaniMenu, QStringLiteral("入力..."), QStringLiteral("mnuTaniInput"));
    for (int i = 0; i < UserUnitSlots; ++i) {
        QAction* a =
            item(ui.mnuTaniMenu, QStringLiteral("Ext%1").arg(i + 1), QStringLiteral("mnuTaniExt_%1").arg(i));
        a->setVisible(false);
        ui.mnuTaniExt << a;
    }
}

// Makes the window's controls, placed in twips, on its client area unless given a parent.
struct ControlMaker {
    QWidget* client;

    Label* label(const QString& name, const QString& caption, int l, int t, int w, int h,
                 QWidget* parent = nullptr) const
    {
        auto* lb = new Label(name, caption, parent ? parent : client);
        place(lb, l, t, w, h);
        return lb;
    }
    QCheckBox* check(const QString& name, const QString& caption, int l, int t, int w, int h,
                     QWidget* parent = nullptr) const
    {
        auto* c = named(new QCheckBox(caption, parent ? parent : client), name);
        place(c, l, t, w, h);
        return c;
    }
    QPushButton* button(const QString& name, const QString& caption, int l, int t, int w, int h) const
    {
        auto* b = named(new QPushButton(caption, client), name);
        place(b, l, t, w, h);
        return b;
    }
    QComboBox* combo(const QString& name, int l, int t, int w) const
    {
        auto* c = named(new QComboBox(client), name);
        place(c, l, t, w, 360);
        return c;
    }
};

Label* framed(Label* l)
{
    l->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    l->setAlignment(Qt::AlignCenter);
    return l;
}

void buildGraph(Ui::frmMain& ui, const ControlMaker& m)
{
    // The graph: labels on pctGraphWork around the plot area pctGraph1.
    ui.pctGraphWork = new PictureBox(QStringLiteral("pctGraphWork"), m.client);
    ui.pctGraphWork->BackColor = QColor(224, 224, 224);
    ui.pctGraphWork->setTwips(GraphAreaTwips);
    ui.pctGraph1 = new PictureBox(QStringLiteral("pctGraph1"), ui.pctGraphWork);
    // Ctrl+C and the graph's menu copy it.
    ui.actCopyGraph =
        named(new QAction(QStringLiteral("グラフをコピー"), ui.pctGraphWork), QStringLiteral("actCopyGraph"));
    ui.actCopyGraph->setShortcut(QKeySequence::Copy);
    // For the whole window: a click on the plot hands the focus to the page length (text boxes
    // keep their own Ctrl+C).
    ui.actCopyGraph->setShortcutContext(Qt::WindowShortcut);
    ui.pctGraphWork->addAction(ui.actCopyGraph);
    ui.mnuFile->insertAction(ui.mnuGraphImage, ui.actCopyGraph);  // shows its key
    ui.pctGraphWork->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui.pctGraph1->addAction(ui.actCopyGraph);
    ui.pctGraph1->setContextMenuPolicy(Qt::ActionsContextMenu);
    ui.pctGraph1->setTwips(PlotTwips);
    ui.LineUpper = ui.pctGraph1->addShape(QStringLiteral("LineUpper"));
    ui.LineUpper->BorderColor = QColor(255, 0, 0);
    ui.LineLower = ui.pctGraph1->addShape(QStringLiteral("LineLower"));
    ui.LineLower->BorderColor = QColor(0, 0, 255);
    ui.lineCursor = ui.pctGraph1->addShape(QStringLiteral("lineCursor"));
    ui.lineCursor->BorderColor = QColor(0, 128, 0);
    ui.LineUpper->fullWidth = ui.LineLower->fullWidth = true;
    ui.lineCursor->fullHeight = true;
    ui.pctLabelWork = new PictureBox(QStringLiteral("pctLabelWork"), ui.pctGraph1);
    ui.pctLabelWork->BackColor = ui.pctGraphWork->BackColor;
    ui.pctLabelWork->setTwips(150, 150, 2700, 900);
    ui.pctLabelWork->hide();
    ui.HScroll1 = named(new QScrollBar(Qt::Horizontal, m.client), QStringLiteral("HScroll1"));
    place(ui.HScroll1, 900, 8430, 8040, 255);
    ui.lblPage = m.label(QStringLiteral("lblPage"), QString(), 900, 8730, 2400, 270);
    ui.lblTime = m.label(QStringLiteral("lblTime"), QString(), 3450, 8730, 1500, 270);
    // Under the page's labels and the progress bar of a load.
    ui.lblPageStats = m.label(QStringLiteral("lblPageStats"), QString(), 900, 9450, 8520, 270);
    ui.lblDataNum = m.label(QStringLiteral("lblDataNum"), QStringLiteral("データ数"), 5100, 8730, 1100, 270);
    ui.lblCounter = m.label(QStringLiteral("lblCounter"), QStringLiteral("0"), 6200, 8730, 1500, 270);
    ui.lblCounter->setLive();
    ui.lblDebug = m.label(QStringLiteral("lblDebug"), QStringLiteral(" "), 0, 8730, 195, 270);
}

void buildReadout(Ui::frmMain& ui, const ControlMaker& m)
{
    // Readout.
    ui.lblVariable =
        framed(m.label(QStringLiteral("lblVariable"), QStringLiteral("----- "), 9600, 120, 3600, 900));
    QFont big(QStringLiteral("Noto Sans Mono CJK JP"), 30, QFont::Bold);
    ui.lblVariable->setFont(big);
    ui.lblVariable->setAutoFillBackground(true);
    ui.lblVariable->setLive();
    ui.lblTani = m.label(QStringLiteral("lblTani"), QStringLiteral("---"), 9600, 1050, 1800, 360);
    QFont unitFont = ui.lblTani->font();
    unitFont.setPointSize(14);
    ui.lblTani->setFont(unitFont);
    ui.pctMonRecv = named(new Lamp(m.client), QStringLiteral("pctMonRecv"));
    place(ui.pctMonRecv, 12900, 1110, 225, 210);
    m.label(QStringLiteral("lblBatteryCaption"), QStringLiteral("電池"), 9600, 1500, 600, 270);
    ui.lblBattery = framed(m.label(QStringLiteral("lblBattery"), QStringLiteral("-"), 10200, 1470, 700, 300));
    ui.lblBattery->setAutoFillBackground(true);
    m.label(QStringLiteral("lblGACaption"), QStringLiteral("基準"), 11100, 1500, 600, 270);
    ui.lblGA = framed(m.label(QStringLiteral("lblGA"), QString(), 11700, 1470, 500, 300));
    m.label(QStringLiteral("lblStartCaption"), QStringLiteral("開始"), 9600, 1890, 600, 270);
    ui.lblStartTime = m.label(QStringLiteral("lblStartTime"), QString(), 10200, 1890, 3100, 270);
}

void buildRecordingPanel(Ui::frmMain& ui, const ControlMaker& m)
{
    // Mode, start and stop, file.
    ui.Frame3 = named(new QGroupBox(QStringLiteral("測定/読出モード"), m.client), QStringLiteral("Frame3"));
    place(ui.Frame3, 9600, 2250, 3600, 600);
    ui.optMode << named(new QRadioButton(QStringLiteral("測定"), ui.Frame3), QStringLiteral("optMode_0"))
               << named(new QRadioButton(QStringLiteral("読み出し"), ui.Frame3), QStringLiteral("optMode_1"));
    place(ui.optMode[0], 150, 270, 1400, 270);
    place(ui.optMode[1], 1800, 270, 1600, 270);
    ui.optMode[0]->setChecked(true);
    ui.cmdOpen = m.button(QStringLiteral("cmdOpen"), QStringLiteral("測定開始(&S)"), 9600, 2970, 1750, 480);
    ui.cmdClose =
        m.button(QStringLiteral("cmdClose"), QStringLiteral("測定停止(&P)"), 11450, 2970, 1750, 480);
    ui.cmdClose->setEnabled(false);
    ui.cmdFileLoad =
        m.button(QStringLiteral("cmdFileLoad"), QStringLiteral("読み込み"), 9600, 3540, 1750, 420);
    ui.cmdFileLoad->setEnabled(false);
    ui.cmdPrintOut =
        m.button(QStringLiteral("cmdPrintOut"), QStringLiteral("印刷(&P)"), 11450, 3540, 1750, 420);
    ui.Label4 = m.label(QStringLiteral("Label4"), QStringLiteral("ファイル名"), 9600, 4050, 1200, 270);
    ui.txtSaveFileName = named(new QLineEdit(m.client), QStringLiteral("txtSaveFileName"));
    place(ui.txtSaveFileName, 9600, 4320, 3600, 330);
    ui.lblLoadFileName = m.label(QStringLiteral("lblLoadFileName"), QString(), 9600, 4650, 3600, 390);
    showFileName(ui.lblLoadFileName);
}

void buildLimitsAndAverage(Ui::frmMain& ui, const ControlMaker& m)
{
    // Limits.
    ui.chkUpperLimit =
        m.check(QStringLiteral("chkUpperLimit"), QStringLiteral("上限設定有効"), 9600, 5040, 1900, 270);
    ui.lblUpper = framed(m.label(QStringLiteral("lblUpper"), QStringLiteral("9999"), 11550, 5010, 1050, 300));
    ui.lblTaniH = m.label(QStringLiteral("lblTaniH"), QString(), 12650, 5040, 700, 270);
    ui.chkLowerLimit =
        m.check(QStringLiteral("chkLowerLimit"), QStringLiteral("下限設定有効"), 9600, 5400, 1900, 270);
    ui.lblLower =
        framed(m.label(QStringLiteral("lblLower"), QStringLiteral("-9999"), 11550, 5370, 1050, 300));
    ui.lblTaniL = m.label(QStringLiteral("lblTaniL"), QString(), 12650, 5400, 700, 270);

    // Moving average and readout source.
    ui.frmAverage = named(new QGroupBox(QStringLiteral("移動平均"), m.client), QStringLiteral("frmAverage"));
    place(ui.frmAverage, 9600, 5760, 3600, 900);
    ui.chkAve =
        m.check(QStringLiteral("chkAve"), QStringLiteral("移動平均"), 150, 270, 1400, 270, ui.frmAverage);
    ui.txtAveNum = named(new QLineEdit(QStringLiteral("1000"), ui.frmAverage), QStringLiteral("txtAveNum"));
    place(ui.txtAveNum, 1650, 240, 900, 300);
    ui.chkDispMode = m.check(QStringLiteral("chkDispMode"), QStringLiteral("リアルタイム値"), 150, 570, 2400,
                             270, ui.frmAverage);
    ui.Frame2 = named(new QGroupBox(QStringLiteral("自動縮小"), m.client), QStringLiteral("Frame2"));
    place(ui.Frame2, 9600, 6750, 1700, 600);
    ui.chkAutoZoomOut =
        m.check(QStringLiteral("chkAutoZoomOut"), QStringLiteral("有効"), 150, 270, 1400, 270, ui.Frame2);
    ui.chkCursorOn =
        m.check(QStringLiteral("chkCursorOn"), QStringLiteral("カーソルON"), 13500, 4740, 1800, 270);
    ui.chkCursorOn->setChecked(true);
    ui.cmdZoom = {m.button(QStringLiteral("cmdZoom"), QStringLiteral("縮小"), 12350, 6810, 900, 420),
                  m.button(QStringLiteral("cmdZoom"), QStringLiteral("拡大"), 11400, 6810, 900, 420)};
}

void buildEngineeringControls(Ui::frmMain& ui, const ControlMaker& m)
{
    // Engineering controls of the debug width.
    const int dx = 13500;
    m.label(QStringLiteral("lblRangeCaption"), QStringLiteral("ｾﾝｻﾚﾝｼﾞ (+ / -)"), dx, 120, 2600, 270);
    ui.cmbGraphRange = m.combo(QStringLiteral("cmbGraphRange"), dx, 390, 1300);
    ui.cmbRangeMinus = m.combo(QStringLiteral("cmbRangeMinus"), dx + 1400, 390, 1300);
    ui.chk125perHasen =
        m.check(QStringLiteral("chk125perHasen"), QStringLiteral("125%で、破線を有効"), dx, 840, 3300, 270);
    ui.chkMinus120per =
        m.check(QStringLiteral("chkMinus120per"), QStringLiteral("マイナス側も125%"), dx, 1140, 3300, 270);
    ui.chk120perScale = m.check(QStringLiteral("chk120perScale"), QStringLiteral("マイナス125%ｽｹｰﾙ表示"), dx,
                                1440, 3300, 270);
    ui.chkMinusFullNoSuji = m.check(QStringLiteral("chkMinusFullNoSuji"),
                                    QStringLiteral("マイナス125%で数字なし"), dx, 1740, 3300, 270);
    for (QCheckBox* c : {ui.chk125perHasen, ui.chk120perScale, ui.chkMinusFullNoSuji})
        c->setEnabled(false);
    m.label(QStringLiteral("lblSamplingCaption"), QStringLiteral("サンプリング / ページ"), dx, 2130, 3000,
            270);
    ui.cmbSampling = m.combo(QStringLiteral("cmbSampling"), dx, 2400, 1500);
    ui.cmbPageSec = m.combo(QStringLiteral("cmbPageSec"), dx + 1600, 2400, 1900);
    ui.lblSampling = m.label(QStringLiteral("lblSampling"), QString(), dx, 2850, 1500, 270);
    ui.lblPageCount = m.label(QStringLiteral("lblPageCount"), QString(), dx + 1600, 2850, 3000, 270);
    ui.lblSampPC = m.label(QStringLiteral("lblSampPC"), QString(), dx, 3150, 3300, 270);
    m.label(QStringLiteral("lblBccCaption"), QStringLiteral("受信エラー"), dx, 3480, 1300, 270);
    ui.lblBccErrCnt =
        m.label(QStringLiteral("lblBccErrCnt"), QStringLiteral("0"), dx + 1400, 3480, 1000, 270);
    ui.lblBccErr = m.label(QStringLiteral("lblBccErr"), QString(), dx, 3780, 7000, 270);
    ui.chkAveMode = m.check(QStringLiteral("chkAveMode"), QStringLiteral("連続"), dx, 4440, 1800, 270);
    m.label(QStringLiteral("lblStartCountCaption"), QStringLiteral("開始番号"), dx, 5100, 1300, 270);
    ui.lblStartCount =
        m.label(QStringLiteral("lblStartCount"), QStringLiteral("1"), dx + 1400, 5100, 1500, 270);
    m.label(QStringLiteral("lblEndCaption"), QStringLiteral("終了"), dx, 5400, 1300, 270);
    ui.lblEndTime = m.label(QStringLiteral("lblEndTime"), QString(), dx + 1400, 5400, 3200, 270);
    m.label(QStringLiteral("lblRefCaption"), QStringLiteral("判定基準線"), dx, 5760, 1300, 270);
    ui.lblRefLine = m.label(QStringLiteral("lblRefLine"), QStringLiteral("5"), dx + 1400, 5760, 800, 270);
    ui.lblTani2 = m.label(QStringLiteral("lblTani2"), QString(), dx + 2250, 5760, 800, 270);
    ui.UpDown1 = named(new QSpinBox(m.client), QStringLiteral("UpDown1"));
    place(ui.UpDown1, dx + 3100, 5730, 900, 330);
    ui.UpDown1->setRange(-32768, 32767);
    ui.lblInputEtc = m.label(QStringLiteral("lblInputEtc"), QString(), dx, 6150, 1500, 270);
    ui.lblInputEtc->hide();
    ui.cmdPrintOne =
        m.button(QStringLiteral("cmdPrintOne"), QStringLiteral("グラフdata出力"), dx, 6480, 1500, 420);
    ui.Command1 =
        m.button(QStringLiteral("Command1"), QStringLiteral("CsvSplitTest"), dx + 1600, 6480, 1700, 420);
    ui.Command2 =
        m.button(QStringLiteral("Command2"), QStringLiteral("Command2"), dx + 3400, 6480, 1500, 420);
    // The console, for an engineer: only the debug width shows it.
    ui.cmdComm = m.button(QStringLiteral("cmdComm"), QStringLiteral("COMM"), dx, 7020, 1500, 420);
}

void buildStatusBarAndTimers(Ui::frmMain& ui, QMainWindow* w)
{
    ui.StatusBar1 = named(new QStatusBar(w), QStringLiteral("StatusBar1"));
    w->setStatusBar(ui.StatusBar1);

    ui.Timer1 = named(new QTimer(w), QStringLiteral("Timer1"));
    ui.Timer1->setSingleShot(true);
    ui.Timer3 = named(new QTimer(w), QStringLiteral("Timer3"));
    ui.Timer3->setInterval(500);
    ui.Timer4 = named(new QTimer(w), QStringLiteral("Timer4"));
    ui.Timer4->setInterval(500);
    ui.tmrScreen = named(new QTimer(w), QStringLiteral("tmrScreen"));
    ui.tmrScreen->setInterval(33);
    ui.tmrUnsaved = named(new QTimer(w), QStringLiteral("tmrUnsaved"));
    ui.tmrUnsaved->setInterval(5000);
    ui.lblUnsaved = named(new QLabel(ui.StatusBar1), QStringLiteral("lblUnsaved"));
    ui.lblUnsaved->setStyleSheet(QStringLiteral("color: rgb(192, 0, 0); font-weight: bold;"));
    ui.StatusBar1->addPermanentWidget(ui.lblUnsaved);
    ui.lblUnsaved->hide();
    ui.lblJournalOff =
        named(new QLabel(QStringLiteral("ジャーナルを書き込めません: 強制終了や停電で測定データが失われます"),
                         ui.StatusBar1),
              QStringLiteral("lblJournalOff"));
    ui.lblJournalOff->setStyleSheet(ui.lblUnsaved->styleSheet());
    ui.StatusBar1->addPermanentWidget(ui.lblJournalOff);
    ui.lblJournalOff->hide();
    ui.tmrStream = named(new QTimer(w), QStringLiteral("tmrStream"));
    ui.tmrStream->setInterval(1000);
    ui.lblStream = named(new QLabel(ui.StatusBar1), QStringLiteral("lblStream"));
    ui.StatusBar1->addPermanentWidget(ui.lblStream);
    ui.lblStream->hide();
    ui.lblSaveFolder = new Label(QStringLiteral("lblSaveFolder"), QString(), ui.StatusBar1);
    ui.lblSaveFolder->setElided();
    ui.lblSaveFolder->setFixedWidth(320);
    ui.StatusBar1->addPermanentWidget(ui.lblSaveFolder);
}

}  // namespace

void frmMain::buildMenus()
{
    QMenuBar* bar = menuBar();
    buildFileMenu(ui, bar, this);
    buildGaugeMenus(ui, bar);
    ui.mnuSamp = named(bar->addMenu(QStringLiteral("ｻﾝﾌﾟﾘﾝｸﾞ(&S)")), QStringLiteral("mnuSamp"));
    ui.mnuSampAuto = item(ui.mnuSamp, QStringLiteral("自動"), QStringLiteral("mnuSampAuto"));
    ui.mnuSamp->addSeparator();
    for (int i = 0; i < SamplingMenuCaptions().size(); ++i)
        ui.mnuSampling << item(ui.mnuSamp, SamplingMenuCaptions()[i],
                               QStringLiteral("mnuSampling_%1").arg(i));

    ui.mnuAve = named(bar->addMenu(QStringLiteral("移動平均(&A)")), QStringLiteral("mnuAve"));
    ui.mnuAveEna =
        named(ui.mnuAve->addAction(QStringLiteral("移動平均設定(&A)...")), QStringLiteral("mnuAveEna"));
    ui.mnuKeisu = named(bar->addMenu(QStringLiteral("係数(&K)")), QStringLiteral("mnuKeisu"));
    ui.mnuKeisuInput =
        named(ui.mnuKeisu->addAction(QStringLiteral("係数の入力...")), QStringLiteral("mnuKeisuInput"));
    ui.mnuUpperLimit = named(bar->addMenu(QStringLiteral("上限設定(&U)")), QStringLiteral("mnuUpperLimit"));
    ui.mnuUpperLimitInput = named(ui.mnuUpperLimit->addAction(QStringLiteral("上限値の設定...")),
                                  QStringLiteral("mnuUpperLimitInput"));
    ui.mnuLowerLimit = named(bar->addMenu(QStringLiteral("下限設定(&L)")), QStringLiteral("mnuLowerLimit"));
    ui.mnuLowerLimitInput = named(ui.mnuLowerLimit->addAction(QStringLiteral("下限値の設定...")),
                                  QStringLiteral("mnuLowerLimitInput"));
}

void frmMain::buildControls()
{
    auto* client = named(new QWidget(this), QStringLiteral("frmMainClient"));
    client->setAutoFillBackground(true);
    setCentralWidget(client);
    const ControlMaker m{client};
    // In this order: the order of making is the order of the focus chain.
    buildGraph(ui, m);
    buildReadout(ui, m);
    buildRecordingPanel(ui, m);
    buildLimitsAndAverage(ui, m);

    ui.ProgressBar1 = named(new QProgressBar(client), QStringLiteral("ProgressBar1"));
    place(ui.ProgressBar1, 120, 9150, 9300, 240);
    ui.ProgressBar1->hide();

    buildEngineeringControls(ui, m);
    buildStatusBarAndTimers(ui, this);
    recordPlacements();
}

void frmMain::recordPlacements()
{
    for (QWidget* c : centralWidget()->findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly)) {
        // The graph is sized in twips and the progress bar keeps to the bottom (growGraph).
        if (c == ui.pctGraphWork || c == ui.ProgressBar1)
            continue;
        const QRect px = c->geometry();
        const QRect twips(px.topLeft() * TwipsPerPixel, px.size() * TwipsPerPixel);
        placements_.push_back({c, px, AnchorOf(twips, c == ui.HScroll1 || c == ui.lblPageStats)});
    }
}

}  // namespace tavin
