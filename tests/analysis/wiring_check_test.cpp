#include "analysis/wiring_check.h"

#include "analysis/wiring_texts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cctype>
#include <cmath>
#include <complex>
#include <cstdint>
#include <functional>
#include <numbers>
#include <string>
#include <vector>

#include "fakes/test_frames.h"

namespace pm {
namespace {

using testing::frameOf;
using testing::Reading;

// A reading as the meter sends it: magnitudes per channel, angles U-U, I-I and U-I in degrees.
struct Angles {
    std::array<double, 3> uu, ii, ui;
};

Reading readingOf(std::array<double, 3> u, std::array<double, 3> i, const Angles& a) {
    Reading r;
    for (std::size_t k = 0; k < 3; ++k) {
        r.voltage[k] = static_cast<std::uint16_t>(std::lround(u[k] * 100));
        r.voltageRange[k] = 1;
        r.current[k] = static_cast<std::uint16_t>(std::lround(i[k] * 1000));
        r.currentRange[k] = 3;
        r.angle[k] = static_cast<std::uint16_t>(std::lround(std::fmod(a.uu[k] + 360, 360) * 10));
        r.angle[3 + k] =
            static_cast<std::uint16_t>(std::lround(std::fmod(a.ii[k] + 360, 360) * 10));
        r.angle[6 + k] =
            static_cast<std::uint16_t>(std::lround(std::fmod(a.ui[k] + 360, 360) * 10));
    }
    r.frequency = 5000;
    return r;
}

WiringResult check(const Reading& r, const WiringOptions& options = {}) {
    return checkWiring(wiringReading(frameOf(r)), options);
}

TEST(WiringCheck, FieldGuideExamples) {
    struct Case {
        const char* name;
        Angles angles;
        WiringOptions options;
        const char* conclusion;
        const char* k;
        std::array<double, 3> u = {220, 220, 220};
        std::array<double, 3> i = {5, 5, 5};
    };
    WiringOptions exporting;
    exporting.direction = PowerDirection::Export;
    WiringOptions threeWire;
    threeWire.system = WiringSystem::ThreeWire;
    const Case cases[] = {
        {"correct", {{120, 120, 120}, {120, 120, 120}, {20, 20, 20}}, {}, "接线正确", "1.000"},
        {"I1 reversed", {{120, 120, 120}, {300, 120, 300}, {200, 20, 20}}, {}, "I1反接", "3.000"},
        {"I1 and I2 swapped",
         {{120, 120, 120}, {240, 240, 240}, {140, 260, 20}},
         {},
         "I1与U2同相，I2与U1同相",
         "∞"},
        {"currents rotated",
         {{120, 120, 120}, {120, 120, 120}, {140, 140, 140}},
         {},
         "I1与U2同相，I2与U3同相，I3与U1同相",
         "-1.227"},
        {"all reversed, importing",
         {{120, 120, 120}, {120, 120, 120}, {200, 200, 200}},
         {},
         "I1反接，I2反接，I3反接",
         "-1.000"},
        {"all reversed is right when exporting",
         {{120, 120, 120}, {120, 120, 120}, {200, 200, 200}},
         exporting,
         "接线正确",
         "1.000"},
        // Three-wire: U3U1, I3I1, U1I1, U3I3 as channels 1 and 3 measure them.
        {"three-wire correct",
         {{0, 0, 60}, {0, 0, 120}, {50, 0, 350}},
         threeWire,
         "接线正确",
         "1.000",
         {100, 0, 100},
         {5, 0, 5}},
        {"three-wire element 1 reversed",
         {{0, 0, 60}, {0, 0, 300}, {230, 0, 350}},
         threeWire,
         "元件1电流反接",
         "4.759",
         {100, 0, 100},
         {5, 0, 5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const WiringResult result = check(readingOf(c.u, c.i, c.angles), c.options);
        ASSERT_FALSE(result.answers.empty()) << reasonText(result.reason);
        EXPECT_EQ(conclusionOf(result.answers.front()), c.conclusion);
        EXPECT_EQ(correctionFactorText(result.answers.front().k), c.k);
        EXPECT_EQ(result.sequence, PhaseSequence::Positive);
        EXPECT_EQ(result.confidence, Confidence::Unique);

        // Read with the angles the other way round, the same reading means something else.
        Angles mirrored = c.angles;
        for (auto* ring : {&mirrored.uu, &mirrored.ii, &mirrored.ui}) {
            for (double& a : *ring) {
                a = -a;
            }
        }
        const WiringResult other = check(readingOf(c.u, c.i, mirrored), c.options);
        EXPECT_TRUE(other.answers.empty() ||
                    conclusionOf(other.answers.front()) +
                            correctionFactorText(other.answers.front().k) !=
                        std::string(c.conclusion) + c.k);
    }
}

// What the check refuses, what it finds missing, and the voltage faults it recognises.
TEST(WiringCheck, RefusesBadDataAndNamesMissingAndVoltageFaults) {
    const char* const kCorrect = "U=220@0,220@120,220@240 I=5@20,5@140,5@260";
    struct Case {
        const char* name;
        const char* phasors;
        std::function<void(Reading&)> change;
        WiringOptions options;
        const char* reasonOrConclusion;  // 原因 when unrecognised, else 结论
        bool balancedK = false;
        const char* warning = "";
    };
    WiringOptions pt;
    pt.viaVoltageTransformers = true;
    WiringOptions narrow;
    narrow.loadTo = 10;
    const Case cases[] = {
        {"unknown range code", kCorrect, [](Reading& r) { r.voltageRange[1] = 0; }, {}, "数据无效"},
        {"angle above a full turn",
         kCorrect,
         [](Reading& r) { r.angle[4] = 3601; },
         {},
         "数据无效"},
        {"frequency too low", kCorrect, [](Reading& r) { r.frequency = 4490; }, {}, "数据无效"},
        {"angles that contradict",
         kCorrect,
         [](Reading& r) { r.angle[0] = 1300; },
         {},
         "角度不自洽"},
        {"two terminals on one phase",
         "U=220@0,220@2,220@240 I=5@20,5@22,5@260",
         {},
         {},
         "U1与U2同相"},
        {"a stored record without its voltage angles",
         kCorrect,
         [](Reading& r) {
             r.mode = 2;
             r.angle[0] = r.angle[1] = r.angle[2] = 0;
         },
         {},
         "接线正确"},
        {"a blown fuse", "U=220@0,40@120,220@240 I=5@20,5@140,5@260", {}, {}, "U2失压", true},
        {"an open current transformer",
         "U=220@0,220@120,220@240 I=5@20,5@140,0.01@260",
         {},
         {},
         "I3无电流",
         true},
        {"a light phase",
         "U=220@0,220@120,220@240 I=5@20,5@140,0.3@260",
         {},
         {},
         "接线正确",
         false,
         "I3电流小于最大电流的10%"},
        {"terminal 1 on the neutral",
         "U=220@180,381.05@150,381.05@210 I=5@20,5@140,5@260",
         {},
         {},
         "U1端子与零线互换"},
        {"a reversed voltage transformer",
         "U=220@0,220@300,220@240 I=5@20,5@140,5@260",
         {},
         pt,
         "U2极性反(PT)"},
        {"no explanation fits a narrow range",
         "U=220@0,220@120,220@240 I=5@40,5@160,5@280",
         {},
         narrow,
         "无符合的接线方式"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Reading r = sim::phasorReading(*sim::parsePhasors(c.phasors));
        if (c.change) {
            c.change(r);
        }
        const WiringResult result = check(r, c.options);
        const std::string found = result.answers.empty() ? reasonText(result.reason)
                                                         : conclusionOf(result.answers.front());
        EXPECT_EQ(found, c.reasonOrConclusion);
        EXPECT_EQ(result.confidence == Confidence::Unrecognised, result.answers.empty());
        EXPECT_EQ(result.balancedK.has_value(), c.balancedK);
        EXPECT_EQ(result.warnings.empty() ? "" : warningText(result.warnings.front()),
                  std::string(c.warning));
    }
}

// ---------------------------------------------------------------------------------------------
// Round trip: an installation wired every way the field sees, turned into the frame the meter
// would send, must be recognised with its own correction factor.

using Phasor = std::complex<double>;

Phasor lagging(double magnitude, double degrees) {
    return std::polar(magnitude, -degrees * std::numbers::pi / 180);
}

double lagOf(Phasor z) {
    const double d = -std::arg(z) * 180 / std::numbers::pi;
    return d < 0 ? d + 360 : d;
}

struct Wiring {
    std::array<Phasor, 3> v, i;  // what channels 1..3 measure
    std::string conclusion;
    double trueP = 0;
    bool fuse = false;  // a channel's voltage pulled down as a blown fuse leaves it
    // Four-wire names phases by terminal: the supply phase each letter of a name stands for.
    std::array<int, 3> phaseOfLetter{0, 1, 2};
};

// The frame the simulated meter sends when clamped onto the wiring's phasors, its angles each
// moved by up to `noise` degrees as a real meter's are.
Reading readingOf(const Wiring& w, double noise, std::uint64_t seed) {
    sim::Phasors phasors;
    for (std::size_t k = 0; k < 3; ++k) {
        phasors.voltage[k] = {std::abs(w.v[k]), lagOf(w.v[k])};
        phasors.current[k] = {std::abs(w.i[k]), lagOf(w.i[k])};
    }
    return sim::phasorReading(sim::withAngleNoise(phasors, noise, seed, 0));
}

double meteredPower(const Wiring& w) {
    double p = 0;
    for (std::size_t k = 0; k < 3; ++k) {
        p += (w.v[k] * std::conj(w.i[k])).real();
    }
    return p;
}

std::string joined(const std::vector<std::string>& faults) {
    std::string text;
    for (const std::string& f : faults) {
        text += (text.empty() ? "" : "，") + f;
    }
    return text.empty() ? "接线正确" : text;
}

const char kLetters[] = "abc";

// Every wiring of a system from an independent phasor model of the installation: a supply
// unbalanced by a few percent, load angle `load[p]` on phase p. Four-wire: phase sigma[t] on
// terminal t, or a voltage fault (a reversed PT on one channel, or one terminal on the neutral
// with the neutral lead on its phase), and phase pi[k] with a polarity on current channel k.
// Three-wire: two PTs in V/V, each upright or reversed, their secondary wires a', b', c' on the
// terminals in every order, Ia and Ic on the elements in either order and polarity; plus the
// readings of a blown PT fuse on either channel.
std::vector<Wiring> everyWiring(WiringSystem system, bool pt, std::array<double, 3> load, int b) {
    std::array<Phasor, 3> e, j;
    const std::array<double, 3> uShare{1.0, 0.97, 1.03}, iShare{1.0, 0.92, 1.06};
    const double phaseVolts = system == WiringSystem::FourWire ? 220 : 100 / std::sqrt(3.0);
    for (int p = 0; p < 3; ++p) {
        e[p] = lagging(phaseVolts * uShare[p], 120.0 * p);
        j[p] = lagging(5 * iShare[p], 120.0 * p + load[p]);
    }
    std::vector<Wiring> all;
    std::array<int, 3> order{0, 1, 2};
    if (system == WiringSystem::FourWire) {
        // Voltage fault 0: none; 1..3: PT of channel f-1 reversed (or neutral on terminal f-1).
        do {
            for (int fault = 0; fault < 4; ++fault) {
                if (fault > 0 && order != std::array<int, 3>{0, 1, 2}) {
                    continue;
                }
                std::array<int, 3> pi{0, 1, 2};
                do {
                    for (int signs = 0; signs < 8; ++signs) {
                        Wiring w;
                        std::vector<std::string> faults;
                        const int at = fault - 1;
                        if (fault > 0) {
                            faults.push_back("U" + std::to_string(fault) +
                                             (pt ? "极性反(PT)" : "端子与零线互换"));
                        }
                        for (int k = 0; k < 3; ++k) {
                            w.v[k] = e[order[k]];
                            if (at >= 0 && pt && k == at) {
                                w.v[k] = -e[k];
                            } else if (at >= 0 && !pt) {
                                w.v[k] = k == at ? -e[at] : e[k] - e[at];
                            }
                        }
                        for (int k = 0; k < 3; ++k) {
                            const int sign = signs >> k & 1 ? -1 : 1;
                            w.i[k] = j[pi[k]] * static_cast<double>(sign);
                            const int terminal = static_cast<int>(
                                std::find(order.begin(), order.end(), pi[k]) - order.begin());
                            if (terminal != k) {
                                faults.push_back("I" + std::to_string(k + 1) + "与U" +
                                                 std::to_string(terminal + 1) + "同相");
                            }
                            if (sign < 0) {
                                faults.push_back("I" + std::to_string(k + 1) + "反接");
                            }
                        }
                        w.conclusion = joined(faults);
                        w.phaseOfLetter = order;
                        for (int p = 0; p < 3; ++p) {
                            w.trueP += (e[p] * std::conj(j[p])).real();
                        }
                        all.push_back(w);
                    }
                } while (std::next_permutation(pi.begin(), pi.end()));
            }
        } while (std::next_permutation(order.begin(), order.end()));
        return all;
    }
    const Phasor uab = e[0] - e[1], ucb = e[2] - e[1];
    do {
        if (b > 0 && order[b - 1] != 1) {
            continue;
        }
        // Transformer state 0: upright; 1: a-b reversed; 2: c-b reversed.
        for (int state = 0; state < 3; ++state) {
            const std::array<Phasor, 3> potential{state == 1 ? -uab : uab, 0,
                                                  state == 2 ? -ucb : ucb};
            for (int placement = 0; placement < 2 * 4 + 2; ++placement) {
                Wiring w;
                std::vector<std::string> faults;
                if (order != std::array<int, 3>{0, 1, 2}) {
                    faults.push_back(std::string("电压端子") + kLetters[order[0]] + "-" +
                                     kLetters[order[1]] + "-" + kLetters[order[2]]);
                }
                if (state > 0) {
                    faults.push_back(state == 1 ? "Uab极性反(PT)" : "Ucb极性反(PT)");
                }
                w.v[0] = potential[order[0]] - potential[order[1]];
                w.v[2] = potential[order[2]] - potential[order[1]];
                w.i[0] = j[0];
                w.i[2] = j[2];
                if (placement >= 8) {
                    // The fuse of one channel: its voltage pulled down to 40 to 70 V.
                    w.fuse = true;
                    w.v[placement == 8 ? 0 : 2] *=
                        (placement == 8 ? 0.4 : 0.7) * 100 / std::abs(w.v[placement == 8 ? 0 : 2]);
                    faults.push_back(placement == 8 ? "U12失压" : "U32失压");
                } else {
                    const bool swapped = placement & 4;
                    const double s1 = placement & 1 ? -1 : 1;
                    const double s3 = placement & 2 ? -1 : 1;
                    if (swapped) {
                        faults.push_back("元件1与元件2电流互换");
                    }
                    if (s1 < 0) {
                        faults.push_back("元件1电流反接");
                    }
                    if (s3 < 0) {
                        faults.push_back("元件2电流反接");
                    }
                    w.i[0] = s1 * (swapped ? j[2] : j[0]);
                    w.i[2] = s3 * (swapped ? j[0] : j[2]);
                }
                w.conclusion = joined(faults);
                w.trueP = (uab * std::conj(j[0]) + ucb * std::conj(j[2])).real();
                all.push_back(w);
            }
        }
    } while (std::next_permutation(order.begin(), order.end()));
    return all;
}

bool names(const WiringAnswer& answer, const std::string& conclusion) {
    return conclusionOf(answer) == conclusion ||
           std::any_of(answer.equivalents.begin(), answer.equivalents.end(),
                       [&](const WiringFaults& e) { return conclusionText(e) == conclusion; });
}

// The phasor an element expression names ("(Ucb+Uab)", "Uca", "(-Ic)") on a unit star with Ua
// at 0 degrees, as the generator's supply is.
Phasor named(std::string name, const std::array<int, 3>& phaseOf) {
    std::erase_if(name, [](char c) { return c == '(' || c == ')'; });
    Phasor sum{};
    for (std::size_t at = 0; at < name.size();) {
        const double sign = name[at] == '-' ? -1 : 1;
        at += name[at] == '-' || name[at] == '+' ? 2 : 1;  // past the sign and the U or I
        Phasor term = lagging(1, 120.0 * phaseOf[name[at] - 'a']);
        if (at + 1 < name.size() && std::islower(static_cast<unsigned char>(name[at + 1]))) {
            term -= lagging(1, 120.0 * phaseOf[name[++at] - 'a']);
        }
        sum += sign * term;
        ++at;
    }
    return sum;
}

// Every element's named voltage is what the generator put on its channel, within the supply's
// unbalance, and its named current is the one the load angle puts behind it.
void expectElementsAgree(const WiringAnswer& answer, const Wiring& w, double phaseVolts) {
    const bool threeWire = answer.elementVoltages.size() == 2;
    for (std::size_t e = 0; e < answer.elementVoltages.size(); ++e) {
        const std::size_t k = threeWire ? 2 * e : e;
        const Phasor v = w.v[k] / (named(answer.elementVoltages[e], w.phaseOfLetter) * phaseVolts);
        EXPECT_NEAR(std::abs(v), 1, 0.08) << "元件" << e + 1 << " " << answer.elementVoltages[e];
        EXPECT_LT(std::abs(std::arg(v)), 0.05)
            << "元件" << e + 1 << " " << answer.elementVoltages[e];
        const double behind = -std::arg(w.i[k] / named(answer.elementCurrents[e], w.phaseOfLetter));
        EXPECT_TRUE(behind > 0.1 && behind < 1.0)
            << "元件" << e + 1 << " " << answer.elementCurrents[e];
    }
}

void expectFactor(const WiringAnswer& answer, const Wiring& w) {
    const double metered = meteredPower(w);
    if (std::fabs(metered) <= 0.05 * std::fabs(w.trueP)) {
        EXPECT_TRUE(answer.k.infinite());
    } else {
        ASSERT_FALSE(answer.k.infinite());
        const double k = w.trueP / metered;
        EXPECT_NEAR(*answer.k.value, k, 0.005 * std::fabs(k));
    }
}

TEST(WiringCheck, RecognisesEveryWiringWithItsCorrectionFactor) {
    struct Case {
        const char* name;
        WiringSystem system;
        bool pt;
        int bTerminal;
        double noise;
    };
    const Case cases[] = {
        {"four-wire, neutral swaps", WiringSystem::FourWire, false, 0, 0},
        {"four-wire through PTs", WiringSystem::FourWire, true, 0, 0},
        {"three-wire, b unknown", WiringSystem::ThreeWire, false, 0, 0},
        {"three-wire, b on 1", WiringSystem::ThreeWire, false, 1, 0},
        {"three-wire, b on 2", WiringSystem::ThreeWire, false, 2, 0},
        {"three-wire, b on 3", WiringSystem::ThreeWire, false, 3, 0},
        {"four-wire, noisy angles", WiringSystem::FourWire, false, 0, 0.5},
        {"four-wire through PTs, noisy angles", WiringSystem::FourWire, true, 0, 0.5},
        {"three-wire, b unknown, noisy angles", WiringSystem::ThreeWire, false, 0, 0.5},
        {"three-wire, b on 2, noisy angles", WiringSystem::ThreeWire, false, 2, 0.5},
    };
    // Per-phase load angles, a to c, at most 30 degrees apart where three-wire reads them, and
    // more than the margin of 8 degrees inside the range 0 to 60: a current closer to its edge
    // is also another phase's reversed current just across it.
    const std::array<double, 3> loads[] = {{20, 35, 28}, {45, 30, 38}, {12, 25, 18},
                                           {50, 42, 36}, {30, 10, 15}, {38, 20, 48}};
    for (const Case& c : cases) {
        WiringOptions options;
        options.system = c.system;
        options.viaVoltageTransformers = c.pt;
        options.bTerminal = c.bTerminal;
        std::uint64_t seed = 0;
        for (const auto& load : loads) {
            for (const Wiring& w : everyWiring(c.system, c.pt, load, c.bTerminal)) {
                SCOPED_TRACE(::testing::Message() << c.name << " at " << load[0] << "/" << load[1]
                                                  << "/" << load[2] << ": " << w.conclusion);
                const WiringResult result = check(readingOf(w, c.noise, ++seed), options);
                ASSERT_FALSE(result.answers.empty()) << reasonText(result.reason);
                const WiringAnswer& first = result.answers.front();
                if (w.fuse) {
                    // What is left says less: the loss is named, the rest may be many.
                    const std::string lost = w.conclusion.substr(w.conclusion.rfind('U'));
                    EXPECT_NE(conclusionOf(first).find(lost), std::string::npos)
                        << conclusionOf(first);
                    continue;
                }
                EXPECT_TRUE(names(first, w.conclusion)) << "first answer: " << conclusionOf(first);
                if (c.noise == 0) {
                    expectFactor(first, w);
                }
                if (conclusionOf(first) == w.conclusion) {
                    expectElementsAgree(
                        first, w, c.system == WiringSystem::FourWire ? 220 : 100 / std::sqrt(3.0));
                }
            }
        }
    }
}

}  // namespace
}  // namespace pm
