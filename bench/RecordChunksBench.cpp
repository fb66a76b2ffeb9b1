// The plug-in's part of a scene file at scale: the chunks of a reference's helper, records and mirrors
// written and read per node, and the bytes one node record takes with its mirrors.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/INode.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

namespace {

// A fresh scene holding the scale scene of n nodes as a loaded reference.
OstrivansHelper* LoadScaleReference(int n) { return LoadReferenceForBench(ScaleSceneFile(n), n); }

// Each object in a chunk of its own, as the scene file keeps it: the record, then its mirrors.
void SaveRecord(ChunkSave& out, RefNode* rec) {
    out.BeginChunk(0x2000);
    rec->Save(&out);
    out.EndChunk();
    for (int k = 0; k < rec->NumMirrors(); ++k) {
        out.BeginChunk(0x2000);
        if (RefAnim* m = rec->GetMirror(k)) m->Save(&out);
        out.EndChunk();
    }
}

// The helper's chunks and every node record with its mirrors: time per node, bytes per node record.
void BM_SaveRecordChunks(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n);
    size_t bytes = 0;
    int mirrors = 0;
    for (int i = 0; i < n; ++i) mirrors += helper->GetRefNode(i)->NumMirrors();
    for (auto _ : state) {
        ChunkSave out;
        out.BeginChunk(0x2000);
        helper->Save(&out);
        out.EndChunk();
        const size_t helperBytes = out.Bytes().size();
        for (int i = 0; i < n; ++i) SaveRecord(out, helper->GetRefNode(i));
        bytes = out.Bytes().size() - helperBytes;
        benchmark::DoNotOptimize(out.Bytes().data());
    }
    state.counters["s/node"] = benchmark::Counter(n, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
    state.counters["bytes/record"] = static_cast<double>(bytes) / n;
    state.counters["mirrors/record"] = static_cast<double>(mirrors) / n;
    GetCOREInterface()->FileReset(TRUE);
}

// The same chunks read back into records and mirrors made as a scene file makes them (their references
// left for the host to restore); the objects go after each round, outside the time.
void BM_LoadRecordChunks(benchmark::State& state) {
    const int n = static_cast<int>(state.range(0));
    OstrivansHelper* helper = LoadScaleReference(n);
    ChunkSave out;
    std::vector<std::vector<std::pair<SClass_ID, Class_ID>>> classes(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) {
        RefNode* rec = helper->GetRefNode(i);
        SaveRecord(out, rec);
        for (int k = 0; k < rec->NumMirrors(); ++k)
            classes[static_cast<size_t>(i)].emplace_back(rec->GetMirror(k)->SuperClassID(), rec->GetMirror(k)->ClassID());
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

BENCHMARK(BM_SaveRecordChunks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadRecordChunks)->Arg(10000)->Arg(100000)->Unit(benchmark::kMillisecond);
BENCHMARK_MAIN();
