#pragma once

#include <QByteArray>
#include <QObject>
#include <QSerialPort>
#include <QString>

#include "platform/serial_control.h"

namespace pm {

// What a failed QSerialPort::open() means for the port scan. Qt reports a lock held by another
// program and a device this user may not open alike, as PermissionError; the lock's text mentions
// locking, and otherwise whether the device is readable and writable for us tells them apart.
OpenOutcome classifyOpenFailure(QSerialPort::SerialPortError error, const QString& errorText,
                                bool deviceAccessible);

// The line to the meter over QSerialPort at 9600 8N1, without flow control. Everything happens
// on the thread that owns it, driven by its event loop: nothing here waits for the device.
class QtSerialControl final : public QObject, public SerialControl {
    Q_OBJECT

  public:
    explicit QtSerialControl(QObject* parent = nullptr);
    ~QtSerialControl() override;

    void setCommPort(int port) override { commPort_ = port; }
    int commPort() const override { return commPort_; }

    bool portOpen() const override { return port_.isOpen(); }
    OpenOutcome open() override;
    void close() override;

    void setRThreshold(int bytes) override { threshold_ = bytes > 0 ? bytes : 0; }
    void output(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> input() override;
    int inBufferCount() const override;
    void clearInBuffer() override;
    void clearOutBuffer() override;
    int commEvent() const override { return commEvent_; }

    void setReceiveHandler(ReceiveHandler handler) override { handler_ = std::move(handler); }

  private:
    void takeArrivedBytes();
    void onReadyRead();
    void onErrorOccurred(QSerialPort::SerialPortError error);

    QSerialPort port_{this};
    QByteArray received_;
    int commPort_ = 1;
    int threshold_ = 0;
    int commEvent_ = 0;
    // Counts opens and closes, so that a close queued for a vanished device cannot hit a port
    // opened after it.
    quint64 session_ = 0;
    bool closeQueued_ = false;
    ReceiveHandler handler_;
};

}  // namespace pm
