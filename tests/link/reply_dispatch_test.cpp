// The receive handler: the common steps of every receive event and the routing by the request
// sent last, fed exactly the bytes each case needs.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::PortSetup;
using testing::Rig;
using Bytes = std::vector<std::uint8_t>;

// Port 1 open on a device that never answers by itself: the test plays the meter.
struct OnOpenPort : Rig {
    OnOpenPort() {
        serial.setPort(1, PortSetup::MuteDevice);
        form.Form_Load();
        scheduler.advanceBy(500);  // the scan opens port 1 and sends the handshake
        s().timeoutTicks = 3;
    }
};

TEST(ReplyDispatch, HandshakeReply) {
    struct Case {
        const char* name;
        bool linkedBefore;
        Bytes bytes;
        bool linkedAfter;
        const char* label2;
    };
    const Case cases[] = {
        {"the meter's answer", false, {0xAA, 0x55, 0xAA}, true, "通信成功"},
        {"one byte off", false, {0xAA, 0x55, 0xAB}, false, "通信失败"},
        {"a fourth byte is ignored", false, {0xAA, 0x55, 0xAA, 0x00}, true, "通信成功"},
        {"keep-alive while linked", true, {0x01, 0x02, 0x03}, true, "通信失败"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnOpenPort rig;
        rig.s().linked = c.linkedBefore;
        ASSERT_EQ(rig.s().pendingCommand, 11000);
        rig.serial.arrive(c.bytes);
        EXPECT_EQ(rig.s().rxBytes, c.bytes);
        EXPECT_EQ(rig.s().timeoutTicks, 0);  // any reply is a sign of life
        EXPECT_EQ(rig.s().linked, c.linkedAfter);
        EXPECT_EQ(rig.w().Label2.caption(), c.label2);
        EXPECT_EQ(rig.serial.inBufferCount(), 0);
    }
}

TEST(ReplyDispatch, RecordCountReply) {
    struct Case {
        const char* name;
        Bytes bytes;
        int count;
        bool reading;  // Readdat started, polling left off
    };
    const Case cases[] = {
        {"five", {0x05, 0x00}, 5, true},
        {"three hundred", {0x2C, 0x01}, 300, true},
        {"none", {0x00, 0x00}, 0, false},
        {"the last record number", {0x10, 0x27}, 10000, true},
        {"one more than there are codes for", {0x11, 0x27}, 10000, true},
        {"top bit set", {0x40, 0x9C}, 10000, true},
        {"all ones", {0xFF, 0xFF}, 10000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnOpenPort rig;
        rig.w().comunication.setEnabled(false);
        rig.w().Command1.setEnabled(false);
        rig.w().Command2.setEnabled(false);
        rig.form.sendRequest(12000);
        EXPECT_EQ(rig.serial.rThreshold(), 2);
        rig.serial.arrive(c.bytes);
        EXPECT_EQ(rig.s().recordCount, c.count);
        EXPECT_EQ(rig.w().Readdat.enabled(), c.reading);
        EXPECT_EQ(rig.s().recordIndex, c.reading ? 1 : 0);
        EXPECT_EQ(rig.w().comunication.enabled(), !c.reading);
        EXPECT_EQ(rig.w().Command1.enabled(), !c.reading);
        EXPECT_EQ(rig.w().Command2.enabled(), !c.reading);
    }
}

TEST(ReplyDispatch, ClockSetReplyAndStrayEventsChangeNothingElse) {
    OnOpenPort rig;
    rig.form.sendRequest(14000);
    rig.serial.arrive({0x12, 0x34, 0x56});
    EXPECT_EQ(rig.s().rxBytes, (Bytes{0x12, 0x34, 0x56}));
    EXPECT_EQ(rig.s().timeoutTicks, 0);
    EXPECT_FALSE(rig.s().linked);
    EXPECT_EQ(rig.w().Label2.caption(), "通信失败");

    // An event that is not about received data leaves even the time-out count alone.
    rig.s().timeoutTicks = 2;
    rig.serial.raiseEvent(3);
    EXPECT_EQ(rig.s().timeoutTicks, 2);
    EXPECT_EQ(rig.s().rxBytes, (Bytes{0x12, 0x34, 0x56}));
}

TEST(ReplyDispatch, SendRequestOnAClosedPortChangesNothing) {
    Rig rig;
    rig.form.Form_Load();
    rig.s().pendingCommand = 11000;
    rig.form.sendRequest(13000);
    EXPECT_EQ(rig.s().pendingCommand, 11000);
    EXPECT_EQ(rig.serial.rThreshold(), 0);
    EXPECT_TRUE(rig.serial.writes().empty());
}

TEST(ReplyDispatch, StoredRecordIsFiledUnderTheRequestSentLast) {
    OnOpenPort rig;
    rig.form.sendRequest(12);
    rig.serial.arrive(sim::encodeFrame(sim::storedReading(12)));
    EXPECT_EQ(rig.grid.rows(), 108);
    EXPECT_EQ(rig.grid.textMatrix(99, 0), "NO.12");
    // A reply that comes in after the next request was sent is taken for that request's.
    rig.form.sendRequest(13);
    rig.serial.arrive(sim::encodeFrame(sim::storedReading(12)));
    EXPECT_EQ(rig.grid.textMatrix(108, 0), "NO.13");
}

}  // namespace
}  // namespace pm
