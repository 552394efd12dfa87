#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/page.h"
#include "app/platform_set.h"
#include "view/trend_store.h"
#include "window/window_model.h"

namespace pm {

// The trend page and the recording it runs: every live reading while the page is shown or a
// recording runs goes into the trend store, and while a recording runs also into its CSV file.
class TrendPage final : public Page {
  public:
    // `pollLiveData` asks Form1 to poll the live data, which a recording needs from its start
    // whatever view is shown.
    TrendPage(const PlatformSet& platform, WindowModel& window, std::function<void()> pollLiveData);

    int tab() const override { return 4; }
    void load() override;
    void tabChanged(bool shown) override;
    bool needsLiveData() const override { return shown_ || recording_; }
    void liveReply(const std::vector<std::uint8_t>& frame) override;
    // One gap line in the recording per gap.
    void liveGap() override;
    void clockTick(const ClockReading& now) override;
    void save() override;
    void print() override;

    // Start and stop a recording, the quantities drawn and the span shown.
    void Command8_Click();
    void Command9_Click();
    void Check2_Click(int index);
    void Option5_Click(int index);

    bool shown() const { return shown_; }
    bool recording() const { return recording_; }
    TrendStore& store() { return store_; }
    const TrendStore& store() const { return store_; }

  private:
    void showChart();
    void showRecordStatus();
    // Ends the recording; `failure` is why, when a write failed.
    void stopRecording(const std::string& failure);
    // One line of the recording, written at `now`; a failed write stops the recording. Whether
    // the line was written.
    bool appendRecordLine(const std::string& line, const ClockReading& now);

    const PlatformSet& platform_;
    WindowModel& window_;
    std::function<void()> pollLiveData_;
    bool shown_ = false;
    // The live readings taken while the page was shown or a recording ran, for its chart.
    TrendStore store_;
    // The recording: its file, the lines written after the header, the second (UTC) it started
    // and the one it was seen running last, and whether the gap in the data going on now has its
    // line already.
    bool recording_ = false;
    std::string recordPath_;
    std::size_t recordLines_ = 0;
    std::int64_t recordStart_ = 0;
    std::int64_t recordNow_ = 0;
    bool gapWritten_ = false;
};

}  // namespace pm
