#pragma once

// The wiring page as plain values: the options as the user set them, turned into the options of
// the check, and what the page shows of the check's result.

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "analysis/primary_values.h"
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

// The page's texts; the note of the energy to refund or charge gives `backBilledEnergy` (kWh),
// which counts in the site's multiplier.
WiringPanelTexts wiringPanelTexts(const WiringResult& result, const NumberFormat& format,
                                  const std::optional<double>& backBilledEnergy);

// The quantities of a primary value, in the order the table and the text give them, with the
// units of the panel's readings.
struct PrimaryQuantity {
    const char* name;
    const char* unit;
};
inline constexpr std::array<PrimaryQuantity, 5> kPrimaryQuantities{
    {{"U", "V"}, {"I", "A"}, {"P", "kW"}, {"Q", "kvar"}, {"S", "kVA"}}};

// A primary value in the user's number format with four significant digits, the precision of
// the secondary reading it was scaled from, and at most the panel's four decimals.
std::string primaryValueText(double value, const NumberFormat& format);

// The meter's multiplier in the user's number format: whole as it mostly is, else to three
// decimals.
std::string multiplierText(double multiplier, const NumberFormat& format);

// One channel's primary values in the order of kPrimaryQuantities.
std::array<double, 5> primaryQuantities(const ChannelValues& channel);

// The table of primary values: one caption per quantity, its heading ("P/kW") and then a line
// each for channels 1 to 3 and the total. A channel the installation does not use, and the total
// of U and I, are left blank; a channel or total the reading cannot give shows as "----".
std::array<std::string, 5> primaryColumnTexts(const ChannelSet& primary, WiringSystem system,
                                              const NumberFormat& format);

}  // namespace pm
