// The one entry point for everything the meter sends. A reply carries no header: it is understood
// by the request sent last (pendingCommand), and the receive threshold armed for that request
// decides when it is complete. Bytes that come when no reply is due (after its wait ran out) are
// dropped: they are no answer to anything asked now.
#include <optional>
#include <string>
#include <utility>

#include "app/form1.h"
#include "platform/grid.h"
#include "platform/serial_control.h"
#include "protocol/derived_values.h"
#include "protocol/replies.h"
#include "protocol/request_frames.h"
#include "view/live_panel.h"
#include "view/phasor_diagram.h"
#include "view/stored_record.h"

namespace pm {
namespace {

// A field the frame could not give leaves its label as it was.
void show(Label* label, std::optional<std::string> text) {
    if (label != nullptr && text) {
        label->setCaption(std::move(*text));
    }
}

std::string_view captionOf(const Label* label) {
    return label != nullptr ? std::string_view(label->caption()) : std::string_view();
}

template <std::size_t N>
std::array<std::string_view, N> captionsOf(const std::array<Label*, N>& labels) {
    std::array<std::string_view, N> captions;
    for (std::size_t k = 0; k < N; ++k) {
        captions[k] = captionOf(labels[k]);
    }
    return captions;
}

}  // namespace

void Form1::MSComm1_OnComm() {
    SerialControl& port = platform_.serial;
    if (port.commEvent() != SerialControl::kEventReceive) {
        return;
    }
    state_.rxBytes = port.input();
    port.clearInBuffer();
    port.clearOutBuffer();
    // Any reply, even a garbled or a late one, shows the meter is alive.
    state_.timeoutTicks = 0;
    if (!state_.replyDue) {
        return;
    }
    state_.replyDue = false;
    window_.replyWait.setEnabled(false);

    const std::int16_t code = state_.pendingCommand;
    if (!state_.linked && code == kRequestHandshake) {
        handshakeReply();
    } else if (code == kRequestRecordCount) {
        recordCountReply();
    } else if (code == kRequestLiveData) {
        liveDataReply();
    } else if (code >= kFirstRecordNumber && code <= kLastRecordNumber) {
        storedRecordReply(code);
    }
    lineFreed();
}

void Form1::storedRecordReply(std::int16_t record) {
    fileMissingRecords(record);
    writeStoredRecord(platform_.grid, state_.rxBytes, record, platform_.numberFormat);
    // The table now holds exactly `record` blocks, and so do the kept replies.
    state_.recordFrames.resize(static_cast<std::size_t>(record));
    state_.recordFrames.back() = state_.rxBytes;
    filing_.record(record, state_.rxBytes, nowUtc());
    if (record == state_.read.asked) {
        state_.read.answered = true;
        // The last record is in: the read ends now rather than on a later tick.
        if (state_.recordIndex > state_.recordCount) {
            endRead();
        }
    }
}

void Form1::liveDataReply() {
    updateLivePanel();
    state_.liveFrame = state_.rxBytes;
    for (Page* page : pages_) {
        page->liveReply(state_.liveFrame);
    }
    if (onLiveReply) {
        onLiveReply();
    }
}

void Form1::handshakeReply() {
    if (isHandshakeReply(state_.rxBytes)) {
        window_.Label2.setCaption("通信成功");
        state_.linked = true;
    }
}

void Form1::recordCountReply() {
    const std::optional<int> count = recordCountOf(state_.rxBytes);
    state_.recordCount = static_cast<std::int16_t>(count.value_or(0));
    if (!count) {
        state_.read.countRefused = true;
        state_.read.finished = true;
        resumePolling();
        window_.readReport.setEnabled(true);
        return;
    }
    // The read is filed from here, under the site chosen now; the table shows it as it arrives.
    const int port = platform_.serial.commPort();
    filing_.begin(currentSite_ ? currentSite_->id : 0, nowUtc(),
                  platform_.portName ? platform_.portName(port) : "COM" + std::to_string(port),
                  state_.recordCount);
    tableDownload_ = filing_.filing() ? filing_.download() : 0;
    tableDownloadFinished_ = false;
    showArchiveLine();
    if (state_.recordCount < 1) {
        state_.read.finished = true;
        filing_.end(nowUtc(), 0);
        tableDownloadFinished_ = true;
        resumePolling();
        showArchiveLine();
        return;
    }
    state_.recordIndex = 1;
    window_.Readdat.setEnabled(true);
}

// Every step reads the captions as the steps before it left them: the captions are the only store
// of the live readings. A step that has nothing to show (an unknown range code, a short frame, a
// phasor without a tip) is skipped and the next one goes on.
void Form1::updateLivePanel() {
    const NumberFormat& format = platform_.numberFormat;
    const LiveReadings readings = liveReadings(state_.rxBytes, format);
    for (std::size_t k = 0; k < 3; ++k) {
        show(window_.u[k], readings.u[k]);
    }
    for (std::size_t k = 0; k < 3; ++k) {
        show(window_.i[k], readings.i[k]);
    }
    for (std::size_t k = 0; k < readings.phase.size(); ++k) {
        show(window_.phase[k], readings.phase[k]);
    }

    const PhasorCaptions diagram{captionsOf(window_.u), captionOf(window_.i[0]),
                                 captionsOf(window_.phase)};
    redrawPhasorDiagram(platform_.surface, diagram, state_.phasorX, state_.phasorY, format);

    show(window_.freq, readings.freq);

    for (std::size_t k = 0; k < 3; ++k) {
        ChannelPowerTexts powers = channelPowers(captionOf(window_.u[k]), captionOf(window_.i[k]),
                                                 captionOf(window_.phase[6 + k]), format);
        show(window_.s[k], std::move(powers.s));
        show(window_.pf[k], std::move(powers.pf));
        show(window_.p[k], std::move(powers.p));
        show(window_.q[k], std::move(powers.q));
    }

    show(window_.isum, neutralCurrentText(captionOf(window_.i[0]), captionOf(window_.i[1]),
                                          captionOf(window_.i[2]), captionOf(window_.phase[3]),
                                          captionOf(window_.phase[5]), format));
}

}  // namespace pm
