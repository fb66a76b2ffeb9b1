// Advanced Reset and duplication from the script interface.
#include "plugin/script/OstrivansInterface.h"

#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/frame/ResetMask.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/NodeTable.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "plugin/script/ReferenceList.h"

#include <unordered_set>

namespace {

// Bit i of the array sets flag first << i, for the group's first count bits; no array sets them all.
DWORD GroupBits(const BitArray* bits, DWORD first, int count) {
    DWORD mask = 0;
    for (int i = 0; i < count; ++i)
        if (!bits || (i < bits->GetSize() && (*bits)[i])) mask |= first << i;
    return mask;
}

// The originals end the pass the duplicate's collect began: nodes stood in for by placeholders come back,
// and the records count their nodes as loaded again.
void EndPass(const std::vector<OstrivansHelper*>& helpers) {
    for (OstrivansHelper* h : helpers)
        for (int i = 0; i < h->NumRefNodes(); ++i)
            if (RefNode* rec = h->GetRefNode(i)) rec->FinishUpdate();
}

void ReloadInOneBatch(const std::vector<OstrivansHelper*>& helpers) {
    if (helpers.empty()) return;
    BatchScope batch;
    for (OstrivansHelper* h : helpers) h->Reload();
}

} // namespace

DWORD OstrivansInterface::BuildResetMask(const BitArray* category, const BitArray* parameters) {
    return GroupBits(category, RESETMASK_GEOMETRY, RESETMASK_NUM_CATEGORIES) |
           GroupBits(parameters, RESETMASK_BASE_OBJECT, RESETMASK_NUM_GROUPS);
}

void OstrivansInterface::AdvancedReset(int selection, const BitArray* category, const BitArray* parameters,
                                       const Tab<int>* references, const Tab<INode*>* nodes) {
    const DWORD mask = BuildResetMask(category, parameters);
    OperationCodeGuard op(OperationCode::AdvancedReset);
    RefBase::NextMark();
    std::vector<OstrivansHelper*> helpers;
    const bool referenceMode = references || (!nodes && selection == 1);
    if (referenceMode) {
        const std::vector<INode*> list = GatherReferenceNodes();
        for (INode* n : references ? NodesAtIndices(list, references, true) : list) {
            OstrivansHelper* h = ReferenceHelperOf(n);
            IParamBlock2* pb = h ? h->GetParamBlock() : nullptr;
            if (h && (references || (pb && pb->GetInt(pb_selected_in_manager)))) helpers.push_back(h);
        }
        for (OstrivansHelper* h : helpers) h->AdvancedReset(mask | RESETMASK_REFERENCE_MODE);
        ReloadInOneBatch(helpers);
        return;
    }
    INodeTab selected;
    if (!nodes) {
        if (selection != 2) return;
        GetCOREInterface()->GetSelNodeTab(selected);
        nodes = &selected;
    }
    std::unordered_set<OstrivansHelper*> seen;
    for (int i = 0; i < nodes->Count(); ++i) {
        INode* node = (*nodes)[i];
        auto* rec = node ? dynamic_cast<RefNode*>(RefBase::FromItem(node)) : nullptr;
        auto* owner = rec ? dynamic_cast<OstrivansHelper*>(rec->GetHelper()) : nullptr;
        if (!owner) continue;
        if (seen.insert(owner).second) helpers.push_back(owner);
        rec->Reset(mask | RESETMASK_NODE_MODE);
        if (mask & RESETMASK_MATERIAL)
            if (auto* mrec = dynamic_cast<RefMaterial*>(RefBase::FromItem(node->GetMtl())))
                mrec->Reset(mask | RESETMASK_NODE_MODE);
    }
    ReloadInOneBatch(helpers);
}

void OstrivansInterface::DuplicateOstrivans(const Tab<int>* indices) {
    const std::vector<INode*> originals = NodesAtIndices(GatherReferenceNodes(), indices, false);
    if (originals.empty()) return;
    std::vector<OstrivansHelper*> copies;
    {
        OperationCodeGuard op(OperationCode::Duplicate);
        TakeDeferredMirrors();
        std::vector<OstrivansHelper*> helpers;
        for (INode* n : originals) helpers.push_back(ReferenceHelperOf(n));
        try {
            // The records remember what the scene did with their items, as an unload's would.
            for (OstrivansHelper* h : helpers) {
                for (int i = 0; i < h->NumRefMaterials(); ++i)
                    if (RefMaterial* rec = h->GetRefMaterial(i)) rec->CollectIfLoaded();
                for (int i = 0; i < h->NumRefNodes(); ++i)
                    if (RefNode* rec = h->GetRefNode(i)) rec->Collect();
                h->IncrementStamp();
            }
            // The nodes of the records the copy takes over, then the helper node: only records that carry
            // overrides are copied with the helper (the rest comes from the file when the copy loads), and a
            // copied record takes the copy of its node only when that copy exists before the helper's. A
            // material record holds no node of its own.
            NodeTable toClone;
            for (size_t k = 0; k < originals.size(); ++k) {
                for (int i = 0; i < helpers[k]->NumRefNodes(); ++i)
                    if (RefNode* rec = helpers[k]->GetRefNode(i); rec && rec->HasOverrides())
                        rec->AddToNodeList(toClone);
                toClone.Append(originals[k]);
            }
            INodeTab sources = toClone.ToTab();
            INodeTab made;
            GetCOREInterface()->CloneNodes(sources, Point3(0, 0, 0), false, NODE_COPY, nullptr, &made);
            std::unordered_set<OstrivansHelper*> seen;
            for (int i = 0; i < made.Count(); ++i)
                if (OstrivansHelper* h = ReferenceHelperOf(made[i]); h && seen.insert(h).second) copies.push_back(h);
            for (RefAnim* mirror : TakeDeferredMirrors()) mirror->ReleaseHeldRefs();
        } catch (...) {
            EndPass(helpers);
            throw;
        }
        EndPass(helpers);
    }
    for (OstrivansHelper* h : copies) h->Reload();
    if (HelperModuleState& state = GetHelperModuleState(); state.managerRefresh) state.managerRefresh();
}
