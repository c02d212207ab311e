#include "serial/frmComm.h"

#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/CommControl.h"
#include "platform/Controls.h"
#include "platform/NumText.h"
#include "platform/Prompts.h"
#include "platform/TextFile.h"
#include "serial/MonitorView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tavin {


frmComm::frmComm(AppState& state, frmMain& main)
    : QWidget(&main, Qt::Window), MSComm1(new CommControl(state.env.exeDir, this)), tmrRes(new QTimer(this)),
      st_(state), main_(main)
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("COMM"));
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    tmrRes->setObjectName(QStringLiteral("tmrRes"));
    txtDebug = named(new MonitorView(monitor_, this), "txtDebug");
    // Fixed pitch, so that dumps line up, with the Japanese of file names and messages.
    QFont fixed(QStringLiteral("FixedSys"), 10);
    fixed.setFamilies({QStringLiteral("FixedSys"), QStringLiteral("Noto Sans Mono CJK JP")});
    fixed.setStyleHint(QFont::TypeWriter);
    txtDebug->setFont(fixed);
    txtKobetu = named(new QLineEdit(this), "txtKobetu");
    cmdSend = named(new QPushButton(QStringLiteral("Send"), this), "cmdSend");
    chkBin = named(new QCheckBox(QStringLiteral("Binary"), this), "chkBin");
    chkResLog = named(new QCheckBox(QStringLiteral("Responce Log"), this), "chkResLog");
    chkAutoClr = named(new QCheckBox(QStringLiteral("Auto clear"), this), "chkAutoClr");
    chkAutoClr->setChecked(true);
    auto* layout = new QGridLayout(this);
    layout->addWidget(txtDebug, 0, 0, 1, 4);
    layout->addWidget(txtKobetu, 1, 0, 1, 2);
    layout->addWidget(cmdSend, 1, 2);
    layout->addWidget(chkBin, 1, 3);
    layout->addWidget(chkResLog, 2, 0);
    layout->addWidget(chkAutoClr, 2, 1);
    layout->setColumnStretch(0, 1);
    resize(720, 420);
    tmrRes->setInterval(1000);
    tmrMonitor = named(new QTimer(this), "tmrMonitor");
    tmrMonitor->setSingleShot(true);
    tmrMonitor->setInterval(50);
    connect(tmrMonitor, &QTimer::timeout, this, &frmComm::showMonitor);
    connect(cmdSend, &QPushButton::clicked, this, &frmComm::cmdSend_Click);
    connect(txtKobetu, &QLineEdit::returnPressed, this, &frmComm::cmdSend_Click);
    connect(tmrRes, &QTimer::timeout, this, &frmComm::tmrRes_Timer);
    connect(MSComm1, &CommControl::OnComm, this, &frmComm::MSComm1_OnComm);
    connect(MSComm1, &CommControl::deviceLost, this, [this](const QString& reason) {
        st_.LogMsg(1, QStringLiteral("MSComm1_OnComm"),
                   QStringLiteral("ポートが切断されました。(COM%1: %2)").arg(MSComm1->CommPort).arg(reason));
        Q_EMIT portLost(reason);
    });
    SettleLayout(this);
}

frmComm::~frmComm() = default;

short frmComm::PortOpen(int baudRate)
{
    if (MSComm1->PortOpen())
        return -1;
    OnCommDepth = 0;
    const QString settings = QString::number(baudRate) + QStringLiteral(",N,8") + QStringLiteral(",1");
    try {
        MSComm1->CommPort = st_.Settings.ComPort;
        MSComm1->Settings = settings;
        MSComm1->InputLen = 0;
        MSComm1->InputMode = 1;
        MSComm1->InBufferSize = 2048;
        MSComm1->OutBufferSize = 2048;
        MSComm1->setPortOpen(true);
    } catch (const std::exception& e) {
        st_.env.prompts->message({describe(e), QStringLiteral("PortOpen"), MsgButtons::Ok, MsgIcon::Critical});
        return -1;
    }
    const QString line = QStringLiteral("Open(COM%1,%2)").arg(MSComm1->CommPort).arg(settings);
    DebugText(line);
    journal(line);
    return 0;
}

short frmComm::PortClose()
{
    if (!MSComm1->PortOpen())
        return -1;
    short result = 0;
    if (!Trap(st_.log, QStringLiteral("PortClose"), [&] { MSComm1->setPortOpen(false); }))
        result = -1;
    const QString line = QStringLiteral("Close(COM%1)").arg(MSComm1->CommPort);
    DebugText(line);
    journal(line);
    return result;
}

void frmComm::DebugText(const QString& p_text)
{
    Trap(st_.log, QString(), [&] {
        monitor_.append(u'[' + MonitorStamp() + u']' + p_text, false);
        if (!tmrMonitor->isActive())
            tmrMonitor->start();
    });
}

void frmComm::MonitorAppend(const QStringList& lines)
{
    Trap(st_.log, QString(), [&] {
        monitor_.append(lines, chkAutoClr->isChecked());
        if (!tmrMonitor->isActive())
            tmrMonitor->start();
    });
}

QString frmComm::MonitorStamp() const
{
    // Formatted once a second, however many chunks arrive in it.
    if (const OleDate now = st_.env.now(); now != stampTime_) {
        stampTime_ = now;
        stamp_ = FormatDate(now, u"hh:nn:ss");
    }
    return stamp_;
}

void frmComm::PrintHex(const QString& p_head, const QByteArray& p_Data, QString& p_msg)
{
    Trap(st_.log, QStringLiteral("PrintHex"), [&] { MonitorAppend(HexDump(p_head, p_Data, p_msg, MonitorStamp())); });
}

// What the monitor took reaches the screen at most twenty times a second, however fast the gauge
// sends; the view paints only the lines in sight.
void frmComm::showMonitor()
{
    if (isVisible())
        txtDebug->linesChanged();
}

void frmComm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    showMonitor();
}

void frmComm::closeEvent(QCloseEvent* event)
{
    event->ignore();
    hide();
}

void frmComm::restartResponseTimer()
{
    tmrRes->stop();
    tmrRes->start();
}

void frmComm::cmdSend_Click()
{
    Trap(st_.log, QString(), [&] {
        const bool binary = chkBin->isChecked();
        const QString line = txtKobetu->text().trimmed();
        txtKobetu->setText(line);
        if (line.isEmpty())
            return;
        SendLine send = ParseSendLine(line, binary);
        if (!send.refusal.isEmpty()) {
            st_.env.prompts->message({send.refusal, windowTitle(), MsgButtons::Ok, MsgIcon::Exclamation});
            return;
        }
        if (!send.send)
            return;
        l_intRecvMode = 0;
        const bool open = MSComm1->PortOpen();
        if (open)
            MSComm1->Output(send.bytes);
        PrintHex(QStringLiteral("S>"), send.bytes, send.comment);
        if (!open)
            MonitorAppend({QStringLiteral("未Open")});
        restartResponseTimer();
    });
}

void frmComm::SendText(const QString& p_cmd)
{
    Trap(st_.log, QStringLiteral("SendText"), [&] {
        l_intRecvMode = 0;
        const QByteArray bytes = FrameCommand(ToCp932(p_cmd));
        if (MSComm1->PortOpen()) {
            MSComm1->Output(bytes);
            QString none;
            PrintHex(QStringLiteral("S>"), bytes, none);
        }
        restartResponseTimer();
    });
}

void frmComm::journal(const QString& line)
{
    if (!chkResLog->isChecked())
        return;
    const QTime t = st_.env.nowDateTime().time();
    const float seconds = float(t.msecsSinceStartOfDay()) / 1000.0f;
    AppendToFile(st_.env.exePath(QStringLiteral("sensor.txt")),
                 ToCp932(u'[' + GeneralSingle(seconds) + QStringLiteral("] ") + line + QStringLiteral("\r\n")));
}

void frmComm::MSComm1_OnComm()
{
    if (OnCommDepth > 0)
        return;  // a nested event leaves the bytes waiting for the next one
    ++OnCommDepth;
    Trap(st_.log, QString(), [&] {
        QString message;
        switch (MSComm1->CommEvent()) {
        case CommControl::comEvReceive:
            Received(MSComm1->Input());
            break;
        case CommControl::comEventFrame: message = QStringLiteral("フレーム エラーです｡"); break;
        case CommControl::comEventOverrun: message = QStringLiteral("ポート オーバーランです｡"); break;
        case CommControl::comEventRxOver: message = QStringLiteral("受信バッファ オーバーフローです｡"); break;
        case CommControl::comEventRxParity: message = QStringLiteral("パリティ エラーです｡"); break;
        case CommControl::comEventTxFull: message = QStringLiteral("送信バッファがいっぱいです｡ "); break;
        case CommControl::comEventDCB:
            message = QStringLiteral("ポートのデバイス コントロール ブロック (DCB) が取得される予期しないエラーです。");
            break;
        default: break;
        }
        if (!message.isEmpty())
            st_.LogMsg(0, QStringLiteral("MSComm1_OnComm"), message);
    });
    --OnCommDepth;
}

void frmComm::Received(const QByteArray& data)
{
    if (isVisible()) {
        QString none;
        PrintHex(QStringLiteral("R>"), data, none);
    }
    RecvAssemble(data);
}

void frmComm::RecvAssemble(const QByteArray& data)
{
    Trap(st_.log, QString(), [&] {
        assembler.RecvAssemble(reinterpret_cast<const std::uint8_t*>(data.constData()), std::size_t(data.size()),
                               st_.Settings.Term, *this);
    });
}

void frmComm::frame(std::string_view text) { main_.RecvAnalize(text); }

void frmComm::tmrRes_Timer()
{
    Trap(st_.log, QStringLiteral("tmrRes_Timer"), [&] {
        assembler.reset();
        if (l_RetryCnt < INT16_MAX)
            ++l_RetryCnt;
        if (!main_.ResTimeout(l_RetryCnt))
            tmrRes->stop();
    });
}

}  // namespace tavin
