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
// uses and their total, right after the readings and in their format; every other line stays
// as it is without ratios.
TEST(WiringText, RatiosAddTheMultiplierAndThePrimaryLines) {
    const testing::Frame frame = testing::frameOf(
        sim::phasorReading(*sim::parsePhasors("U=220@0,220@120,220@240 I=5@200,5@140,5@260")));
    const NumberFormat comma{",", ".", {3}};
    const std::vector<std::string> fourWire{"一次1", "一次2", "一次3", "一次合计"};
    const std::vector<std::string> threeWire{"一次1", "一次3", "一次合计"};
    struct Case {
        WiringSystem system;
        const char* ct;
        const char* pt;
        const std::vector<std::string>& keys;
    } const cases[] = {{WiringSystem::FourWire, "200/5", "10000/100", fourWire},
                       {WiringSystem::FourWire, "直接接入", "直接接入", fourWire},
                       {WiringSystem::ThreeWire, "75/5", "35000/100", threeWire}};
    for (const Case& c : cases) {
        WiringOptions options;
        options.system = c.system;
        const WiringResult result = checkWiring(wiringReading(frame), options);
        const WiringReadingTexts readings = wiringReadingTexts(frame, comma);
        const SiteRatios ratios = *parseSiteRatios(c.ct, c.pt);
        std::vector<std::string> lines =
            wiringReportLines(liveSourceText(), options, readings, result, ratios);
        const auto after = std::find(lines.begin(), lines.end(), "F=50,00") + 1;
        ASSERT_LT(after + c.keys.size(), lines.end());
        EXPECT_EQ(*after, "倍率=" + fixNumberText(static_cast<float>(ratios.multiplier()), 0));
        for (std::size_t k = 0; k < c.keys.size(); ++k) {
            EXPECT_TRUE(after[k + 1].starts_with(c.keys[k] + "=")) << after[k + 1];
        }
        // Channel 1 at 220 V: the voltage through the PT, in the readings' decimal comma.
        const std::string u = after[1].substr(after[1].find("U ") + 2);
        EXPECT_NEAR(readNumber(u, comma), 220.0 * ratios.voltage.factor(), 0.5);
        lines.erase(after, after + 1 + c.keys.size());
        const std::vector<std::string> plain =
            wiringReportLines(liveSourceText(), options, readings, result);
        EXPECT_EQ(lines, plain);
    }
}

}  // namespace
}  // namespace pm
