#include "adapters/qt_serial_control.h"

#include <QFile>
#include <QFileInfo>
#include <QMetaObject>

#include "adapters/serial_port_names.h"

#ifndef Q_OS_WIN
#include <unistd.h>
#endif

namespace pm {
namespace {

bool isAccessible(const QString& device) {
#ifdef Q_OS_WIN
    // Windows answers a port held by another program with "access denied", and has no device
    // permissions of the Unix kind to confuse it with.
    Q_UNUSED(device);
    return true;
#else
    return ::access(QFile::encodeName(device).constData(), R_OK | W_OK) == 0;
#endif
}

// The device itself rather than a link to it: Qt names its lock file after the path it opens, and
// another program locks the device under its own name.
QString resolvedDevice(const QString& path) {
#ifdef Q_OS_WIN
    return path;
#else
    const QString canonical = QFileInfo(path).canonicalFilePath();
    return canonical.isEmpty() ? path : canonical;
#endif
}

}  // namespace

OpenOutcome classifyOpenFailure(QSerialPort::SerialPortError error, const QString& errorText,
                                bool deviceAccessible) {
    switch (error) {
        case QSerialPort::DeviceNotFoundError:
            return OpenOutcome::NoSuchPort;
        case QSerialPort::PermissionError:
            // Qt takes the lock before it opens the device, so a held lock is reported even to a
            // user who could not open the device anyway: someone else has it either way.
            if (errorText.contains(QLatin1String("locking"), Qt::CaseInsensitive)) {
                return OpenOutcome::InUse;
            }
            if (!deviceAccessible) {
                return OpenOutcome::NoPermission;
            }
            // No lock directory this user may write to: the device cannot be opened by us.
            if (errorText.contains(QLatin1String("lock file"), Qt::CaseInsensitive)) {
                return OpenOutcome::NoPermission;
            }
            // The device is ours to open, so the refusal is EBUSY: another program holds it
            // exclusively without a lock file (or, on Windows, simply holds it).
            return OpenOutcome::InUse;
        default:
            // Includes NoError: an open that failed without saying why is still a failure.
            return OpenOutcome::Failed;
    }
}

QtSerialControl::QtSerialControl(QObject* parent) : QObject(parent) {
    port_.setObjectName(QStringLiteral("MSComm1"));
    connect(&port_, &QSerialPort::readyRead, this, &QtSerialControl::onReadyRead);
    connect(&port_, &QSerialPort::errorOccurred, this, &QtSerialControl::onErrorOccurred);
}

QtSerialControl::~QtSerialControl() {
    close();
}

OpenOutcome QtSerialControl::open() {
    close();
    const std::optional<QString> path = devicePathForPort(commPort_);
    if (!path) {
        return OpenOutcome::NoSuchPort;
    }
    const QString device = resolvedDevice(*path);
    port_.setPortName(device);
    // Set before opening, so that open() applies them all at once. DTR and RTS are left alone:
    // the meter needs neither, and a pseudo-terminal refuses the ioctl that sets them.
    port_.setBaudRate(QSerialPort::Baud9600);
    port_.setDataBits(QSerialPort::Data8);
    port_.setParity(QSerialPort::NoParity);
    port_.setStopBits(QSerialPort::OneStop);
    port_.setFlowControl(QSerialPort::NoFlowControl);
    if (port_.open(QIODevice::ReadWrite)) {
        ++session_;
        received_.clear();
        return OpenOutcome::Opened;
    }
    const OpenOutcome outcome =
        classifyOpenFailure(port_.error(), port_.errorString(), isAccessible(device));
    port_.clearError();
    if (port_.isOpen()) {
        port_.close();
    }
    return outcome;
}

void QtSerialControl::close() {
    if (port_.isOpen()) {
        port_.close();
    }
    ++session_;
    received_.clear();
}

void QtSerialControl::output(std::span<const std::uint8_t> bytes) {
    if (!port_.isOpen() || bytes.empty()) {
        return;
    }
    // Queued in Qt's write buffer and handed to the driver by the event loop. A failed write
    // reports itself through errorOccurred; the link's time-out deals with the silence after it.
    port_.write(reinterpret_cast<const char*>(bytes.data()), static_cast<qint64>(bytes.size()));
}

std::vector<std::uint8_t> QtSerialControl::input() {
    takeArrivedBytes();
    std::vector<std::uint8_t> bytes(received_.begin(), received_.end());
    received_.clear();
    return bytes;
}

int QtSerialControl::inBufferCount() const {
    const qint64 waiting = received_.size() + (port_.isOpen() ? port_.bytesAvailable() : 0);
    return static_cast<int>(waiting);
}

void QtSerialControl::clearInBuffer() {
    received_.clear();
    if (port_.isOpen()) {
        port_.clear(QSerialPort::Input);
    }
}

void QtSerialControl::clearOutBuffer() {
    // Deliberately leaves the line alone. It is called right after output(), while the request
    // still sits in Qt's write buffer: QSerialPort::clear(Output) would throw that buffer away,
    // and tcflush() on a real UART would cut off the bytes still being shifted out at 9600 baud.
    // With one short request at a time nothing stale ever waits to be sent, so there is nothing
    // to drop.
}

void QtSerialControl::takeArrivedBytes() {
    if (port_.isOpen() && port_.bytesAvailable() > 0) {
        received_.append(port_.readAll());
    }
}

void QtSerialControl::onReadyRead() {
    takeArrivedBytes();
    if (threshold_ > 0 && received_.size() >= threshold_) {
        commEvent_ = kEventReceive;
        // A copy: the handler may replace itself while it runs.
        const ReceiveHandler handler = handler_;
        if (handler) {
            handler();
        }
    }
}

void QtSerialControl::onErrorOccurred(QSerialPort::SerialPortError error) {
    // Open emits NoError, and a failed write leaves the port usable; only a device gone away
    // matters here. Left open, such a port reports the same error again on every pass of the event
    // loop, so it is closed, and the link's time-out starts the scan again. The close waits for
    // the next pass: the error is raised inside the port's own notifier, which close() deletes.
    if ((error != QSerialPort::ReadError && error != QSerialPort::ResourceError) ||
        !port_.isOpen() || closeQueued_) {
        return;
    }
    closeQueued_ = true;
    const quint64 session = session_;
    QMetaObject::invokeMethod(
        this,
        [this, session] {
            closeQueued_ = false;
            if (session == session_) {
                close();
            }
        },
        Qt::QueuedConnection);
}

}  // namespace pm
