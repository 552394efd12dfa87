#pragma once

namespace pm {

class Scheduler;
class Clock;

// The outside world as the window's handlers reach it. The program wires in the Qt
// implementations; tests wire in fakes and a virtual clock.
struct PlatformSet {
    Scheduler& scheduler;
    Clock& clock;
};

}  // namespace pm
