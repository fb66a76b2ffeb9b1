// The global script interface's listing at scale: NumOstrivans and GetOstrivan on a scene of n nodes
// holding 100 reference helpers spread through its tree (every helper linked under a scene node, so the
// walk goes through the hierarchy). Each call walks the node tree once; the time per call and per node.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"
#include "host/scene/INode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/script/OstrivansInterface.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

constexpr int kHelpers = 100;

// The scale scene of n nodes, then the helpers, each under the scene node at an even step through it.
void BuildScene(int n) {
    AttachPluginForBench();
    Interface* ip = GetCOREInterface();
    ip->FileReset(TRUE);
    BuildScaleScene(ip, n);
    std::vector<INode*> nodes;
    INode* root = ip->GetRootNode();
    std::vector<INode*> stack{root};
    while (!stack.empty()) {
        INode* cur = stack.back();
        stack.pop_back();
        if (cur != root) nodes.push_back(cur);
        for (int i = 0; i < cur->NumberOfChildren(); ++i) stack.push_back(cur->GetChildNode(i));
    }
    for (int k = 0; k < kHelpers; ++k) {
        INode* helperNode = ip->CreateObjectNode(new OstrivansHelper(FALSE));
        nodes[nodes.size() * static_cast<size_t>(k) / kHelpers]->AttachChild(helperNode, FALSE);
    }
}

void Report(benchmark::State& state, int n) {
    state.counters["nodes"] = n + kHelpers;
    state.counters["ns_per_node"] =
        benchmark::Counter(static_cast<double>(n + kHelpers), benchmark::Counter::kIsIterationInvariantRate |
                                                                   benchmark::Counter::kInvert);
}

void BM_NumOstrivans(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BuildScene(n);
    OstrivansInterface& fp = GetOstrivansInterface();
    for (auto _ : state) {
        FPValue result;
        fp.Invoke(OstrivansInterface::kNumOstrivans, result);
        if (result.GetInt() != kHelpers) state.SkipWithError("wrong count");
    }
    Report(state, n);
    GetCOREInterface()->FileReset(TRUE);
}

// The last helper of the list: the walk goes through the whole tree before it finds it.
void BM_GetOstrivanLast(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    BuildScene(n);
    OstrivansInterface& fp = GetOstrivansInterface();
    for (auto _ : state) {
        FPParams args{FPValue(TYPE_INDEX, kHelpers - 1)};
        FPValue result;
        fp.Invoke(OstrivansInterface::kGetOstrivan, result, &args);
        if (!result.GetNode()) state.SkipWithError("no node");
    }
    Report(state, n);
    GetCOREInterface()->FileReset(TRUE);
}

} // namespace

BENCHMARK(BM_NumOstrivans)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK(BM_GetOstrivanLast)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond)->Iterations(20);
BENCHMARK_MAIN();
