#pragma once

#include "app/meter_state.h"
#include "app/platform_set.h"
#include "app/window_model.h"

namespace pm {

// The main window's logic: the window model, the state record and the event handlers, under the
// names the handlers have always had. Toolkit-neutral; the Qt layer forwards events here.
class Form1 {
  public:
    explicit Form1(PlatformSet platform);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    WindowModel& window() { return window_; }
    const WindowModel& window() const { return window_; }
    MeterState& state() { return state_; }
    const MeterState& state() const { return state_; }

    // Load handler: runs once, before the window is shown and before any other event.
    void Form_Load();

    // Status-bar clock tick (also run once by Form_Load).
    void Timer1_Timer();

    // The live-data branch of the receive handler: the real-time panel and the phasor diagram
    // from the measurement frame in rxBytes.
    void updateLivePanel();

  private:
    PlatformSet platform_;
    WindowModel window_;
    MeterState state_;
};

}  // namespace pm
