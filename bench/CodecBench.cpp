#include "BenchData.h"
#include "Cp932.h"

#include <benchmark/benchmark.h>

static void BM_Cp932Decode(benchmark::State& state) {
    const QByteArray doc = LargeCp932Document();
    for (auto _ : state)
        benchmark::DoNotOptimize(Cp932::Decode(doc));
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_Cp932Decode)->Unit(benchmark::kMillisecond);

static void BM_Cp932Encode(benchmark::State& state) {
    const QByteArray doc = LargeCp932Document();
    const QString text = Cp932::Decode(doc);
    for (auto _ : state)
        benchmark::DoNotOptimize(Cp932::Encode(text));
    state.SetBytesProcessed(state.iterations() * doc.size());
}
BENCHMARK(BM_Cp932Encode)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
