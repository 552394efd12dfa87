// Cost of filing stored-record replies into the real Qt history table, and the memory a full
// table of 10,000 records takes. A read requests one record every 100 ms, so a reply must be
// handled well within that however many blocks the table already holds.
//
//   history_bench                                   all benchmarks
//   history_bench --benchmark_filter=ReadAll        the in-order read alone (clean memory figure)

#include <benchmark/benchmark.h>

#include <QApplication>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <fstream>
#include <string>
#include <vector>

#include "qt/fonts.h"
#include "qt/qt_grid.h"
#include "simulator/instrument_simulator.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace {

using Clock = std::chrono::steady_clock;

// A balanced three-phase reading: every cell of a block gets a value and all derived figures are
// computed, the most expensive kind of record.
const std::vector<std::uint8_t> kReply = pm::sim::encodeFrame(pm::sim::balancedReading());

double residentMegabytes() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0) {
            return std::stod(line.substr(6)) / 1024.0;  // the line gives kB
        }
    }
    return 0.0;
}

double medianMicroseconds(std::vector<double> samples) {
    if (samples.empty()) {
        return 0.0;
    }
    const auto middle = samples.begin() + static_cast<long>(samples.size() / 2);
    std::nth_element(samples.begin(), middle, samples.end());
    return *middle;
}

double elapsedMicroseconds(Clock::time_point since) {
    return std::chrono::duration<double, std::micro>(Clock::now() - since).count();
}

// The grid as the user sees it during a read: shown, on the history view.
struct ShownGrid {
    ShownGrid() {
        grid.setVisible(true);
        pm::setupGrid(grid);
        QApplication::processEvents();
    }
    pm::QtGrid grid;
};

// Reply n arriving while the table holds blocks 1 to n - 1: it adds a block, sets all row
// heights and writes 63 cells. Between samples the block is cut off again and the event loop
// runs, as it does between two replies of a read.
void BM_StoredRecordReply(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    ShownGrid shown;
    for (int k = 1; k < n; ++k) {
        pm::writeStoredRecord(shown.grid, kReply, k, {});
    }
    QApplication::processEvents();
    std::vector<double> samples;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        pm::writeStoredRecord(shown.grid, kReply, n, {});
        const double us = elapsedMicroseconds(start);
        state.SetIterationTime(us / 1e6);
        samples.push_back(us);
        QApplication::processEvents();
        shown.grid.setRows(9 * (n - 1));
        QApplication::processEvents();
    }
    state.counters["median_us"] = medianMicroseconds(samples);
    state.counters["rows"] = 9.0 * n;
}
// A fixed number of samples: each one also repaints the table, which takes far longer than the
// reply itself, and the default would spend minutes on that.
BENCHMARK(BM_StoredRecordReply)
    ->Arg(100)
    ->Arg(1000)
    ->Arg(10000)
    ->Iterations(500)
    ->UseManualTime()
    ->Unit(benchmark::kMicrosecond);

// A whole read of 10,000 records in order, one reply after the other with the event loop (and so
// the repaint) in between. Medians are over the last tenth of the replies up to 100, 1,000 and
// 10,000 records; the memory figure is taken with all 10,000 blocks in the table.
void BM_ReadAllRecordsInOrder(benchmark::State& state) {
    constexpr int kRecords = 10000;
    for (auto _ : state) {
        const double rssBefore = residentMegabytes();
        ShownGrid shown;
        std::vector<double> reply(kRecords + 1);
        std::vector<double> events(kRecords + 1);
        const Clock::time_point readStart = Clock::now();
        for (int k = 1; k <= kRecords; ++k) {
            Clock::time_point start = Clock::now();
            pm::writeStoredRecord(shown.grid, kReply, k, {});
            reply[static_cast<std::size_t>(k)] = elapsedMicroseconds(start);
            start = Clock::now();
            QApplication::processEvents();
            events[static_cast<std::size_t>(k)] = elapsedMicroseconds(start);
        }
        state.SetIterationTime(elapsedMicroseconds(readStart) / 1e6);
        for (const int at : {100, 1000, 10000}) {
            const auto from = static_cast<long>(at - at / 10 + 1);
            const std::string suffix = "_at_" + std::to_string(at);
            state.counters["reply_us" + suffix] = medianMicroseconds(
                std::vector<double>(reply.begin() + from, reply.begin() + at + 1));
            state.counters["events_us" + suffix] = medianMicroseconds(
                std::vector<double>(events.begin() + from, events.begin() + at + 1));
        }
        // The worst reply and the record it filed: a spike at one count of blocks (a store or
        // header that outgrew its room) shows here long before it shows in a median.
        const auto worst = std::max_element(reply.begin() + 1, reply.end());
        state.counters["reply_us_max"] = *worst;
        state.counters["reply_max_record"] = static_cast<double>(worst - reply.begin());
        state.counters["rss_MB_before"] = rssBefore;
        state.counters["rss_MB_10000_records"] = residentMegabytes();
        state.counters["rows"] = shown.grid.rows();
    }
}
BENCHMARK(BM_ReadAllRecordsInOrder)->Iterations(1)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

int main(int argc, char** argv) {
    // Benchmarks draw into an offscreen window, never onto someone's display.
    qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    pm::installFontSubstitutions();
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return 1;
    }
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
