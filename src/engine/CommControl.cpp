#include "engine/CommControl.h"

#include "core/platform/Errors.h"

#include <QFile>
#include <QSerialPort>
#include <QSerialPortInfo>

#ifdef Q_OS_UNIX
#include <cerrno>
#include <sys/file.h>
#include <unistd.h>
#endif

namespace tavin {

QList<SerialDevice> ListSerialDevices(const QString& configDir)
{
    QList<SystemPort> ports;
    for (const QSerialPortInfo& info : QSerialPortInfo::availablePorts()) {
        QString d = info.description();
        if (d.isEmpty())
            d = info.manufacturer();
        if (d.isEmpty())
            d = info.portName();
        ports.append({info.systemLocation(), d});
    }
    return NumberSerialDevices(configDir, ports);
}

QString PortName(int number, const QString& device)
{
    return device.isEmpty() ? QStringLiteral("COM%1").arg(number) : device;
}

namespace {

QString inUseText()
{
    return QStringLiteral(
        "他のプログラムが使用中です。そのプログラムを終了するか、別のポートを選んでください。");
}

// Claims the opened device for this port alone; false when another port already has it.
// Qt's lock file goes by the name the port was opened by, and root passes the terminal's exclusive
// mode, so a second recorder could open the same device through another path (a ports/ link,
// /dev/pts/N, /dev/serial/by-id/...) and take part of its frames. An flock on the descriptor is
// held on the device's inode whatever path led to it, binds root as well, is let go by the kernel
// when the port closes or the program dies (nothing stale is left behind), and needs no writable
// folder, so it holds inside a service's sandbox too. A lock file named by the device number
// would also cover a second device node made for the same device, but only where every program
// shares one writable lock folder, which a sandbox or a container does not promise.
bool claimDevice(const QSerialPort& port)
{
#ifdef Q_OS_UNIX
    // Only a lock held elsewhere refuses the port: a file system without locks must not stop a
    // recording.
    return ::flock(int(port.handle()), LOCK_EX | LOCK_NB) == 0 || errno != EWOULDBLOCK;
#else
    return true;  // Windows opens a COM port for one program only
#endif
}

// Why the device at `location` did not open, in words a user can act on. Qt reports a port that
// another program holds (its lock file, or the device opened exclusively) as a permission error,
// in English: when this user may read and write the device, the port is simply in use.
QString openFailure(const QSerialPort& port, const QString& location)
{
    switch (port.error()) {
    case QSerialPort::PermissionError: {
#ifdef Q_OS_UNIX
        const QByteArray device = QFile::encodeName(location);
        if (::access(device.constData(), R_OK | W_OK) != 0)
            return QStringLiteral("このユーザーにはデバイス %1 を読み書きする権限がありません。")
                .arg(location);
#endif
        return inUseText();
    }
    case QSerialPort::DeviceNotFoundError:
        return QStringLiteral("デバイス %1 が見つかりません。").arg(location);
    default: return port.errorString();
    }
}

}  // namespace

CommControl::CommControl(const QString& configDir, QObject* parent)
    : QObject(parent), configDir_(configDir), port_(new QSerialPort(this))
{
    connect(port_, &QSerialPort::readyRead, this, &CommControl::onReadyRead);
    connect(port_, &QSerialPort::errorOccurred, this,
            [this](QSerialPort::SerialPortError e) { onError(int(e)); });
}

CommControl::~CommControl() = default;

void CommControl::setPortOpen(bool open)
{
    if (!open) {
        if (port_->isOpen())
            port_->close();
        return;
    }
    if (port_->isOpen())
        throw RuntimeError(QStringLiteral("ポートは既に開いています。"));

    QString location = Device;
    if (location.isEmpty()) {
        for (const SerialDevice& d : ListSerialDevices(configDir_))
            if (d.number == CommPort)
                location = d.systemLocation;
        if (location.isEmpty())
            throw RuntimeError(QStringLiteral("ポート番号が無効です。(COM%1)").arg(CommPort));
    }
    const QString name = PortName(CommPort, Device);

    const QStringList parts = Settings.split(u',');
    const int baud = parts.value(0).toInt();
    if (parts.size() != 4 || baud <= 0 || parts[1] != QStringLiteral("N") ||
        parts[2] != QStringLiteral("8") || parts[3] != QStringLiteral("1"))
        throw RuntimeError(QStringLiteral("無効なポート設定です。(%1)").arg(Settings));

    port_->setPortName(location);
    port_->setReadBufferSize(0);  // the receive event drains it at once; never drop bytes
    if (!port_->open(QIODevice::ReadWrite))
        throw RuntimeError(QStringLiteral("%1 を開けません: %2").arg(name, openFailure(*port_, location)));
    if (!claimDevice(*port_)) {
        port_->close();
        throw RuntimeError(QStringLiteral("%1 を開けません: %2").arg(name, inUseText()));
    }
    port_->setBaudRate(baud);
    port_->setDataBits(QSerialPort::Data8);
    port_->setParity(QSerialPort::NoParity);
    port_->setStopBits(QSerialPort::OneStop);
    port_->setFlowControl(QSerialPort::NoFlowControl);
    port_->clearError();
}

bool CommControl::PortOpen() const { return port_->isOpen(); }

QByteArray CommControl::Input() { return port_->isOpen() ? port_->readAll() : QByteArray(); }

qint64 CommControl::Read(char* data, qint64 max) { return port_->isOpen() ? port_->read(data, max) : 0; }

void CommControl::Poll()
{
    if (port_->isOpen())
        port_->waitForReadyRead(0);
}

void CommControl::Output(const QByteArray& bytes)
{
    if (port_->isOpen())
        port_->write(bytes);
}

void CommControl::raise(int code)
{
    commEvent_ = code;
    Q_EMIT OnComm();
}

void CommControl::onReadyRead()
{
    if (port_->bytesAvailable() > 0)
        raise(comEvReceive);
}

void CommControl::onError(int error)
{
    switch (QSerialPort::SerialPortError(error)) {
    case QSerialPort::NoError: return;
    case QSerialPort::ReadError:
    case QSerialPort::ResourceError: {
        // A vanished device: a pseudo-terminal reports a flood of read errors, a USB adapter a
        // resource error. Close once, keep what was already received, report it once.
        if (!port_->isOpen())
            return;
        // Qt says "Unknown error" for an unplugged adapter or a closed pseudo-terminal.
        QString reason = QSerialPort::SerialPortError(error) == QSerialPort::ReadError
                             ? QStringLiteral("読み込めません")
                             : QStringLiteral("デバイスが使えなくなりました");
        if (const QString qt = port_->errorString(); !qt.isEmpty() && qt != QStringLiteral("Unknown error"))
            reason += QStringLiteral(": ") + qt;
        if (port_->bytesAvailable() > 0)
            raise(comEvReceive);
        port_->close();
        Q_EMIT deviceLost(reason);
        return;
    }
    default: return;
    }
}

}  // namespace tavin
