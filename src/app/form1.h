#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "app/meter_state.h"
#include "app/platform_set.h"
#include "platform/common_dialog.h"
#include "platform/files.h"
#include "window/window_model.h"

namespace pm {

struct LivePage;

// The main window's logic: the window model, the state record and the event handlers, under the
// names the handlers have always had. Toolkit-neutral; the Qt layer forwards events here.
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
    // Sends one request on the open port and arms the receive side for its reply.
    void sendRequest(std::int16_t code);

    // Receive event of the serial line: takes the reply and routes it by the last request.
    void MSComm1_OnComm();

    // Polling once a second: live data in the real-time view, a keep-alive in the history view.
    void comunication_Timer();
    // Declares the link lost after about five silent seconds and restarts the scan.
    void COMtimout_Timer();
    // Read: asks for the number of stored records.
    void Command1_Click();
    // Requests the stored records one by one, every 100 ms.
    void Readdat_Timer();

    // Switches between the real-time view and the history table.
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
    // Print: the view shown, on the printer chosen in the printer dialog.
    void Command4_Click();

    // The live-data branch of the receive handler: the real-time panel and the phasor diagram
    // from the measurement frame in rxBytes, step by step: readings, diagram, frequency, powers,
    // neutral current.
    void updateLivePanel();

  private:
    void handshakeReply();
    void recordCountReply();
    // Polling and the Read and Save buttons come back after a read, or after a link came up.
    void resumePolling();

    struct SaveTarget {
        std::string path;
        int fileTypeIndex = 1;
    };
    // Asks for the file to save to; nothing when the user cancelled.
    std::optional<SaveTarget> askSaveTarget(const std::vector<FileType>& types);
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
