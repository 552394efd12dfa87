#pragma once

#include <functional>

namespace pm {

// Periodic timers as the window's handlers see them. The program never reads the real clock to
// pace itself: everything that happens "every n ms" goes through this interface, so tests can run
// hours of link behaviour in virtual time.
class Scheduler {
  public:
    using Callback = std::function<void()>;
    using Handle = int;

    virtual ~Scheduler() = default;

    // Registers a timer that calls `tick` at every interval while it runs. Not started.
    virtual Handle addTimer(Callback tick) = 0;
    // Starts the timer; the first tick falls a full interval from now. Starting a running timer
    // starts its interval anew.
    virtual void startTimer(Handle timer, int intervalMs) = 0;
    virtual void stopTimer(Handle timer) = 0;
};

}  // namespace pm
