// Cost of saving a full history table of 10,000 records (90,000 rows by 7 columns): as a
// workbook, in both of libxlsxwriter's modes, and as a text file. The save runs on the user's
// click with the window frozen until it returns, so it has to stay within a second or so, and
// the workbook must not take hundreds of megabytes on top of the table itself.
//
//   output_bench                                        all benchmarks
//   output_bench --benchmark_filter=Workbook/1          the writer's default (constant memory)
//
// Peak memory: before each save the kernel's high-water mark is reset to the current resident
// size (echo 5 > /proc/self/clear_refs), so peak_MB is the highest resident size during that
// save, the table included, and save_MB what the save added on top of it.

#include <benchmark/benchmark.h>
#include <malloc.h>
#include <stdlib.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "adapters/qt_files.h"
#include "adapters/xlsx_workbook.h"
#include "output/history_text.h"
#include "platform/memory_grid.h"
#include "simulator/instrument_simulator.h"
#include "view/history_layout.h"
#include "view/stored_record.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRecords = 10000;

// The table after reading all 10,000 records, built once for every benchmark.
const pm::MemoryGrid& fullHistory() {
    static const pm::MemoryGrid grid = [] {
        pm::MemoryGrid g;
        pm::setupGrid(g);
        for (int n = 1; n <= kRecords; ++n) {
            pm::writeStoredRecord(g, pm::sim::encodeFrame(pm::sim::storedReading(n)), n, {});
        }
        return g;
    }();
    return grid;
}

// A folder for the files written, removed with everything in it at the end.
struct ScratchFolder {
    ScratchFolder() {
        std::string pattern = (fs::temp_directory_path() / "output-bench-XXXXXX").string();
        if (::mkdtemp(pattern.data()) != nullptr) {
            path = pattern;
        }
    }
    ~ScratchFolder() {
        if (!path.empty()) {
            fs::remove_all(path);
        }
    }
    fs::path path;
};

// A line of /proc/self/status in megabytes ("VmRSS:", "VmHWM:"), 0 when it is not there.
double statusMegabytes(const std::string& key) {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(key, 0) == 0) {
            return std::stod(line.substr(key.size())) / 1024.0;  // the line gives kB
        }
    }
    return 0.0;
}

// Hands freed memory back first, so that one save's leftovers do not count as the next one's
// starting point, then makes the high-water mark start from here.
bool resetPeakMemory() {
    ::malloc_trim(0);
    std::ofstream clearRefs("/proc/self/clear_refs");
    clearRefs << "5";
    clearRefs.flush();
    return static_cast<bool>(clearRefs);
}

double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Arg 1: constant-memory mode (the writer's default), 0: every cell held until the end.
void BM_Workbook(benchmark::State& state) {
    const pm::MemoryGrid& grid = fullHistory();
    ScratchFolder folder;
    const fs::path file = folder.path / "history.xlsx";
    pm::XlsxWorkbookWriter writer({.constantMemory = state.range(0) != 0});
    double peak = 0.0;
    double before = 0.0;
    for (auto _ : state) {
        if (!resetPeakMemory()) {
            state.SkipWithError("cannot reset the peak memory figure");
            break;
        }
        before = statusMegabytes("VmRSS:");
        const Clock::time_point start = Clock::now();
        const pm::WriteResult result = writer.write(file.string(), grid);
        state.SetIterationTime(secondsSince(start));
        peak = std::max(peak, statusMegabytes("VmHWM:"));
        if (!result.ok()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
    }
    state.counters["rss_before_MB"] = before;
    state.counters["peak_MB"] = peak;
    state.counters["save_MB"] = peak - before;
    state.counters["file_MB"] =
        fs::exists(file) ? static_cast<double>(fs::file_size(file)) / 1e6 : 0;
    state.counters["cells"] = static_cast<double>(grid.rows()) * grid.cols();
}
BENCHMARK(BM_Workbook)
    ->Arg(1)
    ->Arg(0)
    ->Iterations(3)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond);

// The history text file: composing its lines from the table and writing them out.
void BM_HistoryText(benchmark::State& state) {
    const pm::MemoryGrid& grid = fullHistory();
    ScratchFolder folder;
    const fs::path file = folder.path / "history.txt";
    pm::QtFiles files(QString::fromStdString(folder.path.string()));
    double compose = 0.0;
    double write = 0.0;
    std::size_t lineCount = 0;
    for (auto _ : state) {
        const Clock::time_point start = Clock::now();
        const std::vector<std::string> lines = pm::historyTextLines(grid, kRecords);
        const Clock::time_point composed = Clock::now();
        const pm::WriteResult result = files.writeTextFile(file.string(), lines);
        state.SetIterationTime(secondsSince(start));
        compose += std::chrono::duration<double, std::milli>(composed - start).count();
        write += std::chrono::duration<double, std::milli>(Clock::now() - composed).count();
        lineCount = lines.size();
        if (!result.ok()) {
            state.SkipWithError(result.error.c_str());
            break;
        }
    }
    const auto runs =
        static_cast<double>(std::max<benchmark::IterationCount>(state.iterations(), 1));
    state.counters["compose_ms"] = compose / runs;
    state.counters["write_ms"] = write / runs;
    state.counters["lines"] = static_cast<double>(lineCount);
    state.counters["file_MB"] =
        fs::exists(file) ? static_cast<double>(fs::file_size(file)) / 1e6 : 0;
}
BENCHMARK(BM_HistoryText)->Iterations(5)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
