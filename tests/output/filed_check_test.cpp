#include "output/filed_check.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "analysis/wiring_texts.h"
#include "fakes/test_frames.h"
#include "output/wiring_text.h"
#include "platform/memory_archive.h"
#include "protocol/measurement_frame.h"

namespace pm {
namespace {

// The value of the line "key=value", or nothing.
std::optional<std::string> lineValue(const std::vector<std::string>& lines,
                                     const std::string& key) {
    for (const std::string& line : lines) {
        if (line.starts_with(key + "=")) {
            return line.substr(key.size() + 1);
        }
    }
    return std::nullopt;
}

// Installations wired every way the clamps can find them: a balanced supply, a load angle in the
// range checked, each current reversed or not and the currents in any order, on both systems,
// and random bytes for readings nothing explains. Each check is filed, read back and analysed
// again from what was filed.
TEST(InspectionFields, FiledCheckAnalysedAgainGivesItsLinesConclusionAndK) {
    std::mt19937 random(20261208);
    std::uniform_real_distribution<double> load(0, 60);
    std::uniform_int_distribution<int> coin(0, 1);
    MemoryArchive archive;
    SiteFields fields;
    fields.name = "site";
    fields.currentRatio = "200/5";
    fields.voltageRatio = "10000/100";
    const ArchiveId site = archive.saveSite(0, fields, 0).id;
    const std::optional<SiteRatios> ratios = parseSiteRatios("200/5", "10000/100");
    int unanswered = 0, infinite = 0;
    for (int n = 0; n < 200; ++n) {
        SCOPED_TRACE(n);
        WiringOptions options;
        options.system = coin(random) ? WiringSystem::ThreeWire : WiringSystem::FourWire;
        options.meteredEnergy = 100.0 * n;
        testing::Frame frame;
        if (n % 10 == 9) {
            const testing::RandomFrame bytes(random, kFrameLength);
            frame.assign(bytes.span().begin(), bytes.span().end());
        } else {
            std::array<int, 3> phase{0, 1, 2};
            std::shuffle(phase.begin(), phase.end(), random);
            std::string text = "U=100@0,100@120,100@240 I=";
            for (int k = 0; k < 3; ++k) {
                const double angle = 120.0 * phase[k] + load(random) + 180.0 * coin(random);
                text += (k ? "," : "") + std::string("5@") + std::to_string(angle);
            }
            frame = testing::frameOf(sim::phasorReading(*sim::parsePhasors(text)));
        }
        const InspectionSource source{n % 2 == 0, 0, n % 2 == 0 ? 0 : n};
        const WiringResult result = checkWiring(wiringReading(frame), options);
        const std::vector<std::string> lines = wiringReportLines(
            inspectionSourceText(source), options, wiringReadingTexts(frame, {}), result, ratios);
        const std::optional<double> backBilled = backBilledEnergy(options, result, ratios);
        const ArchiveIdResult filed = archive.addInspection(
            inspectionFields(site, 1000 + n, "inspector", source, options, frame, result, lines,
                             options.meteredEnergy, backBilled, "note", fields));
        ASSERT_TRUE(filed.ok()) << filed.error;
        const InspectionFields stored = archive.inspection(filed.id)->fields;
        // The site changes afterwards; the filed check keeps the ratios it was made with.
        SiteFields changed = fields;
        changed.currentRatio = std::to_string(n + 1) + "/1";
        archive.saveSite(site, changed, n);

        const WiringResult again = checkWiring(wiringReading(stored.frame), stored.options);
        EXPECT_EQ(wiringReportLines(inspectionSourceText(stored.source), stored.options,
                                    wiringReadingTexts(stored.frame, {}), again,
                                    parseSiteRatios(stored.currentRatio, stored.voltageRatio)),
                  stored.lines);
        EXPECT_EQ(lineValue(stored.lines, "结论"), stored.conclusion);
        const std::optional<std::string> k = lineValue(stored.lines, "更正系数");
        EXPECT_EQ(k.has_value(), !result.answers.empty());
        if (k) {
            EXPECT_EQ(*k, correctionFactorText({stored.correctionFactor}));
        }
        EXPECT_EQ(stored.backBilledEnergy, backBilled);
        EXPECT_EQ(stored.meteredEnergy, options.meteredEnergy);
        unanswered += result.answers.empty() ? 1 : 0;
        infinite += k && !stored.correctionFactor ? 1 : 0;
    }
    EXPECT_GT(unanswered, 0);
    EXPECT_GT(infinite, 0);
}

}  // namespace
}  // namespace pm
