// The layer processing at the end of a load, per merged node: ten new layers whose nodes fold into the
// prefixed layers the scene has from the last load, flat from 10k to 100k nodes, in the thread's processor
// time.
#include "bench/PluginBenchSupport.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/ILayer.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/helper/LayerTracking.h"
#include "plugin/helper/MergedLayer.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kLayers = 10;

void BM_ProcessMergedLayers(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double seconds = 0.0;
    for (auto _ : state) {
        ip->FileReset(TRUE);
        auto* helper = new OstrivansHelper();
        ip->CreateObjectNode(helper)->SetName(L"Ref");
        helper->GetParamBlock()->SetValue(pb_use_name_prefix, 0, 1);
        ILayerManager* lm = ip->GetLayerManager();
        std::vector<MergedLayer> layers(kLayers);
        for (int k = 0; k < kLayers; ++k) {
            const MSTR name = WStr::Format(L"L%d", k);
            lm->CreateLayer(L"Ref_" + name);
            layers[static_cast<size_t>(k)].layer = lm->CreateLayer(name);
            layers[static_cast<size_t>(k)].name = name;
        }
        for (int i = 0; i < n; ++i) {
            auto* box = static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID));
            INode* node = ip->CreateObjectNode(box);
            MergedLayer& rec = layers[static_cast<size_t>(i % kLayers)];
            rec.layer->AddToLayer(node);
            rec.nodes.Append(node);
        }
        StepMarks marks;
        BenchCpuTimer timer;
        timer.StartTimer();
        ProcessMergedLayers(helper, layers, marks);
        const double s = timer.EndTimer();
        seconds += s;
        state.SetIterationTime(s);
        if (helper->NumRefLayers() != kLayers || lm->GetLayer(L"Ref_L0")->NumNodes() != (n + kLayers - 1) / kLayers)
            state.SkipWithError("the nodes did not fold into the prefixed layers");
    }
    ip->FileReset(TRUE);
    state.counters["nodes"] = n;
    state.counters["us_per_node"] = seconds / static_cast<double>(state.iterations()) / n * 1e6;
}

BENCHMARK(BM_ProcessMergedLayers)
    ->Arg(10000)
    ->Arg(100000)
    ->UseManualTime()
    ->Unit(benchmark::kMillisecond)
    ->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
