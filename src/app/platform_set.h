#pragma once

#include "protocol/number_text.h"

namespace pm {

class Scheduler;
class Clock;
class DrawingSurface;
class SerialControl;
class Grid;
class Desktop;

// The outside world as the window's handlers reach it. The program wires in the Qt
// implementations; tests wire in fakes and a virtual clock.
struct PlatformSet {
    Scheduler& scheduler;
    Clock& clock;
    DrawingSurface& surface;      // Picture2, where the phasor diagram is drawn
    SerialControl& serial;        // MSComm1, the line to the meter
    Grid& grid;                   // the history table
    Desktop& desktop;             // message boxes, beep, quitting
    NumberFormat numberFormat{};  // the user's regional number settings
};

}  // namespace pm
