#pragma once

#include "app/form1.h"
#include "fakes/fake_clock.h"
#include "fakes/recording_surface.h"
#include "platform/virtual_scheduler.h"

namespace pm::testing {

// Form1 wired to fakes in virtual time: the whole program logic without a window system.
struct Rig {
    VirtualScheduler scheduler;
    FakeClock clock;
    RecordingSurface surface;
    Form1 form{PlatformSet{scheduler, clock, surface}};

    WindowModel& w() { return form.window(); }
    MeterState& s() { return form.state(); }
};

}  // namespace pm::testing
