#pragma once

// The history table as the window fills it from the simulator's first records: what a read of
// phasemeter-sim must give, whatever the line's timing.

#include <QLocale>

#include "adapters/qt_number_format.h"
#include "platform/memory_grid.h"
#include "simulator/instrument_simulator.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace pm {

inline MemoryGrid historyOf(int records) {
    MemoryGrid grid;
    setupGrid(grid);
    for (int n = 1; n <= records; ++n) {
        writeStoredRecord(grid, sim::encodeFrame(sim::storedReading(n)), n,
                          numberFormatOf(QLocale::system()));
    }
    return grid;
}

}  // namespace pm
