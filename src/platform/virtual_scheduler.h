#pragma once

#include <cstdint>
#include <map>
#include <tuple>
#include <vector>

#include "platform/scheduler.h"

namespace pm {

// A scheduler in virtual time for tests and the simulator's scenarios. Time moves only when the
// test says so; events fall due in time order, and events due at the same instant run in the order
// they were armed. Besides periodic timers it takes one-shot events (a reply arriving after a
// delay, say), so a fake device can share the same timeline as the window's timers.
class VirtualScheduler final : public Scheduler {
  public:
    using Millis = std::int64_t;

    Handle addTimer(Callback tick) override;
    void startTimer(Handle timer, int intervalMs) override;
    void stopTimer(Handle timer) override;

    // Runs `event` once, `delayMs` from now.
    void post(Millis delayMs, Callback event);

    Millis now() const { return now_; }
    bool isRunning(Handle timer) const;
    int intervalOf(Handle timer) const;

    // Runs every event due up to and including `now() + ms`, then leaves the clock there.
    void advanceBy(Millis ms);
    void advanceTo(Millis when);
    // Runs the next event, if any, moving the clock to it. Returns false when nothing is pending.
    bool runNext();
    // Time at which the next event falls due, or -1 when nothing is pending.
    Millis nextDue() const;

  private:
    struct TimerSlot {
        Callback tick;
        int intervalMs = 0;
        bool running = false;
        std::uint64_t generation = 0;  // bumped at every start and stop, to drop stale entries
    };
    struct Entry {
        Handle timer = -1;  // -1 for a one-shot event
        std::uint64_t generation = 0;
        Callback event;
    };
    using Key = std::tuple<Millis, std::uint64_t>;  // due time, order armed

    void arm(Handle timer, Millis due);
    bool isLive(const Entry& e) const;

    Millis now_ = 0;
    std::uint64_t sequence_ = 0;
    std::vector<TimerSlot> timers_;
    std::map<Key, Entry> queue_;
};

}  // namespace pm
