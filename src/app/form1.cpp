#include "app/form1.h"

#include "platform/grid.h"
#include "platform/serial_control.h"
#include "view/history_layout.h"
#include "view/live_panel.h"
#include "view/phasor_diagram.h"
#include "view/phasor_tables.h"

namespace pm {

Form1::Form1(PlatformSet platform) : platform_(platform) {
    Scheduler& scheduler = platform_.scheduler;
    window_.Timer1.bind(scheduler, [this] { Timer1_Timer(); });
    window_.Findcom.bind(scheduler, [this] { Findcom_Timer(); });
    window_.COMtimout.bind(scheduler, [this] { COMtimout_Timer(); });
    window_.Readdat.bind(scheduler, [this] { Readdat_Timer(); });
    window_.comunication.bind(scheduler, [this] { comunication_Timer(); });
    platform_.serial.setReceiveHandler([this] { MSComm1_OnComm(); });
}

void Form1::Form_Load() {
    state_.liveView = true;
    state_.linked = false;
    state_.portNumber = 1;
    state_.phasorX = kPhasorXTable;
    state_.phasorY = kPhasorYTable;
    Timer1_Timer();
    window_.Findcom.setEnabled(true);
    setupGrid(platform_.grid);
    window_.Frame1.setVisible(true);
    platform_.grid.setVisible(false);
}

void Form1::updateLivePanel() {
    updateRealTimePanel(window_, state_.rxBytes, platform_.numberFormat, [this] {
        redrawPhasorDiagram(platform_.surface, window_, state_, platform_.numberFormat);
    });
}

}  // namespace pm
