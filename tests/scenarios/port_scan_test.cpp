// Finding the meter: the scan over ports 1 to 16 in virtual time.
#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
namespace {

using testing::PortSetup;
using testing::Rig;

std::vector<int> openedPorts(const Rig& rig) {
    std::vector<int> ports;
    for (const auto& attempt : rig.serial.opens()) {
        ports.push_back(attempt.port);
    }
    return ports;
}

TEST(PortScan, WithoutAMeterTriesPortsOneToSixteenOverAndOver) {
    Rig rig;
    rig.serial.setPort(2, PortSetup::InUse);
    rig.serial.setPort(5, PortSetup::Failing);
    rig.serial.setPort(9, PortSetup::NoPermission);
    rig.serial.setPort(12, PortSetup::MuteDevice);
    rig.form.Form_Load();
    EXPECT_EQ(rig.w().Label1.caption(), "串口状态");

    std::vector<std::string> shown;
    for (int tick = 0; tick < 33; ++tick) {
        rig.scheduler.advanceBy(500);
        shown.push_back(rig.w().Label1.caption());
        EXPECT_GE(rig.s().portNumber, 1);
        EXPECT_LE(rig.s().portNumber, 16);
    }
    std::vector<int> expectedPorts;
    for (int k = 0; k < 33; ++k) {
        expectedPorts.push_back(k % 16 + 1);
    }
    EXPECT_EQ(openedPorts(rig), expectedPorts);

    struct Case {
        int port;
        const char* text;
    };
    const Case cases[] = {
        {1, "COM1无效"},   {2, "COM2被占用"},   {5, "COM5未打开"}, {7, "COM7无效"},
        {9, "COM9无权限"}, {12, "COM12已打开"}, {16, "COM16无效"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(shown[static_cast<std::size_t>(c.port - 1)], c.text);
        EXPECT_EQ(shown[static_cast<std::size_t>(c.port + 15)], c.text);  // second pass
    }
    // Only the port that opened got a handshake; nothing went out on the failed ones.
    EXPECT_EQ(rig.requestCodes(), (std::vector<int>{11000, 11000}));
    EXPECT_EQ(rig.requestCodes(12).size(), 2u);
    EXPECT_FALSE(rig.s().linked);
    EXPECT_EQ(rig.w().Label2.caption(), "通信失败");
    EXPECT_TRUE(rig.w().Findcom.enabled());
}

TEST(PortScan, MeterOnPortFourIsFoundOnTheFirstPass) {
    Rig rig;
    rig.serial.attachInstrument(4).setReplyDelayMs(30);
    rig.form.Form_Load();
    rig.scheduler.advanceTo(2000);  // the fourth tick opens port 4 and sends the handshake
    EXPECT_EQ(rig.w().Label1.caption(), "COM4已打开");
    EXPECT_FALSE(rig.s().linked);
    rig.scheduler.advanceTo(2030);
    EXPECT_TRUE(rig.s().linked);
    EXPECT_EQ(rig.w().Label2.caption(), "通信成功");
    EXPECT_EQ(rig.s().timeoutTicks, 0);
    EXPECT_TRUE(rig.w().Findcom.enabled());  // the scan stops on its next tick

    rig.w().comunication.setEnabled(false);  // as an interrupted read may have left it
    rig.w().Command1.setEnabled(false);
    rig.w().Command2.setEnabled(false);
    rig.scheduler.advanceTo(2500);
    EXPECT_FALSE(rig.w().Findcom.enabled());
    EXPECT_TRUE(rig.serial.portOpen());
    EXPECT_EQ(rig.serial.commPort(), 4);
    EXPECT_EQ(rig.s().portNumber, 5);
    EXPECT_TRUE(rig.w().comunication.enabled());
    EXPECT_TRUE(rig.w().Command1.enabled());
    EXPECT_TRUE(rig.w().Command2.enabled());
    EXPECT_EQ(openedPorts(rig), (std::vector<int>{1, 2, 3, 4}));
}

TEST(PortScan, HandshakeAnsweredAfterTheNextTickIsLost) {
    Rig rig;
    rig.serial.attachInstrument(3).setReplyDelayMs(600);  // slower than the scan
    rig.form.Form_Load();
    rig.scheduler.advanceBy(20'000);
    EXPECT_FALSE(rig.s().linked);
    EXPECT_GT(rig.serial.opens().size(), 32u);
}

}  // namespace
}  // namespace pm
