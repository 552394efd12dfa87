// The one entry point for everything the meter sends. A reply carries no header: it is understood
// by the request sent last (pendingCommand), and the receive threshold armed for that request
// decides when it is complete.
#include <algorithm>

#include "app/form1.h"
#include "link/request_frames.h"
#include "platform/grid.h"
#include "platform/serial_control.h"
#include "view/stored_record.h"

namespace pm {

void Form1::MSComm1_OnComm() {
    SerialControl& port = platform_.serial;
    if (port.commEvent() != SerialControl::kEventReceive) {
        return;
    }
    state_.rxBytes = port.input();
    port.clearInBuffer();
    port.clearOutBuffer();
    // Any reply, even a garbled one, shows the meter is alive.
    state_.timeoutTicks = 0;

    const std::int16_t code = state_.pendingCommand;
    if (!state_.linked && code == kRequestHandshake) {
        handshakeReply();
    } else if (code == kRequestRecordCount) {
        recordCountReply();
    } else if (code == kRequestLiveData) {
        updateLivePanel();
    } else if (code >= 1 && code <= kMaxStoredRecord) {
        writeStoredRecord(platform_.grid, state_.rxBytes, code, platform_.numberFormat);
    }
}

void Form1::handshakeReply() {
    const std::vector<std::uint8_t>& rx = state_.rxBytes;
    if (rx.size() >= 3 && rx[0] == 0xAA && rx[1] == 0x55 && rx[2] == 0xAA) {
        window_.Label2.setCaption("通信成功");
        state_.linked = true;
    }
}

void Form1::recordCountReply() {
    const std::vector<std::uint8_t>& rx = state_.rxBytes;
    // The count is unsigned; record numbers end at 10000, and the codes above them mean other
    // requests, so a larger count reads as many records as there can be.
    int count = 0;
    if (rx.size() >= 2) {
        count = std::min(rx[1] * 256 + rx[0], static_cast<int>(kMaxStoredRecord));
    }
    state_.recordCount = static_cast<std::int16_t>(count);
    if (state_.recordCount < 1) {
        resumePolling();
        return;
    }
    state_.recordIndex = 1;
    window_.Readdat.setEnabled(true);
}

}  // namespace pm
