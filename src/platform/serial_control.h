#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace pm {

// How an attempt to open a serial port ended.
enum class OpenOutcome {
    Opened,
    InUse,         // another program holds the device
    NoSuchPort,    // no device behind that port number
    NoPermission,  // the device exists but this user may not open it (Linux: dialout group)
    Failed,        // anything else; the port stays closed
};

// The serial line to the meter, one port at a time, 9600 baud 8N1. The window's handlers drive it
// in the order the protocol needs: pick a port, open it, arm the receive threshold, write a
// request, empty the buffers, and take the waiting bytes when the receive event comes.
class SerialControl {
  public:
    using ReceiveHandler = std::function<void()>;
    static constexpr int kEventReceive = 2;  // CommEvent value for "data received"

    virtual ~SerialControl() = default;

    // Port number (1..16) that the next open uses.
    virtual void setCommPort(int port) = 0;
    virtual int commPort() const = 0;

    virtual bool portOpen() const = 0;
    // Opens port commPort() at 9600 8N1. Anything but Opened leaves the port closed.
    virtual OpenOutcome open() = 0;
    // Closes the port and drops whatever was buffered for it. Closing a closed port is harmless.
    virtual void close() = 0;

    // The receive event is raised once at least this many received bytes wait (0: never).
    virtual void setRThreshold(int bytes) = 0;
    // Sends the bytes unchanged and whole. Does nothing while the port is closed.
    virtual void output(std::span<const std::uint8_t> bytes) = 0;
    // Takes every waiting received byte, in order of arrival.
    virtual std::vector<std::uint8_t> input() = 0;
    virtual int inBufferCount() const = 0;
    // Drops every received byte not yet taken.
    virtual void clearInBuffer() = 0;
    // Drops bytes not yet sent; never the request written just before.
    virtual void clearOutBuffer() = 0;
    // Why the last receive event was raised.
    virtual int commEvent() const = 0;

    // Called on the UI thread, between other events, when the receive event is raised.
    virtual void setReceiveHandler(ReceiveHandler handler) = 0;
};

}  // namespace pm
