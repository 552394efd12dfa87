#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
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
}  // namespace pm
