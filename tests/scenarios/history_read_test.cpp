// Reading the stored records: the count, the paced requests, the blocks in the history table,
// and what clicks and a lost link do to a read under way.
#include <gtest/gtest.h>

#include "fakes/rig.h"
#include "output/read_messages.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

using testing::Rig;
using Millis = VirtualScheduler::Millis;

struct InHistoryView : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(4);
    explicit InHistoryView(int records) {
        meter.setReplyDelayMs(20);
        meter.setRecordCount(records);
        startAndLink();
        clickTab(2);
        scheduler.advanceTo(3'550);  // past the first keep-alive and its reply, off the beat
        serial.clearWrites();
    }
    // Runs until the read has handed polling back, and a little beyond for the last reply.
    void finishRead(Millis limit = 2'000'000) {
        while ((w().Readdat.enabled() || !w().comunication.enabled()) && scheduler.now() < limit) {
            scheduler.runNext();
        }
        scheduler.advanceBy(50);
    }
    std::vector<Millis> requestTimes() const {
        std::vector<Millis> times;
        for (const auto& write : serial.writes()) {
            times.push_back(write.atMs);
        }
        return times;
    }
};

std::string expectedVoltage(int record) {
    const auto frame = sim::encodeFrame(sim::storedReading(record));
    return voltageText(frame, 0, NumberFormat{}).value_or("----");
}

TEST(HistoryRead, RequestsEveryRecordAndFilesEachInItsBlock) {
    for (const int records : {0, 1, 3, 300}) {
        SCOPED_TRACE(std::to_string(records) + " records");
        InHistoryView rig(records);
        const Millis clicked = rig.scheduler.now();
        rig.form.Command1_Click();
        EXPECT_FALSE(rig.w().comunication.enabled());
        EXPECT_FALSE(rig.w().Command1.enabled());
        EXPECT_FALSE(rig.w().Command2.enabled());
        rig.finishRead();

        std::vector<int> expected{12000};
        for (int n = 1; n <= records; ++n) {
            expected.push_back(n);
        }
        std::vector<int> codes = rig.requestCodes();
        ASSERT_GE(codes.size(), expected.size());
        codes.resize(expected.size());
        EXPECT_EQ(codes, expected);

        const std::vector<Millis> times = rig.requestTimes();
        for (int n = 2; n <= records; ++n) {
            EXPECT_EQ(times[static_cast<std::size_t>(n)] - times[static_cast<std::size_t>(n - 1)],
                      100)
                << "record " << n;
        }
        EXPECT_EQ(rig.s().recordIndex, 0);
        EXPECT_FALSE(rig.w().Readdat.enabled());
        EXPECT_TRUE(rig.w().comunication.enabled());
        EXPECT_TRUE(rig.w().Command1.enabled());
        EXPECT_TRUE(rig.w().Command2.enabled());

        if (records == 0) {
            // Polling and the buttons come back with the count reply itself.
            EXPECT_LE(rig.scheduler.now() - clicked, 20 + 50);
            EXPECT_EQ(rig.grid.rows(), 9);
            EXPECT_EQ(rig.grid.textMatrix(0, 1), "U/V");
            EXPECT_EQ(rig.grid.textMatrix(1, 1), "");
            continue;
        }
        // The read ends with the last record's reply, 20 ms after its request; the first poll
        // goes out a full second after that.
        const Millis lastReply = times[static_cast<std::size_t>(records)] + 20;
        rig.scheduler.advanceTo(lastReply + 1000);
        ASSERT_EQ(rig.serial.writes().size(), expected.size() + 1);
        EXPECT_EQ(rig.requestTimes().back(), lastReply + 1000);
        EXPECT_EQ(rig.requestCodes().back(), 11000);

        EXPECT_EQ(rig.grid.rows(), 9 * records);
        for (int n = 1; n <= records; ++n) {
            const int r0 = 9 * (n - 1);
            EXPECT_EQ(rig.grid.textMatrix(r0, 0), "NO." + std::to_string(n));
            EXPECT_EQ(rig.grid.textMatrix(r0 + 1, 1), expectedVoltage(n)) << "record " << n;
            EXPECT_EQ(rig.grid.textMatrix(r0 + 7, 2), "In/A:");
        }
    }
}

TEST(HistoryRead, ACountAboveTenThousandReadsNothingAndSaysSo) {
    InHistoryView rig(20'000);
    rig.form.Command1_Click();
    rig.finishRead();
    EXPECT_EQ(rig.requestCodes(), std::vector<int>{12000});
    EXPECT_EQ(rig.grid.rows(), 9);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0].icon, MessageIcon::Warning);
    EXPECT_EQ(rig.desktop.messages[0].text, kCountRefusedMessage);
}

TEST(HistoryRead, TabClickDuringAReadSwitchesTheViewButSendsNoPoll) {
    InHistoryView rig(30);
    rig.form.Command1_Click();
    rig.scheduler.advanceBy(1'000);
    ASSERT_TRUE(rig.w().Readdat.enabled());
    rig.clickTab(1);
    EXPECT_TRUE(rig.s().liveView);
    EXPECT_TRUE(rig.w().Frame1.visible());
    EXPECT_FALSE(rig.grid.visible());
    EXPECT_FALSE(rig.w().comunication.enabled());
    EXPECT_FALSE(rig.w().Command1.enabled());
    EXPECT_FALSE(rig.w().Command2.enabled());
    rig.finishRead();

    std::vector<int> expected{12000};
    for (int n = 1; n <= 30; ++n) {
        expected.push_back(n);
    }
    EXPECT_EQ(rig.requestCodes(), expected);  // nothing interleaved
    EXPECT_EQ(rig.grid.rows(), 270);
    EXPECT_EQ(rig.grid.textMatrix(9 * 29, 0), "NO.30");
    // Back in the live view, the poll that follows asks for live data.
    rig.scheduler.advanceBy(1'000);
    EXPECT_EQ(rig.requestCodes().back(), 13000);
}

TEST(HistoryRead, LinkLostAndFoundAgainDuringARead) {
    InHistoryView rig(300);  // 30 seconds of requests
    rig.form.Command1_Click();
    rig.scheduler.advanceBy(3'000);
    rig.meter.setSilent(true);
    rig.scheduler.advanceBy(6'000);
    ASSERT_FALSE(rig.s().linked);
    rig.meter.setSilent(false);
    // The scan goes round to port 4 again while the read is still under way.
    while (!rig.s().linked && rig.scheduler.now() < 60'000) {
        rig.scheduler.runNext();
    }
    ASSERT_TRUE(rig.s().linked);
    rig.scheduler.advanceBy(600);  // the scan tick that stops the scan
    ASSERT_TRUE(rig.w().Readdat.enabled());
    EXPECT_FALSE(rig.w().Findcom.enabled());
    EXPECT_FALSE(rig.w().comunication.enabled());
    EXPECT_FALSE(rig.w().Command1.enabled());
    EXPECT_FALSE(rig.w().Command2.enabled());

    const std::size_t before = rig.serial.writes().size();
    rig.finishRead();
    // Until the read ended, only record requests went out.
    for (std::size_t k = before; k < rig.serial.writes().size(); ++k) {
        const auto& bytes = rig.serial.writes()[k].bytes;
        const int code = bytes[1] + 256 * bytes[2];
        EXPECT_LE(code, 300) << "request " << k;
    }
    EXPECT_TRUE(rig.w().comunication.enabled());
    EXPECT_TRUE(rig.w().Command1.enabled());
    EXPECT_TRUE(rig.w().Command2.enabled());
    rig.scheduler.advanceBy(1'000);
    EXPECT_EQ(rig.requestCodes().back(), 11000);  // keep-alive again
    EXPECT_EQ(rig.grid.rows(), 2700);
    EXPECT_EQ(rig.grid.textMatrix(9 * 299, 0), "NO.300");
}

TEST(HistoryRead, ClearDuringAReadLeavesTheEarlierBlocksEmpty) {
    InHistoryView rig(10);
    rig.form.Command1_Click();
    while (rig.grid.rows() < 45) {  // record 5 is in
        rig.scheduler.runNext();
    }
    rig.form.Command3_Click();
    EXPECT_EQ(rig.grid.rows(), 9);
    rig.finishRead();
    EXPECT_EQ(rig.grid.rows(), 90);
    EXPECT_EQ(rig.grid.textMatrix(0, 0), "NO.1");  // the labels of an empty first block
    EXPECT_EQ(rig.grid.textMatrix(7, 2), "In:");
    EXPECT_EQ(rig.grid.textMatrix(1, 1), "");
    for (int n = 2; n <= 5; ++n) {
        for (int col = 0; col < 7; ++col) {
            EXPECT_EQ(rig.grid.textMatrix(9 * (n - 1), col), "") << "record " << n;
        }
    }
    for (int n = 6; n <= 10; ++n) {
        EXPECT_EQ(rig.grid.textMatrix(9 * (n - 1), 0), "NO." + std::to_string(n));
    }
}

TEST(HistoryRead, ReplyInPiecesIsTakenWhole) {
    InHistoryView rig(3);
    rig.meter.setPieces(3);
    rig.clickTab(1);
    const int eventsBefore = rig.serial.receiveEvents();
    rig.scheduler.advanceBy(1'000);  // one live poll, its reply in three pieces
    EXPECT_EQ(rig.serial.receiveEvents() - eventsBefore, 1);
    EXPECT_EQ(rig.s().rxBytes.size(), 39u);
    EXPECT_NE(rig.w().u[0]->caption(), "0.00");

    rig.clickTab(2);
    rig.form.Command1_Click();
    rig.finishRead();
    EXPECT_EQ(rig.grid.rows(), 27);
    EXPECT_EQ(rig.grid.textMatrix(18, 0), "NO.3");
    EXPECT_EQ(rig.grid.textMatrix(19, 1), expectedVoltage(3));
}

}  // namespace
}  // namespace pm
