// The communication window: hosts the serial control, cuts received bytes into frames and hands
// each frame to the main window. Created hidden the first time the port is used, as a window of
// its own that the main window owns. Shown, it is a console: a monitor of what was opened, closed,
// sent and received, and a line that sends text or hexadecimal bytes to the gauge.
#pragma once

#include "platform/DateTime.h"
#include "serial/Console.h"
#include "serial/FrameAssembler.h"

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tavin {

struct AppState;
class CommControl;
class frmMain;
class MonitorView;

class frmComm : public QWidget, private FrameSink {
    Q_OBJECT

public:
    frmComm(AppState& state, frmMain& main);
    ~frmComm() override;

    CommControl* MSComm1 = nullptr;
    QTimer* tmrRes = nullptr;
    MonitorView* txtDebug = nullptr;
    QLineEdit* txtKobetu = nullptr;
    QPushButton* cmdSend = nullptr;
    QCheckBox* chkBin = nullptr;
    QCheckBox* chkResLog = nullptr;
    QCheckBox* chkAutoClr = nullptr;
    QTimer* tmrMonitor = nullptr;  // one-shot: what the monitor took reaches the screen

    FrameAssembler assembler;
    std::int16_t& l_intRecvMode = assembler.l_intRecvMode;
    std::int16_t l_RetryCnt = 0;
    std::int16_t OnCommDepth = 0;

    // Opens the chosen port at `baudRate`; 0 on success, -1 when it was open already or could not
    // be opened (the reason is shown).
    short PortOpen(int baudRate);
    short PortClose();
    // Appends a time-stamped line to the monitor.
    void DebugText(const QString& p_text);
    // Appends the dump of bytes sent ("S>") or received ("R>"); `p_msg` is cleared once written.
    void PrintHex(const QString& p_head, const QByteArray& p_Data, QString& p_msg);
    // Frames a gauge command with its check letters and sends it.
    void SendText(const QString& p_cmd);
    void cmdSend_Click();
    const MonitorLines& monitor() const { return monitor_; }
    // What the monitor took since the screen last showed it reaches the screen (tmrMonitor).
    void showMonitor();

    void MSComm1_OnComm();
    // Bytes the port received: dumped while the console is shown, then cut into frames.
    void Received(const QByteArray& data);
    void RecvAssemble(const QByteArray& data);
    void tmrRes_Timer();

protected:
    // Closing the console hides it: the port, the measurement and the settings live on.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;

Q_SIGNALS:
    // The device disappeared and the port was closed.
    void portLost(const QString& reason);

private:
    void frame(std::string_view text) override;
    // Appends a line to the port journal "sensor.txt" while "Responce Log" is ticked.
    void journal(const QString& line);
    void MonitorAppend(const QStringList& lines);
    QString MonitorStamp() const;
    // Restarts the response timer after a send.
    void restartResponseTimer();

    MonitorLines monitor_;  // before the view that shows it
    mutable OleDate stampTime_ = -1;  // the time MonitorStamp last formatted, and its text
    mutable QString stamp_;

    AppState& st_;
    frmMain& main_;
};

}  // namespace tavin
