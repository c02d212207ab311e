// The communication window: hosts the serial control, cuts received bytes into frames and hands
// each frame to the main window. Created hidden the first time the port is used, as a window of
// its own that the main window owns.
#pragma once

#include "serial/FrameAssembler.h"

#include <QWidget>
#include <cstdint>

class QCheckBox;
class QPlainTextEdit;
class QTimer;

namespace tavin {

struct AppState;
class CommControl;
class frmMain;

class frmComm : public QWidget, private FrameSink {
    Q_OBJECT

public:
    frmComm(AppState& state, frmMain& main);
    ~frmComm() override;

    CommControl* MSComm1 = nullptr;
    QTimer* tmrRes = nullptr;
    QPlainTextEdit* txtDebug = nullptr;
    QCheckBox* chkResLog = nullptr;

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

    void MSComm1_OnComm();
    void RecvAssemble(const QByteArray& data);
    void tmrRes_Timer();

Q_SIGNALS:
    // The device disappeared and the port was closed.
    void portLost(const QString& reason);

private:
    void frame(std::string_view text) override;
    // Appends a line to the port journal "sensor.txt" while "Responce Log" is ticked.
    void journal(const QString& line);

    AppState& st_;
    frmMain& main_;
};

}  // namespace tavin
