// One whole live update as the program does it once a second: decode the frame, rewrite the
// panel's captions on the real widgets, derive the powers and the neutral current, and redraw the
// phasor diagram on the Qt surface.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <vector>

#include "ui/program.h"

namespace {

// Balanced three-phase frames; the second differs in every value so that every caption changes.
const std::vector<std::uint8_t> kFrames[2] = {
    {0xD8, 0x59, 0xD8, 0x59, 0xD8, 0x59, 0x88, 0x13, 0x88, 0x13, 0x88, 0x13, 0x01,
     0x01, 0x01, 0x03, 0x03, 0x03, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04, 0xB0, 0x04,
     0xB0, 0x04, 0xB0, 0x04, 0x2C, 0x01, 0x2C, 0x01, 0x2C, 0x01, 0x88, 0x13, 0x00},
    {0xE2, 0x59, 0xC4, 0x59, 0xDE, 0x59, 0x90, 0x13, 0x70, 0x13, 0x9A, 0x13, 0x01,
     0x01, 0x01, 0x03, 0x03, 0x03, 0xB5, 0x04, 0xAB, 0x04, 0xB2, 0x04, 0xB4, 0x04,
     0xAD, 0x04, 0xB1, 0x04, 0x36, 0x01, 0x22, 0x01, 0x31, 0x01, 0x86, 0x13, 0x00},
};

pm::Program* program = nullptr;

void BM_LiveUpdate(benchmark::State& state) {
    pm::Form1& form = program->form();
    std::size_t k = 0;
    for (auto _ : state) {
        form.state().rxBytes = kFrames[k++ & 1];
        form.updateLivePanel();
    }
}
BENCHMARK(BM_LiveUpdate)->Unit(benchmark::kMicrosecond)->Repetitions(15)->DisplayAggregatesOnly();

// The same with the repaint that the event loop does after it, for a sense of the whole cost.
void BM_LiveUpdateAndRepaint(benchmark::State& state) {
    pm::Form1& form = program->form();
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

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The window's port scan runs while the event loop does: keep it off the machine's ports.
    qputenv("PHASEMETER_PORTS", "");
    QApplication app(argc, argv);
    pm::prepareApplication();
    pm::Program instance;
    instance.show();
    QApplication::processEvents();
    program = &instance;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
