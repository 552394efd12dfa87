// The wiring check page as the user meets it: live data, a record picked in the history table,
// the options, Save and Print.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "core/number_text.h"
#include "fakes/rig.h"
#include "fakes/test_frames.h"

namespace pm::wiring_page {
namespace {

using testing::Frame;
using testing::Rig;

// The balanced reading with the current of channel 2 turned round: I2 leads U2 by 150 degrees.
Frame reversedI2Frame() {
    sim::Reading r = testing::balancedReading();
    r.angle = {1200, 1200, 1200, 3000, 3000, 1200, 300, 2100, 300};
    return testing::frameOf(r);
}

// The balanced reading as a three-wire meter sees it, wired correctly: U12 and U32 at 100 V,
// I1 and I3 at 5 A, at a load angle of 30 degrees.
Frame threeWireFrame() {
    return testing::frameOf(
        sim::phasorReading(*sim::parsePhasors("U=100@330,0@0,100@270 I=5@30,0@0,5@270")));
}

// Line `n` (from 0) of a label's caption.
std::string lineOf(const Label* label, int n) {
    std::string text = label->caption() + "\n";
    while (n-- > 0)
        text.erase(0, text.find('\n') + 1);
    return text.substr(0, text.find('\n'));
}

bool holds(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// Linked on port 1 to a device the test answers for, the wiring tab shown, and the next poll
// answered with `frame`.
struct OnWiringTab : Rig {
    explicit OnWiringTab(const Frame& frame) {
        serial.setPort(1, testing::PortSetup::MuteDevice);
        form.Form_Load();
        scheduler.advanceBy(500);  // the scan opens port 1 and sends the handshake
        serial.arrive({0xAA, 0x55, 0xAA});
        clickTab(3);
        serial.clearWrites();
        scheduler.advanceBy(1000);
        serial.arrive(frame);
    }
    std::vector<std::string> diagramLabels() const {
        std::vector<std::string> labels;
        for (const SurfaceCall& call : wiringSurface.calls) {
            if (call.op == "text") {
                labels.push_back(call.text);
            }
        }
        return labels;
    }
    std::vector<std::string> savedText(int entry) {
        dialog.saveAnswers.push_back(SaveChoice{"/tmp/wiring", entry});
        form.Command2_Click();
        std::vector<std::string> lines;
        const std::string& file = files.files["/tmp/wiring.txt"];
        for (std::size_t at = 0, end; (end = file.find("\r\n", at)) != std::string::npos;
             at = end + 2) {
            lines.push_back(file.substr(at, end - at));
        }
        return lines;
    }
};

TEST(WiringPage, PollsLiveDataAndChecksEveryReply) {
    struct Case {
        const char* name;
        Frame frame;
        const char* conclusion;
        const char* k;
        const char* meaning;
        const char* i2Label;
    };
    const Case cases[] = {
        {"correctly wired", testing::balancedFrame(), "接线正确", "1.000", "正确", "I2=Ib"},
        {"current 2 reversed", reversedI2Frame(), "I2反接", "3.000", "少计", "I2=-Ib"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        OnWiringTab rig(c.frame);
        EXPECT_EQ(rig.requestCodes(), std::vector<int>{13000});
        const WindowModel& w = rig.w();
        EXPECT_EQ(w.source->caption(), "实时数据");
        EXPECT_EQ(w.sequence->caption(), "正相序");
        EXPECT_EQ(w.conclusion->caption(), c.conclusion);
        EXPECT_EQ(w.kValue->caption(), c.k);
        EXPECT_EQ(w.kMeaning->caption(), c.meaning);
        EXPECT_EQ(w.u[1]->caption(), "230.00");  // the live panel keeps up as well
        EXPECT_TRUE(holds(rig.diagramLabels(), "U2=Ub"));
        EXPECT_TRUE(holds(rig.diagramLabels(), c.i2Label));
        // Read does nothing on this page.
        rig.serial.clearWrites();
        rig.form.Command1_Click();
        EXPECT_TRUE(rig.serial.writes().empty());
    }
}

TEST(WiringPage, OptionsRerunTheCheckAndGreyWhatDoesNotApply) {
    OnWiringTab rig(reversedI2Frame());
    WindowModel& w = rig.w();
    struct Step {
        const char* name;
        std::function<void()> act;
        bool pt;          // 经PT接入 enabled
        bool terminals;   // b相端子 enabled
        bool reversedI2;  // the conclusion still reads "I2反接"
    };
    const Step steps[] = {
        // Sending power out, channels 1 and 3 are the ones that look turned round.
        {"送电", [&] { rig.form.wiringPage().Option3_Click(1); }, true, false, false},
        {"受电 again", [&] { rig.form.wiringPage().Option3_Click(0); }, true, false, true},
        {"own load range 10~20 leaves out the true 30°",
         [&] {
             rig.form.wiringPage().Option2_Click(3);
             w.Text1[0]->setText("20");
             w.Text1[1]->setText("10");
             rig.form.wiringPage().Text1_Change(1);
         },
         true, false, false},
        {"三相三线", [&] { rig.form.wiringPage().Option1_Click(1); }, false, true, false},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(step.name);
        step.act();
        EXPECT_EQ(w.Check1->enabled(), step.pt);
        EXPECT_EQ(w.Option4[1]->enabled(), step.terminals);
        EXPECT_EQ(w.conclusion->caption() == "I2反接", step.reversedI2);
    }
    EXPECT_EQ(chosenOption(w.Option2), 3);
    EXPECT_EQ(rig.form.wiringPage().options().loadTo, 20);
}

// Linked to a simulated meter holding `records` records, read into the history table.
struct HistoryRead : Rig {
    sim::InstrumentSimulator& meter = serial.attachInstrument(2);
    explicit HistoryRead(int records) {
        meter.setReplyDelayMs(10);
        meter.setRecordCount(records);
        startAndLink();
        clickTab(2);
        scheduler.advanceTo(scheduler.now() / 1000 * 1000 + 1550);  // off the polling beat
        form.Command1_Click();
        do {
            scheduler.advanceBy(200);
        } while (w().Readdat.enabled());
        scheduler.advanceBy(50);  // the last record's reply
    }
};

TEST(WiringPage, DoubleClickOnARecordsBlockShowsThatRecordUntilLive) {
    struct Case {
        const char* name;
        int records;
        bool cleared;
        int row;
        int col;
        int record;  // 0: the click does nothing
    };
    const Case cases[] = {
        {"inside block 2", 3, false, 9 + 4, 3, 2},  {"caption row of block 3", 3, false, 18, 0, 3},
        {"last row of block 1", 3, false, 8, 6, 1}, {"the empty table", 0, false, 4, 1, 0},
        {"a cleared table", 3, true, 4, 1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        HistoryRead rig(c.records);
        if (c.cleared) {
            rig.form.Command3_Click();
        }
        rig.grid.doubleClick(c.row, c.col);
        EXPECT_EQ(rig.w().TabStrip1.selectedIndex(), c.record == 0 ? 2 : 3);
        EXPECT_EQ(rig.w().Frame2.visible(), c.record != 0);
        if (c.record == 0) {
            continue;
        }
        const Frame stored = testing::frameOf(sim::storedReading(c.record));
        const std::string source = "记录 NO." + std::to_string(c.record);
        for (int second = 0; second < 3; ++second) {  // live replies come and leave it alone
            EXPECT_EQ(rig.form.wiringPage().frame(), stored);
            EXPECT_EQ(rig.w().source->caption(), source);
            rig.scheduler.advanceBy(1000);
        }
        EXPECT_GE(rig.meter.requests().liveData, 2);

        rig.form.wiringPage().Command7_Click();
        rig.scheduler.advanceBy(1000);
        EXPECT_EQ(rig.w().source->caption(), "实时数据");
        EXPECT_EQ(rig.form.wiringPage().frame(), rig.s().liveFrame);
        EXPECT_NE(rig.form.wiringPage().frame(), stored);
    }
}

TEST(WiringPage, SaveOffersTheAnalysisAsTextAndTheWindowAsPicture) {
    OnWiringTab rig(reversedI2Frame());
    const std::vector<std::string> lines = rig.savedText(1);
    ASSERT_EQ(rig.dialog.shown.size(), 1u);
    const std::vector<FileType>& types = rig.dialog.shown[0].fileTypes;
    ASSERT_EQ(types.size(), 2u);
    EXPECT_EQ(types[0].caption, "txt格式 (*.txt)");
    EXPECT_EQ(types[1].caption, "jpg格式 (*.jpg)");
    for (const char* line : {"来源=实时数据", "U2I2=210.0°", "结论=I2反接", "更正系数=3.000"}) {
        EXPECT_TRUE(holds(lines, line)) << line;
    }
    rig.savedText(2);
    EXPECT_EQ(rig.snapshot.saved.count("/tmp/wiring.jpg"), 1u);
    EXPECT_TRUE(rig.desktop.messages.empty());
}

TEST(WiringPage, PrintPutsTheSavedLinesBesideTheDiagram) {
    OnWiringTab rig(reversedI2Frame());
    rig.dialog.printAnswers.push_back({PrintDialogOutcome::Accepted, ""});
    rig.form.Command4_Click();
    EXPECT_EQ(rig.printer.lines(), rig.savedText(1));
    EXPECT_TRUE(holds(rig.printer.lines(), "结论=I2反接"));
    EXPECT_EQ(rig.printer.pictures, std::vector<const DrawingSurface*>{&rig.wiringSurface});
    EXPECT_EQ(rig.printer.log.back(), "end");
}

// The site being inspected sets the installation, and with both ratios the tab shows primary
// values and bills by the multiplier; without usable ratios everything stays secondary.
TEST(WiringPage, ASiteSetsTheSystemAndItsRatiosThePrimaryValues) {
    struct Case {
        const char* name;
        WiringSystem system;
        const char* ct;
        const char* pt;
        std::optional<double> multiplier;  // nothing: no ratios
    };
    const Case cases[] = {
        {"four-wire via CT and PT", WiringSystem::FourWire, "200/5", "10000/100", 4000.0},
        {"three-wire via CT and PT", WiringSystem::ThreeWire, "75/5", "35000/100", 5250.0},
        {"three-wire, PT not recorded", WiringSystem::ThreeWire, "200/5", " ", std::nullopt},
        {"four-wire, CT not a ratio", WiringSystem::FourWire, "200/5A", "10000/100", std::nullopt},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const bool threeWire = c.system == WiringSystem::ThreeWire;
        OnWiringTab rig(threeWire ? threeWireFrame() : reversedI2Frame());
        WindowModel& w = rig.w();
        WiringPage& page = rig.form.wiringPage();
        page.Option1_Click(threeWire ? 0 : 1);  // by hand first: the site's own wins
        w.Text1[3]->setText("1000");
        page.Text1_Change(3);
        const SiteFields site{"户", "", "", "", "", c.system, c.ct, c.pt, ""};
        page.setSite(site);

        EXPECT_EQ(page.options().system, c.system);
        ASSERT_EQ(page.ratios().has_value(), c.multiplier.has_value());
        EXPECT_EQ(w.primary[2]->visible(), c.multiplier.has_value());
        EXPECT_EQ(w.meteredEnergyCaption->caption(),
                  c.multiplier ? "抄见电量(表码差)" : "抄见电量");
        const std::vector<std::string> saved = rig.savedText(1);
        EXPECT_EQ(std::ranges::any_of(saved, [](auto& l) { return l.starts_with("倍率="); }),
                  c.multiplier.has_value());
        const std::optional<double> billed = page.backBilledEnergy();
        ASSERT_TRUE(billed);
        const auto energyLine = std::ranges::find_if(
            saved, [](const std::string& l) { return l.starts_with("退补电量="); });
        ASSERT_NE(energyLine, saved.end());
        EXPECT_NEAR(std::stod(energyLine->substr(energyLine->find('=') + 1)), *billed, 1e-3);
        page.setSite(std::nullopt);
        EXPECT_EQ(chosenOption(w.Option1), threeWire ? 1 : 0);  // the installation stays
        EXPECT_FALSE(w.primary[0]->visible());
        ASSERT_TRUE(page.backBilledEnergy());
        EXPECT_NEAR(*billed, *page.backBilledEnergy() * c.multiplier.value_or(1), 1e-6 * *billed);
        if (!c.multiplier) {
            continue;
        }

        // The table: channel 1's voltage through the PT, the unused three-wire channel blank, the
        // total apparent power that of all three phases.
        page.setSite(site);
        const double u1 = threeWire ? 100.0 : 230.0;
        EXPECT_NEAR(readNumber(lineOf(w.primary[0], 1)), u1 * page.ratios()->voltage.factor(), u1);
        EXPECT_EQ(lineOf(w.primary[0], 2).empty(), threeWire);
        if (threeWire) {  // wired correctly; four-wire the reversed I2 takes a phase away
            const double phases = std::sqrt(3.0) * 100.0 * 5.0 * *c.multiplier / 1000;
            EXPECT_NEAR(readNumber(lineOf(w.primary[4], 4)), phases, 2e-3 * phases);
        }
    }
}

}  // namespace
}  // namespace pm::wiring_page
