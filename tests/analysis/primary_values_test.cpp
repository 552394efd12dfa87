#include "analysis/primary_values.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

#include "fakes/test_frames.h"

namespace pm {
namespace {

// A balanced positive-sequence load of `uPhase` volts and `amperes` at load angle `phi` (lagging
// positive), clamped as the installation is wired: four-wire, channel k on phase k to neutral;
// three-wire, Uab with Ia on channel 1 and Ucb with Ic on channel 3, channel 2 idle. Phasors turn
// clockwise, as the meter's angles do.
testing::Frame balancedLoad(WiringSystem system, double uPhase, double amperes, double phi) {
    constexpr double kDegree = std::numbers::pi / 180.0;
    auto polar = [](std::complex<double> z) {
        return sim::Polar{std::abs(z), -std::arg(z) / kDegree};
    };
    std::complex<double> u[3], i[3];
    sim::Phasors p;
    for (int k = 0; k < 3; ++k) {
        u[k] = std::polar(uPhase, -120.0 * k * kDegree);
        i[k] = std::polar(amperes, -(120.0 * k + phi) * kDegree);
        p.voltage[k] = polar(u[k]);
        p.current[k] = polar(i[k]);
    }
    if (system == WiringSystem::ThreeWire) {
        p.voltage = {polar(u[0] - u[1]), sim::Polar{}, polar(u[2] - u[1])};
        p.current[1] = sim::Polar{};
    }
    return testing::frameOf(sim::phasorReading(p));
}

// Primary values against the physics of the load they were read from: every ratio scales its
// own quantity, each channel's apparent power is its U·I, and the total is three phases' power
// whichever way the installation is metered, for loads lagging, leading and turned round.
TEST(PrimaryValues, ScaleTheReadingAsTheTransformersDo) {
    struct Site {
        const char *ct, *pt;
        double uPhase, amperes;  // secondary
    } const sites[] = {{"直接接入", "直接接入", 220.0, 5.0},
                       {"200/5", "直接接入", 230.0, 3.2},
                       {"200/5", "10000/100", 57.74, 4.1},
                       {"75/5", "35000/100", 57.74, 1.5},
                       {"1200/1", "110000/100", 63.5, 0.8}};
    for (const Site& site : sites) {
        const SiteRatios ratios = *parseSiteRatios(site.ct, site.pt);
        for (WiringSystem system : {WiringSystem::FourWire, WiringSystem::ThreeWire}) {
            for (double phi : {0.0, 17.0, 30.0, 60.0, -40.0, 150.0}) {
                SCOPED_TRACE(std::string(site.ct) + " " + site.pt + " " +
                             std::to_string(static_cast<int>(system)) + " " + std::to_string(phi));
                const ChannelSet secondary =
                    channelValues(balancedLoad(system, site.uPhase, site.amperes, phi));
                const ChannelSet primary = primaryValues(secondary, ratios);
                const double m = ratios.multiplier();
                for (int k = 0; k < 3; ++k) {
                    const auto& s = secondary[static_cast<std::size_t>(k)];
                    const auto& p = primary[static_cast<std::size_t>(k)];
                    ASSERT_TRUE(s && p);
                    EXPECT_DOUBLE_EQ(p->p, s->p * m);
                    EXPECT_DOUBLE_EQ(p->q, s->q * m);
                    if (channelUsed(system, k)) {
                        EXPECT_NEAR(p->i, site.amperes * ratios.current.factor(), 1e-3 * p->i);
                        EXPECT_NEAR(p->s, p->u * p->i / 1000.0, 1e-3 * p->s);
                        EXPECT_TRUE(p->p >= 0 && p->q >= 0);  // as the panel shows them
                    }
                }
                const std::optional<PowerTotal> total = powerTotal(primary, system);
                ASSERT_TRUE(total);
                const double power = 3 * site.uPhase * ratios.voltage.factor() * site.amperes *
                                     ratios.current.factor() / 1000.0;
                EXPECT_NEAR(total->p, power * std::cos(phi * std::numbers::pi / 180), 4e-3 * power);
                EXPECT_NEAR(total->q, power * std::sin(phi * std::numbers::pi / 180), 4e-3 * power);
                EXPECT_NEAR(total->s, power, 4e-3 * power);
            }
        }
    }
}

// 退补电量 over the factors a check gives and several sites' multipliers: with the metered energy
// it makes the true energy, metered × multiplier × K; a meter running fast gives a refund; an
// infinite or unknown K, or no finite energy, bills nothing.
TEST(PrimaryValues, BackBilledEnergyCountsInTheMultiplier) {
    const std::optional<SiteRatios> sites[] = {std::nullopt, parseSiteRatios("直接接入", ""),
                                               parseSiteRatios("200/5", "10000/100")};
    for (const std::optional<SiteRatios>& ratios : sites) {
        const double m = ratios ? ratios->multiplier() : 1.0;
        for (const double k : {0.5, 1.0, 2.532, 3.0, 0.0}) {
            for (const double metered : {1000.0, 0.0, HUGE_VAL}) {
                SCOPED_TRACE(std::to_string(m * k) + " " + std::to_string(metered));
                WiringOptions options;
                options.meteredEnergy = metered;
                WiringResult result;
                result.answers.resize(1);
                // K = 0 here stands for the infinite one.
                result.answers[0].k.value = k == 0.0 ? std::nullopt : std::optional(k);
                const std::optional<double> energy = backBilledEnergy(options, result, ratios);
                ASSERT_EQ(energy.has_value(), k != 0.0 && std::isfinite(metered));
                if (energy) {
                    EXPECT_NEAR(metered * m + *energy, metered * m * k, 1e-6);
                    EXPECT_EQ(*energy < 0, (metered > 0 && k < 1));
                }
                options.meteredEnergy.reset();
                EXPECT_FALSE(backBilledEnergy(options, result, ratios));
            }
        }
    }
}

}  // namespace
}  // namespace pm
