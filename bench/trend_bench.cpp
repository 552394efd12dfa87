// The trend page after a day of recording: 86,400 readings a quantity. What one live reading
// costs with the chart shown (store, chart lines thinned to the chart's width, the chart's
// repaint), and what the day's readings take in memory.
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <QWidget>
#include <cmath>
#include <fstream>
#include <vector>

#include "simulator/instrument_simulator.h"
#include "view/trend_store.h"
#include "window_bench_main.h"

namespace {

constexpr int kDay = 86'400;

const std::vector<std::uint8_t> kFrame = pm::sim::encodeFrame(pm::sim::balancedReading());

pm::TrendRow rowAt(int t) {
    pm::TrendRow row;
    for (std::size_t k = 0; k < row.size(); ++k) {
        row[k] = static_cast<float>(100 + 10 * std::sin(t * 0.001 + static_cast<double>(k)));
    }
    return row;
}

void fillDay(pm::TrendStore& store, std::int64_t last) {
    for (int t = 0; t < kDay; ++t) {
        store.add(last - kDay + t, rowAt(t));
    }
}

double residentMegabytes() {
    std::ifstream statm("/proc/self/statm");
    long pages = 0;
    long resident = 0;
    statm >> pages >> resident;
    return static_cast<double>(resident) * static_cast<double>(sysconf(_SC_PAGESIZE)) / 1048576.0;
}

// One live reading with the trend page shown, over a span of the day; then the chart's
// synchronous repaint. Args: the span option (1: 5 min, 4: whole day), the quantities ticked
// (the first n), and whether to repaint.
void BM_TrendReadingAndRepaint(benchmark::State& state) {
    pm::Form1& form = pm::bench::program().form();
    pm::WindowModel& w = form.window();
    pm::TrendStore& store = form.trendPage().store();
    // The store fills only while the trend page is shown.
    w.TabStrip1.select(4);
    form.TabStrip1_Click();
    store.clear();
    form.state().rxBytes = kFrame;
    form.liveDataReply();  // the clock's second now, the day ends there
    const std::int64_t now = store.lastTime();
    store.clear();
    fillDay(store, now);
    for (std::size_t k = 0; k < w.Check2.size(); ++k) {
        w.Check2[k]->setValue(k < static_cast<std::size_t>(state.range(1)));
    }
    form.trendPage().Option5_Click(static_cast<int>(state.range(0)));
    QWidget* chart = pm::bench::program().window().widgetFor(w.Chart1);
    for (auto _ : state) {
        form.state().rxBytes = kFrame;
        form.liveDataReply();
        if (state.range(2) != 0) {
            chart->repaint();
        }
    }
    state.counters["readings"] = static_cast<double>(store.size());
    w.TabStrip1.select(1);
    form.TabStrip1_Click();
}
BENCHMARK(BM_TrendReadingAndRepaint)
    ->Args({1, 3, 1})
    ->Args({4, 3, 1})
    ->Args({4, 6, 1})
    ->Args({1, 17, 0})
    ->Args({1, 17, 1})
    ->Args({4, 17, 0})
    ->Args({4, 17, 1})
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly();

// Resident memory before and after a day of readings goes into a fresh store.
void BM_TrendDayMemory(benchmark::State& state) {
    for (auto _ : state) {
        const double before = residentMegabytes();
        pm::TrendStore store;
        fillDay(store, 2'000'000'000);
        const double after = residentMegabytes();
        state.counters["rss_before_MB"] = before;
        state.counters["rss_after_MB"] = after;
        state.counters["store_MB"] = static_cast<double>(store.capacityBytes()) / 1048576.0;
        benchmark::DoNotOptimize(store);
    }
}
BENCHMARK(BM_TrendDayMemory)->Iterations(1)->Unit(benchmark::kMillisecond);

}  // namespace
