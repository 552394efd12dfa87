#include "analysis/primary_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

#include "fakes/test_frames.h"

namespace pm {
namespace {

using Phasor = std::complex<double>;

// A phasor from the meter's clockwise angle, and back.
Phasor clockwise(double magnitude, double degrees) {
    return std::polar(magnitude, -degrees * std::numbers::pi / 180.0);
}
sim::Polar polarOf(Phasor z) {
    return {std::abs(z), -std::arg(z) * 180.0 / std::numbers::pi};
}

// A balanced positive-sequence load of `uPhase` volts and `amperes` at load angle `phi` (lagging
// positive), clamped as the installation is wired: four-wire, channel k on phase k to neutral;
// three-wire, Uab with Ia on channel 1 and Ucb with Ic on channel 3, channel 2 idle.
testing::Frame balancedLoad(WiringSystem system, double uPhase, double amperes, double phi) {
    Phasor u[3], i[3];
    for (int k = 0; k < 3; ++k) {
        u[k] = clockwise(uPhase, 120.0 * k);
        i[k] = clockwise(amperes, 120.0 * k + phi);
    }
    sim::Phasors p;
    if (system == WiringSystem::FourWire) {
        for (int k = 0; k < 3; ++k) {
            p.voltage[k] = polarOf(u[k]);
            p.current[k] = polarOf(i[k]);
        }
    } else {
        p.voltage = {polarOf(u[0] - u[1]), sim::Polar{}, polarOf(u[2] - u[1])};
        p.current = {polarOf(i[0]), sim::Polar{}, polarOf(i[2])};
    }
    return testing::frameOf(sim::phasorReading(p));
}

// Primary values against the physics of the load they were read from: every ratio scales its
// own quantity, each channel's apparent power is its U·I, and the total is three phases' power
// whichever way the installation is metered, for loads lagging, leading and turned round.
TEST(PrimaryValues, ScaleTheReadingAsTheTransformersDo) {
    struct Site {
        const char* ct;
        const char* pt;
        double uPhase;  // secondary phase voltage
        double amperes;
    };
    const Site sites[] = {{"直接接入", "直接接入", 220.0, 5.0},
                          {"200/5", "直接接入", 230.0, 3.2},
                          {"200/5", "10000/100", 57.74, 4.1},
                          {"75/5", "35000/100", 57.74, 1.5},
                          {"1200/1", "110000/100", 63.5, 0.8}};
    for (const Site& site : sites) {
        const SiteRatios ratios = *parseSiteRatios(site.ct, site.pt);
        for (WiringSystem system : {WiringSystem::FourWire, WiringSystem::ThreeWire}) {
            for (double phi : {0.0, 17.0, 30.0, 60.0, -40.0, 150.0}) {
                SCOPED_TRACE(std::string(site.ct) + " " + site.pt +
                             (system == WiringSystem::FourWire ? " four-wire" : " three-wire") +
                             " at " + std::to_string(phi) + "°");
                const ChannelSet secondary =
                    channelValues(balancedLoad(system, site.uPhase, site.amperes, phi));
                const ChannelSet primary = primaryValues(secondary, ratios);
                const double m = ratios.multiplier();
                for (int k = 0; k < 3; ++k) {
                    const auto& s = secondary[static_cast<std::size_t>(k)];
                    const auto& p = primary[static_cast<std::size_t>(k)];
                    ASSERT_TRUE(s && p);
                    EXPECT_DOUBLE_EQ(p->u, s->u * ratios.voltage.factor());
                    EXPECT_DOUBLE_EQ(p->i, s->i * ratios.current.factor());
                    EXPECT_DOUBLE_EQ(p->p, s->p * m);
                    EXPECT_DOUBLE_EQ(p->q, s->q * m);
                    if (channelUsed(system, k)) {
                        EXPECT_NEAR(p->s, p->u * p->i / 1000.0, 1e-3 * p->s);
                        // As the panel shows them: magnitudes.
                        EXPECT_GE(p->p, 0);
                        EXPECT_GE(p->q, 0);
                    }
                }
                const std::optional<PowerTotal> total = powerTotal(primary, system);
                ASSERT_TRUE(total);
                const double power = 3 * site.uPhase * ratios.voltage.factor() * site.amperes *
                                     ratios.current.factor() / 1000.0;
                const double rad = phi * std::numbers::pi / 180.0;
                const double tolerance = 4e-3 * power;
                EXPECT_NEAR(total->p, power * std::cos(rad), tolerance);
                EXPECT_NEAR(total->q, power * std::sin(rad), tolerance);
                EXPECT_NEAR(total->s, power, tolerance);
            }
        }
    }
}

TEST(PrimaryValues, NoTotalWhileAUsedChannelIsMissing) {
    // An unknown voltage range code on channel 2 loses it; three-wire does not use it.
    sim::Reading r = testing::balancedReading();
    r.voltageRange[1] = 9;
    const ChannelSet channels = channelValues(testing::frameOf(r));
    EXPECT_FALSE(channels[1].has_value());
    EXPECT_FALSE(powerTotal(channels, WiringSystem::FourWire).has_value());
    EXPECT_TRUE(powerTotal(channels, WiringSystem::ThreeWire).has_value());
    EXPECT_FALSE(powerTotal(channelValues({}), WiringSystem::ThreeWire).has_value());
}

// 退补电量 over the correction factors a check can give and the multipliers of several sites: the
// metered energy with it makes the true energy (metered × multiplier × K), a meter running fast
// gives a refund, and there is nothing to bill by an infinite or unknown K or without energy.
TEST(PrimaryValues, BackBilledEnergyCountsInTheMultiplier) {
    const std::optional<SiteRatios> sites[] = {
        std::nullopt, parseSiteRatios("直接接入", "直接接入"), parseSiteRatios("200/5", ""),
        parseSiteRatios("200/5", "10000/100")};
    const std::optional<double> factors[] = {0.5, 1.0, 2.532, 3.0, std::nullopt};
    for (const std::optional<SiteRatios>& ratios : sites) {
        const double multiplier = ratios ? ratios->multiplier() : 1.0;
        for (const std::optional<double>& k : factors) {
            for (const std::optional<double>& metered :
                 {std::optional<double>(1000.0), std::optional<double>(),
                  std::optional<double>(INFINITY)}) {
                SCOPED_TRACE("multiplier " + std::to_string(multiplier) + " K " +
                             (k ? std::to_string(*k) : "∞") + " metered " +
                             (metered ? std::to_string(*metered) : "none"));
                WiringOptions options;
                options.meteredEnergy = metered;
                WiringResult result;
                result.answers.push_back(WiringAnswer{});
                result.answers.front().k.value = k;
                const std::optional<double> energy = backBilledEnergy(options, result, ratios);
                ASSERT_EQ(energy.has_value(), k && metered && std::isfinite(*metered));
                if (energy) {
                    EXPECT_NEAR(*metered * multiplier + *energy, *metered * multiplier * *k, 1e-6);
                    EXPECT_EQ(*energy < 0, *k < 1);
                }
                result.answers.clear();  // no conclusion: no K
                EXPECT_FALSE(backBilledEnergy(options, result, ratios).has_value());
            }
        }
    }
}

// Without ratios the figure is the check's own.
TEST(PrimaryValues, WithoutRatiosTheBackBilledEnergyIsTheChecks) {
    sim::Reading r = testing::balancedReading();
    r.angle = {1200, 1200, 1200, 3000, 3000, 1200, 300, 2100, 300};  // I2 reversed: K = 3
    WiringOptions options;
    options.meteredEnergy = 1234.5;
    const WiringResult result = checkWiring(wiringReading(testing::frameOf(r)), options);
    ASSERT_TRUE(result.energyCorrection);
    EXPECT_EQ(backBilledEnergy(options, result, std::nullopt), result.energyCorrection);
    EXPECT_NEAR(*backBilledEnergy(options, result, parseSiteRatios("200/5", "10000/100")),
                4000 * *result.energyCorrection, 1e-6);
}

}  // namespace
}  // namespace pm
