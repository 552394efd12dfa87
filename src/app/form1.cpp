#include "app/form1.h"

#include "view/live_panel.h"
#include "view/phasor_diagram.h"
#include "view/phasor_tables.h"

namespace pm {

Form1::Form1(PlatformSet platform) : platform_(platform) {
    Scheduler& scheduler = platform_.scheduler;
    window_.Timer1.bind(scheduler, [this] { Timer1_Timer(); });
    // The link timers get their handlers with the instrument link; until then their ticks do
    // nothing, which is also what they do while no instrument is linked.
    window_.Findcom.bind(scheduler, [] {});
    window_.COMtimout.bind(scheduler, [] {});
    window_.Readdat.bind(scheduler, [] {});
    window_.comunication.bind(scheduler, [] {});
}

void Form1::Form_Load() {
    state_.liveView = true;
    state_.linked = false;
    state_.portNumber = 1;
    state_.phasorX = kPhasorXTable;
    state_.phasorY = kPhasorYTable;
    Timer1_Timer();
    window_.Findcom.setEnabled(true);
    window_.Frame1.setVisible(true);
    window_.grid.setVisible(false);
}

void Form1::updateLivePanel() {
    updateRealTimePanel(window_, state_.rxBytes, platform_.numberFormat, [this] {
        redrawPhasorDiagram(platform_.surface, window_, state_, platform_.numberFormat);
    });
}

}  // namespace pm
