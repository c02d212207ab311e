// The communication console: a monitor of what the engine's port opened, closed, sent and
// received, and a line that sends text or hexadecimal bytes to the gauge through the engine.
// Created hidden the first time the port is used, as a window of its own that the main window
// owns; the port and the frames are the engine's.
#pragma once

#include "core/platform/DateTime.h"
#include "core/serial/Console.h"

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTimer;

namespace tavin {

class Acquisition;
struct AppState;
class MonitorView;

class frmComm : public QWidget {
    Q_OBJECT

public:
    frmComm(AppState& state, Acquisition& engine, QWidget* parent);
    ~frmComm() override;

    // Appends a time-stamped line to the monitor.
    void DebugText(const QString& p_text);
    // Appends the dump of bytes sent ("S>") or received ("R>"); `p_msg` is cleared once written.
    void PrintHex(const QString& p_head, const QByteArray& p_Data, QString& p_msg);
    // Frames a gauge command with its check letters and sends it.
    void SendText(const QString& p_cmd);
    void cmdSend_Click();
    const MonitorLines& monitor() const { return monitor_; }
    // What the engine's tap took since the last look: the port's open and close lines (also to
    // "sensor.txt" while "Responce Log" is ticked) and, while the console is shown, the bytes
    // received. The view then shows what changed.
    void showMonitor();
    void tmrRes_Timer();

protected:
    // Closing the console hides it: the port, the measurement and the settings live on.
    void closeEvent(QCloseEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    QTimer* tmrRes = nullptr;
    MonitorView* txtDebug = nullptr;
    QLineEdit* txtKobetu = nullptr;
    QPushButton* cmdSend = nullptr;
    QCheckBox* chkBin = nullptr;
    QCheckBox* chkResLog = nullptr;
    QCheckBox* chkAutoClr = nullptr;
    QTimer* tmrMonitor = nullptr;  // what the engine's tap holds reaches the monitor
    std::int16_t l_RetryCnt = 0;

    // Appends a line to the port journal "sensor.txt" while "Responce Log" is ticked.
    void journal(const QString& line);
    void MonitorAppend(const QStringList& lines);
    QString MonitorStamp() const;
    // Restarts the response timer after a send.
    void restartResponseTimer();
    void send(const QByteArray& bytes);

    MonitorLines monitor_;            // before the view that shows it
    mutable OleDate stampTime_ = -1;  // the time MonitorStamp last formatted, and its text
    mutable QString stamp_;

    AppState& st_;
    Acquisition& engine_;
};

}  // namespace tavin
