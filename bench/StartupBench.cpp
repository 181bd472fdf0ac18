// Process start to the main window's first paint, measured by the program
// itself against the clock read here just before it is spawned.
#include <benchmark/benchmark.h>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <string>

namespace {

std::int64_t MonotonicNs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return std::int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double StartOnce() {
    const std::string cmd = "VEXLA_STARTED_NS=" + std::to_string(MonotonicNs()) + " " VEXLA_EXE;
    FILE* p = popen(cmd.c_str(), "r");
    double ms = -1;
    if (p) {
        if (std::fscanf(p, "first-paint-ms %lf", &ms) != 1)
            ms = -1;
        pclose(p);
    }
    return ms;
}

} // namespace

static void BM_StartToFirstPaint(benchmark::State& state) {
    for (auto _ : state) {
        const double ms = StartOnce();
        if (ms < 0) {
            state.SkipWithError("the program did not report its first paint");
            break;
        }
        state.SetIterationTime(ms / 1000.0);
    }
}
BENCHMARK(BM_StartToFirstPaint)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1)
    ->Repetitions(15)
    ->ReportAggregatesOnly(true);

BENCHMARK_MAIN();
