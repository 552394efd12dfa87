#include "analysis/wiring_check.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
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
        ASSERT_FALSE(result.answers.empty()) << result.reason;
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
        const std::string found =
            result.answers.empty() ? result.reason : conclusionOf(result.answers.front());
        EXPECT_EQ(found, c.reasonOrConclusion);
        EXPECT_EQ(result.confidence == Confidence::Unrecognised, result.answers.empty());
        EXPECT_EQ(result.balancedK.has_value(), c.balancedK);
        EXPECT_EQ(result.warnings.empty() ? "" : result.warnings.front(), std::string(c.warning));
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
};

// The frame the simulated meter sends when clamped onto the wiring's phasors.
Reading readingOf(const Wiring& w) {
    sim::Phasors phasors;
    for (std::size_t k = 0; k < 3; ++k) {
        phasors.voltage[k] = {std::abs(w.v[k]), lagOf(w.v[k])};
        phasors.current[k] = {std::abs(w.i[k]), lagOf(w.i[k])};
    }
    return sim::phasorReading(phasors);
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

// Four-wire: phase sigma[t] on terminal t, phase pi[k] with sign on channel k.
std::vector<Wiring> fourWireWirings(double load) {
    std::vector<Wiring> all;
    std::array<int, 3> sigma{0, 1, 2};
    do {
        std::array<int, 3> pi{0, 1, 2};
        do {
            for (int signs = 0; signs < 8; ++signs) {
                Wiring w;
                std::vector<std::string> faults;
                for (int k = 0; k < 3; ++k) {
                    const int sign = signs >> k & 1 ? -1 : 1;
                    w.v[k] = lagging(220, 120.0 * sigma[k]);
                    w.i[k] = lagging(5, 120.0 * pi[k] + load) * static_cast<double>(sign);
                    const int terminal = static_cast<int>(
                        std::find(sigma.begin(), sigma.end(), pi[k]) - sigma.begin());
                    if (terminal != k) {
                        faults.push_back("I" + std::to_string(k + 1) + "与U" +
                                         std::to_string(terminal + 1) + "同相");
                    }
                    if (sign < 0) {
                        faults.push_back("I" + std::to_string(k + 1) + "反接");
                    }
                }
                w.conclusion = joined(faults);
                w.trueP = 3 * 220 * 5 * std::cos(load * std::numbers::pi / 180);
                all.push_back(w);
            }
        } while (std::next_permutation(pi.begin(), pi.end()));
    } while (std::next_permutation(sigma.begin(), sigma.end()));
    return all;
}

// Three-wire: phase tau[t] on terminal t (b on terminal `b`), Ia and Ic on the elements in
// either order and polarity.
std::vector<Wiring> threeWireWirings(double load, int b) {
    std::vector<Wiring> all;
    std::array<Phasor, 3> e, j;
    for (int p = 0; p < 3; ++p) {
        e[p] = lagging(100 / std::sqrt(3.0), 120.0 * p);
        j[p] = lagging(5, 120.0 * p + load);
    }
    std::array<int, 3> tau{0, 1, 2};
    do {
        if (tau[b - 1] != 1) {
            continue;
        }
        for (int swapped = 0; swapped < 2; ++swapped) {
            for (int signs = 0; signs < 4; ++signs) {
                Wiring w;
                std::vector<std::string> faults;
                if (tau != std::array<int, 3>{0, 1, 2}) {
                    faults.push_back(std::string("电压端子") + kLetters[tau[0]] + "-" +
                                     kLetters[tau[1]] + "-" + kLetters[tau[2]]);
                }
                if (swapped) {
                    faults.push_back("元件1与元件2电流互换");
                }
                const double s1 = signs & 1 ? -1 : 1;
                const double s3 = signs & 2 ? -1 : 1;
                if (s1 < 0) {
                    faults.push_back("元件1电流反接");
                }
                if (s3 < 0) {
                    faults.push_back("元件2电流反接");
                }
                w.v[0] = e[tau[0]] - e[tau[1]];
                w.v[2] = e[tau[2]] - e[tau[1]];
                w.i[0] = s1 * (swapped ? j[2] : j[0]);
                w.i[2] = s3 * (swapped ? j[0] : j[2]);
                w.conclusion = joined(faults);
                w.trueP =
                    ((e[0] - e[1]) * std::conj(j[0]) + (e[2] - e[1]) * std::conj(j[2])).real();
                all.push_back(w);
            }
        }
    } while (std::next_permutation(tau.begin(), tau.end()));
    return all;
}

bool names(const WiringAnswer& answer, const std::string& conclusion) {
    return conclusionOf(answer) == conclusion ||
           std::find(answer.equivalents.begin(), answer.equivalents.end(), conclusion) !=
               answer.equivalents.end();
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
        WiringOptions options;
        std::function<std::vector<Wiring>(double)> wirings;
    };
    std::vector<Case> cases = {{"four-wire", {}, fourWireWirings}};
    for (int b = 1; b <= 3; ++b) {
        WiringOptions options;
        options.system = WiringSystem::ThreeWire;
        options.bTerminal = b;
        cases.push_back(
            {"three-wire", options, [b](double load) { return threeWireWirings(load, b); }});
    }
    for (const Case& c : cases) {
        for (double load = 10; load <= 50; load += 5) {
            for (const Wiring& w : c.wirings(load)) {
                SCOPED_TRACE(::testing::Message()
                             << c.name << " b " << c.options.bTerminal << " at " << load
                             << " degrees: " << w.conclusion);
                const WiringResult result = check(readingOf(w), c.options);
                ASSERT_FALSE(result.answers.empty()) << result.reason;
                EXPECT_TRUE(names(result.answers.front(), w.conclusion))
                    << "first answer: " << conclusionOf(result.answers.front());
                expectFactor(result.answers.front(), w);
            }
        }
        // At light angles more explanations fit; the true one stays among them, and a lone
        // answer is never a wrong one.
        for (double load = 0; load < 10; load += 2.5) {
            for (const Wiring& w : c.wirings(load)) {
                SCOPED_TRACE(::testing::Message()
                             << c.name << " b " << c.options.bTerminal << " at " << load
                             << " degrees: " << w.conclusion);
                const WiringResult result = check(readingOf(w), c.options);
                EXPECT_TRUE(
                    std::any_of(result.answers.begin(), result.answers.end(),
                                [&](const WiringAnswer& a) { return names(a, w.conclusion); }));
                if (result.confidence == Confidence::Unique) {
                    EXPECT_TRUE(names(result.answers.front(), w.conclusion));
                }
            }
        }
    }
}

}  // namespace
}  // namespace pm
