// Save, open and merge of scale scenes. The per-node time must stay flat from 10k to 100k nodes.
#include "bench/ScaleScene.h"

#include "host/application/HostInterface.h"

#include <benchmark/benchmark.h>

#include <filesystem>

namespace {

namespace fs = std::filesystem;

void PerNode(benchmark::State& state, int n) {
    state.counters["nodes"] = n;
    state.counters["per_node"] = benchmark::Counter(static_cast<double>(n) * static_cast<double>(state.iterations()),
                                                    benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

void BM_Save(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BuildScaleScene(ip, n);
    const MSTR path = WStr::FromUTF8((fs::temp_directory_path() / "ostrivans-bench-save.max").string());
    for (auto _ : state)
        if (!ip->SaveToFile(path.c_str())) state.SkipWithError("save failed");
    PerNode(state, n);
    ip->FileReset(TRUE);
}

void BM_Open(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    for (auto _ : state)
        if (!ip->LoadFromFile(path.c_str())) state.SkipWithError("open failed");
    PerNode(state, n);
    ip->FileReset(TRUE);
}

void BM_Merge(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    for (auto _ : state) {
        state.PauseTiming();
        ip->FileReset(TRUE);
        state.ResumeTiming();
        if (!ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr, MERGE_DUP_MTL_RENAME))
            state.SkipWithError("merge failed");
    }
    PerNode(state, n);
    ip->FileReset(TRUE);
}

BENCHMARK(BM_Save)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Open)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_Merge)->Arg(1000)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
