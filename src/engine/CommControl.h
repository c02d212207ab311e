// The serial control: a port number, a settings text ("9600,N,8,1"), open/close, all waiting bytes
// on each receive event, and line errors as event codes. A device that disappears closes the port
// and is reported once.
#pragma once

#include "core/serial/PortList.h"

#include <QByteArray>
#include <QList>
#include <QObject>
#include <QString>

class QSerialPort;

namespace tavin {

// The machine's serial devices numbered COM1..COM30 (see NumberSerialDevices).
QList<SerialDevice> ListSerialDevices(const QString& configDir);
// A port as messages name it: "COM3", or the device path opened instead.
QString PortName(int number, const QString& device);

class CommControl : public QObject {
    Q_OBJECT

public:
    // CommEvent codes.
    enum : int {
        comEvReceive = 2,
        comEventFrame = 1004,
        comEventOverrun = 1006,
        comEventRxOver = 1008,
        comEventRxParity = 1009,
        comEventTxFull = 1010,
        comEventDCB = 1011,
    };

    explicit CommControl(const QString& configDir, QObject* parent = nullptr);
    ~CommControl() override;

    int CommPort = 1;
    // A device path opened instead of the port numbered CommPort ("/dev/ttyUSB0"); empty: none.
    QString Device;
    QString Settings = QStringLiteral("9600,N,8,1");
    int InputLen = 0;
    int InputMode = 1;
    int InBufferSize = 2048;
    int OutBufferSize = 2048;

    // Opens or closes the port; a failed open throws a RuntimeError with the reason.
    void setPortOpen(bool open);
    bool PortOpen() const;
    // Every waiting byte, removed from the buffer.
    QByteArray Input();
    // Up to `max` waiting bytes into `data`, without allocating; how many.
    qint64 Read(char* data, qint64 max);
    void Output(const QByteArray& bytes);
    // Takes in what the device received and has not reported yet: its receive event comes before
    // this returns.
    void Poll();
    int CommEvent() const { return commEvent_; }

Q_SIGNALS:
    // The receive event: bytes are waiting (CommEvent 2) or a line error occurred.
    void OnComm();
    // The device disappeared; the port has been closed.
    void deviceLost(const QString& reason);

private:
    void onReadyRead();
    void onError(int error);
    void raise(int code);

    QString configDir_;
    QSerialPort* port_;
    int commEvent_ = 0;
};

}  // namespace tavin
