// The status-bar clock: date and time panels, and the clock fields that Help sends to the meter.
#include "app/form1.h"
#include "link/request_frames.h"
#include "platform/clock.h"

namespace pm {

void Form1::Timer1_Timer() {
    // One reading for everything: reading the clock once per field could pair the date of one day
    // with the hour of the next when a tick straddles midnight.
    const ClockReading now = platform_.clock.now();
    window_.StatusBar1.setPanelText(1, now.dateText);
    window_.StatusBar1.setPanelText(3, now.timeText);
    state_.clockDay = static_cast<std::int16_t>(now.day);
    state_.clockYear = static_cast<std::int16_t>(now.year % 2000);
    state_.clockMonth = static_cast<std::int16_t>(now.month);
    state_.clockHour = static_cast<std::int16_t>(now.hour);
    state_.clockMinute = static_cast<std::int16_t>(now.minute);
    clockYearFits_ = clockYearFits(now.year);
}

}  // namespace pm
