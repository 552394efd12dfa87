// The wiring check page: its options, the reading it analyses (the live data, or a record of the
// history table picked by a double-click) and the results with their diagram.
#include <string>
#include <utility>

#include "app/form1.h"
#include "output/wiring_text.h"
#include "platform/drawing_surface.h"
#include "view/history_layout.h"
#include "view/wiring_diagram.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

constexpr const char* kNoReading = "尚无数据";

}  // namespace

void Form1::Option1_Click(int index) {
    chooseOption(window_.Option1, index);
    readWiringOptions();
    showWiringCheck();
}

void Form1::Option2_Click(int index) {
    chooseOption(window_.Option2, index);
    readWiringOptions();
    showWiringCheck();
}

void Form1::Option3_Click(int index) {
    chooseOption(window_.Option3, index);
    readWiringOptions();
    showWiringCheck();
}

void Form1::Option4_Click(int index) {
    chooseOption(window_.Option4, index);
    readWiringOptions();
    showWiringCheck();
}

void Form1::Check1_Click() {
    readWiringOptions();
    showWiringCheck();
}

void Form1::Text1_Change(int) {
    readWiringOptions();
    showWiringCheck();
}

void Form1::Command7_Click() {
    state_.wiringRecord = 0;
    state_.wiringFrame = state_.liveFrame;
    showWiringCheck();
}

void Form1::Grid1_DblClick(int row, int) {
    if (row < 0) {
        return;
    }
    const auto record = static_cast<std::size_t>(row / kBlockRows);
    // The empty table's block, or one whose record has not come in, has nothing to check.
    if (record >= state_.recordFrames.size() || state_.recordFrames[record].empty()) {
        return;
    }
    state_.wiringRecord = static_cast<std::int16_t>(record + 1);
    state_.wiringFrame = state_.recordFrames[record];
    window_.TabStrip1.select(3);
    TabStrip1_Click();
}

void Form1::readWiringOptions() {
    WindowModel& w = window_;
    const WiringChoices choices{
        chosenOption(w.Option1), chosenOption(w.Option2), w.Text1[0]->text(),
        w.Text1[1]->text(),      chosenOption(w.Option3), w.Check1->value(),
        chosenOption(w.Option4), w.Text1[2]->text(),      w.Text1[3]->text()};
    state_.wiringOptions = wiringOptionsOf(choices, platform_.numberFormat);
    // What does not apply to the installation chosen is greyed, not cleared: switching back
    // finds it as it was.
    const bool threeWire = state_.wiringOptions.system == WiringSystem::ThreeWire;
    w.Check1->setEnabled(!threeWire);
    for (Choice* terminal : w.Option4) {
        terminal->setEnabled(threeWire);
    }
    const bool ownRange = w.Option2[3]->value();
    w.Text1[0]->setEnabled(ownRange);
    w.Text1[1]->setEnabled(ownRange);
}

void Form1::showWiringCheck() {
    WindowModel& w = window_;
    w.source->setCaption(state_.wiringRecord == 0 ? liveSourceText()
                                                  : recordSourceText(state_.wiringRecord));
    w.Command7.setEnabled(state_.wiringRecord != 0);
    if (state_.wiringFrame.empty()) {
        state_.wiringResult = WiringResult{};
        for (Label* label : {w.sequence, w.confidence, w.kValue, w.kMeaning, w.notes}) {
            label->setCaption("");
        }
        for (Label* label : w.alternative) {
            label->setCaption("");
        }
        w.conclusion->setCaption(kNoReading);
        platform_.wiringSurface.cls();
        return;
    }
    const WiringReading reading = wiringReading(state_.wiringFrame);
    state_.wiringResult = pm::checkWiring(reading, state_.wiringOptions);
    const WiringResult& result = state_.wiringResult;

    WiringPanelTexts texts = wiringPanelTexts(result, platform_.numberFormat);
    w.sequence->setCaption(std::move(texts.sequence));
    w.confidence->setCaption(std::move(texts.confidence));
    w.conclusion->setCaption(std::move(texts.conclusion));
    w.kValue->setCaption(std::move(texts.k));
    w.kMeaning->setCaption(std::move(texts.kMeaning));
    for (std::size_t k = 0; k < w.alternative.size(); ++k) {
        w.alternative[k]->setCaption(std::move(texts.alternatives[k]));
    }
    w.notes->setCaption(std::move(texts.notes));

    static const std::array<std::string, 3> kUnnamed{};
    const bool answered = !result.answers.empty();
    drawWiringDiagram(platform_.wiringSurface, reading,
                      answered ? result.answers.front().voltageNames : kUnnamed,
                      answered ? result.answers.front().currentNames : kUnnamed);
}

std::vector<std::string> Form1::wiringLines() const {
    const std::string source =
        state_.wiringRecord == 0 ? liveSourceText() : recordSourceText(state_.wiringRecord);
    return wiringReportLines(source, state_.wiringOptions,
                             wiringReadingTexts(state_.wiringFrame, platform_.numberFormat),
                             state_.wiringResult);
}

}  // namespace pm
