// The site archive as the window's handlers reach it: the current site, the download the history
// table shows, and what the window says when the archive fails.
#include <string>

#include "app/form1.h"
#include "platform/archive.h"
#include "platform/desktop.h"
#include "view/download_table.h"

namespace pm {

void Form1::setCurrentSite(std::optional<Site> site) {
    currentSite_ = std::move(site);
    wiringPage_.setSite(
        currentSite_ ? std::optional<SiteFields>(currentSite_->fields) : std::nullopt,
        currentSite_ ? currentSite_->id : 0);
    showArchiveLine();
}

bool Form1::showDownload(ArchiveId id) {
    Archive* archive = platform_.archive;
    std::optional<Download> download = archive != nullptr ? archive->download(id) : std::nullopt;
    if (!download) {
        const std::string reason = archive == nullptr || archive->unavailableReason().empty()
                                       ? std::string("档案中没有下载 ") + std::to_string(id)
                                       : archive->unavailableReason();
        platform_.desktop.showMessage(MessageIcon::Warning, "档案", "无法打开下载：" + reason);
        return false;
    }
    state_.recordFrames = writeDownload(platform_.grid, *download, platform_.numberFormat);
    tableDownload_ = id;
    tableDownloadFinished_ = download->summary.finished;
    showArchiveLine();
    return true;
}

void Form1::reportArchiveFault(const std::string& reason) {
    const std::string text = "档案不可用：" + reason;
    window_.StatusBar1.setPanelText(2, text);
    if (archiveFaultSaid_) {
        return;
    }
    archiveFaultSaid_ = true;
    archiveFault_ = text;
    // A box opened inside the load or the receive event would hold back the window or the replies.
    window_.archiveReport.setEnabled(true);
}

void Form1::archiveReport_Timer() {
    window_.archiveReport.setEnabled(false);
    platform_.desktop.showMessage(
        MessageIcon::Warning, "档案不可用",
        archiveFault_ + "\r\n读取、保存和打印照常进行，只是不存入档案。\r\n" +
            (platform_.archive != nullptr ? platform_.archive->location() : std::string()));
}

void Form1::showArchiveLine() {
    if (platform_.archive == nullptr) {
        return;
    }
    std::string line = "现场：" + (currentSite_ ? currentSite_->fields.name : "未指定现场");
    if (tableDownload_ != 0) {
        line += "    历史表：下载 " + std::to_string(tableDownload_) +
                (tableDownloadFinished_ ? "" : "（未完成）");
    }
    window_.archiveLine.setCaption(std::move(line));
}

void Form1::showInspection(const Inspection& inspection) {
    wiringPage_.showInspection(inspection);
    selectTab(3);
}

ArchivePage::Actions Form1::archiveActions() {
    return {
        [this](std::optional<Site> site) { setCurrentSite(std::move(site)); },
        [this]() -> const std::optional<Site>& { return currentSite_; },
        [this](ArchiveId id) {
            const bool shown = showDownload(id);
            if (shown) {
                selectTab(2);
            }
            return shown;
        },
        [this](const Inspection& inspection) { showInspection(inspection); },
    };
}

void Form1::selectTab(int tab) {
    window_.TabStrip1.select(tab);
    TabStrip1_Click();
}

std::int64_t Form1::nowUtc() {
    return platform_.clock.now().utcSeconds;
}

}  // namespace pm
