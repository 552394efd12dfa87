// Load, the status-bar clock, the tab strip and the buttons that need no instrument: Clear, Close
// and Help.
#include "app/form1.h"

#include <string>

#include "core/version.h"
#include "platform/clock.h"
#include "platform/desktop.h"
#include "platform/grid.h"
#include "platform/serial_control.h"
#include "protocol/request_frames.h"
#include "view/history_layout.h"
#include "view/phasor_tables.h"

namespace pm {

Form1::Form1(PlatformSet platform) : platform_(platform) {
    Scheduler& scheduler = platform_.scheduler;
    window_.Timer1.bind(scheduler, [this] { Timer1_Timer(); });
    window_.Findcom.bind(scheduler, [this] { Findcom_Timer(); });
    window_.COMtimout.bind(scheduler, [this] { COMtimout_Timer(); });
    window_.Readdat.bind(scheduler, [this] { Readdat_Timer(); });
    window_.comunication.bind(scheduler, [this] { comunication_Timer(); });
    window_.replyWait.bind(scheduler, [this] { replyWait_Timer(); });
    window_.readReport.bind(scheduler, [this] { readReport_Timer(); });
    window_.archiveReport.bind(scheduler, [this] { archiveReport_Timer(); });
    platform_.serial.setReceiveHandler([this] { MSComm1_OnComm(); });
    platform_.grid.setDoubleClickHandler([this](int row, int col) { Grid1_DblClick(row, col); });
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
    window_.Frame2.setVisible(false);
    window_.Frame3.setVisible(false);
    window_.Frame4.setVisible(false);
    for (Page* page : pages_) {
        page->load();
    }
    if (platform_.archive != nullptr) {
        showArchiveLine();
        const std::string reason = platform_.archive->unavailableReason();
        if (!reason.empty()) {
            reportArchiveFault(reason);
        }
    }
}

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
    filing_.tick(now.utcSeconds);
    for (Page* page : pages_) {
        page->clockTick(now);
    }
}

void Form1::TabStrip1_Click() {
    const int tab = window_.TabStrip1.selectedIndex();
    state_.liveView = tab == 1;
    window_.Frame1.setVisible(tab == 1);
    platform_.grid.setVisible(tab == 2);
    window_.Frame2.setVisible(tab == 3);
    window_.Frame3.setVisible(tab == 4);
    window_.Frame4.setVisible(tab == 5);
    for (Page* page : pages_) {
        page->tabChanged(page->tab() == tab);
    }
    // While a read runs, its own end gives polling and the buttons back: polling now would
    // interleave with the record requests, and a reply could be filed under the wrong request.
    if (!window_.Readdat.enabled()) {
        resumePolling();
    }
}

Page* Form1::shownPage() const {
    for (Page* page : pages_) {
        if (page->tab() == window_.TabStrip1.selectedIndex()) {
            return page;
        }
    }
    return nullptr;
}

bool Form1::pagesNeedLiveData() const {
    for (const Page* page : pages_) {
        if (page->needsLiveData()) {
            return true;
        }
    }
    return false;
}

void Form1::Grid1_DblClick(int row, int) {
    if (row < 0) {
        return;
    }
    const auto record = static_cast<std::size_t>(row / kBlockRows);
    // The empty table's block, or one whose record has not come in, has nothing to check.
    if (record >= state_.recordFrames.size() || state_.recordFrames[record].empty()) {
        return;
    }
    wiringPage_.showRecord(static_cast<std::int16_t>(record + 1), state_.recordFrames[record],
                           tableDownload_);
    window_.TabStrip1.select(wiringPage_.tab());
    TabStrip1_Click();
}

void Form1::Command3_Click() {
    setupGrid(platform_.grid);
    state_.recordFrames.clear();
    tableDownload_ = 0;
    showArchiveLine();
}

void Form1::Command5_Click() {
    platform_.desktop.quit();
}

void Form1::Command6_Click() {
    // A year the frame's single byte cannot carry would set the meter to a wrong year.
    if (clockYearFits_) {
        request(kRequestClockSet);
    }
    // The about text: the product and whom to ask for help, then this program's version.
    platform_.desktop.showMessage(MessageIcon::Information, "欢迎使用我们公司产品",
                                  std::string("智能型三钳相位伏安表数据上传软件V1.1(CN)\r"
                                              "   如需帮助请联系我们!\r"
                                              "phasemeter ") +
                                      kVersion + "\r");
}

}  // namespace pm
