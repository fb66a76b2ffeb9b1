// The plug-in's part of a scene file at scale: the chunks of a reference's helper, records and mirrors
// written and read per node, and the bytes one node record takes with its mirrors, for a reference that
// keeps only its overrides in the file and for one that persists its content.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/INode.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/ReferenceUnload.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

// A fresh scene holding the scale scene of n nodes as a loaded reference, collected as a save collects it
// (the reference persisting its content or not).
OstrivansHelper* LoadScaleReference(int n, bool persist) {
    OstrivansHelper* helper = LoadReferenceForBench(ScaleSceneFile(n), n);
    {
        AccessorDisabler off(helper);
        helper->GetParamBlock()->SetValue(pb_persist_ref, 0, persist ? 1 : 0);
    }
    OperationCodeGuard code(OperationCode::PreSave);
    ReferenceUnload::CollectHelper(helper);
    return helper;
}

// The record's mirrors that a scene save writes: those it keeps a reference to in the file (a reference
// that does not persist its content keeps only the mirrors that carry a change).
std::vector<RefAnim*> WrittenMirrors(RefNode* rec) {
    OperationCodeGuard code(OperationCode::PreSave);
    std::vector<RefAnim*> out;
    for (int k = 0; k < rec->NumMirrors(); ++k)
        if (RefAnim* m = rec->GetMirror(k); m && (rec->IsRealDependency(m) || rec->ShouldPersistWeakRef(m)))
            out.push_back(m);
    return out;
}

// Each object in a chunk of its own, as the scene file keeps it: the record, then its written mirrors.
void SaveRecord(ChunkSave& out, RefNode* rec, const std::vector<RefAnim*>& mirrors) {
    out.BeginChunk(0x2000);
    rec->Save(&out);
    out.EndChunk();
    for (RefAnim* m : mirrors) {
        out.BeginChunk(0x2000);
        m->Save(&out);
        out.EndChunk();
    }
}

// The helper's chunks and every node record with its mirrors: time per node, bytes per node record.
void BM_SaveRecordChunks(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n, state.range(1) != 0);
    std::vector<std::vector<RefAnim*>> written(static_cast<size_t>(n));
    size_t mirrors = 0;
    for (int i = 0; i < n; ++i) {
        written[static_cast<size_t>(i)] = WrittenMirrors(helper->GetRefNode(i));
        mirrors += written[static_cast<size_t>(i)].size();
    }
    size_t bytes = 0;
    for (auto _ : state) {
        OperationCodeGuard code(OperationCode::PreSave);
        ChunkSave out;
        out.BeginChunk(0x2000);
        helper->Save(&out);
        out.EndChunk();
        const size_t helperBytes = out.Bytes().size();
        for (int i = 0; i < n; ++i) SaveRecord(out, helper->GetRefNode(i), written[static_cast<size_t>(i)]);
        bytes = out.Bytes().size() - helperBytes;
        benchmark::DoNotOptimize(out.Bytes().data());
    }
    state.counters["s/node"] = benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["bytes/record"] = static_cast<double>(bytes) / n;
    state.counters["mirrors/record"] = static_cast<double>(helper->GetRefNode(0)->NumMirrors());
    state.counters["written/record"] = static_cast<double>(mirrors) / n;
    GetCOREInterface()->FileReset(TRUE);
}

// The same chunks read back into records and mirrors made as a scene file makes them (their references
// left for the host to restore); the objects go after each round, outside the time.
void BM_LoadRecordChunks(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n, state.range(1) != 0);
    ChunkSave out;
    std::vector<std::vector<std::pair<SClass_ID, Class_ID>>> classes(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        RefNode* rec = helper->GetRefNode(i);
        const std::vector<RefAnim*> mirrors = WrittenMirrors(rec);
        OperationCodeGuard code(OperationCode::PreSave);
        SaveRecord(out, rec, mirrors);
        for (RefAnim* m : mirrors) classes[static_cast<size_t>(i)].emplace_back(m->SuperClassID(), m->ClassID());
    }
    const std::vector<std::uint8_t> bytes = out.Bytes();
    GetCOREInterface()->FileReset(TRUE);
    std::vector<ReferenceTarget*> made;
    for (auto _ : state) {
        ChunkLoad in(bytes);
        for (int i = 0; i < n; ++i) {
            auto* rec = new RefNode(TRUE);
            made.push_back(rec);
            if (in.OpenChunk() != IO_OK || rec->Load(&in) != IO_OK || in.CloseChunk() != IO_OK) std::abort();
            for (const auto& [super, id] : classes[static_cast<size_t>(i)]) {
                auto* m = static_cast<RefAnim*>(static_cast<Animatable*>(GetClassDirectory().CreateInstance(super, id)));
                made.push_back(m);
                if (in.OpenChunk() != IO_OK || m->Load(&in) != IO_OK || in.CloseChunk() != IO_OK) std::abort();
            }
        }
        state.PauseTiming();
        for (ReferenceTarget* t : made) t->MaybeAutoDelete();
        made.clear();
        state.ResumeTiming();
    }
    state.counters["s/node"] = benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

} // namespace

// Arguments: nodes, and whether the reference persists its content (every mirror written).
BENCHMARK(BM_SaveRecordChunks)->ArgsProduct({{10000, 100000}, {0, 1}})->ArgNames({"nodes", "persist"})->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRecordChunks)->ArgsProduct({{10000, 100000}, {0, 1}})->ArgNames({"nodes", "persist"})->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
