// Loading a reference against the host's bare merge of the same file: binding every merged node and
// material to its record must cost at most half a merge again, and the time per node must stay flat.
#include "bench/HeapCounter.h"
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/scene/INode.h"
#include "host/application/HostInterface.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>


namespace {


// A fresh scene with an inactive helper pointing at the file; activating it loads.
OstrivansHelper* PrepareHelper(const MSTR& path) {
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    auto* helper = new OstrivansHelper();
    INode* node = ip->CreateObjectNode(helper);
    node->SetName(L"Ostrivan01");
    AccessorDisabler off(helper);
    IParamBlock2* pb = helper->GetParamBlock();
    pb->SetValue(pb_active, 0, 0);
    pb->SetValue(pb_filename, 0, path.c_str());
    return helper;
}

// The heap a bare merge of the file leaves behind, and that a load of it as a reference leaves (the merge
// and the records with their mirrors), each from a fresh scene.
struct LoadFootprint {
    HeapCount merge;
    HeapCount load;
    long long mirrors = 0; // in every node record after the load
};

LoadFootprint MeasureFootprint(const MSTR& path) {
    Interface* ip = GetCOREInterface();
    LoadFootprint f;
    ip->FileReset(TRUE);
    const HeapCount beforeMerge = ReadHeapCount();
    if (!ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr, MERGE_DUP_MTL_RENAME))
        std::abort();
    const HeapCount afterMerge = ReadHeapCount();
    f.merge = {afterMerge.liveBytes - beforeMerge.liveBytes, afterMerge.allocations - beforeMerge.allocations};
    OstrivansHelper* helper = PrepareHelper(path);
    const HeapCount beforeLoad = ReadHeapCount();
    helper->GetParamBlock()->SetValue(pb_active, 0, 1);
    const HeapCount afterLoad = ReadHeapCount();
    f.load = {afterLoad.liveBytes - beforeLoad.liveBytes, afterLoad.allocations - beforeLoad.allocations};
    for (int i = 0; i < helper->NumRefNodes(); ++i) f.mirrors += helper->GetRefNode(i)->NumMirrors();
    ip->FileReset(TRUE);
    return f;
}

// The iteration time is the load's; the merge of the same file is timed beside it for the ratio.
void BM_LoadReference(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double mergeSeconds = 0.0;
    double loadSeconds = 0.0;
    // One load before the timed ones: the first scene of that size to come into the process pays for
    // fresh pages from the system, and the bare merge always runs on a heap that held the scene already
    // (the file was written from it). Both sides then run on memory the process has.
    PrepareHelper(path)->GetParamBlock()->SetValue(pb_active, 0, 1);
    for (auto _ : state) {
        mergeSeconds += TimeBareMerge(path);
        OstrivansHelper* helper = PrepareHelper(path);
        BenchCpuTimer timer;
        timer.StartTimer();
        helper->GetParamBlock()->SetValue(pb_active, 0, 1);
        const double seconds = timer.EndTimer();
        loadSeconds += seconds;
        state.SetIterationTime(seconds);
        if (!helper->IsLoaded() || helper->NumRefNodes() != n) state.SkipWithError("the load did not bind every node");
    }
    const LoadFootprint f = MeasureFootprint(path);
    ip->FileReset(TRUE);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["nodes"] = n;
    state.counters["load_vs_merge"] = loadSeconds / mergeSeconds;
    state.counters["load_us_per_node"] = loadSeconds / iterations / n * 1e6;
    state.counters["merge_us_per_node"] = mergeSeconds / iterations / n * 1e6;
    // Heap per node: what the merge keeps, and what the records and mirrors keep on top of it.
    state.counters["merge_B_per_node"] = static_cast<double>(f.merge.liveBytes) / n;
    state.counters["records_B_per_node"] = static_cast<double>(f.load.liveBytes - f.merge.liveBytes) / n;
    state.counters["merge_allocs_per_node"] = static_cast<double>(f.merge.allocations) / n;
    state.counters["records_allocs_per_node"] = static_cast<double>(f.load.allocations - f.merge.allocations) / n;
    state.counters["mirrors_per_node"] = static_cast<double>(f.mirrors) / n;
}

BENCHMARK(BM_LoadReference)
    ->Arg(1000)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
