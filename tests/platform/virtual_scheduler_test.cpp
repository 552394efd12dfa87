#include "platform/virtual_scheduler.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace pm {
namespace {

struct Recorder {
    VirtualScheduler scheduler;
    std::vector<std::string> log;

    Scheduler::Handle timer(const std::string& name) {
        return scheduler.addTimer(
            [this, name] { log.push_back(name + "@" + std::to_string(scheduler.now())); });
    }
};

TEST(VirtualScheduler, TicksOfSeveralTimersComeInTimeOrder) {
    Recorder r;
    auto fast = r.timer("fast");
    auto mid = r.timer("mid");
    auto slow = r.timer("slow");
    r.scheduler.startTimer(slow, 1000);
    r.scheduler.startTimer(mid, 500);
    r.scheduler.startTimer(fast, 300);
    r.scheduler.advanceBy(1000);
    // At 1000 both "mid" (armed at 500) and "slow" (armed at 0) fall due: the one armed first runs
    // first.
    EXPECT_EQ(r.log, (std::vector<std::string>{"fast@300", "mid@500", "fast@600", "fast@900",
                                               "slow@1000", "mid@1000"}));
    EXPECT_EQ(r.scheduler.now(), 1000);
}

TEST(VirtualScheduler, StartingATimerStartsAFullIntervalFromThatMoment) {
    struct Case {
        const char* name;
        VirtualScheduler::Millis restartAt;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"never restarted", -1, {"t@1000", "t@2000", "t@3000"}},
        {"restarted mid-interval", 1500, {"t@1000", "t@2500"}},
        {"restarted a moment before it was due", 1999, {"t@1000", "t@2999"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Recorder r;
        auto t = r.timer("t");
        r.scheduler.startTimer(t, 1000);
        if (c.restartAt >= 0) {
            r.scheduler.advanceTo(c.restartAt);
            r.scheduler.startTimer(t, 1000);
        }
        r.scheduler.advanceTo(3000);
        EXPECT_EQ(r.log, c.expected);
    }
}

TEST(VirtualScheduler, StoppedTimerFallsSilentAndATickMayStopItself) {
    VirtualScheduler scheduler;
    int ticks = 0;
    Scheduler::Handle self = -1;
    self = scheduler.addTimer([&] {
        if (++ticks == 3) {
            scheduler.stopTimer(self);
        }
    });
    scheduler.startTimer(self, 100);
    scheduler.advanceBy(10'000);
    EXPECT_EQ(ticks, 3);
    EXPECT_FALSE(scheduler.isRunning(self));
    EXPECT_EQ(scheduler.nextDue(), -1);
}

TEST(VirtualScheduler, TickThatRestartsAnotherTimerPushesItBack) {
    Recorder r;
    auto poll = r.timer("poll");
    VirtualScheduler::Handle reader = r.scheduler.addTimer([&] {
        r.log.push_back("read@" + std::to_string(r.scheduler.now()));
        r.scheduler.stopTimer(reader);
        r.scheduler.startTimer(poll, 1000);  // polling resumes a full second after the read
    });
    r.scheduler.startTimer(poll, 1000);
    r.scheduler.advanceTo(1200);
    r.scheduler.startTimer(reader, 100);
    r.scheduler.advanceTo(3000);
    EXPECT_EQ(r.log, (std::vector<std::string>{"poll@1000", "read@1300", "poll@2300"}));
}

TEST(VirtualScheduler, PostedEventsShareTheTimeline) {
    Recorder r;
    auto t = r.timer("t");
    r.scheduler.startTimer(t, 100);
    r.scheduler.post(150, [&] { r.log.push_back("reply@" + std::to_string(r.scheduler.now())); });
    r.scheduler.post(200, [&] { r.log.push_back("late@" + std::to_string(r.scheduler.now())); });
    r.scheduler.advanceBy(250);
    // "late" was armed before the timer's second occurrence, so it runs first at 200.
    EXPECT_EQ(r.log, (std::vector<std::string>{"t@100", "reply@150", "late@200", "t@200"}));
}

TEST(VirtualScheduler, AdvancingWithNothingPendingJustMovesTheClock) {
    VirtualScheduler scheduler;
    EXPECT_FALSE(scheduler.runNext());
    scheduler.advanceBy(86'400'000);
    EXPECT_EQ(scheduler.now(), 86'400'000);
}

}  // namespace
}  // namespace pm
