// Finding the meter and keeping the conversation going: every scan tick closes the port tried
// last, opens the next of ports 1 to 16 and sends it the handshake; once linked, a poll every
// second, the link time-out, and the paced read of the stored records.
#include <string>

#include "app/form1.h"
#include "platform/serial_control.h"
#include "protocol/request_frames.h"

namespace pm {
namespace {

const char* outcomeText(OpenOutcome outcome) {
    switch (outcome) {
        case OpenOutcome::Opened:
            return "已打开";
        case OpenOutcome::InUse:
            return "被占用";
        case OpenOutcome::NoSuchPort:
            return "无效";
        case OpenOutcome::NoPermission:
            return "无权限";
        case OpenOutcome::Failed:
            break;
    }
    // A failed open is never reported as opened: the port is closed and nothing can be sent.
    return "未打开";
}

}  // namespace

void Form1::comopen(std::int16_t n) {
    SerialControl& port = platform_.serial;
    if (port.portOpen()) {
        port.close();
    }
    port.setCommPort(n);
    const OpenOutcome outcome = port.open();
    window_.Label1.setCaption("COM" + std::to_string(n) + outcomeText(outcome));
}

void Form1::Findcom_Timer() {
    if (state_.linked) {
        window_.Findcom.setEnabled(false);
        // A read that outlived a lost link goes on; it gives polling and the buttons back when
        // it ends, and polling in between would have its replies filed as stored records.
        if (!window_.Readdat.enabled()) {
            resumePolling();
        }
        return;
    }
    comopen(state_.portNumber);
    sendRequest(kRequestHandshake);
    state_.portNumber =
        state_.portNumber >= kLastPort ? 1 : static_cast<std::int16_t>(state_.portNumber + 1);
}

void Form1::sendRequest(std::int16_t code) {
    SerialControl& port = platform_.serial;
    if (!port.portOpen()) {
        return;
    }
    port.setRThreshold(replyLength(code));
    state_.pendingCommand = code;
    const ClockFields clock{state_.clockYear, state_.clockMonth, state_.clockDay, state_.clockHour,
                            state_.clockMinute};
    port.output(requestFrame(code, clock));
    port.clearInBuffer();
    port.clearOutBuffer();
}

void Form1::resumePolling() {
    window_.comunication.setEnabled(true);
    window_.Command1.setEnabled(true);
    window_.Command2.setEnabled(true);
}

void Form1::comunication_Timer() {
    if (!state_.linked) {
        return;
    }
    const bool live = state_.liveView || state_.wiringView || state_.trendView || state_.recording;
    sendRequest(live ? kRequestLiveData : kRequestHandshake);
}

void Form1::COMtimout_Timer() {
    // Every receive event sets the count back to 0, so the loss is declared on the fifth tick
    // without one: 4 to 5 seconds after the last reply.
    if (state_.timeoutTicks > 3) {
        state_.timeoutTicks = 0;
        window_.Label2.setCaption("通信失败");
        state_.linked = false;
        window_.Findcom.setEnabled(true);
        trendGap();
    } else {
        ++state_.timeoutTicks;
    }
}

void Form1::Command1_Click() {
    if (state_.liveView || state_.wiringView || state_.trendView || !state_.linked) {
        return;
    }
    // The recording gets no readings while the records are read.
    trendGap();
    window_.comunication.setEnabled(false);
    window_.Command1.setEnabled(false);
    window_.Command2.setEnabled(false);
    sendRequest(kRequestRecordCount);
}

void Form1::Readdat_Timer() {
    sendRequest(state_.recordIndex);
    if (state_.recordIndex < state_.recordCount) {
        ++state_.recordIndex;
        return;
    }
    state_.recordIndex = 0;
    window_.Readdat.setEnabled(false);
    resumePolling();
}

}  // namespace pm
