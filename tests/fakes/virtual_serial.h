#pragma once

#include <array>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/serial_control.h"
#include "platform/virtual_scheduler.h"
#include "simulator/instrument_simulator.h"

namespace pm::testing {

// What sits behind one port number.
enum class PortSetup {
    NoDevice,      // open fails: NoSuchPort
    InUse,         // open fails: InUse
    NoPermission,  // open fails: NoPermission
    Failing,       // open fails: Failed
    MuteDevice,    // opens, takes every byte, never answers
};

// Sixteen serial ports in virtual time. Every port starts with no device; a test puts a meter
// (an InstrumentSimulator) or another setup behind any of them. What the host writes reaches the
// device at once; the device's replies travel through the scheduler and arrive after their delay,
// and only while the port that carried the request is still open: a reply to a port closed (or
// closed and opened again) meanwhile is lost. The receive event is raised at every arrival that
// leaves at least RThreshold bytes waiting, so a reply in pieces raises it when its last needed
// piece arrives.
class VirtualSerialPort final : public SerialControl {
  public:
    static constexpr int kPortCount = 16;

    struct Write {
        VirtualScheduler::Millis atMs = 0;
        int port = 0;
        std::vector<std::uint8_t> bytes;
        bool operator==(const Write&) const = default;
    };
    struct OpenAttempt {
        VirtualScheduler::Millis atMs = 0;
        int port = 0;
        OpenOutcome outcome = OpenOutcome::Failed;
        bool operator==(const OpenAttempt&) const = default;
    };

    explicit VirtualSerialPort(VirtualScheduler& scheduler);
    ~VirtualSerialPort() override;
    VirtualSerialPort(const VirtualSerialPort&) = delete;
    VirtualSerialPort& operator=(const VirtualSerialPort&) = delete;

    // Replaces whatever was behind `port` (1..16; std::out_of_range otherwise). If that port is
    // open, the open connection goes dead as if the device had been pulled.
    void setPort(int port, PortSetup setup);
    // A meter behind `port`, owned by this object until the port is set up anew. Its line runs on
    // the scheduler's clock; set its baud rate for replies paced as on the wire.
    sim::InstrumentSimulator& attachInstrument(int port, std::uint64_t seed = 1);
    // The meter behind `port`, or null. A meter that was unplugged stays readable here.
    sim::InstrumentSimulator* instrument(int port);
    // The device vanishes: later opens give NoSuchPort, and an open connection to it neither
    // delivers nor sends any more (the host still believes the port open until it closes it).
    void unplug(int port);

    // Bytes from the line arrive now on the open port, whatever is behind it: for feeding the
    // receive side exactly the bytes a test wants. Ignored while no port is open.
    void arrive(std::vector<std::uint8_t> bytes) { deliver(connection_, std::move(bytes)); }
    // Raises a receive event for something other than received data (a line-state change).
    void raiseEvent(int commEvent);

    // Every request that went out on an open port, in order.
    const std::vector<Write>& writes() const { return writes_; }
    void clearWrites() { writes_.clear(); }
    const std::vector<OpenAttempt>& opens() const { return opens_; }
    int rThreshold() const { return threshold_; }
    int receiveEvents() const { return receiveEvents_; }

    void setCommPort(int port) override { commPort_ = port; }
    int commPort() const override { return commPort_; }
    bool portOpen() const override { return openPort_ != 0; }
    OpenOutcome open() override;
    void close() override;
    void setRThreshold(int bytes) override { threshold_ = bytes; }
    void output(std::span<const std::uint8_t> bytes) override;
    std::vector<std::uint8_t> input() override;
    int inBufferCount() const override { return static_cast<int>(received_.size()); }
    void clearInBuffer() override { received_.clear(); }
    void clearOutBuffer() override {}  // written bytes reach the device at once; nothing waits
    int commEvent() const override { return commEvent_; }
    void setReceiveHandler(ReceiveHandler handler) override { handler_ = std::move(handler); }

  private:
    struct Slot {
        PortSetup setup = PortSetup::NoDevice;
        bool answering = false;  // the instrument below is plugged in and listening
        std::unique_ptr<sim::InstrumentSimulator> instrument;
    };

    Slot& slot(int port);
    void detach(int port);
    void deliver(std::uint64_t connection, std::vector<std::uint8_t> bytes);

    VirtualScheduler& scheduler_;
    // Posted replies check this before touching the port, so they are harmless after it is gone.
    std::shared_ptr<const int> alive_ = std::make_shared<const int>(0);
    std::array<Slot, kPortCount> slots_;

    int commPort_ = 1;
    int openPort_ = 0;  // 0: closed
    // Bumped at every open, close and loss of the device, so replies meant for an earlier
    // connection are recognised and dropped.
    std::uint64_t connection_ = 0;
    bool connectionDead_ = false;
    int threshold_ = 0;
    int commEvent_ = 0;
    int receiveEvents_ = 0;
    std::vector<std::uint8_t> received_;
    ReceiveHandler handler_;
    std::vector<Write> writes_;
    std::vector<OpenAttempt> opens_;
};

}  // namespace pm::testing
