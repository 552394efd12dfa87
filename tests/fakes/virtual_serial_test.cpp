#include "fakes/virtual_serial.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <memory>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

namespace pm::testing {
namespace {

using Bytes = std::vector<std::uint8_t>;

const Bytes kHandshake = {0xAA, 0xF8, 0x2A};
const Bytes kHello = {0xAA, 0x55, 0xAA};
const Bytes kLive = {0xAA, 0xC8, 0x32};

// A host that counts receive events and, like the program, takes every waiting byte in them.
struct Host {
    VirtualScheduler scheduler;
    VirtualSerialPort serial{scheduler};
    std::vector<std::pair<VirtualScheduler::Millis, Bytes>> events;
    bool takeBytes = true;

    Host() {
        serial.setReceiveHandler([this] {
            EXPECT_EQ(serial.commEvent(), SerialControl::kEventReceive);
            events.push_back({scheduler.now(), takeBytes ? serial.input() : Bytes{}});
        });
    }

    sim::InstrumentSimulator& meterOn(int port, std::int64_t delayMs) {
        sim::InstrumentSimulator& m = serial.attachInstrument(port);
        m.setReplyDelayMs(delayMs);
        return m;
    }
    OpenOutcome open(int port) {
        serial.setCommPort(port);
        return serial.open();
    }
    void request(const Bytes& frame, int threshold) {
        serial.setRThreshold(threshold);
        serial.output(frame);
    }
};

TEST(VirtualSerialPort, OpenOutcomeFollowsWhatIsBehindThePort) {
    struct Case {
        const char* name;
        std::optional<PortSetup> setup;  // nothing: an instrument
        int port;
        OpenOutcome outcome;
    };
    const Case cases[] = {
        {"nothing attached", PortSetup::NoDevice, 3, OpenOutcome::NoSuchPort},
        {"held by another program", PortSetup::InUse, 2, OpenOutcome::InUse},
        {"not permitted", PortSetup::NoPermission, 16, OpenOutcome::NoPermission},
        {"failing", PortSetup::Failing, 5, OpenOutcome::Failed},
        {"a device that never answers", PortSetup::MuteDevice, 1, OpenOutcome::Opened},
        {"the meter", std::nullopt, 4, OpenOutcome::Opened},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host h;
        if (c.setup) {
            h.serial.setPort(c.port, *c.setup);
        } else {
            h.serial.attachInstrument(c.port);
        }
        h.scheduler.advanceBy(10);
        EXPECT_EQ(h.open(c.port), c.outcome);
        EXPECT_EQ(h.serial.portOpen(), c.outcome == OpenOutcome::Opened);
        EXPECT_EQ(h.serial.opens(),
                  (std::vector<VirtualSerialPort::OpenAttempt>{{10, c.port, c.outcome}}));
        // Every other port still has nothing behind it.
        const int neighbour = c.port == 16 ? 15 : c.port + 1;
        EXPECT_EQ(h.open(neighbour), OpenOutcome::NoSuchPort);
        EXPECT_FALSE(h.serial.portOpen());
    }
    Host h;
    EXPECT_EQ(h.open(0), OpenOutcome::NoSuchPort);
    EXPECT_EQ(h.open(17), OpenOutcome::NoSuchPort);
    EXPECT_THROW(h.serial.setPort(17, PortSetup::InUse), std::out_of_range);
}

TEST(VirtualSerialPort, ReplyArrivesAfterItsDelayAndRaisesTheReceiveEvent) {
    Host h;
    h.meterOn(4, 50);
    ASSERT_EQ(h.open(4), OpenOutcome::Opened);
    h.scheduler.advanceBy(100);
    h.request(kHandshake, 3);
    h.serial.clearInBuffer();  // as the program does right after every request
    h.serial.clearOutBuffer();
    EXPECT_EQ(h.serial.writes(), (std::vector<VirtualSerialPort::Write>{{100, 4, kHandshake}}));
    h.scheduler.advanceBy(49);
    EXPECT_EQ(h.serial.inBufferCount(), 0);
    EXPECT_TRUE(h.events.empty());
    h.scheduler.advanceBy(1);
    ASSERT_EQ(h.events.size(), 1u);
    EXPECT_EQ(h.events[0].first, 150);
    EXPECT_EQ(h.events[0].second, kHello);
    EXPECT_EQ(h.serial.inBufferCount(), 0);
}

TEST(VirtualSerialPort, ThresholdCountsBytesArrivingInPieces) {
    struct Case {
        const char* name;
        Bytes request;
        int pieces;
        int threshold;
        bool takeBytes;
        std::vector<VirtualScheduler::Millis> eventTimes;
        int waitingAtEnd;
    };
    const Case cases[] = {
        // Pieces of 9, 10, 10, 10 bytes at 20, 23, 26, 29 ms.
        {"frame in four pieces", kLive, 4, 39, true, {29}, 0},
        {"threshold below the first piece", kLive, 4, 5, true, {20, 23, 26, 29}, 0},
        // Without taking the bytes, every later arrival still finds enough waiting.
        {"bytes left waiting", kLive, 4, 15, false, {23, 26, 29}, 39},
        {"handshake byte by byte", kHandshake, 3, 3, true, {26}, 0},
        {"threshold never reached", kHandshake, 3, 4, true, {}, 3},
        {"threshold 0 raises nothing", kHandshake, 1, 0, true, {}, 3},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host h;
        h.takeBytes = c.takeBytes;
        h.meterOn(1, 20).setPieces(c.pieces);
        ASSERT_EQ(h.open(1), OpenOutcome::Opened);
        h.request(c.request, c.threshold);
        h.scheduler.advanceBy(100);
        std::vector<VirtualScheduler::Millis> times;
        for (const auto& e : h.events) {
            times.push_back(e.first);
        }
        EXPECT_EQ(times, c.eventTimes);
        EXPECT_EQ(h.serial.inBufferCount(), c.waitingAtEnd);
        EXPECT_EQ(h.serial.receiveEvents(), static_cast<int>(c.eventTimes.size()));
    }
}

TEST(VirtualSerialPort, ReplyToAPortClosedMeanwhileIsLost) {
    struct Case {
        const char* name;
        int reopen;  // 0: stays closed
    };
    const Case cases[] = {{"closed", 0}, {"closed and opened again", 2}, {"another port", 3}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Host h;
        h.meterOn(2, 300);
        h.meterOn(3, 10);
        ASSERT_EQ(h.open(2), OpenOutcome::Opened);
        h.request(kHandshake, 3);
        h.scheduler.advanceBy(200);
        h.serial.close();
        if (c.reopen != 0) {
            ASSERT_EQ(h.open(c.reopen), OpenOutcome::Opened);
        }
        h.scheduler.advanceBy(1000);
        EXPECT_TRUE(h.events.empty());
        EXPECT_EQ(h.serial.inBufferCount(), 0);
        EXPECT_EQ(h.serial.instrument(2)->requests().handshake, 1);
    }
}

TEST(VirtualSerialPort, BuffersEmptyOnRequestAndOnClose) {
    Host h;
    h.meterOn(1, 10);
    ASSERT_EQ(h.open(1), OpenOutcome::Opened);
    h.request(kHandshake, 0);
    h.scheduler.advanceBy(20);
    EXPECT_EQ(h.serial.inBufferCount(), 3);
    h.serial.clearInBuffer();
    EXPECT_EQ(h.serial.inBufferCount(), 0);
    EXPECT_TRUE(h.serial.input().empty());

    h.request(kHandshake, 0);
    h.scheduler.advanceBy(20);
    h.serial.close();
    EXPECT_EQ(h.serial.inBufferCount(), 0);
    ASSERT_EQ(h.open(1), OpenOutcome::Opened);
    EXPECT_EQ(h.serial.inBufferCount(), 0);

    // Nothing goes out on a closed port, and nothing is recorded.
    h.serial.close();
    h.serial.output(kHandshake);
    EXPECT_EQ(h.serial.writes().size(), 2u);
    EXPECT_EQ(h.serial.instrument(1)->requests().handshake, 2);
}

TEST(VirtualSerialPort, AMuteDeviceTakesRequestsAndNeverAnswers) {
    Host h;
    h.serial.setPort(6, PortSetup::MuteDevice);
    ASSERT_EQ(h.open(6), OpenOutcome::Opened);
    h.request(kHandshake, 1);
    h.scheduler.advanceBy(10'000);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.serial.writes().size(), 1u);
    EXPECT_EQ(h.serial.instrument(6), nullptr);
}

TEST(VirtualSerialPort, AnUnpluggedMeterVanishes) {
    Host h;
    sim::InstrumentSimulator& meter = h.meterOn(4, 50);
    ASSERT_EQ(h.open(4), OpenOutcome::Opened);
    h.request(kHandshake, 3);
    h.scheduler.advanceBy(20);
    h.serial.unplug(4);
    h.scheduler.advanceBy(100);
    EXPECT_TRUE(h.events.empty()) << "the reply under way is lost";

    // The host still holds the port; what it writes is recorded but reaches no device.
    EXPECT_TRUE(h.serial.portOpen());
    h.request(kHandshake, 3);
    h.scheduler.advanceBy(100);
    EXPECT_TRUE(h.events.empty());
    EXPECT_EQ(h.serial.writes().size(), 2u);
    EXPECT_EQ(meter.requests().handshake, 1);

    h.serial.close();
    EXPECT_EQ(h.open(4), OpenOutcome::NoSuchPort);

    // Plugged in again, the port works as before.
    h.meterOn(4, 50);
    ASSERT_EQ(h.open(4), OpenOutcome::Opened);
    h.request(kHandshake, 3);
    h.scheduler.advanceBy(100);
    ASSERT_EQ(h.events.size(), 1u);
    EXPECT_EQ(h.events[0].second, kHello);
}

TEST(VirtualSerialPort, RepliesStillUnderWayOutliveThePortHarmlessly) {
    VirtualScheduler scheduler;
    {
        auto serial = std::make_unique<VirtualSerialPort>(scheduler);
        serial->attachInstrument(1).setReplyDelayMs(100);
        serial->setCommPort(1);
        ASSERT_EQ(serial->open(), OpenOutcome::Opened);
        serial->setRThreshold(3);
        serial->output(kHandshake);
    }
    scheduler.advanceBy(1000);
    EXPECT_EQ(scheduler.nextDue(), -1);
}

}  // namespace
}  // namespace pm::testing
