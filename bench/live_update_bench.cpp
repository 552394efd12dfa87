// One whole live update as the program does it once a second: decode the frame, rewrite the
// panel's captions on the real widgets, derive the powers and the neutral current, and redraw the
// phasor diagram on the Qt surface.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <vector>

#include "qt/qt_drawing_surface.h"
#include "simulator/instrument_simulator.h"
#include "view/phasor_diagram.h"
#include "window_bench_main.h"

namespace {

// Balanced three-phase frames; the second differs in every value so that every caption changes.
const std::vector<std::uint8_t> kFrames[2] = {
    pm::sim::encodeFrame(pm::sim::balancedReading()),
    pm::sim::encodeFrame({
        .voltage = {23010, 22980, 23006},
        .current = {5008, 4976, 5018},
        .voltageRange = {1, 1, 1},
        .currentRange = {3, 3, 3},
        .angle = {1205, 1195, 1202, 1204, 1197, 1201, 310, 290, 305},
        .frequency = 4998,
    }),
};

void BM_LiveUpdate(benchmark::State& state) {
    pm::Form1& form = pm::bench::program().form();
    std::size_t k = 0;
    for (auto _ : state) {
        form.state().rxBytes = kFrames[k++ & 1];
        form.liveDataReply();
    }
}
BENCHMARK(BM_LiveUpdate)->Unit(benchmark::kMicrosecond)->Repetitions(15)->DisplayAggregatesOnly();

// The same with the repaint that the event loop does after it, for a sense of the whole cost.
void BM_LiveUpdateAndRepaint(benchmark::State& state) {
    pm::Form1& form = pm::bench::program().form();
    std::size_t k = 0;
    for (auto _ : state) {
        form.state().rxBytes = kFrames[k++ & 1];
        form.updateLivePanel();
        QApplication::processEvents();
    }
}
BENCHMARK(BM_LiveUpdateAndRepaint)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly();

// The live update with the wiring page shown: the panel, the check and its labelled diagram.
void BM_LiveUpdateWithWiringCheck(benchmark::State& state) {
    pm::Form1& form = pm::bench::program().form();
    form.window().TabStrip1.select(3);
    form.TabStrip1_Click();
    std::size_t k = 0;
    for (auto _ : state) {
        form.state().rxBytes = kFrames[k++ & 1];
        form.liveDataReply();
    }
    form.window().TabStrip1.select(1);
    form.TabStrip1_Click();
}
BENCHMARK(BM_LiveUpdateWithWiringCheck)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(15)
    ->DisplayAggregatesOnly();

// The phasor diagram alone on the Qt surface of Picture2: most of the live update's cost.
void BM_PhasorRedraw(benchmark::State& state) {
    pm::QtDrawingSurface surface(QSize(2535 / pm::kTwipsPerPixel, 2415 / pm::kTwipsPerPixel));
    const pm::PhasorCaptions captions{
        {"230.00", "230.00", "230.00"},
        "5.000",
        {"120.0°", "120.0°", "120.0°", "120.0°", "120.0°", "120.0°", "30.0°", "30.0°", "30.0°"}};
    for (auto _ : state) {
        pm::redrawPhasorDiagram(surface, captions, pm::kPhasorXTable, pm::kPhasorYTable, {});
    }
}
BENCHMARK(BM_PhasorRedraw)->Unit(benchmark::kMicrosecond)->Repetitions(5)->DisplayAggregatesOnly();

}  // namespace
