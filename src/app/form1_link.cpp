// Finding the meter and keeping the conversation going: every scan tick closes the port tried
// last, opens the next of ports 1 to 16 and sends it the handshake; once linked, a poll every
// second, the link time-out, and the paced read of the stored records.
//
// The line carries one request and one reply at a time. A reply names nothing, so it can only be
// told by the request before it: a request goes out only when no reply is due, that is when the
// reply to the last one is in or its wait (protocol/request_frames.h) has run out; a request made
// meanwhile is held and sent the moment the line is free. With a meter that answers within the
// 100 ms of the read's pace, nothing is ever held and the timing is the timers' alone.
#include <algorithm>
#include <string>

#include "app/form1.h"
#include "output/read_messages.h"
#include "platform/desktop.h"
#include "platform/serial_control.h"
#include "protocol/request_frames.h"
#include "view/stored_record.h"

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
    // Whatever was due or held belonged to the port just closed.
    state_.replyDue = false;
    state_.heldRequests.clear();
    window_.replyWait.setEnabled(false);
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
    state_.replyDue = true;
    state_.replyWaitExtended = false;
    window_.replyWait.setInterval(replyWaitMs(code));
    window_.replyWait.restart();
}

void Form1::request(std::int16_t code) {
    if (!state_.replyDue) {
        sendRequest(code);
        return;
    }
    std::vector<std::int16_t>& held = state_.heldRequests;
    if (std::find(held.begin(), held.end(), code) == held.end()) {
        held.push_back(code);
    }
}

void Form1::replyWait_Timer() {
    window_.replyWait.setEnabled(false);
    if (!state_.replyDue) {
        return;
    }
    // Bytes arriving just now are the reply itself, late: give it its time on the wire once, so
    // that the next request does not go out into the middle of it.
    if (!state_.replyWaitExtended && platform_.serial.inBufferCount() > 0) {
        state_.replyWaitExtended = true;
        window_.replyWait.setInterval(lineTimeMs(replyLength(state_.pendingCommand)));
        window_.replyWait.restart();
        return;
    }
    state_.replyDue = false;
    lineFreed();
}

void Form1::lineFreed() {
    while (!state_.replyDue && !state_.heldRequests.empty()) {
        const std::int16_t code = state_.heldRequests.front();
        state_.heldRequests.erase(state_.heldRequests.begin());
        // A poll held while polling was stopped (a read began) is no longer wanted.
        const bool poll = code == kRequestLiveData || code == kRequestHandshake;
        if (!poll || (window_.comunication.enabled() && state_.linked)) {
            sendRequest(code);
        }
    }
    if (!state_.replyDue && state_.read.tickDue && window_.Readdat.enabled()) {
        state_.read.tickDue = false;
        // The tick came while the reply was on its way; the step is taken now, and the next one a
        // full interval from here, so record requests stay at least 100 ms apart.
        window_.Readdat.restart();
        readStep();
    }
}

void Form1::resumePolling() {
    window_.comunication.setEnabled(true);
    window_.Command1.setEnabled(true);
    window_.Command2.setEnabled(true);
}

void Form1::pollLiveData() {
    if (!window_.Readdat.enabled()) {
        resumePolling();
    }
}

void Form1::comunication_Timer() {
    if (!state_.linked) {
        return;
    }
    const bool live = state_.liveView || pagesNeedLiveData();
    request(live ? kRequestLiveData : kRequestHandshake);
}

void Form1::COMtimout_Timer() {
    // Every receive event sets the count back to 0, so the loss is declared on the fifth tick
    // without one: 4 to 5 seconds after the last reply.
    if (state_.timeoutTicks > 3) {
        state_.timeoutTicks = 0;
        window_.Label2.setCaption("通信失败");
        state_.linked = false;
        // A read that loses its link keeps in the archive what came before, unfinished.
        if (window_.Readdat.enabled()) {
            filing_.cut();
        }
        window_.Findcom.setEnabled(true);
        for (Page* page : pages_) {
            page->liveGap();
        }
    } else {
        ++state_.timeoutTicks;
    }
}

void Form1::Command1_Click() {
    if (state_.liveView || shownPage() != nullptr || !state_.linked) {
        return;
    }
    // The pages get no readings while the records are read.
    for (Page* page : pages_) {
        page->liveGap();
    }
    window_.comunication.setEnabled(false);
    window_.Command1.setEnabled(false);
    window_.Command2.setEnabled(false);
    state_.read = RecordRead{};
    // A keep-alive reply may still be on its way; the count is asked once it is in.
    request(kRequestRecordCount);
}

void Form1::Readdat_Timer() {
    if (state_.replyDue) {
        state_.read.tickDue = true;
        return;
    }
    readStep();
}

void Form1::readStep() {
    RecordRead& read = state_.read;
    // Every record is asked twice at most; one whose second request went unanswered too stays an
    // empty block, and the read goes on.
    constexpr int kTries = 2;
    if (read.asked != 0 && !read.answered) {
        if (read.tries < kTries) {
            ++read.tries;
            sendRequest(read.asked);
            return;
        }
        read.missing.push_back(read.asked);
        read.asked = 0;
    }
    if (state_.recordIndex < 1 || state_.recordIndex > state_.recordCount) {
        endRead();
        return;
    }
    read.asked = state_.recordIndex;
    read.tries = 1;
    read.answered = false;
    ++state_.recordIndex;
    sendRequest(read.asked);
}

void Form1::fileMissingRecords(int before) {
    RecordRead& read = state_.read;
    for (; read.missingFiled < read.missing.size(); ++read.missingFiled) {
        const int record = read.missing[read.missingFiled];
        if (record >= before) {
            return;
        }
        writeMissingRecord(platform_.grid, record);
        state_.recordFrames.resize(static_cast<std::size_t>(record));
        state_.recordFrames.back().clear();
    }
}

void Form1::endRead() {
    fileMissingRecords(kLastRecordNumber + 1);
    state_.recordIndex = 0;
    state_.read.asked = 0;
    state_.read.tickDue = false;
    state_.read.finished = true;
    window_.Readdat.setEnabled(false);
    if (filing_.filing()) {
        filing_.end(nowUtc(), static_cast<int>(state_.recordFrames.size()));
        tableDownloadFinished_ = true;
        showArchiveLine();
    }
    resumePolling();
    if (!state_.read.missing.empty()) {
        window_.readReport.setEnabled(true);
    }
}

void Form1::readReport_Timer() {
    window_.readReport.setEnabled(false);
    platform_.desktop.showMessage(MessageIcon::Warning, kReadMessageTitle,
                                  state_.read.countRefused
                                      ? std::string(kCountRefusedMessage)
                                      : missingRecordsMessage(state_.read.missing));
}

}  // namespace pm
