// Reads over a line with a real line's timing: every reply paced at 9600 baud after the meter's
// latency, give or take a jitter. Whatever the latency, a reply is taken for the request it
// answers, and a record that never answers is asked once more, left empty and named.
#include <gtest/gtest.h>

#include <set>

#include "fakes/rig.h"
#include "output/read_messages.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

using testing::Rig;
using Millis = VirtualScheduler::Millis;

constexpr Millis kWireMs = 41;  // a 39-byte reply at 9600 baud, rounded up

struct OnALine : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(4);
    OnALine(int records, Millis latency, Millis jitter) {
        meter.setBaud(9600);
        meter.setReplyDelayMs(latency);
        meter.setJitterMs(jitter);
        meter.setRecordCount(records);
        startAndLink();
    }
    // Clicks Read and runs until the read has ended, calling `each` after every event.
    template <class Each>
    void read(Each each) {
        form.Command1_Click();
        while (!s().read.finished && scheduler.now() < 3'000'000) {
            scheduler.runNext();
            each();
        }
        ASSERT_TRUE(s().read.finished);
    }
    void read() {
        read([] {});
    }
    // Code and time of every stored-record request since the writes were last cleared.
    std::vector<std::pair<int, Millis>> recordRequests() const {
        std::vector<std::pair<int, Millis>> asked;
        for (const auto& write : serial.writes()) {
            const int code = write.bytes.size() == 3 ? write.bytes[1] + 256 * write.bytes[2] : 0;
            if (write.bytes[0] == 0xAA && code >= 1 && code <= 10'000) {
                asked.emplace_back(code, write.atMs);
            }
        }
        return asked;
    }
};

std::string voltageOf(const sim::Reading& reading) {
    return voltageText(sim::encodeFrame(reading), 0, NumberFormat{}).value_or("----");
}

TEST(LineTiming, EveryRecordUnderItsOwnNumberWhateverTheLatency) {
    constexpr int kRecords = 25;
    constexpr Millis kJitter = 15;
    // Every live voltage the meter can have sent during these reads.
    std::set<std::string> liveVoltages;
    for (std::uint64_t sequence = 0; sequence < 200; ++sequence) {
        liveVoltages.insert(voltageOf(sim::liveReading(1, sequence)));
    }
    for (const Millis latency : {0, 30, 60, 90, 150}) {
        // The history view keeps the link with handshakes, with live requests while a trend is
        // recorded.
        for (const bool recording : {false, true}) {
            SCOPED_TRACE(std::to_string(latency) + " ms latency" +
                         (recording ? ", recording" : ""));
            OnALine rig(kRecords, latency, kJitter);
            if (recording) {
                rig.dialog.saveAnswers.push_back(SaveChoice{"/data/trend", 1});
                rig.form.trendPage().Command8_Click();
                ASSERT_TRUE(rig.form.trendPage().recording());
            }
            rig.clickTab(2);
            // Read is clicked just after a keep-alive went out, while its reply is on the way.
            rig.serial.clearWrites();
            while (rig.serial.writes().empty()) {
                rig.scheduler.runNext();
            }
            rig.scheduler.advanceBy(1);
            rig.serial.clearWrites();
            const std::string panelBefore = rig.w().u[0]->caption();
            bool panelFedOtherThanLive = false;
            rig.read([&] {
                const std::string shown = rig.w().u[0]->caption();
                panelFedOtherThanLive |= shown != panelBefore && !liveVoltages.contains(shown);
            });
            EXPECT_FALSE(panelFedOtherThanLive);
            EXPECT_EQ(rig.s().recordCount, kRecords);
            EXPECT_TRUE(rig.s().read.missing.empty());

            const auto asked = rig.recordRequests();
            ASSERT_EQ(asked.size(), static_cast<std::size_t>(kRecords));
            const Millis slowest = latency + kJitter + kWireMs;
            for (std::size_t k = 0; k < asked.size(); ++k) {
                EXPECT_EQ(asked[k].first, static_cast<int>(k) + 1);
                if (k == 0) {
                    continue;
                }
                const Millis gap = asked[k].second - asked[k - 1].second;
                // A quick meter is paced by the timer alone; a slow one by its replies.
                if (slowest < 100) {
                    EXPECT_EQ(gap, 100) << "record " << k + 1;
                } else {
                    EXPECT_GE(gap, 100) << "record " << k + 1;
                    EXPECT_LE(gap, slowest + 1) << "record " << k + 1;
                }
            }
            for (int n = 1; n <= kRecords; ++n) {
                const int r0 = 9 * (n - 1);
                EXPECT_EQ(rig.grid.textMatrix(r0, 0), "NO." + std::to_string(n));
                EXPECT_EQ(rig.grid.textMatrix(r0 + 1, 1), voltageOf(sim::storedReading(n)))
                    << "record " << n;
            }
        }
    }
}

TEST(LineTiming, ARecordThatNeverAnswersIsAskedTwiceLeftEmptyAndNamed) {
    // Record 7 in the middle of the read and as its last; each time a good read came first, so
    // that its record 7 is there to be wrongly kept.
    for (const int records : {12, 7}) {
        SCOPED_TRACE(std::to_string(records) + " records");
        OnALine rig(records, 30, 10);
        rig.clickTab(2);
        rig.read();
        ASSERT_EQ(rig.grid.textMatrix(9 * 6 + 1, 1), voltageOf(sim::storedReading(7)));
        rig.meter.setUnansweredRecord(7);
        rig.serial.clearWrites();
        rig.read();

        std::vector<int> expected;
        for (int n = 1; n <= records; ++n) {
            expected.push_back(n);
            if (n == 7) {
                expected.push_back(7);
            }
        }
        std::vector<int> codes;
        for (const auto& [code, at] : rig.recordRequests()) {
            codes.push_back(code);
        }
        EXPECT_EQ(codes, expected);
        EXPECT_EQ(rig.s().read.missing, std::vector<int>{7});
        EXPECT_EQ(rig.grid.rows(), 9 * records);
        EXPECT_EQ(rig.grid.textMatrix(9 * 6, 0), "NO.7");
        for (int row = 9 * 6 + 1; row < 9 * 7 - 1; ++row) {
            EXPECT_EQ(rig.grid.textMatrix(row, 1), "") << "row " << row;
        }
        for (int n = 1; n <= records; ++n) {
            if (n != 7) {
                EXPECT_EQ(rig.grid.textMatrix(9 * (n - 1) + 1, 1),
                          voltageOf(sim::storedReading(n)));
            }
        }
        EXPECT_TRUE(rig.w().comunication.enabled());
        EXPECT_TRUE(rig.w().Command1.enabled());
        rig.scheduler.advanceBy(10);
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        EXPECT_EQ(rig.desktop.messages[0].icon, MessageIcon::Warning);
        EXPECT_EQ(rig.desktop.messages[0].text, missingRecordsMessage({7}));
    }
}

TEST(LineTiming, TenThousandRecordsAtSixtyMillisecondsTakeOneReplyTimeEach) {
    OnALine rig(10'000, 60, 0);
    rig.clickTab(2);
    const Millis start = rig.scheduler.now();
    rig.read();
    const Millis took = rig.scheduler.now() - start;
    EXPECT_TRUE(rig.s().read.missing.empty());
    EXPECT_EQ(rig.grid.textMatrix(9 * 9'999, 0), "NO.10000");
    // One reply's time is 60 ms and 39 bytes at 9600 baud: 100.6 ms.
    // Virtual time counts whole milliseconds, so the wire takes 41 ms here.
    EXPECT_LE(took, 10'000 * (60 + kWireMs) + 1'000);
    std::cout << "10000 records at 9600 baud, 60 ms latency: " << took << " ms\n";
}

}  // namespace
}  // namespace pm
