#pragma once

// Every text of the wiring check, made from its values: the faults, the conclusion, the reason a
// reading has no answer, the warnings, K and what it means, and the names of what each element
// sees. The report lines and the tab both write with these; nothing in the check reads them back.

#include <string>
#include <vector>

#include "analysis/wiring_check.h"

namespace pm {

// Fault-free conclusion text, and the joiner of several faults.
constexpr const char* kWiredCorrectly = "接线正确";
constexpr const char* kFaultSeparator = "，";

std::string faultText(const WiringFault& fault);
// "接线正确" or the faults joined.
std::string conclusionText(const WiringFaults& faults);
std::string conclusionOf(const WiringAnswer& answer);
// The conclusion of a whole check: its first answer's; without an answer, what is missing, or
// 无法判断 when nothing is.
std::string conclusionOf(const WiringResult& result);
// The missing quantities joined, or "" when nothing is missing.
std::string missingText(const WiringFaults& missing);
std::string reasonText(const WiringReason& reason);
std::string warningText(const WiringWarning& warning);
// "3.000", "-1.227" or "∞".
std::string correctionFactorText(const CorrectionFactor& k);
// 正确, 少计, 多计, 反转 or 表计基本不走.
std::string correctionFactorMeaning(const CorrectionFactor& k);
std::string sequenceText(PhaseSequence sequence);
std::string confidenceText(Confidence confidence);

// Names of what a channel carries. A voltage term is sign * (E[plus] - E[minus]), minus -1 for a
// phase voltage: "Ua", "-Ub", "Uca".
struct VoltageTerm {
    int plus = -1;
    int minus = -1;
    int sign = 1;
};
// The terms joined: "Ucb+Uab", "-Uab".
std::string voltageName(const std::vector<VoltageTerm>& terms);
// "Ia", "-Ic".
std::string currentName(int phase, int sign);
// A negative or compound name in parentheses, so that "·" binds to the whole of it.
std::string elementName(const std::string& name);

}  // namespace pm
