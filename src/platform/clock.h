#pragma once

#include <cstdint>
#include <string>

namespace pm {

// One reading of the computer's clock. Every field and both texts describe the same instant, so a
// reading taken a hair before midnight can never mix the date of one day with the hour of the next.
// The fields and texts are the local wall clock, which jumps back an hour when daylight saving
// time ends; the instant does not, so what keeps readings in order or apart counts in it.
struct ClockReading {
    int year = 0;
    int month = 0;                // 1..12
    int day = 0;                  // 1..31
    int hour = 0;                 // 0..23
    int minute = 0;               // 0..59
    int second = 0;               // 0..59
    std::string dateText;         // the user's short date format
    std::string timeText;         // the user's time format with seconds, no time zone
    std::int64_t utcSeconds = 0;  // the instant: seconds since 1970-01-01 00:00 UTC
    int utcOffsetSeconds = 0;     // the local time's lead on UTC there: +28800 for UTC+08:00
};

class Clock {
  public:
    virtual ~Clock() = default;
    virtual ClockReading now() = 0;
};

// Seconds from 1970-01-01 00:00 to the reading's wall-clock fields, counted as if they were UTC
// (leap seconds aside): `utcSeconds + utcOffsetSeconds` of a reading whose fields and instant
// agree. A clock without a time-zone library (a virtual one) fills its instant from this.
constexpr std::int64_t localSeconds(const ClockReading& time) {
    // Days from 1970-01-01 to the date in the proleptic Gregorian calendar (Howard Hinnant's
    // days_from_civil).
    const std::int64_t y = time.month <= 2 ? time.year - 1 : time.year;
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yoe = y - era * 400;
    const std::int64_t mp = (time.month + 9) % 12;
    const std::int64_t doy = (153 * mp + 2) / 5 + time.day - 1;
    const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    const std::int64_t days = era * 146097 + doe - 719468;
    return days * 86400 + time.hour * 3600 + time.minute * 60 + time.second;
}

}  // namespace pm
