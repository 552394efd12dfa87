#include "output/wiring_text.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "fakes/test_frames.h"

namespace pm {
namespace {

// The whole text once, so that its order and keys stay what scripts that read it expect.
TEST(WiringText, KeysInTheirOrderWithRegionalReadingsAndPlainFigures) {
    const testing::Frame frame = testing::frameOf(
        sim::phasorReading(*sim::parsePhasors("U=220@0,220@120,220@240 I=5@200,5@140,5@260")));
    WiringOptions options;
    options.averagePowerFactor = 0.9;
    options.meteredEnergy = 1000;
    const NumberFormat comma{",", ".", {3}};
    const std::vector<std::string> expected = {
        "接线判断",     "来源=记录 NO.12", "接线方式=三相四线",
        "负载角=0~60",  "功率方向=受电",   "经PT接入=否",
        "U1=220,00",    "U2=220,00",       "U3=220,00",
        "I1=5,0000",    "I2=5,0000",       "I3=5,0000",
        "U1U2=120,0°",  "U2U3=120,0°",     "U3U1=120,0°",
        "I1I2=300,0°",  "I2I3=120,0°",     "I3I1=300,0°",
        "U1I1=200,0°",  "U2I2=20,0°",      "U3I3=20,0°",
        "F=50,00",      "相序=正相序",     "可信度=唯一",
        "结论=I1反接",  "元件1=Ua·(-Ia)",  "元件2=Ub·Ib",
        "元件3=Uc·Ic",  "更正系数=3.000",  "功率因数更正系数=3.000",
        "退补电量=2000"};
    EXPECT_EQ(wiringReportLines(recordSourceText(12), options, wiringReadingTexts(frame, comma),
                                checkWiring(wiringReading(frame), options)),
              expected);
}

// With a site's ratios the text gains 倍率 and a primary line for each channel the installation
// uses and their total, right after the readings and in their format; 退补电量 grows by the
// multiplier; every other line stays as it is without ratios.
TEST(WiringText, RatiosAddTheMultiplierAndThePrimaryLines) {
    const testing::Frame frame = testing::frameOf(
        sim::phasorReading(*sim::parsePhasors("U=220@0,220@120,220@240 I=5@200,5@140,5@260")));
    const NumberFormat comma{",", ".", {3}};
    struct Case {
        WiringSystem system;
        const char* ct;
        const char* pt;
        std::vector<std::string> primaryKeys;
    };
    const Case cases[] = {
        {WiringSystem::FourWire, "200/5", "10000/100", {"一次1", "一次2", "一次3", "一次合计"}},
        {WiringSystem::FourWire, "直接接入", "直接接入", {"一次1", "一次2", "一次3", "一次合计"}},
        {WiringSystem::ThreeWire, "75/5", "35000/100", {"一次1", "一次3", "一次合计"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.ct) + " " + c.pt);
        WiringOptions options;
        options.system = c.system;
        options.meteredEnergy = 1000;
        const WiringResult result = checkWiring(wiringReading(frame), options);
        const WiringReadingTexts readings = wiringReadingTexts(frame, comma);
        const std::optional<SiteRatios> ratios = parseSiteRatios(c.ct, c.pt);
        const std::vector<std::string> plain =
            wiringReportLines(liveSourceText(), options, readings, result);
        const std::vector<std::string> lines =
            wiringReportLines(liveSourceText(), options, readings, result, ratios);

        const auto frequency = std::find(lines.begin(), lines.end(), "F=50,00");
        ASSERT_NE(frequency, lines.end());
        std::vector<std::string> added(frequency + 1, frequency + 2 + c.primaryKeys.size());
        std::vector<std::string> rest(lines.begin(), frequency + 1);
        rest.insert(rest.end(), frequency + 2 + c.primaryKeys.size(), lines.end());
        ASSERT_EQ(rest.size(), plain.size());
        for (std::size_t k = 0; k < plain.size(); ++k) {
            if (plain[k].starts_with("退补电量=")) {
                EXPECT_NEAR(
                    std::stod(rest[k].substr(rest[k].find('=') + 1)),
                    std::stod(plain[k].substr(plain[k].find('=') + 1)) * ratios->multiplier(),
                    1e-6);
            } else {
                EXPECT_EQ(rest[k], plain[k]);
            }
        }
        EXPECT_EQ(std::stod(added[0].substr(std::string("倍率=").size())), ratios->multiplier());
        for (std::size_t k = 0; k < c.primaryKeys.size(); ++k) {
            EXPECT_TRUE(added[k + 1].starts_with(c.primaryKeys[k] + "=")) << added[k + 1];
        }
        // Channel 1 at 220 V, 5 A: the voltage through the PT, in the readings' decimal comma.
        const std::string& first = added[1];
        const std::string u =
            first.substr(first.find("U ") + 2, first.find('V') - first.find("U ") - 2);
        EXPECT_NEAR(readNumber(u, comma), 220.0 * ratios->voltage.factor(),
                    1e-3 * 220.0 * ratios->voltage.factor());
        EXPECT_NE(first.find(';'), std::string::npos);
    }
}

}  // namespace
}  // namespace pm
