#include "fakes/virtual_serial.h"

#include <stdexcept>
#include <string>
#include <utility>

namespace pm::testing {

VirtualSerialPort::VirtualSerialPort(VirtualScheduler& scheduler) : scheduler_(scheduler) {}

VirtualSerialPort::~VirtualSerialPort() = default;

VirtualSerialPort::Slot& VirtualSerialPort::slot(int port) {
    if (port < 1 || port > kPortCount) {
        throw std::out_of_range("no virtual serial port " + std::to_string(port));
    }
    return slots_[static_cast<std::size_t>(port - 1)];
}

void VirtualSerialPort::detach(int port) {
    Slot& s = slot(port);
    s.answering = false;
    if (openPort_ == port) {
        connectionDead_ = true;
        ++connection_;
    }
}

void VirtualSerialPort::setPort(int port, PortSetup setup) {
    detach(port);
    Slot& s = slot(port);
    s.setup = setup;
    s.instrument.reset();
}

sim::InstrumentSimulator& VirtualSerialPort::attachInstrument(int port, std::uint64_t seed) {
    setPort(port, PortSetup::MuteDevice);
    Slot& s = slot(port);
    std::weak_ptr<const int> alive = alive_;
    s.instrument = std::make_unique<sim::InstrumentSimulator>(
        [this, port, alive](std::vector<std::uint8_t> bytes, std::int64_t delayMs) {
            if (alive.expired() || openPort_ != port || connectionDead_) {
                return;
            }
            const std::uint64_t connection = connection_;
            scheduler_.post(delayMs, [this, alive, connection, bytes = std::move(bytes)]() mutable {
                if (!alive.expired()) {
                    deliver(connection, std::move(bytes));
                }
            });
        },
        seed);
    s.instrument->setClock([this] { return scheduler_.now(); });
    s.answering = true;
    return *s.instrument;
}

sim::InstrumentSimulator* VirtualSerialPort::instrument(int port) {
    return slot(port).instrument.get();
}

void VirtualSerialPort::unplug(int port) {
    detach(port);
    slot(port).setup = PortSetup::NoDevice;
}

OpenOutcome VirtualSerialPort::open() {
    if (openPort_ != 0) {
        close();
    }
    OpenOutcome outcome = OpenOutcome::NoSuchPort;
    if (commPort_ >= 1 && commPort_ <= kPortCount) {
        switch (slot(commPort_).setup) {
            case PortSetup::NoDevice:
                outcome = OpenOutcome::NoSuchPort;
                break;
            case PortSetup::InUse:
                outcome = OpenOutcome::InUse;
                break;
            case PortSetup::NoPermission:
                outcome = OpenOutcome::NoPermission;
                break;
            case PortSetup::Failing:
                outcome = OpenOutcome::Failed;
                break;
            case PortSetup::MuteDevice:
                outcome = OpenOutcome::Opened;
                break;
        }
    }
    opens_.push_back(OpenAttempt{scheduler_.now(), commPort_, outcome});
    if (outcome == OpenOutcome::Opened) {
        openPort_ = commPort_;
        ++connection_;
        connectionDead_ = false;
        received_.clear();
    }
    return outcome;
}

void VirtualSerialPort::close() {
    if (openPort_ == 0) {
        return;
    }
    openPort_ = 0;
    ++connection_;
    connectionDead_ = false;
    received_.clear();
}

void VirtualSerialPort::output(std::span<const std::uint8_t> bytes) {
    if (openPort_ == 0) {
        return;
    }
    writes_.push_back(Write{scheduler_.now(), openPort_, {bytes.begin(), bytes.end()}});
    Slot& s = slot(openPort_);
    if (!connectionDead_ && s.answering && s.instrument) {
        s.instrument->receive(bytes);
    }
}

std::vector<std::uint8_t> VirtualSerialPort::input() {
    return std::exchange(received_, {});
}

void VirtualSerialPort::deliver(std::uint64_t connection, std::vector<std::uint8_t> bytes) {
    if (openPort_ == 0 || connectionDead_ || connection != connection_) {
        return;
    }
    received_.insert(received_.end(), bytes.begin(), bytes.end());
    if (threshold_ > 0 && static_cast<int>(received_.size()) >= threshold_) {
        commEvent_ = kEventReceive;
        ++receiveEvents_;
        if (handler_) {
            handler_();
        }
    }
}

void VirtualSerialPort::raiseEvent(int commEvent) {
    commEvent_ = commEvent;
    if (handler_) {
        handler_();
    }
}

}  // namespace pm::testing
