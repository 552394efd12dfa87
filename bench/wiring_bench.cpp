// One wiring check as the window runs it on every live reply: decode the frame, try every
// explanation, rank them and compute the correction factors.
#include <benchmark/benchmark.h>

#include <vector>

#include "analysis/wiring_check.h"
#include "simulator/instrument_simulator.h"

namespace {

// Four-wire with I1 reversed and I2, I3 swapped; three-wire correct; three-wire with the a-b PT
// reversed and the terminals on c', a', b' (U12 root 3 times U32). All at a 20 degree load.
const std::vector<std::uint8_t> kFourWire = pm::sim::encodeFrame(
    pm::sim::phasorReading(*pm::sim::parsePhasors("U=220@0,220@120,220@240 I=5@200,5@260,5@140")));
const std::vector<std::uint8_t> kThreeWire = pm::sim::encodeFrame(
    pm::sim::phasorReading(*pm::sim::parsePhasors("U=100@330,0@0,100@270 I=5@20,0@0,5@260")));

const std::vector<std::uint8_t> kThreeWireReversedPt = pm::sim::encodeFrame(
    pm::sim::phasorReading(*pm::sim::parsePhasors("U=173.2@0,0@0,100@30 I=5@80,0@0,5@320")));

void BM_WiringCheck(benchmark::State& state) {
    pm::WiringOptions options;
    const bool threeWire = state.range(0) >= 1;
    if (threeWire) {
        options.system = pm::WiringSystem::ThreeWire;
    }
    options.averagePowerFactor = 0.9;
    const std::vector<std::uint8_t>& frame = state.range(0) == 2 ? kThreeWireReversedPt
                                             : threeWire         ? kThreeWire
                                                                 : kFourWire;
    for (auto _ : state) {
        benchmark::DoNotOptimize(pm::checkWiring(pm::wiringReading(frame), options));
    }
}
BENCHMARK(BM_WiringCheck)
    ->Arg(0)
    ->Arg(1)
    ->Arg(2)
    ->Unit(benchmark::kMicrosecond)
    ->Repetitions(5)
    ->DisplayAggregatesOnly();

}  // namespace

BENCHMARK_MAIN();
