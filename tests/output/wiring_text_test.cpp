#include "output/wiring_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

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

}  // namespace
}  // namespace pm
