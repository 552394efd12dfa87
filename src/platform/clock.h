#pragma once

#include <string>

namespace pm {

// One reading of the computer's clock. Every field and both texts describe the same instant, so a
// reading taken a hair before midnight can never mix the date of one day with the hour of the next.
struct ClockReading {
    int year = 0;
    int month = 0;         // 1..12
    int day = 0;           // 1..31
    int hour = 0;          // 0..23
    int minute = 0;        // 0..59
    int second = 0;        // 0..59
    std::string dateText;  // the user's short date format
    std::string timeText;  // the user's time format with seconds, no time zone
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual ClockReading now() = 0;
};

}  // namespace pm
