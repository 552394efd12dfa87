#include <gtest/gtest.h>

#include "fakes/rig.h"

namespace pm {
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
}  // namespace pm
