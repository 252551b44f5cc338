#include <benchmark/benchmark.h>

#include "ListGenerator.h"
#include "unCommon.h"

static void BM_TransformList(benchmark::State& state) {
    const auto lines = orvane::bench::GenerateList(static_cast<std::size_t>(state.range(0)));
    const std::vector<std::string_view> views(lines.begin(), lines.end());
    for (auto _ : state) {
        auto out = orvane::TransformList(views, true, true, 1, " / ");
        benchmark::DoNotOptimize(out);
    }
    state.SetItemsProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_TransformList)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMillisecond);

static void BM_TransformLine(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(orvane::TransformLine("192.168.10.0/255.255.255.0", 1, " / "));
}
BENCHMARK(BM_TransformLine);

BENCHMARK_MAIN();
