// Loading a reference against the host's bare merge of the same file: binding every merged node and
// material to its record must cost at most half a merge again, and the time per node must stay flat. Beside
// it, the floor: what the records' reference targets alone cost, below which no load can go.
#include "bench/HeapCounter.h"
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/scene/INode.h"
#include "host/application/HostInterface.h"
#include "host/core/ReferenceTarget.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <vector>


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

// The least a load can add to a merge while each mirror is a reference target of its own, as records and
// mirrors are: one target per record that refers to its mirrors, one target per mirror that refers to its
// animatable, and a walk of every node's sub-animatables that finds them. No kinds, paths, values, names
// or tables. Its share of the bare merge is what the load's own share cannot go below.
class FloorMirror : public ReferenceTarget {
public:
    ~FloorMirror() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7e57f100, 0x1); }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? anim_ : nullptr; }
    // As a mirror's, the reference keeps nothing alive.
    BOOL IsRealDependency(ReferenceTarget*) override { return FALSE; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage, BOOL) override {
        return REF_SUCCEED;
    }

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) anim_ = t;
    }

private:
    ReferenceTarget* anim_ = nullptr;
};

class FloorRecord : public ReferenceTarget {
public:
    explicit FloorRecord(size_t mirrors) : mirrors_(mirrors, nullptr) {}
    ~FloorRecord() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7e57f100, 0x2); }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    int NumRefs() override { return static_cast<int>(mirrors_.size()); }
    RefTargetHandle GetReference(int i) override { return mirrors_[static_cast<size_t>(i)]; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage, BOOL) override {
        return REF_SUCCEED;
    }

protected:
    void SetReference(int i, RefTargetHandle t) override { mirrors_[static_cast<size_t>(i)] = t; }

private:
    std::vector<ReferenceTarget*> mirrors_;
};

// Every sub-animatable below anim, each read once, as a record's walk reads them.
size_t WalkSubAnims(Animatable* anim, int depth) {
    size_t seen = 1;
    if (depth > 16) return seen;
    for (int i = 0; i < anim->NumSubs(); ++i)
        if (Animatable* sub = anim->SubAnim(i)) seen += WalkSubAnims(sub, depth + 1);
    return seen;
}

// The iteration time is the floor's load: the walk and the mirrors' creation. Its unload is the deletion
// of the nodes while the floor's mirrors refer to their animatables, beside a bare deletion.
void BM_MirrorFloor(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    double mergeSeconds = 0.0;
    double walkSeconds = 0.0;
    double mirrorSeconds = 0.0;
    double deleteSeconds = 0.0;
    double bareDeleteSeconds = 0.0;
    size_t mirrors = 0;
    for (auto _ : state) {
        mergeSeconds += TimeBareMerge(path);
        std::vector<INode*> bare;
        for (int i = 0; i < ip->GetRootNode()->NumberOfChildren(); ++i) bare.push_back(ip->GetRootNode()->GetChildNode(i));
        bareDeleteSeconds += TimeDeleteNodes(bare);
        // What the load mirrors, per record, taken from a load of the same file; the records then let go
        // of their mirrors and nodes, so the floor's mirrors are the only ones the animatables have.
        OstrivansHelper* helper = LoadReferenceForBench(path, n);
        std::vector<std::vector<ReferenceTarget*>> anims(static_cast<size_t>(helper->NumRefNodes()));
        std::vector<INode*> nodes;
        mirrors = 0;
        for (int r = 0; r < helper->NumRefNodes(); ++r) {
            RefNode* record = helper->GetRefNode(r);
            nodes.push_back(record->GetNode());
            for (int m = 0; m < record->NumMirrors(); ++m)
                if (RefAnim* mirror = record->GetMirror(m); mirror && mirror->GetAnim())
                    anims[static_cast<size_t>(r)].push_back(mirror->GetAnim());
            mirrors += anims[static_cast<size_t>(r)].size();
        }
        for (int r = 0; r < helper->NumRefNodes(); ++r) helper->GetRefNode(r)->DeleteAllRefs();
        BenchCpuTimer timer;
        timer.StartTimer();
        size_t seen = 0;
        for (INode* node : nodes) seen += WalkSubAnims(node, 0);
        const double walked = timer.EndTimer();
        walkSeconds += walked;
        benchmark::DoNotOptimize(seen);
        std::vector<FloorRecord*> records;
        records.reserve(anims.size());
        timer.StartTimer();
        for (const std::vector<ReferenceTarget*>& list : anims) {
            auto* record = new FloorRecord(list.size());
            for (size_t m = 0; m < list.size(); ++m) {
                auto* mirror = new FloorMirror();
                mirror->ReplaceReference(0, list[m]);
                record->ReplaceReference(static_cast<int>(m), mirror);
            }
            records.push_back(record);
        }
        const double made = timer.EndTimer();
        mirrorSeconds += made;
        state.SetIterationTime(walked + made);
        // Only the merged nodes: the helper's node stays.
        std::vector<INode*> merged;
        for (INode* node : nodes)
            if (node && node->GetParentNode() == ip->GetRootNode()) merged.push_back(node);
        deleteSeconds += TimeDeleteNodes(merged);
        // Dropping a record's references deletes its mirrors, as dropping a record does.
        for (FloorRecord* record : records) record->DeleteMe();
    }
    ip->FileReset(TRUE);
    state.counters["nodes"] = n;
    state.counters["mirrors_per_node"] = static_cast<double>(mirrors) / n;
    state.counters["walk_vs_merge"] = walkSeconds / mergeSeconds;
    state.counters["mirrors_vs_merge"] = mirrorSeconds / mergeSeconds;
    state.counters["floor_load_vs_merge"] = (walkSeconds + mirrorSeconds) / mergeSeconds;
    state.counters["delete_vs_merge"] = deleteSeconds / mergeSeconds;
    state.counters["bare_delete_vs_merge"] = bareDeleteSeconds / mergeSeconds;
}

BENCHMARK(BM_MirrorFloor)->Arg(10000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->MinTime(0.5);

} // namespace

BENCHMARK_MAIN();
