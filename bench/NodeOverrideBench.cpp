// Node overrides at scale: a rename reaches its node's record in the same time whatever the reference's
// size, the collection with the helper's node-list scan stays linear in nodes plus list entries, and the
// modifier override costs the same per node whatever the number of nodes.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/ClassDirectory.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/helper/NodeListScan.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <cstdlib>

namespace {

// A fresh scene holding the scale scene of n nodes as a loaded reference.
OstrivansHelper* LoadScaleReference(int n) { return LoadReferenceForBench(ScaleSceneFile(n), n); }

// One user rename of a referenced node: host notification, the helper's handler, the record's rename step.
void BM_RenameOneNode(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n);
    INode* node = helper->GetRefNode(n / 2)->GetNode();
    const MSTR names[2] = {L"Renamed A", L"Renamed B"};
    int k = 0;
    for (auto _ : state) node->SetName(names[k++ & 1].c_str());
    if (!(helper->GetRefNode(n / 2)->GetOverrideFlags() & REFNODE_OVERRIDE_NAME)) state.SkipWithError("not detected");
    state.counters["nodes"] = n;
    GetCOREInterface()->FileReset(TRUE);
}

// The helper's scan and every record's collection, with lights outside the reference each excluding ten of
// its nodes; timed per node (the scan on its own as well). The records are put back to loaded between
// rounds, and each round is a pass of its own.
void BM_CollectWithLights(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    const int lights = static_cast<int>(state.range(1));
    OstrivansHelper* helper = LoadScaleReference(n);
    Interface* ip = GetCOREInterface();
    for (int l = 0; l < lights; ++l) {
        auto* light = static_cast<LightObject*>(GetClassDirectory().CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
        ip->CreateObjectNode(light);
        for (int e = 0; e < 10; ++e) light->GetExclList()->AddNode(helper->GetRefNode((l * 10 + e) % n)->GetNode());
    }
    double seconds = 0.0;
    double scanSeconds = 0.0;
    for (auto _ : state) {
        BenchCpuTimer timer;
        timer.StartTimer();
        OfferNodeListCandidates(*helper);
        scanSeconds += timer.EndTimer();
        timer.StartTimer();
        {
            OperationCodeGuard code(OperationCode::Unload);
            for (int i = 0; i < n; ++i) helper->GetRefNode(i)->Collect();
        }
        const double s = timer.EndTimer();
        seconds += s;
        state.SetIterationTime(s);
        if (lights && helper->GetRefNode(0)->NumExcludingLights() == 0) state.SkipWithError("lights not collected");
        for (int i = 0; i < n; ++i) helper->GetRefNode(i)->FinishUpdate();
        // A collection ends the helper's pass, as an unload's does: every round asks afresh.
        helper->IncrementStamp();
    }
    state.counters["nodes"] = n;
    state.counters["collect_us_per_node"] = seconds / static_cast<double>(state.iterations()) / n * 1e6;
    state.counters["scan_us_per_node"] = scanSeconds / static_cast<double>(state.iterations()) / n * 1e6;
    ip->FileReset(TRUE);
}

// The override pass onto freshly merged nodes, each with a five-modifier stack: the file's Bend switched
// off and its angle changed (its mirror keeps it in a holder and puts it back in the fresh Bend's place),
// four modifiers added locally above and below it (the Edit Poly with local data, kept in a holder of the
// record's). The fresh nodes (a box under a Bend, as the file has them) are made outside the timer; the
// timer covers every record's update onto its fresh node.
void BM_ModifierOverridePass(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n);
    Interface* ip = GetCOREInterface();
    auto modifier = [](const Class_ID& id) { return static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, id)); };
    for (int i = 0; i < n; ++i) {
        auto* stack = static_cast<IDerivedObject*>(helper->GetRefNode(i)->GetNode()->GetObjectRef());
        stack->GetModifier(0)->DisableMod();
        stack->AddModifier(modifier(TWIST_MODIFIER_CLASS_ID), nullptr, 0);
        stack->AddModifier(modifier(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 0);
        stack->AddModifier(modifier(TWIST_MODIFIER_CLASS_ID), nullptr, stack->NumModifiers());
        stack->AddModifier(modifier(EDIT_POLY_MODIFIER_CLASS_ID), nullptr, 1);
        stack->GetModifier(3)->GetParamBlock(0)->SetValue(0, 0, 30.0f);
        helper->GetRefNode(i)->GetNode()->EvalWorldState(0);
    }
    Modifier* const changedBend =
        static_cast<IDerivedObject*>(helper->GetRefNode(n / 2)->GetNode()->GetObjectRef())->GetModifier(3);
    double seconds = 0.0;
    for (auto _ : state) {
        {
            OperationCodeGuard code(OperationCode::Unload);
            for (int i = 0; i < n; ++i) helper->GetRefNode(i)->Collect();
        }
        OperationCodeGuard code(OperationCode::Load);
        std::vector<INode*> fresh;
        fresh.reserve(static_cast<size_t>(n));
        for (int i = 0; i < n; ++i) {
            IDerivedObject* stack = CreateDerivedObject(
                static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, BOX_OBJECT_CLASS_ID)));
            stack->AddModifier(modifier(BEND_MODIFIER_CLASS_ID));
            fresh.push_back(ip->CreateObjectNode(stack));
            fresh.back()->SetName(helper->GetRefNode(i)->GetReferencedName().c_str());
        }
        BenchCpuTimer timer;
        timer.StartTimer();
        for (int i = 0; i < n; ++i) helper->GetRefNode(i)->Update(fresh[static_cast<size_t>(i)]);
        const double s = timer.EndTimer();
        for (int i = 0; i < n; ++i) helper->GetRefNode(i)->FinishUpdate();
        seconds += s;
        state.SetIterationTime(s);
        auto* top = static_cast<IDerivedObject*>(helper->GetRefNode(n / 2)->GetNode()->GetObjectRef());
        if (top->NumModifiers() != 5 || top->GetModifier(3) != changedBend || top->GetModifier(3)->IsEnabled())
            state.SkipWithError("stack not restored");
    }
    state.counters["nodes"] = n;
    state.counters["override_us_per_node"] = seconds / static_cast<double>(state.iterations()) / n * 1e6;
    ip->FileReset(TRUE);
}

BENCHMARK(BM_RenameOneNode)->Arg(1000)->Arg(100000)->Unit(benchmark::kMicrosecond);
// The scan with 1000 lights, against collections without lights (what the records' own work costs).
BENCHMARK(BM_CollectWithLights)->Args({10000, 1000})->Args({100000, 1000})->Args({10000, 0})->Args({100000, 0})->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);
BENCHMARK(BM_ModifierOverridePass)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

} // namespace

BENCHMARK_MAIN();
