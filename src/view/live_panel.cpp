#include "view/live_panel.h"

#include <exception>
#include <optional>
#include <string>
#include <utility>

#include "protocol/measurement_frame.h"

namespace pm {
namespace {

void show(Label* label, std::optional<std::string> text) {
    if (label != nullptr && text) {
        label->setCaption(std::move(*text));
    }
}

std::string_view captionOf(const Label* label) {
    return label != nullptr ? std::string_view(label->caption()) : std::string_view();
}

}  // namespace

void updateRealTimePanel(WindowModel& window, std::span<const std::uint8_t> frame,
                         const NumberFormat& format, const std::function<void()>& redrawDiagram) {
    for (int k = 0; k < 3; ++k) {
        show(window.u[k], voltageText(frame, k, format));
    }
    for (int k = 0; k < 3; ++k) {
        show(window.i[k], currentText(frame, k, format));
    }
    for (int k = 0; k < kAngleCount; ++k) {
        show(window.phase[k], angleText(frame, k, format));
    }

    // A diagram that fails to draw must not keep the frequency and the powers from refreshing.
    if (redrawDiagram) {
        try {
            redrawDiagram();
        } catch (const std::exception&) {
        }
    }

    show(window.freq, frequencyText(frame, format));

    // Channel by channel from the captions: a channel whose range code was unknown keeps its
    // older voltage or current text, and its powers follow that text.
    for (int k = 0; k < 3; ++k) {
        ChannelPowerTexts powers = channelPowers(captionOf(window.u[k]), captionOf(window.i[k]),
                                                 captionOf(window.phase[6 + k]), format);
        show(window.s[k], std::move(powers.s));
        show(window.pf[k], std::move(powers.pf));
        show(window.p[k], std::move(powers.p));
        show(window.q[k], std::move(powers.q));
    }

    show(window.isum,
         neutralCurrentText(captionOf(window.i[0]), captionOf(window.i[1]), captionOf(window.i[2]),
                            captionOf(window.phase[3]), captionOf(window.phase[5]), format));
}

}  // namespace pm
