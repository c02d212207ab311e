#include "window/dialogs/frmComm.h"

#include "core/app/AppState.h"
#include "core/platform/Prompts.h"
#include "core/platform/TextFile.h"
#include "engine/Acquisition.h"
#include "window/widgets/Controls.h"
#include "window/widgets/MonitorView.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>

namespace tavin {

frmComm::frmComm(AppState& state, Acquisition& engine, QWidget* parent)
    : QWidget(parent, Qt::Window), tmrRes(new QTimer(this)), st_(state), engine_(engine)
{
    setObjectName(QStringLiteral("frmComm"));
    setWindowTitle(QStringLiteral("COMM"));
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
    tmrRes->setInterval(ResponseTimeoutMs);
    tmrMonitor = named(new QTimer(this), "tmrMonitor");
    tmrMonitor->setInterval(50);
    connect(tmrMonitor, &QTimer::timeout, this, &frmComm::showMonitor);
    connect(cmdSend, &QPushButton::clicked, this, &frmComm::cmdSend_Click);
    connect(txtKobetu, &QLineEdit::returnPressed, this, &frmComm::cmdSend_Click);
    connect(tmrRes, &QTimer::timeout, this, &frmComm::tmrRes_Timer);
    tmrMonitor->start();
    SettleLayout(this);
}

frmComm::~frmComm() = default;

void frmComm::DebugText(const QString& p_text)
{
    Trap(st_.log, QString(), [&] { monitor_.append(u'[' + MonitorStamp() + u']' + p_text, false); });
}

void frmComm::MonitorAppend(const QStringList& lines)
{
    Trap(st_.log, QString(), [&] { monitor_.append(lines, chkAutoClr->isChecked()); });
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
    Trap(st_.log, QStringLiteral("PrintHex"),
         [&] { MonitorAppend(HexDump(p_head, p_Data, p_msg, MonitorStamp())); });
}

// What the tap took reaches the monitor twenty times a second however fast the gauge sends; the
// view paints only the lines in sight.
void frmComm::showMonitor()
{
    Trap(st_.log, QString(), [&] {
        for (const TapEntry& e : engine_.takeTap()) {
            QString none;
            switch (e.kind) {
            case TapEntry::Kind::Line:
                DebugText(e.text);
                journal(e.text);
                break;
            case TapEntry::Kind::Received: PrintHex(QStringLiteral("R>"), e.bytes, none); break;
            }
        }
    });
    if (isVisible())
        txtDebug->linesChanged();
}

// The bytes received are tapped only while someone looks.
void frmComm::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    engine_.setTap(true);
    showMonitor();
}

void frmComm::hideEvent(QHideEvent* event)
{
    engine_.setTap(false);
    QWidget::hideEvent(event);
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
        const bool open = engine_.portOpen();
        showMonitor();  // what came before, before what goes
        engine_.send(send.bytes);
        PrintHex(QStringLiteral("S>"), send.bytes, send.comment);
        if (!open)
            MonitorAppend({QStringLiteral("未Open")});
        restartResponseTimer();
    });
}

void frmComm::SendText(const QString& p_cmd)
{
    Trap(st_.log, QStringLiteral("SendText"), [&] {
        const QByteArray bytes = FrameCommand(ToCp932(p_cmd));
        engine_.send(bytes);
        if (engine_.portOpen()) {
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
    AppendToFile(st_.env.statePath(SensorLogName), SensorLogLine(st_.env.nowDateTime().time(), line));
}

void frmComm::tmrRes_Timer()
{
    Trap(st_.log, QStringLiteral("tmrRes_Timer"), [&] {
        // No answer came: a half-received frame is given up.
        engine_.resetFrame();
        if (l_RetryCnt < INT16_MAX)
            ++l_RetryCnt;
        tmrRes->stop();
    });
}

}  // namespace tavin
