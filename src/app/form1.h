#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "app/archive_page.h"
#include "app/download_filing.h"
#include "app/meter_state.h"
#include "app/platform_set.h"
#include "app/trend_page.h"
#include "app/wiring_page.h"
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
    // Shows the archive's failure said last in the status bar as a message.
    void archiveReport_Timer();

    // Receive event of the serial line: takes the reply and routes it by the last request.
    void MSComm1_OnComm();

    // Polling once a second: live data in the real-time view and while a page needs it; a
    // keep-alive otherwise.
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

    // Save: the view shown, each in the forms it offers.
    void Command2_Click();
    void saveLiveView();
    void saveHistory();
    void exportWorkbook(const std::string& path);
    // Print: the view shown, on the printer chosen in the printer dialog.
    void Command4_Click();

    // A double-click in a record's block of the history table shows the wiring check of that
    // record, until 实时 is pressed.
    void Grid1_DblClick(int row, int col);

    // The pages beyond the real-time view and the history table, each with its own state and
    // its controls' handlers.
    WiringPage& wiringPage() { return wiringPage_; }
    const WiringPage& wiringPage() const { return wiringPage_; }
    TrendPage& trendPage() { return trendPage_; }
    ArchivePage& archivePage() { return archivePage_; }
    const TrendPage& trendPage() const { return trendPage_; }

    // The live-data branch of the receive handler: the real-time panel and the phasor diagram
    // from the measurement frame in rxBytes, step by step: readings, diagram, frequency, powers,
    // neutral current.
    void updateLivePanel();
    // Everything a live-data reply in rxBytes does: the real-time panel, then each page.
    void liveDataReply();

    // The site archive: the site chosen (shown on every tab, and the one reads are filed under),
    // the download the read running or ended last was filed as, and the one the history table
    // shows (0: a table not from the archive).
    void setCurrentSite(std::optional<Site> site);
    const std::optional<Site>& currentSite() const { return currentSite_; }
    ArchiveId filedDownload() const { return filing_.download(); }
    ArchiveId tableDownload() const { return tableDownload_; }
    // Puts a filed download into the history table as its read left it; false (and a message)
    // when the archive cannot give it.
    bool showDownload(ArchiveId id);
    // Shows a filed inspection on the wiring tab.
    void showInspection(const Inspection& inspection);
    // Says an archive failure in the status bar, and the first one also as a message.
    void reportArchiveFault(const std::string& reason);

    // Called at the end of every live-data reply, once the panel shows it and state().liveFrame
    // holds it: for a recorder of the live readings. Empty in the window.
    std::function<void()> onLiveReply;

  private:
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
    void reportPrintFailure(const std::string& reason);
    // The real-time page as the captions read now, for its text file and its printed report.
    LivePage livePage() const;
    // The page whose tab is shown, if it is one of pages_.
    Page* shownPage() const;
    // Whether a page needs the live data polled now.
    bool pagesNeedLiveData() const;
    // A recording started: polling comes back now unless a read runs, whose end brings it back.
    void pollLiveData();

    // The line above the tabs: the current site and the download the history table shows.
    void showArchiveLine();
    std::int64_t nowUtc();
    // What the archive page asks of the window.
    ArchivePage::Actions archiveActions();
    void selectTab(int tab);

    PlatformSet platform_;
    WindowModel window_;
    MeterState state_;
    DownloadFiling filing_{platform_.archive,
                           [this](const std::string& reason) { reportArchiveFault(reason); }};
    std::optional<Site> currentSite_;
    ArchiveId tableDownload_ = 0;
    bool tableDownloadFinished_ = false;
    bool archiveFaultSaid_ = false;
    std::string archiveFault_;
    // The clock fields can go into a clock-set frame only for the years 2000 to 2255.
    bool clockYearFits_ = false;
    WiringPage wiringPage_{platform_, window_, state_.liveFrame};
    TrendPage trendPage_{platform_, window_, [this] { pollLiveData(); }};
    ArchivePage archivePage_{platform_, window_, archiveActions()};
    // Every page, in the order their events are handed on.
    std::array<Page*, 3> pages_{&wiringPage_, &trendPage_, &archivePage_};
};

}  // namespace pm
