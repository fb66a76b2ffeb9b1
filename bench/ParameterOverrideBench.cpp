// Parameter block mirrors at scale: the override pass after a merge of the file again, with one changed
// parameter on every node, must cost the same per node at any scene size; and noticing one change must
// cost the same whether the block has 10 or 1000 parameters.
#include "bench/PluginBenchSupport.h"
#include "bench/ScaleScene.h"

#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnimPblock2.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/records/RefNode.h"

#include <benchmark/benchmark.h>

#include <vector>

namespace {

// The box's height parameter.
constexpr ParamID kHeight = 2;

// The nodes a merge made, in the file's order.
class MergedNodes : public MergeCallback {
public:
    void NodesMerged(const INodeTab& nodes) override {
        for (int i = 0; i < nodes.Count(); ++i)
            if (nodes[i]->GetParentNode() && nodes[i]->GetObjectRef()) list.push_back(nodes[i]);
    }
    std::vector<INode*> list;
};

std::vector<INode*> Merge(const MSTR& path) {
    Interface* ip = GetCOREInterface();
    MergedNodes merged;
    ip->RegisterMergeCallback(&merged);
    if (!ip->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr, MERGE_DUP_MTL_RENAME))
        std::abort();
    ip->UnRegisterMergeCallback(&merged);
    return merged.list;
}

IParamBlock2* BoxBlock(INode* n) {
    return n->GetObjectRef()->FindBaseObject()->GetParamBlock(0);
}

// The scale scene merged with a record per node and every box's height changed by the user, then merged
// again; the timed part is every record's override onto its fresh node.
void BM_OverridePass(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    const MSTR& path = ScaleSceneFile(n);
    Interface* ip = GetCOREInterface();
    ip->SetQuietMode(TRUE);
    double seconds = 0.0;
    for (auto _ : state) {
        ip->FileReset(TRUE);
        const std::vector<INode*> first = Merge(path);
        std::vector<RefNode*> records;
        records.reserve(first.size());
        for (INode* node : first) {
            records.push_back(new RefNode(node, nullptr));
            records.back()->SetAFlag(A_LOCK_TARGET);
            BoxBlock(node)->SetValue(kHeight, 0, 123.0f);
        }
        const std::vector<INode*> fresh = Merge(path);
        if (fresh.size() != records.size()) {
            state.SkipWithError("the second merge brought other nodes");
            break;
        }
        BenchCpuTimer timer;
        timer.StartTimer();
        {
            OperationCodeGuard load(OperationCode::Load);
            for (size_t i = 0; i < records.size(); ++i) {
                records[i]->ReplaceReference(0, fresh[i]);
                records[i]->Override();
            }
        }
        const double s = timer.EndTimer();
        seconds += s;
        state.SetIterationTime(s);
        for (INode* node : fresh)
            if (BoxBlock(node)->GetFloat(kHeight) != 123.0f) state.SkipWithError("a fresh box lost its height");
        for (RefNode* r : records) {
            r->ClearAFlag(A_LOCK_TARGET);
            r->MaybeAutoDelete();
        }
    }
    ip->FileReset(TRUE);
    state.counters["nodes"] = n;
    state.counters["override_us_per_node"] = seconds / static_cast<double>(state.iterations()) / n * 1e6;
}

BENCHMARK(BM_OverridePass)->Arg(10000)->Arg(30000)->Arg(100000)->UseManualTime()->Unit(benchmark::kMillisecond)->Iterations(2);

// A block of n float parameters watched by its mirror; each iteration is one user edit of one parameter
// (cycling through the last 8 of them, so the entries exist and are captured again).
void BM_DetectOneChange(benchmark::State& state) {
    AttachPluginForBench();
    const int n = static_cast<int>(state.range(0));
    static std::vector<std::unique_ptr<ParamBlockDesc2>> descs;
    descs.push_back(std::make_unique<ParamBlockDesc2>(static_cast<BlockID>(0), L"wide", -1, nullptr, 0));
    static std::vector<WStr> names;
    names.reserve(2000);
    for (int i = 0; i < n; ++i) {
        if (static_cast<int>(names.size()) <= i) names.push_back(WStr::Format(L"p%d", i));
        descs.back()->AddParam(MakeFloatParam(static_cast<ParamID>(i), names[static_cast<size_t>(i)].c_str(), 0.0f));
    }
    auto* owner = new RefNode(FALSE);
    IParamBlock2* pb = CreateParameterBlock2(descs.back().get(), owner);
    auto* mirror = new RefAnimPblock2(FALSE, 2);
    mirror->SetAnim(pb);
    float v = 0.0f;
    int k = 0;
    for (auto _ : state) {
        // The last parameters: a lookup that scanned the block would pay its whole width here.
        pb->SetValue(static_cast<ParamID>(n - 1 - (k++ & 7)), 0, v += 1.0f);
    }
    state.counters["entries"] = static_cast<double>(mirror->GetOverriddenParams().size());
    state.counters["params"] = n;
    mirror->MaybeAutoDelete();
    pb->MaybeAutoDelete();
    owner->MaybeAutoDelete();
}

BENCHMARK(BM_DetectOneChange)->Arg(10)->Arg(100)->Arg(1000)->Unit(benchmark::kNanosecond);

} // namespace

BENCHMARK_MAIN();
