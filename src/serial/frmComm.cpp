#include "serial/frmComm.h"

#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/CommControl.h"

#include "platform/NumText.h"
#include "platform/Prompts.h"
#include "platform/TextFile.h"

#include <QCheckBox>
#include <QPlainTextEdit>
#include <QTimer>
#include <QVBoxLayout>

namespace tavin {

frmComm::frmComm(AppState& state, frmMain& main)
    : QWidget(&main, Qt::Window), MSComm1(new CommControl(state.env.exeDir, this)), tmrRes(new QTimer(this)),
      st_(state), main_(main)
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("COMM"));
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    tmrRes->setObjectName(QStringLiteral("tmrRes"));
    txtDebug = new QPlainTextEdit(this);
    txtDebug->setObjectName(QStringLiteral("txtDebug"));
    txtDebug->setReadOnly(true);
    chkResLog = new QCheckBox(QStringLiteral("Responce Log"), this);
    chkResLog->setObjectName(QStringLiteral("chkResLog"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(txtDebug);
    layout->addWidget(chkResLog);
    tmrRes->setInterval(1000);
    connect(tmrRes, &QTimer::timeout, this, &frmComm::tmrRes_Timer);
    connect(MSComm1, &CommControl::OnComm, this, &frmComm::MSComm1_OnComm);
    connect(MSComm1, &CommControl::deviceLost, this, [this](const QString& reason) {
        st_.LogMsg(1, QStringLiteral("MSComm1_OnComm"),
                   QStringLiteral("ポートが切断されました。(COM%1: %2)").arg(MSComm1->CommPort).arg(reason));
        Q_EMIT portLost(reason);
    });
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
        txtDebug->appendPlainText(u'[' + FormatDate(st_.env.now(), u"hh:nn:ss") + u']' + p_text);
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
            RecvAssemble(MSComm1->Input());
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
