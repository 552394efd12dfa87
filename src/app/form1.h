#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/meter_state.h"
#include "app/platform_set.h"
#include "platform/clock.h"
#include "platform/common_dialog.h"
#include "platform/files.h"
#include "window/window_model.h"

namespace pm {

struct LivePage;

// The main window's logic: the window model, the state record and the event handlers, each named
// after its control and event. Toolkit-neutral; the Qt layer forwards events here.
class Form1 {
  public:
    explicit Form1(PlatformSet platform);
    Form1(const Form1&) = delete;
    Form1& operator=(const Form1&) = delete;

    WindowModel& window() { return window_; }
    const WindowModel& window() const { return window_; }
    MeterState& state() { return state_; }
    const MeterState& state() const { return state_; }
    const PlatformSet& platform() const { return platform_; }

    // Load handler: runs once, before the window is shown and before any other event.
    void Form_Load();

    // Status-bar clock tick (also run once by Form_Load).
    void Timer1_Timer();

    // Port scan: one port every tick until the meter answers the handshake.
    void Findcom_Timer();
    // Closes the open port, opens port n and shows the outcome in Label1.
    void comopen(std::int16_t n);
    // Sends one request on the open port, arms the receive side for its reply and starts the
    // wait for it.
    void sendRequest(std::int16_t code);
    // Sends the request now if no reply is due, or holds it until the line is free.
    void request(std::int16_t code);
    // The reply to the request sent last did not come within its wait: the line is free again.
    void replyWait_Timer();
    // Tells the user how a read that did not get everything ended.
    void readReport_Timer();

    // Receive event of the serial line: takes the reply and routes it by the last request.
    void MSComm1_OnComm();

    // Polling once a second: live data in the real-time view, on the wiring and trend pages and
    // while a recording runs; a keep-alive otherwise.
    void comunication_Timer();
    // Declares the link lost after about five silent seconds and restarts the scan.
    void COMtimout_Timer();
    // Read: asks for the number of stored records.
    void Command1_Click();
    // Requests the stored records one by one, every 100 ms, each only once the reply to the one
    // before it is in or waited out; a record that did not answer is asked once more.
    void Readdat_Timer();

    // Switches between the real-time view, the history table, the wiring check and the trend.
    void TabStrip1_Click();
    // Clear: empties the history table.
    void Command3_Click();
    // Close: ends the program.
    void Command5_Click();
    // Help: sets the meter's clock from the computer's, then shows the about box.
    void Command6_Click();

    // Save: the real-time page or the history table, by the view shown.
    void Command2_Click();
    void saveLiveView();
    void saveHistory();
    void exportWorkbook(const std::string& path);
    void saveWiring();
    // Print: the view shown, on the printer chosen in the printer dialog.
    void Command4_Click();

    // The wiring page's options: each click or edit re-runs the check with them.
    void Option1_Click(int index);  // 接线方式
    void Option2_Click(int index);  // 负载角
    void Option3_Click(int index);  // 功率方向
    void Option4_Click(int index);  // b相端子
    void Check1_Click();            // 经PT接入
    void Text1_Change(int index);   // load angle bounds, power factor, 抄见电量
    // 实时: the wiring page follows the live data again.
    void Command7_Click();
    // A double-click in a record's block of the history table shows the wiring check of that
    // record, until 实时 is pressed.
    void Grid1_DblClick(int row, int col);

    // The trend page: start and stop a recording, the quantities drawn and the span shown.
    void Command8_Click();
    void Command9_Click();
    void Check2_Click(int index);
    void Option5_Click(int index);
    // A gap in the live data (link lost, history read): one gap line in the recording per gap.
    void trendGap();

    // The live-data branch of the receive handler: the real-time panel and the phasor diagram
    // from the measurement frame in rxBytes, step by step: readings, diagram, frequency, powers,
    // neutral current.
    void updateLivePanel();
    // Everything a live-data reply in rxBytes does: the real-time panel, and the wiring check
    // while its page shows live data.
    void liveDataReply();

    // Called at the end of every live-data reply, once the panel shows it and state().liveFrame
    // holds it: for a recorder of the live readings. Empty in the window.
    std::function<void()> onLiveReply;

  private:
    // A live reading into the trend: the store, the recording's file, the chart when shown.
    void trendReply();
    void showTrendChart();
    void showRecordStatus();
    // Ends the recording; `failure` is why, when a write failed.
    void stopRecording(const std::string& failure);
    // One line of the recording, written at `now`; a failed write stops the recording. Whether
    // the line was written.
    bool appendRecordLine(const std::string& line, const ClockReading& now);
    void saveTrendChart();
    void printTrendChart();
    void handshakeReply();
    void recordCountReply();
    void storedRecordReply(std::int16_t record);
    // The line became free: what was held for it goes out, then a read step that was due.
    void lineFreed();
    // One step of a read: the record that did not answer once more, or the next one, or the end.
    void readStep();
    // Empty blocks for the records given up on below `before`, once a later block follows them
    // or the read ends; a read the lost link cuts short ends with its last answered record.
    void fileMissingRecords(int before);
    // The read is over: polling and the buttons come back, and missing records are named.
    void endRead();
    // Polling and the Read and Save buttons come back after a read, or after a link came up.
    void resumePolling();
    // The options as the wiring page's controls hold them, and which of them apply.
    void readWiringOptions();
    // Runs the wiring check on the reading it shows and fills the page.
    void showWiringCheck();
    // The wiring check as lines of text, for its file and its printed report.
    std::vector<std::string> wiringLines() const;

    struct SaveTarget {
        std::string path;
        int fileTypeIndex = 1;
    };
    // Asks for the file to save to; nothing when the user cancelled.
    std::optional<SaveTarget> askSaveTarget(const std::vector<FileType>& types,
                                            const std::string& proposedName = "Korvalendrix");
    void reportSaveFailure(const WriteResult& result);
    void reportPrintFailure(const std::string& reason);
    // The real-time page as the captions read now, for its text file and its printed report.
    LivePage livePage() const;

    PlatformSet platform_;
    WindowModel window_;
    MeterState state_;
    // The clock fields can go into a clock-set frame only for the years 2000 to 2255.
    bool clockYearFits_ = false;
};

}  // namespace pm
