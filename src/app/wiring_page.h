#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "analysis/transformer_ratio.h"
#include "analysis/wiring_check.h"
#include "app/page.h"
#include "app/platform_set.h"
#include "platform/archive.h"
#include "window/window_model.h"

namespace pm {

// The ratios a check of `site` works with: both of its entries filled in and read; nothing
// otherwise. The wiring page and the command-line check both take the site's ratios from here.
std::optional<SiteRatios> siteRatios(const SiteFields& site);

// The wiring check page: its options, the reading it analyses (the live data, or a record of the
// history table picked by a double-click) and the results with their diagram.
class WiringPage final : public Page {
  public:
    // `liveFrame` is Form1's latest live-data reply, which the page follows while it shows live
    // data.
    WiringPage(const PlatformSet& platform, WindowModel& window,
               const std::vector<std::uint8_t>& liveFrame);

    int tab() const override { return 3; }
    void load() override;
    void tabChanged(bool shown) override;
    bool needsLiveData() const override { return shown_; }
    void liveReply(const std::vector<std::uint8_t>& frame) override;
    void save() override;
    void print() override;

    // The options: each click or edit re-runs the check with them.
    void Option1_Click(int index);  // 接线方式
    void Option2_Click(int index);  // 负载角
    void Option3_Click(int index);  // 功率方向
    void Option4_Click(int index);  // b相端子
    void Check1_Click();            // 经PT接入
    void Text1_Change(int index);   // load angle bounds, power factor, 抄见电量
    // 实时: the page follows the live data again.
    void Command7_Click();
    // Shows the check of stored record `record` (from 1), whose reply is `frame`, until 实时.
    // `download` is the filed download the history table shows (0: none), for filing the check.
    void showRecord(std::int16_t record, const std::vector<std::uint8_t>& frame,
                    ArchiveId download = 0);
    // Shows a filed check as it was made: its reading and its options, 来源 naming it, until 实时.
    void showInspection(const Inspection& inspection);
    // 存档: files the check shown under the current site with the inspector and the note.
    void Command18_Click();
    // 报告: the record of the filed check shown, or else of the one 存档 filed last, as a PDF
    // file or on paper.
    void Command19_Click();
    // The site being inspected, or none. Its 接线方式 becomes the page's, and with both of its
    // ratios filled in and read the page shows the multiplier and the primary values and bills
    // by the multiplier; without them everything is secondary, as the meter shows it. The check
    // runs again.
    void setSite(const std::optional<SiteFields>& site, ArchiveId siteId = 0);
    std::optional<SiteRatios> ratios() const { return ratios_; }
    // 退补电量 (kWh): 抄见电量 × 倍率 × (K − 1), the multiplier 1 without the site's ratios;
    // nothing while K is infinite or unknown or 抄见电量 holds no number.
    std::optional<double> backBilledEnergy() const;

    bool shown() const { return shown_; }
    const WiringOptions& options() const { return options_; }
    std::int16_t record() const { return record_; }
    const std::vector<std::uint8_t>& frame() const { return frame_; }
    const WiringResult& result() const { return result_; }
    // The check 存档 filed last (0: none yet).
    ArchiveId lastInspection() const { return lastInspection_; }
    // The check as lines of text, for its file and its printed report.
    std::vector<std::string> lines() const;

  private:
    // One button of an option group chosen: the check runs again with the options.
    void choose(std::span<Choice* const> group, int index);
    // The options as the controls hold them, and which of them apply.
    void readOptions();
    // Runs the check on the reading shown and fills the page.
    void showCheck();
    // The multiplier, the table of primary values and the 抄见电量 caption as the ratios say.
    void showPrimaryValues();
    // Whether the page follows the live data (no record and no filed check shown).
    bool followsLiveData() const { return record_ == 0 && !filedSource_; }
    // Sets the option controls to `options`.
    void setChoices(const WiringOptions& options);
    InspectionSource source() const;

    const PlatformSet& platform_;
    WindowModel& window_;
    const std::vector<std::uint8_t>& liveFrame_;
    bool shown_ = false;
    // The options, the reading analysed (a copy, so that clearing the table leaves a shown record
    // alone), its record number (0: the live data) and the result.
    WiringOptions options_;
    std::vector<std::uint8_t> frame_;
    std::int16_t record_ = 0;
    WiringResult result_;
    std::optional<SiteRatios> ratios_;
    ArchiveId siteId_ = 0;
    std::optional<SiteFields> site_;
    ArchiveId download_ = 0;  // the download the record shown came from
    ArchiveId lastInspection_ = 0;
    ArchiveId shownInspection_ = 0;  // the filed check shown, until 实时 or another record
    // 来源 of a filed check shown, which holds its reading until 实时.
    std::optional<std::string> filedSource_;
};

}  // namespace pm
