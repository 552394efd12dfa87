#include "app/archive_page.h"

#include "app/sheet_output.h"

#include <cmath>
#include <cstdio>

#include "analysis/transformer_ratio.h"
#include "app/sheet_output.h"
#include "platform/clock.h"
#include "platform/desktop.h"

namespace pm {
namespace {

const char* systemText(WiringSystem system) {
    return system == WiringSystem::ThreeWire ? "三相三线" : "三相四线";
}

// Whether a ratio entry is a ratio; an empty entry is a direct connection.
bool ratioOk(const std::string& text) {
    return parseTransformerRatio(text).has_value();
}

}  // namespace

ArchivePage::ArchivePage(const PlatformSet& platform, WindowModel& window, Actions actions)
    : platform_(platform), window_(window), actions_(std::move(actions)) {}

void ArchivePage::load() {
    listSites();
    showSite(std::nullopt);
}

void ArchivePage::tabChanged(bool shown) {
    if (shown) {
        refresh();
    }
}

Archive* ArchivePage::usable() {
    Archive* archive = platform_.archive;
    if (archive == nullptr) {
        window_.siteMessage->setCaption("档案未使用（--no-archive）");
        return nullptr;
    }
    if (const std::string reason = archive->unavailableReason(); !reason.empty()) {
        window_.siteMessage->setCaption("档案不可用：" + reason);
        return nullptr;
    }
    return archive;
}

std::string ArchivePage::timeText(std::int64_t utcSeconds) {
    const ClockReading time = platform_.clock.at(utcSeconds);
    char text[32];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d %02d:%02d", time.year, time.month, time.day,
                  time.hour, time.minute);
    return text;
}

void ArchivePage::refresh() {
    const ArchiveId keep = formSite_;
    listSites();
    if (keep != 0) {
        for (std::size_t k = 0; k < sites_.size(); ++k) {
            if (sites_[k].id == keep) {
                window_.siteList->select(static_cast<int>(k));
            }
        }
        listSiteContents();
    }
}

void ArchivePage::listSites() {
    Archive* archive = usable();
    sites_ = archive != nullptr ? archive->sites(window_.siteSearch->text()) : std::vector<Site>{};
    std::vector<std::vector<std::string>> rows;
    for (const Site& site : sites_) {
        rows.push_back({site.fields.name, site.fields.account, site.fields.meterNumber});
    }
    window_.siteList->setRows(std::move(rows));
}

void ArchivePage::siteSearch_Change() {
    listSites();
}

void ArchivePage::siteList_Click(int row) {
    window_.siteList->select(row);
    if (row >= 0 && row < static_cast<int>(sites_.size())) {
        showSite(sites_[static_cast<std::size_t>(row)]);
    }
}

void ArchivePage::showSite(const std::optional<Site>& site) {
    formSite_ = site ? site->id : 0;
    const SiteFields fields = site ? site->fields : SiteFields{};
    const std::string* texts[8] = {&fields.name,         &fields.account,    &fields.address,
                                   &fields.meterNumber,  &fields.meterModel, &fields.currentRatio,
                                   &fields.voltageRatio, &fields.note};
    for (std::size_t k = 0; k < window_.siteField.size(); ++k) {
        window_.siteField[k]->setText(*texts[k]);
    }
    chooseOption(window_.Option6, fields.system == WiringSystem::ThreeWire ? 1 : 0);
    window_.siteMessage->setCaption(site ? "" : "新现场：填写后按 保存现场");
    listSiteContents();
}

void ArchivePage::listSiteContents() {
    Archive* archive = formSite_ != 0 ? usable() : nullptr;
    downloads_ =
        archive != nullptr ? archive->downloads(formSite_) : std::vector<DownloadSummary>{};
    inspections_ =
        archive != nullptr ? archive->inspections(formSite_) : std::vector<InspectionSummary>{};
    std::vector<std::vector<std::string>> rows;
    for (const DownloadSummary& d : downloads_) {
        rows.push_back({timeText(d.startUtc),
                        std::to_string(d.heldRecords) + "/" + std::to_string(d.reportedCount),
                        d.finished ? "完成" : "未完成"});
    }
    window_.downloadList->setRows(std::move(rows));
    rows.clear();
    for (const InspectionSummary& i : inspections_) {
        char k[32] = "-";
        if (i.correctionFactor && std::isfinite(*i.correctionFactor)) {
            std::snprintf(k, sizeof k, "%.3f", *i.correctionFactor);
        }
        rows.push_back({timeText(i.timeUtc), i.conclusion, k, i.inspector});
    }
    window_.inspectionList->setRows(std::move(rows));
}

SiteFields ArchivePage::formFields() const {
    SiteFields fields;
    std::string* texts[8] = {&fields.name,         &fields.account,    &fields.address,
                             &fields.meterNumber,  &fields.meterModel, &fields.currentRatio,
                             &fields.voltageRatio, &fields.note};
    for (std::size_t k = 0; k < window_.siteField.size(); ++k) {
        *texts[k] = window_.siteField[k]->text();
    }
    fields.system =
        chosenOption(window_.Option6) == 1 ? WiringSystem::ThreeWire : WiringSystem::FourWire;
    return fields;
}

void ArchivePage::Option6_Click(int index) {
    chooseOption(window_.Option6, index);
}

void ArchivePage::Command10_Click() {
    window_.siteList->select(-1);
    showSite(std::nullopt);
}

void ArchivePage::Command11_Click() {
    Archive* archive = usable();
    if (archive == nullptr) {
        return;
    }
    const SiteFields fields = formFields();
    std::string refused;
    if (fields.name.find_first_not_of(" \t") == std::string::npos) {
        refused = "户名不能为空";
    } else if (!ratioOk(fields.currentRatio)) {
        refused = "CT 变比应为 一次/二次（如 200/5）或 直接接入";
    } else if (!ratioOk(fields.voltageRatio)) {
        refused = "PT 变比应为 一次/二次（如 10000/100）或 直接接入";
    }
    if (!refused.empty()) {
        window_.siteMessage->setCaption("未保存：" + refused);
        return;
    }
    const ArchiveIdResult saved =
        archive->saveSite(formSite_, fields, platform_.clock.now().utcSeconds);
    if (!saved.ok()) {
        window_.siteMessage->setCaption("未保存：" + saved.error);
        return;
    }
    formSite_ = saved.id;
    refresh();
    window_.siteMessage->setCaption("已保存：" + fields.name + " (" + systemText(fields.system) +
                                    ")");
    // The current site follows its form: the wiring tab takes the new ratios and wiring.
    const std::optional<Site>& current = actions_.currentSite();
    if (current && current->id == formSite_) {
        actions_.setCurrentSite(archive->site(formSite_));
    }
}

void ArchivePage::Command12_Click() {
    Archive* archive = usable();
    if (archive == nullptr || formSite_ == 0) {
        return;
    }
    const std::optional<Site> site = archive->site(formSite_);
    if (!site) {
        return;
    }
    const std::string question =
        "删除现场“" + site->fields.name + "”？\r\n它的 " + std::to_string(downloads_.size()) +
        " 次下载和 " + std::to_string(inspections_.size()) + " 次检查记录将一并删除，不能恢复。";
    if (!platform_.desktop.confirm("删除现场", question)) {
        return;
    }
    const ArchiveResult deleted = archive->deleteSite(formSite_);
    if (!deleted.ok()) {
        window_.siteMessage->setCaption("未删除：" + deleted.error);
        return;
    }
    const std::optional<Site>& current = actions_.currentSite();
    if (current && current->id == formSite_) {
        actions_.setCurrentSite(std::nullopt);
    }
    listSites();
    showSite(std::nullopt);
    window_.siteMessage->setCaption("已删除：" + site->fields.name);
}

void ArchivePage::Command13_Click() {
    Archive* archive = usable();
    if (archive == nullptr || formSite_ == 0) {
        return;
    }
    const std::optional<Site> site = archive->site(formSite_);
    actions_.setCurrentSite(site);
    if (site) {
        window_.siteMessage->setCaption("当前现场：" + site->fields.name);
    }
}

void ArchivePage::downloadList_Click(int row) {
    window_.downloadList->select(row);
}

void ArchivePage::inspectionList_Click(int row) {
    window_.inspectionList->select(row);
}

void ArchivePage::Command14_Click() {
    const int row = window_.downloadList->selectedRow();
    if (row >= 0 && row < static_cast<int>(downloads_.size())) {
        actions_.openDownload(downloads_[static_cast<std::size_t>(row)].id);
    }
}

void ArchivePage::Command15_Click() {
    Archive* archive = usable();
    const int row = window_.downloadList->selectedRow();
    if (archive == nullptr || row < 0 || row >= static_cast<int>(downloads_.size())) {
        return;
    }
    const DownloadSummary& d = downloads_[static_cast<std::size_t>(row)];
    const std::string question = "删除 " + timeText(d.startUtc) + " 的下载？\r\n它的 " +
                                 std::to_string(d.heldRecords) + " 条记录将一并删除，不能恢复。";
    if (!platform_.desktop.confirm("删除下载", question)) {
        return;
    }
    const ArchiveResult deleted = archive->deleteDownload(d.id);
    window_.siteMessage->setCaption(deleted.ok() ? "已删除下载" : "未删除：" + deleted.error);
    listSiteContents();
}

void ArchivePage::Command16_Click() {
    Archive* archive = usable();
    const int row = window_.inspectionList->selectedRow();
    if (archive == nullptr || row < 0 || row >= static_cast<int>(inspections_.size())) {
        return;
    }
    if (const std::optional<Inspection> inspection =
            archive->inspection(inspections_[static_cast<std::size_t>(row)].id)) {
        actions_.openInspection(*inspection);
    }
}

void ArchivePage::Command17_Click() {
    Archive* archive = usable();
    const int row = window_.inspectionList->selectedRow();
    if (archive == nullptr || row < 0 || row >= static_cast<int>(inspections_.size())) {
        return;
    }
    const InspectionSummary& i = inspections_[static_cast<std::size_t>(row)];
    if (!platform_.desktop.confirm("删除检查",
                                   "删除 " + timeText(i.timeUtc) + " 的检查记录？不能恢复。")) {
        return;
    }
    const ArchiveResult deleted = archive->deleteInspection(i.id);
    window_.siteMessage->setCaption(deleted.ok() ? "已删除检查记录" : "未删除：" + deleted.error);
    listSiteContents();
}

void ArchivePage::Command20_Click() {
    const int row = window_.inspectionList->selectedRow();
    if (row < 0 || row >= static_cast<int>(inspections_.size())) {
        window_.siteMessage->setCaption("请先在列表中选定一次检查");
        return;
    }
    if (std::string said =
            writeCheckSheet(platform_, inspections_[static_cast<std::size_t>(row)].id);
        !said.empty()) {
        window_.siteMessage->setCaption(std::move(said));
    }
}

}  // namespace pm
