#include "output/check_sheet.h"

#include <gtest/gtest.h>

#include <random>

#include "analysis/primary_values.h"
#include "analysis/wiring_texts.h"
#include "fakes/fake_measure.h"
#include "fakes/test_frames.h"
#include "output/filed_check.h"
#include "output/wiring_text.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

TEST(BackBillingFormula, WritesTheNumbersThatGiveTheResult) {
    NumberFormat comma;
    comma.decimalSymbol = ",";
    const struct {
        double metered;
        std::optional<double> multiplier;
        double k;
        NumberFormat format;
        const char* formula;
    } cases[] = {
        {1000, 40, 2.532, {}, "1000 × 40 × (2.532 − 1) = 61280 kWh"},
        // K beyond three decimals: as many more as the result needs.
        {1000, 40, 2.5320412, {}, "1000 × 40 × (2.53204 − 1) = 61282 kWh"},
        {10, 1, 1.1234567, {}, "10 × 1 × (1.1235 − 1) = 1.235 kWh"},
        {1000, std::nullopt, 0.732, {}, "1000 × (0.732 − 1) = -268 kWh"},
        {1234.5, 4000, 1.5, comma, "1234,5 × 4000 × (1,500 − 1) = 2469000 kWh"},
        {250, 0.5, 1, {}, "250 × 0.5 × (1.000 − 1) = 0 kWh"},
    };
    for (const auto& c : cases) {
        const double energy = c.metered * c.multiplier.value_or(1) * (c.k - 1);
        EXPECT_EQ(backBillingFormula(c.metered, c.multiplier, c.k, energy, c.format), c.formula);
    }
    // A result no K of twelve decimals gives exactly is said to be near.
    EXPECT_NE(backBillingFormula(1e9, 4000, 1.0 + 1e-13, 4e12 * 1e-13, {}).find("≈"),
              std::string::npos);
}

SiteFields siteNamed(std::string name, std::string meterNumber) {
    SiteFields site;
    site.name = std::move(name);
    site.meterNumber = std::move(meterNumber);
    return site;
}

ClockReading dayOf(int year, int month, int day) {
    ClockReading time;
    time.year = year;
    time.month = month;
    time.day = day;
    return time;
}

TEST(CheckSheetFileName, NamesSiteMeterAndDayAndCannotEscapeTheFolder) {
    ClockReading day;
    day.year = 2026;
    day.month = 3;
    day.day = 9;
    const struct {
        const char* name;
        const char* meter;
        const char* file;
    } cases[] = {
        {"甲厂", "3300123", "甲厂_3300123_20260309.pdf"},
        {"甲厂", "", "甲厂_20260309.pdf"},
        {"../a/b:c", "1\\2", "_a_b_c_1_2_20260309.pdf"},
        {"", "", "检查记录_20260309.pdf"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(checkSheetFileName(siteNamed(c.name, c.meter), day), c.file);
    }
    std::string longName;
    for (int k = 0; k < 100; ++k) {
        longName += "长";
    }
    const std::string file = checkSheetFileName(siteNamed(longName, longName), day);
    EXPECT_LE(file.size(), 255u);
    EXPECT_TRUE(file.ends_with("_20260309.pdf"));
}

// A frame of an installation at load angle `load`, from the phase voltages Ua, Ub, Uc at 0, 120
// and 240 degrees and the phase currents lagging them. Four-wire: channel k sees the phase
// `phase[k]` of voltage and current, the current reversed where `reversed[k]`. Three-wire:
// channel 1 Uab and Ia, channel 3 Ucb and Ic, with the c-b transformer reversed where
// `reversed[1]` and the element currents reversed where `reversed[0]` and `reversed[2]`.
testing::Frame installation(WiringSystem system, std::array<int, 3> phase,
                            std::array<bool, 3> reversed, double load) {
    sim::Phasors p;
    if (system == WiringSystem::FourWire) {
        for (std::size_t k = 0; k < 3; ++k) {
            p.voltage[k] = {100, 120.0 * phase[k]};
            p.current[k] = {5, 120.0 * phase[k] + load + (reversed[k] ? 180 : 0)};
        }
    } else {
        p.voltage = {sim::Polar{173.2, 330}, sim::Polar{},
                     sim::Polar{173.2, reversed[1] ? 90.0 : 270.0}};
        p.current = {sim::Polar{5, load + (reversed[0] ? 180 : 0)}, sim::Polar{},
                     sim::Polar{5, 240 + load + (reversed[2] ? 180 : 0)}};
    }
    return testing::frameOf(sim::phasorReading(p));
}

Inspection filedCheck(const testing::Frame& frame, const WiringOptions& options,
                      const SiteFields& site) {
    const WiringResult result = checkWiring(wiringReading(frame), options);
    const std::optional<SiteRatios> ratios =
        enteredSiteRatios(site.currentRatio, site.voltageRatio);
    const InspectionSource source{false, 3, 12};
    return {7, inspectionFields(1, 1'800'000'000, "张工", source, options, frame, result,
                                wiringReportLines(inspectionSourceText(source), options,
                                                  wiringReadingTexts(frame, {}), result, ratios),
                                options.meteredEnergy, backBilledEnergy(options, result, ratios),
                                "", site)};
}

struct Box {
    double left, top, right, bottom;
    bool meets(const Box& o) const {
        constexpr double kTouch = 0.01;
        return left < o.right - kTouch && o.left < right - kTouch && top < o.bottom - kTouch &&
               o.top < bottom - kTouch;
    }
};

// Installations wired every way (both systems, every phase order, currents and transformers
// reversed), on sites from a full one to one with nothing but 户名 and one with a 200-character
// address: every text of the sheet lies between the margins, none runs into another or into the
// diagram, a sheet or two hold it all, and the verdict is the check's own.
TEST(CheckSheet, EveryWiringOnEverySiteFitsWithoutOverlapAndSaysTheCheck) {
    SiteFields full{"某某化工有限公司第二分厂",
                    "0012345678",
                    "某市某区工业大道 88 号",
                    "3300123456",
                    "DTSD341",
                    WiringSystem::FourWire,
                    "200/5",
                    "10000/100",
                    ""};
    SiteFields bare;
    bare.name = "甲";
    SiteFields longAddress = full;
    longAddress.name = std::string(40, 'W') + "有限责任公司";
    for (int k = 0; k < 200; ++k) {
        longAddress.address += k % 10 == 9 ? " " : "路";
    }
    std::mt19937 random(2026);
    std::uniform_int_distribution<int> coin(0, 1);
    std::uniform_real_distribution<double> load(5, 55);
    testing::FixedPitchMeasure measure;
    for (int n = 0; n < 90; ++n) {
        SCOPED_TRACE(n);
        const SiteFields& site = n % 3 == 0 ? full : n % 3 == 1 ? bare : longAddress;
        WiringOptions options;
        options.system = n % 2 ? WiringSystem::ThreeWire : WiringSystem::FourWire;
        options.meteredEnergy = n % 4 == 0 ? std::nullopt : std::optional(1000.0 + n);
        options.averagePowerFactor = n % 5 == 0 ? std::optional(0.85) : std::nullopt;
        std::array<int, 3> phase{0, 1, 2};
        std::shuffle(phase.begin(), phase.end(), random);
        const testing::Frame frame =
            installation(options.system, phase,
                         {coin(random) == 1, coin(random) == 1, coin(random) == 1}, load(random));
        const Inspection inspection = filedCheck(frame, options, site);
        const PagedDocument sheet =
            checkSheet({inspection, site, dayOf(2027, 1, 15), {}, "phasemeter 9"}, measure);
        ASSERT_GE(sheet.pages.size(), 1u);
        EXPECT_LE(sheet.pages.size(), 2u);
        std::string all;
        for (const DocumentPage& page : sheet.pages) {
            std::vector<Box> texts;
            std::optional<Box> diagram;
            for (const PageItem& item : page.items) {
                if (const auto* circle = std::get_if<PageCircle>(&item)) {
                    const double half = 28;
                    diagram = Box{circle->cx - half, circle->cy - half, circle->cx + half,
                                  circle->cy + half};
                }
                const auto* text = std::get_if<PageText>(&item);
                if (text == nullptr || text->colour != kBlack) {
                    continue;  // the diagram's own labels sit on its lines
                }
                all += text->text + "\n";
                const Box box{text->x, text->top,
                              text->x + measure.textWidth(text->text, text->style),
                              text->top + measure.lineHeight(text->style)};
                EXPECT_GE(box.left, 20 - 1e-9) << text->text;
                EXPECT_LE(box.right, kSheetWidthMm - 15 + 1e-9) << text->text;
                EXPECT_GE(box.top, 15 - 1e-9) << text->text;
                EXPECT_LE(box.bottom, kSheetHeightMm - 12 + 1e-9) << text->text;
                for (const Box& other : texts) {
                    EXPECT_FALSE(box.meets(other)) << text->text;
                }
                texts.push_back(box);
            }
            for (const Box& box : texts) {
                EXPECT_FALSE(diagram && box.meets(*diagram));
            }
        }
        const WiringResult result = checkWiring(wiringReading(frame), options);
        EXPECT_NE(all.find(kCheckSheetTitle), std::string::npos);
        EXPECT_NE(all.find("检查 7：记录 NO.12（下载 3）"), std::string::npos);
        EXPECT_NE(all.find(sequenceText(result.sequence)), std::string::npos);
        if (!result.answers.empty()) {
            EXPECT_NE(all.find("K = " + correctionFactorShown(result.answers.front().k, {})),
                      std::string::npos);
        }
        const std::optional<double> energy = backBilledEnergy(
            options, result, enteredSiteRatios(site.currentRatio, site.voltageRatio));
        EXPECT_EQ(all.find(" − 1) ") != std::string::npos, energy.has_value());
        EXPECT_NE(all.find("第 " + std::to_string(sheet.pages.size()) + " 页 / 共 " +
                           std::to_string(sheet.pages.size()) + " 页"),
                  std::string::npos);
        EXPECT_EQ(sheet.info.author, "张工");
        EXPECT_EQ(all.find("注意"), std::string::npos);
    }
}

// A check that this program judges otherwise than when it was filed says so beside the verdict.
TEST(CheckSheet, SaysWhereTheCheckNowDiffersFromTheOneFiled) {
    SiteFields site;
    site.name = "乙";
    Inspection inspection = filedCheck(
        installation(WiringSystem::FourWire, {0, 1, 2}, {true, false, false}, 20), {}, site);
    inspection.fields.conclusion = "接线正确";
    inspection.fields.correctionFactor = 1.0;
    testing::FixedPitchMeasure measure;
    std::string all;
    const PagedDocument sheet = checkSheet({inspection, site, {}, {}, ""}, measure);
    for (const PageItem& item : sheet.pages[0].items) {
        if (const auto* text = std::get_if<PageText>(&item)) {
            all += text->text;
        }
    }
    EXPECT_NE(all.find("存档结论：接线正确，K = 1"), std::string::npos) << all;
    EXPECT_NE(all.find("I1反接"), std::string::npos);
}

}  // namespace
}  // namespace pm
