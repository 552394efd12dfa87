#pragma once

#include <utility>

#include "app/form1.h"
#include "fakes/fake_clock.h"
#include "fakes/fake_desktop.h"
#include "fakes/fake_output.h"
#include "fakes/recording_surface.h"
#include "fakes/virtual_serial.h"
#include "platform/memory_archive.h"
#include "platform/memory_grid.h"
#include "platform/virtual_scheduler.h"

namespace pm::testing {

// Form1 wired to fakes in virtual time: the whole program logic without a window system, with
// sixteen serial ports behind which a test can put simulated meters.
struct Rig {
    Rig() = default;
    explicit Rig(NumberFormat format) : numberFormat(std::move(format)) {}

    NumberFormat numberFormat;  // the regional settings the program sees
    VirtualScheduler scheduler;
    FakeClock clock;
    RecordingSurface surface;
    RecordingSurface wiringSurface;
    VirtualSerialPort serial{scheduler};
    MemoryGrid grid;
    FakeDesktop desktop;
    FakeCommonDialog dialog;
    FakeFiles files;
    FakeSnapshot snapshot;
    FakeWorkbook workbook;
    FakePrinter printer;
    FakeTextLog trendLog;
    FakeSnapshot chartSnapshot;
    MemoryArchive archive;
    FakeDocuments documents;
    Form1 form{PlatformSet{scheduler,
                           clock,
                           surface,
                           wiringSurface,
                           serial,
                           grid,
                           desktop,
                           dialog,
                           files,
                           snapshot,
                           workbook,
                           printer,
                           trendLog,
                           chartSnapshot,
                           numberFormat,
                           &archive,
                           {},
                           &documents}};

    WindowModel& w() { return form.window(); }
    MeterState& s() { return form.state(); }

    // Requests written so far, as codes (14000 for a clock frame), optionally only on one port.
    std::vector<int> requestCodes(int port = 0) const {
        std::vector<int> codes;
        for (const VirtualSerialPort::Write& write : serial.writes()) {
            if (port != 0 && write.port != port) {
                continue;
            }
            if (write.bytes.size() == 6 && write.bytes[0] == 0xBB) {
                codes.push_back(14000);
            } else if (write.bytes.size() == 3 && write.bytes[0] == 0xAA) {
                codes.push_back(write.bytes[1] + 256 * write.bytes[2]);
            }
        }
        return codes;
    }

    // Starts the program and runs until the scan has found the meter and stopped.
    void startAndLink(VirtualScheduler::Millis limitMs = 20'000) {
        form.Form_Load();
        while (w().Findcom.enabled() && scheduler.now() < limitMs) {
            scheduler.runNext();
        }
    }

    // Shows the history view as a click on its tab does.
    void clickTab(int index) {
        w().TabStrip1.select(index);
        form.TabStrip1_Click();
    }
};

}  // namespace pm::testing
