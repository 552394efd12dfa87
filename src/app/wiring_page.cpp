// The wiring check page: its options, the reading it analyses (the live data, or a record of the
// history table picked by a double-click) and the results with their diagram.
#include <string>
#include <utility>

#include "analysis/primary_values.h"
#include "app/page_output.h"
#include "app/sheet_output.h"
#include "app/wiring_page.h"
#include "output/filed_check.h"
#include "output/wiring_text.h"
#include "platform/clock.h"
#include "platform/drawing_surface.h"
#include "platform/files.h"
#include "platform/snapshot.h"
#include "view/wiring_diagram.h"
#include "view/wiring_panel.h"

namespace pm {
namespace {

constexpr const char* kNoReading = "尚无数据";

const FileType kTextType{"txt格式 (*.txt)", "*.txt", ".txt"};
const FileType kPictureType{"jpg格式 (*.jpg)", "*.jpg", ".jpg"};

}  // namespace

std::optional<SiteRatios> siteRatios(const SiteFields& site) {
    return enteredSiteRatios(site.currentRatio, site.voltageRatio);
}

WiringPage::WiringPage(const PlatformSet& platform, WindowModel& window,
                       const std::vector<std::uint8_t>& liveFrame)
    : platform_(platform), window_(window), liveFrame_(liveFrame) {}

void WiringPage::load() {
    // The inspector filed last is offered again.
    if (platform_.archive != nullptr) {
        const std::vector<std::string> inspectors = platform_.archive->inspectors();
        if (!inspectors.empty()) {
            window_.inspector->setText(inspectors.front());
        }
    }
    readOptions();
    showCheck();
}

void WiringPage::tabChanged(bool shown) {
    shown_ = shown;
    if (!shown) {
        return;
    }
    if (followsLiveData()) {
        frame_ = liveFrame_;
    }
    showCheck();
}

void WiringPage::liveReply(const std::vector<std::uint8_t>& frame) {
    if (shown_ && followsLiveData()) {
        frame_ = frame;
        showCheck();
    }
}

void WiringPage::choose(std::span<Choice* const> group, int index) {
    chooseOption(group, index);
    readOptions();
    showCheck();
}

void WiringPage::Option1_Click(int index) {
    choose(window_.Option1, index);
}

void WiringPage::Option2_Click(int index) {
    choose(window_.Option2, index);
}

void WiringPage::Option3_Click(int index) {
    choose(window_.Option3, index);
}

void WiringPage::Option4_Click(int index) {
    choose(window_.Option4, index);
}

void WiringPage::Check1_Click() {
    readOptions();
    showCheck();
}

void WiringPage::Text1_Change(int) {
    readOptions();
    showCheck();
}

void WiringPage::Command7_Click() {
    record_ = 0;
    download_ = 0;
    shownInspection_ = 0;
    filedSource_.reset();
    frame_ = liveFrame_;
    showCheck();
}

void WiringPage::showRecord(std::int16_t record, const std::vector<std::uint8_t>& frame,
                            ArchiveId download) {
    record_ = record;
    frame_ = frame;
    download_ = download;
    shownInspection_ = 0;
    filedSource_.reset();
}

void WiringPage::showInspection(const Inspection& inspection) {
    const InspectionFields& filed = inspection.fields;
    record_ = filed.source.live ? 0 : static_cast<std::int16_t>(filed.source.recordNumber);
    download_ = filed.source.downloadId;
    frame_ = filed.frame;
    filedSource_ = filedSourceText(inspection);
    shownInspection_ = inspection.id;
    setChoices(filed.options);
    window_.filedMessage->setCaption("");
    readOptions();
    showCheck();
}

void WiringPage::setChoices(const WiringOptions& options) {
    WindowModel& w = window_;
    const WiringChoices choices = wiringChoicesOf(options, platform_.numberFormat);
    chooseOption(w.Option1, choices.system);
    chooseOption(w.Option2, choices.loadRange);
    w.Text1[0]->setText(choices.loadFrom);
    w.Text1[1]->setText(choices.loadTo);
    chooseOption(w.Option3, choices.direction);
    w.Check1->setValue(choices.viaVoltageTransformers);
    chooseOption(w.Option4, choices.bTerminal);
    w.Text1[2]->setText(choices.averagePowerFactor);
    w.Text1[3]->setText(choices.meteredEnergy);
}

InspectionSource WiringPage::source() const {
    return record_ == 0 ? InspectionSource{} : InspectionSource{false, download_, record_};
}

void WiringPage::Command18_Click() {
    WindowModel& w = window_;
    Archive* archive = platform_.archive;
    std::string said;
    if (archive == nullptr) {
        said = "未存档：档案未使用";
    } else if (const std::string reason = archive->unavailableReason(); !reason.empty()) {
        said = "未存档：档案不可用：" + reason;
    } else if (siteId_ == 0) {
        said = "未存档：请先在“现场档案”中选定当前现场";
    } else if (frame_.empty()) {
        said = "未存档：没有读数";
    } else {
        const InspectionFields fields = inspectionFields(
            siteId_, platform_.clock.now().utcSeconds, w.inspector->text(), source(), options_,
            frame_, result_, lines(), options_.meteredEnergy, backBilledEnergy(),
            w.inspectionNote->text(), site_.value_or(SiteFields{}));
        const ArchiveIdResult filed = archive->addInspection(fields);
        said = filed.ok() ? "已存档：检查 " + std::to_string(filed.id) : "未存档：" + filed.error;
        if (filed.ok()) {
            lastInspection_ = filed.id;
        }
    }
    w.filedMessage->setCaption(said);
}

void WiringPage::Command19_Click() {
    const ArchiveId id = shownInspection_ != 0 ? shownInspection_ : lastInspection_;
    if (id == 0) {
        window_.filedMessage->setCaption("未生成报告：请先存档");
        return;
    }
    // The page has room for what became of it ("报告已保存"); the path or the reason after "："
    // is the box's and the archive tab's to show.
    if (const std::string said = writeCheckSheet(platform_, id); !said.empty()) {
        window_.filedMessage->setCaption(said.substr(0, said.find("：")));
    }
}

void WiringPage::setSite(const std::optional<SiteFields>& site, ArchiveId siteId) {
    siteId_ = site ? siteId : 0;
    site_ = site;
    ratios_ = site ? siteRatios(*site) : std::nullopt;
    if (site) {
        chooseOption(window_.Option1, site->system == WiringSystem::ThreeWire ? 1 : 0);
    }
    readOptions();
    showCheck();
}

std::optional<double> WiringPage::backBilledEnergy() const {
    return pm::backBilledEnergy(options_, result_, ratios_);
}

void WiringPage::readOptions() {
    WindowModel& w = window_;
    const WiringChoices choices{
        chosenOption(w.Option1), chosenOption(w.Option2), w.Text1[0]->text(),
        w.Text1[1]->text(),      chosenOption(w.Option3), w.Check1->value(),
        chosenOption(w.Option4), w.Text1[2]->text(),      w.Text1[3]->text()};
    options_ = wiringOptionsOf(choices, platform_.numberFormat);
    // What does not apply to the installation chosen is greyed, not cleared: switching back
    // finds it as it was.
    const bool threeWire = options_.system == WiringSystem::ThreeWire;
    w.Check1->setEnabled(!threeWire);
    for (Choice* terminal : w.Option4) {
        terminal->setEnabled(threeWire);
    }
    const bool ownRange = w.Option2[3]->value();
    w.Text1[0]->setEnabled(ownRange);
    w.Text1[1]->setEnabled(ownRange);
}

void WiringPage::showCheck() {
    WindowModel& w = window_;
    w.source->setCaption(filedSource_   ? *filedSource_
                         : record_ == 0 ? liveSourceText()
                                        : recordSourceText(record_));
    w.Command7.setEnabled(!followsLiveData());
    showPrimaryValues();
    if (frame_.empty()) {
        result_ = WiringResult{};
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
    const WiringReading reading = wiringReading(frame_);
    result_ = pm::checkWiring(reading, options_);
    const WiringResult& result = result_;

    WiringPanelTexts texts = wiringPanelTexts(result, platform_.numberFormat, backBilledEnergy());
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

void WiringPage::showPrimaryValues() {
    WindowModel& w = window_;
    const bool shown = ratios_.has_value();
    w.meteredEnergyCaption->setCaption(shown ? WindowModel::kRegisterDifferenceCaption
                                             : WindowModel::kMeteredEnergyCaption);
    for (Label* label : {w.multiplierCaption, w.multiplier, w.primaryRows}) {
        label->setVisible(shown);
    }
    for (Label* label : w.primary) {
        label->setVisible(shown);
    }
    if (!shown) {
        return;
    }
    const NumberFormat& format = platform_.numberFormat;
    w.multiplier->setCaption(multiplierText(ratios_->multiplier(), format));
    const std::array<std::string, 5> columns =
        primaryColumnTexts(primaryValues(channelValues(frame_), *ratios_), options_.system, format);
    for (std::size_t q = 0; q < columns.size(); ++q) {
        w.primary[q]->setCaption(columns[q]);
    }
}

std::vector<std::string> WiringPage::lines() const {
    const std::string source = record_ == 0 ? liveSourceText() : recordSourceText(record_);
    return wiringReportLines(source, options_, wiringReadingTexts(frame_, platform_.numberFormat),
                             result_, ratios_);
}

void WiringPage::save() {
    platform_.snapshot.take();
    const std::optional<SaveTarget> target = askSaveTarget(platform_, {kTextType, kPictureType});
    if (!target) {
        return;
    }
    const WriteResult result = target->fileTypeIndex == 1
                                   ? platform_.files.writeTextFile(target->path, lines())
                                   : platform_.snapshot.save(target->path);
    reportSaveFailure(platform_, result);
}

void WiringPage::print() {
    printLinesWithDiagram(platform_, lines(), platform_.wiringSurface);
}

}  // namespace pm
