// main() of the benchmarks that run the whole window: the program is made and shown once, with
// no serial port to scan, then the benchmarks run.
#include <benchmark/benchmark.h>

#include <QApplication>

#include "window_bench_main.h"

namespace pm::bench {
namespace {

Program* instance = nullptr;

}  // namespace

Program& program() {
    return *instance;
}

}  // namespace pm::bench

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The window's port scan runs while the event loop does: keep it off the machine's ports.
    qputenv("PHASEMETER_PORTS", "");
    QApplication app(argc, argv);
    pm::prepareApplication();
    pm::Program program;
    program.show();
    QApplication::processEvents();
    pm::bench::instance = &program;
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
