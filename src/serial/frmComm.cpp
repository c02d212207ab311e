#include "serial/frmComm.h"

#include "app/AppState.h"
#include "app/frmMain.h"
#include "platform/CommControl.h"

#include <QTimer>

namespace tavin {

frmComm::frmComm(AppState& state, frmMain& main)
    : QWidget(nullptr), MSComm1(new CommControl(state.env.exeDir, this)), tmrRes(new QTimer(this)),
      st_(state), main_(main)
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("COMM"));
    MSComm1->setObjectName(QStringLiteral("MSComm1"));
    tmrRes->setObjectName(QStringLiteral("tmrRes"));
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
