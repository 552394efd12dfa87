#pragma once

#include <functional>
#include <optional>
#include <vector>

#include "app/page.h"
#include "app/platform_set.h"
#include "platform/archive.h"
#include "window/window_model.h"

namespace pm {

// The archive page: the sites with a search as you type, the chosen site's form, its downloads
// and its inspections. Opening a download or an inspection and choosing the current site are
// Form1's business; the page asks for them through `Actions`.
class ArchivePage final : public Page {
  public:
    struct Actions {
        std::function<void(std::optional<Site>)> setCurrentSite;
        std::function<const std::optional<Site>&()> currentSite;
        std::function<bool(ArchiveId)> openDownload;
        std::function<void(const Inspection&)> openInspection;
    };
    ArchivePage(const PlatformSet& platform, WindowModel& window, Actions actions);

    int tab() const override { return 5; }
    void load() override;
    void tabChanged(bool shown) override;
    bool needsLiveData() const override { return false; }
    void save() override {}
    void print() override {}

    void siteSearch_Change();
    void siteList_Click(int row);
    void Option6_Click(int index);
    void Command10_Click();  // 新建现场: an empty form
    void Command11_Click();  // 保存现场
    void Command12_Click();  // 删除现场, with its downloads and inspections, once asked
    void Command13_Click();  // 设为当前现场
    void downloadList_Click(int row);
    void inspectionList_Click(int row);
    void Command14_Click();  // 打开下载
    void Command15_Click();  // 删除下载
    void Command16_Click();  // 打开检查
    void Command17_Click();  // 删除检查
    void Command20_Click();  // 报告 of the inspection chosen, as a PDF file or on paper

    // The site the form shows (0: a new one).
    ArchiveId formSite() const { return formSite_; }
    // The lists again, from the archive (after a read or a check was filed).
    void refresh();

  private:
    void listSites();
    void showSite(const std::optional<Site>& site);
    void listSiteContents();
    SiteFields formFields() const;
    // The archive, or nothing (and the reason on the page) when it cannot be used.
    Archive* usable();
    std::string timeText(std::int64_t utcSeconds);

    const PlatformSet& platform_;
    WindowModel& window_;
    Actions actions_;
    std::vector<Site> sites_;
    std::vector<DownloadSummary> downloads_;
    std::vector<InspectionSummary> inspections_;
    ArchiveId formSite_ = 0;
};

}  // namespace pm
