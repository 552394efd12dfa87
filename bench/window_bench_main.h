#pragma once

#include "qt/program.h"

namespace pm::bench {

// The whole program, window shown (offscreen unless a platform is named), for benchmarks that
// time what the window does. Made by window_bench_main.cpp's main() before any benchmark runs.
Program& program();

}  // namespace pm::bench
