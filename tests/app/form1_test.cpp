// Load, the status-bar clock, the tab strip and the buttons Clear, Close and Help.
#include <gtest/gtest.h>

#include <string>

#include "core/version.h"
#include "fakes/rig.h"

namespace pm::startup {
namespace {

struct Started : testing::Rig {
    Started() {
        clock.setTime(2026, 12, 6, 3, 5, 42);
        form.Form_Load();
    }
};

TEST(Startup, StateAfterLoad) {
    Started app;
    EXPECT_EQ(app.w().TabStrip1.selectedIndex(), 1);
    EXPECT_TRUE(app.w().Frame1.visible());
    EXPECT_FALSE(app.grid.visible());
    EXPECT_EQ(app.grid.rows(), 9);  // the history table is laid out, one empty block
    EXPECT_TRUE(app.s().liveView);
    EXPECT_FALSE(app.s().linked);
    EXPECT_EQ(app.s().portNumber, 1);
    for (Button* button : app.w().buttons()) {
        EXPECT_TRUE(button->enabled()) << button->name();
    }
    // Fields the load handler does not set start at zero.
    EXPECT_TRUE(app.s().rxBytes.empty());
    EXPECT_EQ(app.s().timeoutTicks, 0);
    EXPECT_EQ(app.s().pendingCommand, 0);
    EXPECT_EQ(app.s().recordCount, 0);
    EXPECT_EQ(app.s().recordIndex, 0);
}

TEST(Startup, TimersAfterLoad) {
    Started app;
    struct Case {
        Timer* timer;
        int interval;
        bool enabled;
    };
    const Case cases[] = {
        {&app.w().Findcom, 500, true},    {&app.w().comunication, 1000, true},
        {&app.w().COMtimout, 1000, true}, {&app.w().Readdat, 100, false},
        {&app.w().Timer1, 1000, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.timer->name());
        EXPECT_EQ(c.timer->interval(), c.interval);
        EXPECT_EQ(c.timer->enabled(), c.enabled);
    }
}

TEST(Startup, LabelsShowTheirDesignCaptions) {
    Started app;
    struct Case {
        const char* what;
        std::vector<Label*> labels;
        const char* caption;
    };
    WindowModel& w = app.w();
    const Case cases[] = {
        {"voltages", {w.u.begin(), w.u.end()}, "0.00"},
        {"currents", {w.i.begin(), w.i.end()}, "0.0000"},
        {"active power", {w.p.begin(), w.p.end()}, "0.0000"},
        {"reactive power", {w.q.begin(), w.q.end()}, "0.0000"},
        {"apparent power", {w.s.begin(), w.s.end()}, "0.0000"},
        {"power factors", {w.pf.begin(), w.pf.end()}, "1.000"},
        {"angles", {w.phase.begin(), w.phase.end()}, "360.0°"},
        {"frequency", {w.freq}, "0.00"},
        {"neutral current", {w.isum}, "0.000"},
        {"port status", {&w.Label1}, "串口状态"},
        {"link status", {&w.Label2}, "通信失败"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (const Label* label : c.labels) {
            EXPECT_EQ(label->caption(), c.caption) << label->name() << "(" << label->index() << ")";
        }
    }
}

TEST(Startup, ClockPanelsAndFieldsAreFilledWithoutWaitingForATick) {
    Started app;
    EXPECT_EQ(app.scheduler.now(), 0);
    EXPECT_EQ(app.w().StatusBar1.panelText(1), "2026/12/6");
    EXPECT_EQ(app.w().StatusBar1.panelText(2), "智能型三钳相位伏安表");
    EXPECT_EQ(app.w().StatusBar1.panelText(3), "03:05:42");
    EXPECT_EQ(app.s().clockYear, 26);
    EXPECT_EQ(app.s().clockMonth, 12);
    EXPECT_EQ(app.s().clockDay, 6);
    EXPECT_EQ(app.s().clockHour, 3);
    EXPECT_EQ(app.s().clockMinute, 5);
}

TEST(Startup, StatusBarShowsPlaceholdersOnlyBeforeLoad) {
    testing::Rig rig;
    Form1& form = rig.form;
    EXPECT_EQ(form.window().StatusBar1.panelText(1), "data");
    EXPECT_EQ(form.window().StatusBar1.panelText(3), "time");
    form.Form_Load();
    EXPECT_NE(form.window().StatusBar1.panelText(1), "data");
    EXPECT_NE(form.window().StatusBar1.panelText(3), "time");
}

TEST(Startup, AngleTablesHoldTheStoredValues) {
    Started app;
    struct Entry {
        int index;
        int x;
        int y;
    };
    const Entry telling[] = {
        {0, 400, 0},       {5, 399, -35},   {30, 346, -200}, {60, 200, -346}, {86, 27, -400},
        {89, 10, -400},    {90, 0, -400},   {95, -34, -400}, {96, -41, -391}, {120, -200, -346},
        {150, -345, -200}, {179, -375, -7}, {180, -400, 0},
    };
    for (const Entry& e : telling) {
        SCOPED_TRACE(e.index);
        EXPECT_EQ(app.s().phasorX[static_cast<std::size_t>(e.index)], e.x);
        EXPECT_EQ(app.s().phasorY[static_cast<std::size_t>(e.index)], e.y);
    }
    for (int k = 86; k <= 95; ++k) {
        EXPECT_EQ(app.s().phasorY[static_cast<std::size_t>(k)], -400) << k;
    }
    for (int k = 0; k <= 180; ++k) {
        EXPECT_LE(app.s().phasorY[static_cast<std::size_t>(k)], 0) << k;
    }
}

}  // namespace
}  // namespace pm::startup

namespace pm::status_clock {
namespace {

using testing::FakeClock;

struct Fields {
    int year, month, day, hour, minute;
    bool operator==(const Fields&) const = default;
};

Fields fieldsOf(const MeterState& s) {
    return {s.clockYear, s.clockMonth, s.clockDay, s.clockHour, s.clockMinute};
}

TEST(StatusClock, FieldsFollowTheComputerClock) {
    struct Case {
        const char* name;
        ClockReading now;
        Fields expected;
    };
    const Case cases[] = {
        {"first year of the range", FakeClock::reading(2000, 1, 1, 0, 0, 0), {0, 1, 1, 0, 0}},
        {"ordinary day", FakeClock::reading(2024, 7, 15, 13, 45, 10), {24, 7, 15, 13, 45}},
        {"last year that fits a byte",
         FakeClock::reading(2255, 12, 31, 23, 59, 59),
         {255, 12, 31, 23, 59}},
        {"leap day", FakeClock::reading(2028, 2, 29, 12, 0, 30), {28, 2, 29, 12, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        testing::Rig rig;
        Form1& form = rig.form;
        rig.clock.queue({c.now});
        form.Timer1_Timer();
        EXPECT_EQ(fieldsOf(form.state()), c.expected);
        EXPECT_EQ(form.window().StatusBar1.panelText(1), c.now.dateText);
        EXPECT_EQ(form.window().StatusBar1.panelText(3), c.now.timeText);
    }
}

TEST(StatusClock, TickStraddlingNewYearTakesEveryFieldFromOneInstant) {
    testing::Rig rig;
    Form1& form = rig.form;
    FakeClock& clock = rig.clock;
    // Should the handler read the clock more than once, the second read is already next year.
    clock.queue(
        {FakeClock::reading(2026, 12, 31, 23, 59, 59), FakeClock::reading(2027, 1, 1, 0, 0, 0)});
    form.Timer1_Timer();
    EXPECT_EQ(clock.reads, 1);
    EXPECT_EQ(fieldsOf(form.state()), (Fields{26, 12, 31, 23, 59}));
    EXPECT_EQ(form.window().StatusBar1.panelText(1), "2026/12/31");
    EXPECT_EQ(form.window().StatusBar1.panelText(3), "23:59:59");
    form.Timer1_Timer();
    EXPECT_EQ(fieldsOf(form.state()), (Fields{27, 1, 1, 0, 0}));
    EXPECT_EQ(form.window().StatusBar1.panelText(1), "2027/1/1");
}

TEST(StatusClock, RefreshesOnceASecondAndLeavesTheMiddlePanelAlone) {
    testing::Rig rig;
    Form1& form = rig.form;
    FakeClock& clock = rig.clock;
    VirtualScheduler& scheduler = rig.scheduler;
    form.Form_Load();
    const int readsAfterLoad = clock.reads;
    EXPECT_EQ(readsAfterLoad, 1);
    clock.setTime(2026, 12, 6, 3, 6, 0);
    scheduler.advanceBy(999);
    EXPECT_EQ(clock.reads, readsAfterLoad);
    scheduler.advanceBy(1);
    EXPECT_EQ(clock.reads, readsAfterLoad + 1);
    EXPECT_EQ(form.state().clockMinute, 6);
    EXPECT_EQ(form.window().StatusBar1.panelText(3), "03:06:00");
    scheduler.advanceBy(59'000);
    EXPECT_EQ(clock.reads, readsAfterLoad + 60);
    EXPECT_EQ(form.window().StatusBar1.panelText(2), "智能型三钳相位伏安表");
}

}  // namespace
}  // namespace pm::status_clock

// The tab strip and the buttons Clear, Close and Help.
namespace pm::buttons {
namespace {

using testing::PortSetup;
using testing::Rig;
using Bytes = std::vector<std::uint8_t>;

TEST(TabStrip, EachTabSetsTheWholeStateOfItsView) {
    struct Case {
        const char* name;
        int from;
        int to;
        bool liveView;
    };
    const Case cases[] = {
        {"history from live", 1, 2, false},
        {"live from history", 2, 1, true},
        {"live again", 1, 1, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.form.Form_Load();
        rig.clickTab(c.from);
        rig.w().comunication.setEnabled(false);
        rig.w().Command1.setEnabled(false);
        rig.w().Command2.setEnabled(false);
        rig.clickTab(c.to);
        EXPECT_EQ(rig.s().liveView, c.liveView);
        EXPECT_EQ(rig.w().Frame1.visible(), c.liveView);
        EXPECT_EQ(rig.grid.visible(), !c.liveView);
        EXPECT_TRUE(rig.w().comunication.enabled());
        EXPECT_TRUE(rig.w().Command1.enabled());
        EXPECT_TRUE(rig.w().Command2.enabled());
        EXPECT_TRUE(rig.w().Findcom.enabled());  // other timers untouched
        EXPECT_FALSE(rig.w().Readdat.enabled());
    }
}

TEST(ClearButton, EmptiesTheHiddenHistoryTableToo) {
    Rig rig;
    rig.form.Form_Load();
    rig.grid.setRows(27);
    rig.grid.setTextMatrix(20, 3, "1.2345");
    rig.grid.setTextMatrix(7, 2, "In/A:");
    rig.form.Command3_Click();
    EXPECT_EQ(rig.grid.rows(), 9);
    EXPECT_EQ(rig.grid.textMatrix(7, 2), "In:");
    EXPECT_EQ(rig.grid.textMatrix(0, 0), "NO.1");
    EXPECT_FALSE(rig.grid.visible());
    EXPECT_TRUE(rig.s().liveView);
}

TEST(CloseButton, EndsTheProgramWithoutAQuestion) {
    Rig rig;
    rig.form.Form_Load();
    rig.form.Command5_Click();
    EXPECT_EQ(rig.desktop.quits, 1);
    EXPECT_TRUE(rig.desktop.messages.empty());
    EXPECT_TRUE(rig.serial.writes().empty());
}

TEST(HelpButton, SetsTheMetersClockWhenAPortIsOpenThenShowsTheAboutBox) {
    struct Case {
        const char* name;
        bool portOpen;
        int year;
        Bytes expectedFrame;  // empty: nothing sent
    };
    const Case cases[] = {
        {"no port open", false, 2026, {}},
        {"port open, meter not yet answering", true, 2026, {0xBB, 0x1A, 0x0C, 0x06, 0x03, 0x05}},
        {"first year that fits", true, 2000, {0xBB, 0x00, 0x0C, 0x06, 0x03, 0x05}},
        {"last year that fits", true, 2255, {0xBB, 0xFF, 0x0C, 0x06, 0x03, 0x05}},
        {"year too late for the frame", true, 2256, {}},
        {"year too early for the frame", true, 1999, {}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Rig rig;
        rig.serial.setPort(1, PortSetup::MuteDevice);
        rig.clock.setTime(c.year, 12, 6, 3, 5, 59);
        rig.form.Form_Load();
        if (c.portOpen) {
            rig.scheduler.advanceBy(500);  // the first scan tick opens port 1
            ASSERT_TRUE(rig.serial.portOpen());
            rig.serial.arrive({0, 0, 0});  // an answer, not the meter's: the line is free
        }
        rig.serial.clearWrites();
        bool sentBeforeTheBox = false;
        rig.desktop.whileShown = [&] { sentBeforeTheBox = !rig.serial.writes().empty(); };
        rig.form.Command6_Click();

        if (c.expectedFrame.empty()) {
            EXPECT_TRUE(rig.serial.writes().empty());
        } else {
            ASSERT_EQ(rig.serial.writes().size(), 1u);
            EXPECT_EQ(rig.serial.writes()[0].bytes, c.expectedFrame);
            EXPECT_TRUE(sentBeforeTheBox);
            EXPECT_EQ(rig.serial.rThreshold(), 3);
            EXPECT_EQ(rig.s().pendingCommand, 14000);
        }
        ASSERT_EQ(rig.desktop.messages.size(), 1u);
        const auto& box = rig.desktop.messages[0];
        EXPECT_EQ(box.icon, MessageIcon::Information);
        EXPECT_EQ(box.title, "欢迎使用我们公司产品");
        EXPECT_EQ(
            box.text,
            std::string("智能型三钳相位伏安表数据上传软件V1.1(CN)\r   如需帮助请联系我们!\r") +
                "phasemeter " + kVersion + "\r");
    }
}

}  // namespace
}  // namespace pm::buttons
