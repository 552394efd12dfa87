#include "cli/wiring_command.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <sstream>
#include <string>
#include <vector>

#include "fakes/test_frames.h"
#include "output/wiring_text.h"

namespace pm {
namespace {

using testing::balancedFrame;
using testing::Frame;
using testing::withWord;

std::string hex(const Frame& frame) {
    std::string text;
    for (std::uint8_t byte : frame) {
        char two[3];
        std::snprintf(two, sizeof two, "%02x", byte);
        text += two;
    }
    return text;
}

struct Outcome {
    int status;
    std::string out, err;
};

Outcome run(std::vector<std::string> args) {
    std::ostringstream out, err;
    const int status = runWiringCommand(args, out, err);
    return {status, out.str(), err.str()};
}

TEST(WiringCommand, BadInputIsNamedOnOneLineWithStatusTwo) {
    const std::string frame = hex(balancedFrame());
    struct Case {
        std::vector<std::string> args;
        std::string named;
    };
    const Case cases[] = {
        {{"--frame", frame.substr(2)}, "--frame"},
        {{"--frame", frame + "00"}, "--frame"},
        {{"--frame", "zz" + frame.substr(2)}, "--frame"},
        {{}, "--frame is missing"},
        {{"--frame", frame, "--fast"}, "--fast"},
        {{"--frame", frame, "--load-angle", "60:0"}, "60:0"},
        {{"--frame", frame, "--load-angle", "10"}, "--load-angle"},
        {{"--frame", frame, "--system", "3p5w"}, "3p5w"},
        {{"--frame", frame, "--b-terminal", "4"}, "--b-terminal"},
        {{"--frame", frame, "--pf", "1.5"}, "--pf"},
        {{"--frame", frame, "--energy"}, "--energy"},
        {{"--frame", frame, "--store"}, "--store needs --site"},
        {{"--frame", frame, "--site", "s", "--note", "n"}, "--note"},
        {{"--download", "3"}, "--download needs --record"},
        {{"--download", "3.5", "--record", "1"}, "--download"},
        {{"--frame", frame, "--download", "3", "--record", "1"}, "--frame and --download"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.named);
        const Outcome r = run(c.args);
        EXPECT_EQ(r.status, 2);
        EXPECT_TRUE(r.out.empty());
        EXPECT_NE(r.err.find(c.named), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find('\n'), r.err.size() - 1) << r.err;
    }
}

// The command prints what the window saves for the same frame and options, with plain numbers.
TEST(WiringCommand, PrintsTheLinesOfTheSavedAnalysis) {
    struct Case {
        const char* name;
        Frame frame;
        std::vector<std::string> args;
        WiringOptions options;
        std::string source;
    };
    WiringOptions threeWire;
    threeWire.system = WiringSystem::ThreeWire;
    threeWire.bTerminal = 2;
    threeWire.loadFrom = -10;
    threeWire.loadTo = 50;
    WiringOptions exported;
    exported.direction = PowerDirection::Export;
    exported.viaVoltageTransformers = true;
    exported.averagePowerFactor = 0.85;
    exported.meteredEnergy = 1234.5;
    const Case cases[] = {
        {"balanced, defaults", balancedFrame(), {}, {}, liveSourceText()},
        {"three-wire options, a stored record",
         balancedFrame(),
         {"--system", "3p3w", "--b-terminal", "2", "--load-angle", "-10:50", "--record", "7"},
         threeWire,
         recordSourceText(7)},
        {"exporting through PTs with power factor and energy",
         balancedFrame(),
         {"--export", "--pt", "--pf", "0.85", "--energy", "1234.5"},
         exported,
         liveSourceText()},
        // Bad data in a well-formed frame is an analysis, not an error.
        {"frequency out of range", withWord(balancedFrame(), 36, 0), {}, {}, liveSourceText()},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::vector<std::string> args{"--frame", hex(c.frame)};
        args.insert(args.end(), c.args.begin(), c.args.end());
        const Outcome r = run(args);
        EXPECT_EQ(r.status, 0) << r.err;
        std::string expected;
        for (const std::string& line :
             wiringReportLines(c.source, c.options, wiringReadingTexts(c.frame, {}),
                               checkWiring(wiringReading(c.frame), c.options))) {
            expected += line + "\n";
        }
        EXPECT_EQ(r.out, expected);
    }
    EXPECT_NE(run({"--frame", hex(withWord(balancedFrame(), 36, 0))}).out.find("原因=数据无效"),
              std::string::npos);
}

// A reversed a-b transformer with the terminals on c', a', b': the common terminal carries a',
// so channel 1 reads both transformers in series, root 3 times channel 3. K = P / P metered =
// 100*5*(cos 50 + cos 10) / (173.2*5*cos 80 + 100*5*cos 70) at a 20 degree load.
TEST(WiringCommand, NamesAReversedTransformerFromTheRatioOfTheLineVoltages) {
    const Frame frame = testing::frameOf(
        sim::phasorReading(*sim::parsePhasors("U=173.2@0,0@0,100@30 I=5@80,0@0,5@320")));
    const Outcome r = run({"--frame", hex(frame), "--system", "3p3w"});
    EXPECT_EQ(r.status, 0) << r.err;
    for (const char* line : {"\n结论=电压端子c-a-b，Uab极性反(PT)\n", "\n更正系数=2.532\n"}) {
        EXPECT_NE(r.out.find(line), std::string::npos) << r.out;
    }
}

}  // namespace
}  // namespace pm
