// The trend page and its recording. Every live reading goes into the trend store; while a
// recording runs it also becomes one line of the recording's CSV file, written through to the
// disk at once, so a recording cut short by a crash keeps every reading it had. The chart gets
// only what it shows, thinned to its width in pixels.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <string>
#include <utility>

#include "app/page_output.h"
#include "app/trend_page.h"
#include "output/trend_log.h"
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/desktop.h"
#include "platform/printer.h"
#include "platform/snapshot.h"
#include "platform/text_log.h"

namespace pm {
namespace {

const FileType kCsvType{"csv格式 (*.csv)", "*.csv", ".csv"};
const FileType kPngType{"png格式 (*.png)", "*.png", ".png"};
const FileType kJpgType{"jpg格式 (*.jpg)", "*.jpg", ".jpg"};

// Seconds each span option shows; the last one, the whole recording, has none.
constexpr std::int64_t kSpanSeconds[4] = {60, 300, 900, 3600};

// Points the chart gets in all, over all its lines. The chart lays out every point of every line
// again at each reading, about a microsecond a point: with many quantities ticked each gets
// fewer buckets than the plot has pixel columns. Each bucket still keeps its lowest and highest
// value, so a spike shows whatever the bucket's width.
constexpr int kChartPointBudget = 4000;

// Where the printed chart goes, in twips from the printable area's corner.
constexpr int kChartPrintLeft = 500;
constexpr int kChartPrintTop = 500;

std::string twoDigits(int n) {
    char text[8];
    std::snprintf(text, sizeof text, "%02d", n % 100);
    return text;
}

std::string durationText(std::int64_t seconds) {
    char text[32];
    std::snprintf(text, sizeof text, "%02lld:%02lld:%02lld", static_cast<long long>(seconds / 3600),
                  static_cast<long long>(seconds / 60 % 60), static_cast<long long>(seconds % 60));
    return text;
}

std::string fileNameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// The latest value as the panel would show it: the decimals go with the unit.
std::string latestText(const TrendQuantity& quantity, double value) {
    if (std::isnan(value)) {
        return std::string(quantity.name) + " = --";
    }
    const std::string unit = quantity.unit;
    const int decimals = unit == "V" || unit == "Hz" ? 2 : unit == "A" || unit.empty() ? 3 : 4;
    char text[64];
    std::snprintf(text, sizeof text, "%s = %.*f %s", quantity.name, decimals, value, quantity.unit);
    return text;
}

}  // namespace

TrendPage::TrendPage(const PlatformSet& platform, WindowModel& window,
                     std::function<void()> pollLiveData)
    : platform_(platform), window_(window), pollLiveData_(std::move(pollLiveData)) {}

void TrendPage::load() {
    window_.Command9.setEnabled(false);
}

void TrendPage::tabChanged(bool shown) {
    shown_ = shown;
    if (shown) {
        showChart();
    }
}

void TrendPage::clockTick(const ClockReading& now) {
    if (recording_) {
        recordNow_ = now.utcSeconds;
        showRecordStatus();  // its elapsed time
    }
}

void TrendPage::liveReply(const std::vector<std::uint8_t>& frame) {
    // The store fills only for the trend page: the other views poll for days and keep nothing.
    if (!shown_ && !recording_) {
        return;
    }
    const ClockReading now = platform_.clock.now();
    const TrendValues values = trendValues(frame);
    store_.add(now.utcSeconds, trendRow(values));
    gapWritten_ = false;
    if (recording_ && !appendRecordLine(trendCsvLine(isoLocalTime(now), values), now)) {
        return;
    }
    if (shown_) {
        showChart();
    }
}

void TrendPage::liveGap() {
    if (!recording_ || gapWritten_) {
        return;
    }
    gapWritten_ = true;
    const ClockReading now = platform_.clock.now();
    appendRecordLine(trendCsvGap(isoLocalTime(now)), now);
}

bool TrendPage::appendRecordLine(const std::string& line, const ClockReading& now) {
    const WriteResult result = platform_.trendLog.appendLine(line);
    if (!result.ok()) {
        stopRecording(result.error);
        return false;
    }
    ++recordLines_;
    recordNow_ = now.utcSeconds;
    showRecordStatus();
    return true;
}

void TrendPage::Command8_Click() {
    if (recording_) {
        return;
    }
    const ClockReading now = platform_.clock.now();
    const std::string proposed = "记录_" + std::to_string(now.year) + twoDigits(now.month) +
                                 twoDigits(now.day) + "_" + twoDigits(now.hour) +
                                 twoDigits(now.minute) + twoDigits(now.second) + ".csv";
    const std::optional<SaveTarget> target = askSaveTarget(platform_, {kCsvType}, proposed);
    if (!target) {
        return;
    }
    TextLog& log = platform_.trendLog;
    WriteResult result = log.open(target->path);
    if (result.ok()) {
        result = log.appendLine(trendCsvHeader());
    }
    if (!result.ok()) {
        log.close();
        platform_.desktop.beep();
        platform_.desktop.showMessage(MessageIcon::Warning, "Saving Error!",
                                      "记录写入出错.\r\n" + result.error);
        return;
    }
    recording_ = true;
    recordPath_ = target->path;
    recordLines_ = 0;
    // The recording starts when the dialog closes, not when it opened.
    recordStart_ = platform_.clock.now().utcSeconds;
    recordNow_ = recordStart_;
    // A recording that starts without a link starts in a gap: nothing to mark yet.
    gapWritten_ = true;
    window_.Command8.setEnabled(false);
    window_.Command9.setEnabled(true);
    showRecordStatus();
    pollLiveData_();
}

void TrendPage::Command9_Click() {
    if (recording_) {
        stopRecording("");
    }
}

void TrendPage::stopRecording(const std::string& failure) {
    platform_.trendLog.close();
    recording_ = false;
    window_.Command8.setEnabled(true);
    window_.Command9.setEnabled(false);
    showRecordStatus();
    if (!failure.empty()) {
        platform_.desktop.beep();
        platform_.desktop.showMessage(MessageIcon::Warning, "Saving Error!",
                                      "记录写入出错.\r\n" + failure);
    }
}

void TrendPage::showRecordStatus() {
    if (recordPath_.empty()) {
        return;
    }
    const std::int64_t elapsed = std::max<std::int64_t>(0, recordNow_ - recordStart_);
    window_.StatusBar1.setPanelText(
        2, std::string(recording_ ? "记录中: " : "记录已停止: ") + fileNameOf(recordPath_) + "  " +
               std::to_string(recordLines_) + "行  " + durationText(elapsed));
}

void TrendPage::Check2_Click(int) {
    showChart();
}

void TrendPage::Option5_Click(int index) {
    chooseOption(window_.Option5, index);
    showChart();
}

void TrendPage::showChart() {
    const TrendStore& store = store_;
    const int span = chosenOption(window_.Option5);
    std::int64_t to = store.empty() ? platform_.clock.now().utcSeconds : store.lastTime();
    std::int64_t from = 0;
    if (span >= 0 && span < 4) {
        from = to - kSpanSeconds[span] + 1;
    } else {
        from = recording_ || !recordPath_.empty() ? recordStart_
               : store.empty()                    ? to - 59
                                                  : store.firstTime();
        to = std::max(to, from + 59);
    }
    // At most one bucket per pixel column of the chart's plot, a little narrower than the chart.
    int ticked = 0;
    for (const auto& check : window_.Check2) {
        ticked += check->value() ? 1 : 0;
    }
    const int columns = std::max(1, window_.Chart1.geometry().width / kTwipsPerPixel - 80);
    const int buckets = std::clamp(kChartPointBudget / std::max(1, 2 * ticked), 1, columns);
    std::vector<Chart::Line> lines;
    std::string latest;
    for (std::size_t k = 0; k < kTrendQuantities.size(); ++k) {
        if (!window_.Check2[k]->value()) {
            continue;
        }
        const TrendQuantity& quantity = kTrendQuantities[k];
        lines.push_back({quantity.name, store.thinned(quantity, from, to, buckets)});
        latest += latestText(quantity, store.latest(quantity)) + "\n";
    }
    window_.Chart1.setLines(std::move(lines), static_cast<double>(from), static_cast<double>(to));
    window_.latest->setCaption(latest);
}

void TrendPage::save() {
    platform_.chartSnapshot.take();
    const std::optional<SaveTarget> target = askSaveTarget(platform_, {kPngType, kJpgType});
    if (!target) {
        return;
    }
    reportSaveFailure(platform_, platform_.chartSnapshot.save(target->path));
}

void TrendPage::print() {
    platform_.chartSnapshot.take();
    platform_.printer.paintSnapshot(platform_.chartSnapshot, kChartPrintLeft, kChartPrintTop);
}

}  // namespace pm
