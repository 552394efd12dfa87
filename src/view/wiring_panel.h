#pragma once

// The wiring page as plain values: the options as the user set them, turned into the options of
// the check, and what the page shows of the check's result.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/wiring_check.h"
#include "core/number_format.h"

namespace pm {

// The options as the page's controls hold them: the chosen entry of each group, counted from 0
// in the page's order, and the texts as typed.
struct WiringChoices {
    int system = 0;     // 三相四线, 三相三线
    int loadRange = 0;  // 感性0~60°, 感性0~30°, 容性-60~0°, from/to the two texts
    std::string loadFrom = {};
    std::string loadTo = {};
    int direction = 0;  // 受电, 送电
    bool viaVoltageTransformers = false;
    int bTerminal = 0;  // 未知, 1, 2, 3
    std::string averagePowerFactor = {};
    std::string meteredEnergy = {};  // kWh
};

// The number a typed text holds, in the user's number format; nothing for a text that is blank or
// does not start with a number.
std::optional<double> enteredNumber(std::string_view text, const NumberFormat& format);

// The check's options. A from/to range takes the typed bounds in either order; while either bound
// is missing it stays the inductive 0~60°. A power factor not above 0 or above 1 counts as none.
// The PT option counts for four-wire only and the b terminal for three-wire only.
WiringOptions wiringOptionsOf(const WiringChoices& choices, const NumberFormat& format);

// What the result labels of the page show.
struct WiringPanelTexts {
    std::string sequence;
    std::string confidence;
    std::string conclusion;
    std::string k;
    std::string kMeaning;
    std::array<std::string, 3> alternatives;  // "conclusion  K=..." of the next answers
    std::string notes;                        // one line each, "\n" between them
};

// K in the user's number format with three decimals, or "∞".
std::string correctionFactorShown(const CorrectionFactor& k, const NumberFormat& format);

WiringPanelTexts wiringPanelTexts(const WiringResult& result, const NumberFormat& format);

}  // namespace pm
