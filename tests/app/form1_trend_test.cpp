// The trend page and its recording, in virtual time: polling, the lines of the file, a gap, a
// write that fails, and the chart's lines.
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "fakes/rig.h"
#include "fakes/test_frames.h"
#include "output/trend_log.h"

namespace pm::trend_page {
namespace {

using testing::Rig;

// Linked to a meter the test answers for (behind every port, so a scan after a lost link finds
// it again), with the tab `tab` shown.
struct Linked : Rig {
    explicit Linked(int tab) {
        clock.setTime(2026, 12, 7, 9, 30, 5);
        for (int port = 1; port <= 16; ++port) {
            serial.setPort(port, testing::PortSetup::MuteDevice);
        }
        form.Form_Load();
        scheduler.advanceBy(500);
        serial.arrive({0xAA, 0x55, 0xAA});
        clickTab(tab);
        serial.clearWrites();
    }
    void startRecording() {
        dialog.saveAnswers.push_back(SaveChoice{"/data/trend", 1});
        form.trendPage().Command8_Click();
    }
    // One poll, answered with the balanced frame.
    void reply() {
        scheduler.advanceBy(1000);
        serial.arrive(testing::balancedFrame());
    }
    std::string dataLine() const {
        return trendCsvLine("2026-12-07T09:30:05+08:00", trendValues(testing::balancedFrame()));
    }
};

TEST(TrendPage, PollsLiveDataWhileShownOrRecording) {
    struct Case {
        int tab;
        bool recording;
        int request;
    };
    const Case cases[] = {{4, false, 13000}, {2, false, 11000}, {2, true, 13000}};
    for (const Case& c : cases) {
        Linked rig(c.tab);
        if (c.recording) {
            rig.startRecording();
        }
        rig.scheduler.advanceBy(1000);
        EXPECT_EQ(rig.requestCodes(), std::vector<int>{c.request}) << c.tab << c.recording;
    }
}

TEST(TrendPage, RecordingWritesHeaderLinesAndOneGapPerLostLink) {
    Linked rig(4);
    rig.startRecording();
    ASSERT_FALSE(rig.dialog.shown.empty());
    EXPECT_EQ(rig.dialog.shown.back().fileName, "记录_20261207_093005.csv");
    EXPECT_EQ(rig.trendLog.path, "/data/trend.csv");
    rig.reply();
    rig.reply();
    rig.scheduler.advanceBy(12'000);  // silent: the link is lost, twice over
    ASSERT_FALSE(rig.s().linked);
    rig.scheduler.advanceBy(500);
    rig.serial.arrive({0xAA, 0x55, 0xAA});
    rig.reply();
    rig.reply();
    const std::string gap = trendCsvGap("2026-12-07T09:30:05+08:00");
    const std::string data = rig.dataLine();
    EXPECT_EQ(rig.trendLog.lines,
              (std::vector<std::string>{trendCsvHeader(), data, data, gap, data, data}));
    EXPECT_NE(rig.w().StatusBar1.panelText(2).find("trend.csv  5行"), std::string::npos)
        << rig.w().StatusBar1.panelText(2);

    rig.form.trendPage().Command9_Click();
    rig.reply();
    EXPECT_EQ(rig.trendLog.lines.size(), 6u);
    EXPECT_FALSE(rig.trendLog.isOpen());
    EXPECT_NE(rig.w().StatusBar1.panelText(2).find("记录已停止"), std::string::npos);
}

TEST(TrendPage, ARecordedLineHoldsWhatThePanelShowsAndAHistoryReadLeavesAGap) {
    Linked rig(2);
    rig.startRecording();
    rig.reply();
    ASSERT_EQ(rig.trendLog.lines.size(), 2u);
    std::vector<std::string> fields;
    std::istringstream line(rig.trendLog.lines[1]);
    for (std::string field; std::getline(line, field, ',');) {
        fields.push_back(field);
    }
    const WindowModel& w = rig.w();
    std::vector<std::string> shown;
    for (const auto* group : {&w.u, &w.i}) {
        for (const Label* label : *group) {
            shown.push_back(label->caption());
        }
    }
    for (const Label* label : w.phase) {
        shown.push_back(label->caption().substr(0, label->caption().find("°")));
    }
    shown.push_back(w.freq->caption());
    for (const auto* group : {&w.p, &w.q, &w.s, &w.pf}) {
        for (const Label* label : *group) {
            shown.push_back(label->caption());
        }
    }
    shown.push_back(w.isum->caption());
    // Time, U, I, angles, F, P1..P3, P, Q, S, PF, In: all but the time and the sum are on the
    // panel.
    ASSERT_EQ(fields.size(), kTrendColumns + 1);
    fields.erase(fields.begin() + 20);
    fields.erase(fields.begin());
    EXPECT_EQ(fields, shown);
    EXPECT_EQ(fields.front(), "230.00");

    rig.form.Command1_Click();  // a history read: the recording gets nothing meanwhile
    EXPECT_EQ(rig.trendLog.lines.back(), trendCsvGap("2026-12-07T09:30:05+08:00"));
}

TEST(TrendPage, AClockSetBackAnHourKeepsEveryReadingInOrder) {
    // Five readings up to 02:59:59 on the wall clock, five from 02:00:00: daylight saving time
    // ends (the instant goes on, the offset drops an hour), or the clock itself is set back.
    struct Case {
        int offsetBefore, offsetAfter;
        const char* lastBefore;
        const char* firstAfter;
    };
    for (const Case& c :
         {Case{7200, 3600, "2026-10-25T02:59:59+02:00,", "2026-10-25T02:00:00+01:00,"},
          Case{28800, 28800, "2026-10-25T02:59:59+08:00,", "2026-10-25T02:00:00+08:00,"}}) {
        SCOPED_TRACE(c.firstAfter);
        Linked rig(4);
        for (int n = 0; n < 10; ++n) {
            rig.clock.setTime(2026, 10, 25, 2, n < 5 ? 59 : 0, n < 5 ? 55 + n : n - 5,
                              n < 5 ? c.offsetBefore : c.offsetAfter);
            if (n == 0) {
                rig.startRecording();
            }
            rig.reply();
        }
        // The store: ten readings a second apart, none on top of another.
        const TrendStore& store = rig.form.trendPage().store();
        EXPECT_EQ(store.lastTime() - store.firstTime(), 9);
        EXPECT_EQ(
            store.thinned(kTrendQuantities[0], store.firstTime(), store.lastTime(), 100).size(),
            10u);
        // The recording: a line per reading, each with the wall clock's time and its offset.
        ASSERT_EQ(rig.trendLog.lines.size(), 11u);
        EXPECT_TRUE(rig.trendLog.lines[5].starts_with(c.lastBefore)) << rig.trendLog.lines[5];
        EXPECT_TRUE(rig.trendLog.lines[6].starts_with(c.firstAfter)) << rig.trendLog.lines[6];
    }
}

// The status bar's clock tick reaches the recording, from any view: its elapsed time runs with
// the clock and stops with the recording.
TEST(TrendPage, TheStatusBarCountsTheRecordingsTimeFromAnyView) {
    for (const int tab : {1, 2, 4}) {
        Linked rig(tab);
        rig.startRecording();
        rig.clock.setTime(2026, 12, 7, 10, 31, 10);
        rig.form.Timer1_Timer();
        EXPECT_EQ(rig.w().StatusBar1.panelText(2), "记录中: trend.csv  0行  01:01:05") << tab;
        rig.form.trendPage().Command9_Click();
        rig.clock.setTime(2026, 12, 7, 11, 0, 0);
        rig.form.Timer1_Timer();
        EXPECT_EQ(rig.w().StatusBar1.panelText(2), "记录已停止: trend.csv  0行  01:01:05") << tab;
    }
}

TEST(TrendPage, WriteFailureStopsTheRecordingWithTheReason) {
    Linked rig(1);
    rig.trendLog.failAfter = 2;  // the header and one reading
    rig.startRecording();
    rig.reply();
    rig.reply();
    rig.reply();
    EXPECT_FALSE(rig.form.trendPage().recording());
    EXPECT_EQ(rig.trendLog.lines.size(), 2u);
    ASSERT_EQ(rig.desktop.messages.size(), 1u);
    EXPECT_EQ(rig.desktop.messages[0].text, "记录写入出错.\r\n磁盘已满");
    EXPECT_TRUE(rig.w().Command8.enabled());
    EXPECT_FALSE(rig.w().Command9.enabled());
}

TEST(TrendPage, ChartDrawsTheTickedQuantitiesAndSavesAsPicture) {
    Linked rig(4);
    rig.reply();
    const auto names = [&] {
        std::vector<std::string> out;
        for (const Chart::Line& line : rig.w().Chart1.lines()) {
            out.push_back(line.name + ":" + std::to_string(line.points.size()));
        }
        return out;
    };
    EXPECT_EQ(names(), (std::vector<std::string>{"U1:1", "U2:1", "U3:1"}));
    rig.w().Check2[0]->setValue(false);
    rig.w().Check2[16]->setValue(true);
    rig.form.trendPage().Check2_Click(16);
    EXPECT_EQ(names(), (std::vector<std::string>{"U2:1", "U3:1", "In:1"}));
    EXPECT_NE(rig.w().latest->caption().find("In = "), std::string::npos);

    rig.dialog.saveAnswers.push_back(SaveChoice{"/data/chart.jpg", 2});
    rig.form.Command2_Click();
    EXPECT_EQ(rig.chartSnapshot.saved.count("/data/chart.jpg"), 1u);
    EXPECT_EQ(rig.snapshot.taken, 0);
}

}  // namespace
}  // namespace pm::trend_page
