#include "analysis/wiring_texts.h"

#include <cmath>
#include <cstdio>

namespace pm {
namespace {

const char kPhaseLetters[3] = {'a', 'b', 'c'};

std::string channelName(char quantity, int channel) {
    return std::string(1, quantity) + std::to_string(channel + 1);
}

// Three-wire voltage channels by the terminals they measure between.
std::string lineChannelName(int channel) {
    return channel == 0 ? "U12" : "U32";
}

std::string joined(const WiringFaults& faults) {
    std::string text;
    for (const WiringFault& fault : faults) {
        if (!text.empty()) {
            text += kFaultSeparator;
        }
        text += faultText(fault);
    }
    return text;
}

}  // namespace

std::string faultText(const WiringFault& f) {
    switch (f.kind) {
        case FaultKind::VoltageLost:
            return channelName('U', f.channel) + "失压";
        case FaultKind::LineVoltageLost:
            return lineChannelName(f.channel) + "失压";
        case FaultKind::CurrentAbsent:
            return channelName('I', f.channel) + "无电流";
        case FaultKind::NeutralOnTerminal:
            return channelName('U', f.channel) + "端子与零线互换";
        case FaultKind::ChannelPtReversed:
            return channelName('U', f.channel) + "极性反(PT)";
        case FaultKind::TransformerReversed:
            return std::string("U") + kPhaseLetters[f.phase] + "b极性反(PT)";
        case FaultKind::TerminalOrder: {
            std::string text = "电压端子";
            for (int t = 0; t < 3; ++t) {
                text += (t ? "-" : "");
                text += kPhaseLetters[f.order[static_cast<std::size_t>(t)]];
            }
            return text;
        }
        case FaultKind::CurrentOnPhase:
            return channelName('I', f.channel) + "与" + channelName('U', f.phase) + "同相";
        case FaultKind::CurrentReversed:
            return channelName('I', f.channel) + "反接";
        case FaultKind::ElementCurrentsSwapped:
            return "元件1与元件2电流互换";
        case FaultKind::ElementCurrentReversed:
            return std::string("元件") + (f.channel == 0 ? "1" : "2") + "电流反接";
    }
    return {};
}

std::string conclusionText(const WiringFaults& faults) {
    return faults.empty() ? std::string(kWiredCorrectly) : joined(faults);
}

std::string conclusionOf(const WiringAnswer& answer) {
    return conclusionText(answer.faults);
}

std::string conclusionOf(const WiringResult& result) {
    if (!result.answers.empty()) {
        return conclusionOf(result.answers.front());
    }
    return result.missing.empty() ? std::string("无法判断") : missingText(result.missing);
}

std::string missingText(const WiringFaults& missing) {
    return joined(missing);
}

std::string reasonText(const WiringReason& reason) {
    switch (reason.kind) {
        case ReasonKind::None:
            return {};
        case ReasonKind::BadData:
            return "数据无效";
        case ReasonKind::AllVoltagesLost:
            return "电压全部失压";
        case ReasonKind::TooFewAngles:
            return "角度不足";
        case ReasonKind::AnglesContradict:
            return "角度不自洽";
        case ReasonKind::VoltagesInPhase: {
            const auto name = [&reason](int channel) {
                return reason.lineVoltages ? lineChannelName(channel) : channelName('U', channel);
            };
            return name(reason.channels[0]) + "与" + name(reason.channels[1]) + "同相";
        }
        case ReasonKind::NoWiringFits:
            return "无符合的接线方式";
    }
    return {};
}

std::string warningText(const WiringWarning& warning) {
    switch (warning.kind) {
        case WarningKind::SmallCurrent:
            return channelName('I', warning.channel) + "电流小于最大电流的10%";
        case WarningKind::NoEnergyAtInfiniteK:
            return "更正系数为∞，无法计算退补电量";
    }
    return {};
}

std::string voltageName(const std::vector<VoltageTerm>& terms) {
    std::string name;
    for (const VoltageTerm& t : terms) {
        if (t.sign < 0) {
            name += "-";
        } else if (!name.empty()) {
            name += "+";
        }
        name += "U";
        name += kPhaseLetters[t.plus];
        if (t.minus >= 0) {
            name += kPhaseLetters[t.minus];
        }
    }
    return name;
}

std::string currentName(int phase, int sign) {
    return std::string(sign < 0 ? "-" : "") + "I" + kPhaseLetters[phase];
}

std::string elementName(const std::string& name) {
    return name.find_first_of("-+") != std::string::npos ? "(" + name + ")" : name;
}

std::string correctionFactorText(const CorrectionFactor& k) {
    if (k.infinite()) {
        return "∞";
    }
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", *k.value);
    return std::string(text) == "-0.000" ? "0.000" : text;
}

std::string correctionFactorMeaning(const CorrectionFactor& k) {
    if (k.infinite()) {
        return "表计基本不走";
    }
    const double value = *k.value;
    if (std::fabs(value - 1.0) < 0.0005) {
        return "正确";
    }
    if (value > 1.0) {
        return "少计";
    }
    return value >= 0.0 ? "多计" : "反转";
}

std::string sequenceText(PhaseSequence sequence) {
    switch (sequence) {
        case PhaseSequence::Positive:
            return "正相序";
        case PhaseSequence::Negative:
            return "逆相序";
        case PhaseSequence::Unknown:
            break;
    }
    return "不定";
}

std::string confidenceText(Confidence confidence) {
    switch (confidence) {
        case Confidence::Unique:
            return "唯一";
        case Confidence::ManySameK:
            return "多解(K相同)";
        case Confidence::ManyDifferentK:
            return "多解(K不同)";
        case Confidence::Unrecognised:
            break;
    }
    return "无法识别";
}

}  // namespace pm
