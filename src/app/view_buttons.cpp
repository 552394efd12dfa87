// The tab strip and the buttons that need no instrument: Clear, Close and Help.
#include "app/form1.h"
#include "link/request_frames.h"
#include "platform/desktop.h"
#include "platform/grid.h"
#include "view/history_layout.h"

namespace pm {

void Form1::TabStrip1_Click() {
    const bool live = window_.TabStrip1.selectedIndex() == 1;
    state_.liveView = live;
    window_.Frame1.setVisible(live);
    platform_.grid.setVisible(!live);
    // While a read runs, its own end gives polling and the buttons back: polling now would
    // interleave with the record requests, and a reply could be filed under the wrong request.
    if (!window_.Readdat.enabled()) {
        resumePolling();
    }
}

void Form1::Command3_Click() {
    setupGrid(platform_.grid);
}

void Form1::Command5_Click() {
    platform_.desktop.quit();
}

void Form1::Command6_Click() {
    // A year the frame's single byte cannot carry would set the meter to a wrong year.
    if (clockYearFits_) {
        sendRequest(kRequestClockSet);
    }
    platform_.desktop.showMessage(MessageIcon::Information, "欢迎使用我们公司产品",
                                  "智能型三钳相位伏安表数据上传软件V1.1(CN)\r"
                                  "   如需帮助请联系我们!\r");
}

}  // namespace pm
