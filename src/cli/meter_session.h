#pragma once

#include <functional>
#include <iosfwd>
#include <memory>
#include <optional>
#include <string>

#include "adapters/qt_clock.h"
#include "adapters/qt_files.h"
#include "adapters/qt_scheduler.h"
#include "adapters/qt_serial_control.h"
#include "adapters/qt_text_log.h"
#include "adapters/xlsx_workbook.h"
#include "app/form1.h"
#include "cli/headless_platform.h"
#include "platform/memory_grid.h"

namespace pm {

// Exit statuses shared by the commands that talk to the meter.
constexpr int kExitOk = 0;
constexpr int kExitFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitNoMeter = 3;
constexpr int kExitLinkLost = 4;
constexpr int kExitNotACount = 5;       // read: the count reply was no count
constexpr int kExitRecordsMissing = 6;  // read: some records never answered
constexpr int kExitReadNotFiled = 7;    // read: the archive could not take the read

// The window's logic with the real line to the meter and no window: the same scan of ports 1 to
// 16, handshake, requests, pacing and time-out, driven by the Qt event loop. Needs a
// QCoreApplication.
class MeterSession {
  public:
    // With a device given, it is the only port (port 1); otherwise PHASEMETER_PORTS or the
    // system's list decide, as for the window. With an archive, reads are filed in it as the
    // window files them.
    MeterSession(const std::string& device, std::ostream& err, Archive* archive = nullptr);
    ~MeterSession();

    Form1& form() { return *form_; }
    Clock& clock() { return clock_; }
    Grid& grid() { return grid_; }
    Files& files() { return files_; }
    WorkbookWriter& workbook() { return workbook_; }

    // Runs the load handler, then the event loop until `step` gives an exit status. `step` is
    // asked every 50 ms.
    int run(const std::function<std::optional<int>()>& step);

    // Linked, and the scan has handed over to polling: requests may go out now.
    bool ready() const;
    // The scan tried every port without an answer.
    bool noMeter() const { return serial_.scanRoundDone() && !everLinked_; }
    // Linked once, and the time-out declared the link lost since.
    bool linkLost() const { return everLinked_ && !form_->state().linked; }

    // "port 2 (/dev/ttyUSB0)", the port the meter was linked on last or the one named.
    static std::string portText(int port);
    std::string linkedPortText() const { return portText(linkedPort_); }
    // Why no port held the meter, one line per port that has a device behind it.
    void reportNoMeter(const std::string& command) const;

  private:
    std::ostream& err_;
    QtScheduler scheduler_;
    QtClock clock_;
    QtSerialControl line_;
    WatchedSerial serial_{line_};
    NullSurface surface_;
    NullSurface wiringSurface_;
    MemoryGrid grid_;
    StderrDesktop desktop_;
    ClosedDialog dialog_;
    QtFiles files_;
    NullSnapshot snapshot_;
    XlsxWorkbookWriter workbook_;
    NullPrinter printer_;
    QtTextLog trendLog_;  // the window's trend recording, never started here
    NullSnapshot chartSnapshot_;
    std::unique_ptr<Form1> form_;
    bool everLinked_ = false;
    int linkedPort_ = 0;
};

// Set by SIGINT (Ctrl-C) once a command has asked for it: the command then ends in order.
bool interrupted();
void catchInterrupt();

}  // namespace pm
