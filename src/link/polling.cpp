// Keeping the conversation going once the meter is found: the poll every second, the link
// time-out, and the paced read of the stored records.
#include "app/form1.h"
#include "link/request_frames.h"

namespace pm {

void Form1::comunication_Timer() {
    if (!state_.linked) {
        return;
    }
    sendRequest(state_.liveView ? kRequestLiveData : kRequestHandshake);
}

void Form1::COMtimout_Timer() {
    // Every receive event sets the count back to 0, so the loss is declared on the fifth tick
    // without one: 4 to 5 seconds after the last reply.
    if (state_.timeoutTicks > 3) {
        state_.timeoutTicks = 0;
        window_.Label2.setCaption("通信失败");
        state_.linked = false;
        window_.Findcom.setEnabled(true);
    } else {
        ++state_.timeoutTicks;
    }
}

void Form1::Command1_Click() {
    if (state_.liveView || !state_.linked) {
        return;
    }
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
