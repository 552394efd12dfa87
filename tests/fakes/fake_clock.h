#pragma once

#include <cstdint>
#include <cstdio>
#include <functional>
#include <string>
#include <vector>

#include "platform/clock.h"

namespace pm::testing {

// A clock that reads out a list of instants, one per call, and then keeps the last one. Its wall
// clock is eight hours ahead of UTC unless told otherwise, so that a mix-up of the local fields
// and the instant shows.
class FakeClock final : public Clock {
  public:
    static constexpr int kOffset = 8 * 3600;

    FakeClock() { setTime(2026, 12, 6, 3, 5, 0); }

    static ClockReading reading(int year, int month, int day, int hour, int minute, int second,
                                int utcOffsetSeconds = kOffset) {
        ClockReading r{year, month, day, hour, minute, second, "", ""};
        r.utcOffsetSeconds = utcOffsetSeconds;
        r.utcSeconds = localSeconds(r) - utcOffsetSeconds;
        char text[64];
        std::snprintf(text, sizeof text, "%04d/%d/%d", year, month, day);
        r.dateText = text;
        std::snprintf(text, sizeof text, "%02d:%02d:%02d", hour, minute, second);
        r.timeText = text;
        return r;
    }

    void setTime(int year, int month, int day, int hour, int minute, int second,
                 int utcOffsetSeconds = kOffset) {
        queue_ = {reading(year, month, day, hour, minute, second, utcOffsetSeconds)};
    }
    void queue(std::vector<ClockReading> readings) { queue_ = std::move(readings); }

    // From now on the instant runs on with `elapsedMs` (a virtual scheduler's time), from the
    // reading set; the fields and texts stay as set.
    void runWith(std::function<std::int64_t()> elapsedMs) { elapsedMs_ = std::move(elapsedMs); }

    ClockReading now() override {
        ++reads;
        ClockReading r = queue_.front();
        if (queue_.size() > 1) {
            queue_.erase(queue_.begin());
        }
        if (elapsedMs_) {
            r.utcSeconds += elapsedMs_() / 1000;
        }
        return r;
    }

    int reads = 0;

  private:
    std::vector<ClockReading> queue_;
    std::function<std::int64_t()> elapsedMs_;
};

}  // namespace pm::testing
