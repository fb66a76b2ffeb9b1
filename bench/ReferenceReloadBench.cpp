// Reloading a reference whose nodes carry local changes against the host's bare merge of the same file:
// the unload, the merge and the re-applied changes together, per node, flat from 10k to 100k nodes.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <vector>


namespace {

// The host's IK controller: a transform controller that cannot be replaced.
const Class_ID kIkControllerClassId(0x0E6F5815, 0x717F99A4);

// A fresh scene with the reference loaded; every tenth node then carries a local change: a moved position,
// a changed value of its transform controller that the position's mirror keeps. Every hundredth also has a
// scene node linked under it, so the unload leaves a placeholder in its place.
OstrivansHelper* LoadWithChanges(const MSTR& path, int n) {
    Interface* ip = GetCOREInterface();
    OstrivansHelper* helper = LoadReferenceForBench(path, n);
    for (int i = 0; i < helper->NumRefNodes(); i += 10) {
        INode* n = helper->GetRefNode(i)->GetNode();
        Point3 p(static_cast<float>(i), 1.0f, 2.0f);
        n->GetTMController()->GetPositionController()->SetValue(0, &p);
        if (i % 100 == 0)
            n->AttachChild(ip->CreateObjectNode(static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID))));
    }
    return helper;
}

// Processor seconds the host takes to delete every node of the scene, as an unload passes them: the
// yardstick of the unload's own share.
double TimeBareDelete() {
    Interface* ip = GetCOREInterface();
    std::vector<INode*> nodes;
    std::vector<INode*> stack{ip->GetRootNode()};
    while (!stack.empty()) {
        INode* node = stack.back();
        stack.pop_back();
        for (int i = 0; i < node->NumberOfChildren(); ++i) {
            INode* child = node->GetChildNode(i);
            nodes.push_back(child);
            stack.push_back(child);
        }
    }
    return TimeDeleteNodes(nodes);
}

// The iteration time is the reload's; the bare merge of the same file is timed beside it for the ratio.
void BM_ReloadReference(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double mergeSeconds = 0.0;
    double reloadSeconds = 0.0;
    double unloadSeconds = 0.0;
    double deleteSeconds = 0.0;
    // A first round on fresh memory, as the load benchmark does, so both sides run on pages the process has.
    LoadWithChanges(path, n)->Reload();
    for (auto _ : state) {
        mergeSeconds += TimeBareMerge(path);
        deleteSeconds += TimeBareDelete();
        OstrivansHelper* helper = LoadWithChanges(path, n);
        BenchCpuTimer timer;
        timer.StartTimer();
        const int loaded = helper->Reload();
        const double seconds = timer.EndTimer();
        reloadSeconds += seconds;
        state.SetIterationTime(seconds);
        if (loaded != 1 || helper->NumRefNodes() != n) state.SkipWithError("the reload did not bind every node");
        // Records without a change were made afresh by the reload; those with one are kept.
        int kept = 0;
        for (int i = 0; i < helper->NumRefNodes(); ++i)
            kept += helper->GetRefNode(i)->HasOverrides() ? 1 : 0;
        if (kept != (n + 9) / 10) state.SkipWithError("a local change was lost");
        // The unload's share, timed on its own (the reload's batch opened by the unload itself).
        timer.StartTimer();
        helper->Unload();
        unloadSeconds += timer.EndTimer();
    }
    ip->FileReset(TRUE);
    const auto iterations = static_cast<double>(state.iterations());
    state.counters["nodes"] = n;
    state.counters["reload_vs_merge"] = reloadSeconds / mergeSeconds;
    state.counters["reload_us_per_node"] = reloadSeconds / iterations / n * 1e6;
    state.counters["unload_us_per_node"] = unloadSeconds / iterations / n * 1e6;
    state.counters["merge_us_per_node"] = mergeSeconds / iterations / n * 1e6;
    state.counters["delete_us_per_node"] = deleteSeconds / iterations / n * 1e6;
}

// Unload alone where a tenth of the nodes have a scene node linked under them (each leaves a placeholder in
// its own place) and another tenth also have a transform controller that cannot be replaced (each leaves a
// new placeholder node that takes over the node's dependents): per node, flat from 10k to 100k nodes.
void BM_UnloadWithPlaceholders(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double unloadSeconds = 0.0;
    int placeholders = 0;
    for (auto _ : state) {
        OstrivansHelper* helper = LoadReferenceForBench(path, n);
        for (int i = 0; i < n; i += 10) {
            INode* node = helper->GetRefNode(i)->GetNode();
            node->AttachChild(ip->CreateObjectNode(static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID))));
            INode* fixed = helper->GetRefNode(i + 5)->GetNode();
            fixed->SetTMController(static_cast<Control*>(CreateInstance(CTRL_MATRIX3_CLASS_ID, kIkControllerClassId)));
            fixed->AttachChild(ip->CreateObjectNode(static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID))));
        }
        BenchCpuTimer timer;
        timer.StartTimer();
        helper->Unload();
        const double seconds = timer.EndTimer();
        unloadSeconds += seconds;
        state.SetIterationTime(seconds);
        placeholders = 0;
        for (int i = 0; i < n; ++i)
            placeholders += helper->GetRefNode(i)->GetNode() ? 1 : 0;
        if (placeholders != n / 5) state.SkipWithError("a node with a dependent left no placeholder");
    }
    ip->FileReset(TRUE);
    state.counters["nodes"] = n;
    state.counters["unload_us_per_node"] = unloadSeconds / static_cast<double>(state.iterations()) / n * 1e6;
}

BENCHMARK(BM_UnloadWithPlaceholders)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

BENCHMARK(BM_ReloadReference)
    ->Arg(10000)
    ->Arg(30000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
