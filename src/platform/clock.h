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
    // The local wall clock at an instant (seconds since 1970 in UTC), for showing filed times. A
    // clock without a time-zone library counts in the offset it has now.
    virtual ClockReading at(std::int64_t utcSeconds);
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

// The wall-clock fields of `local` seconds since 1970-01-01 00:00 counted as if UTC: the inverse
// of localSeconds (Howard Hinnant's civil_from_days).
constexpr void setLocalFields(ClockReading& time, std::int64_t local) {
    std::int64_t days = local / 86400;
    std::int64_t rest = local % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    time.year = static_cast<int>(yoe + era * 400 + (month <= 2 ? 1 : 0));
    time.month = static_cast<int>(month);
    time.day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
    time.hour = static_cast<int>(rest / 3600);
    time.minute = static_cast<int>(rest % 3600 / 60);
    time.second = static_cast<int>(rest % 60);
}

inline ClockReading Clock::at(std::int64_t utcSeconds) {
    ClockReading time;
    time.utcOffsetSeconds = now().utcOffsetSeconds;
    time.utcSeconds = utcSeconds;
    setLocalFields(time, utcSeconds + time.utcOffsetSeconds);
    return time;
}

}  // namespace pm
