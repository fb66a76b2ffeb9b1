// The Multi/Sub-Object material: slot tables kept at one count, sub-materials as sub-animatables.
#include "host/scene/materials/MultiMaterial.h"

#include "host/core/ClassDesc.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/ParamBlock2.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "host/scene/materials/StdMaterial.h"

#include <algorithm>

namespace {

constexpr ParamID kTables[] = {multi_ons, multi_names, multi_ids, multi_mtls};

class MultiMtlClassDesc : public ClassDesc2 {
public:
    MultiMtlClassDesc() : block_(0, L"parameters", 0, this, P_AUTO_CONSTRUCT, 0) {
        block_.AddParam(MakeParamDef(multi_mtls, L"materialList", TYPE_MTL_TAB, P_VARIABLE_SIZE, PB2Value()));
        block_.AddParam(MakeParamDef(multi_ons, L"mapEnabled", TYPE_BOOL_TAB, P_VARIABLE_SIZE, PB2Value::Int(1)));
        block_.AddParam(MakeParamDef(multi_names, L"names", TYPE_STRING_TAB, P_VARIABLE_SIZE, PB2Value::Str(L"")));
        block_.AddParam(MakeParamDef(multi_ids, L"materialIDList", TYPE_INT_TAB, P_VARIABLE_SIZE, PB2Value::Int(0)));
    }
    int IsPublic() override { return 1; }
    void* Create(BOOL loading) override { return new MultiMtl(loading); }
    const MCHAR* ClassName() override { return L"Multi/Sub-Object"; }
    const MCHAR* InternalName() override { return L"Multimaterial"; }
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }
    Class_ID ClassID() override { return MULTI_MATERIAL_CLASS_ID; }
    const MCHAR* Category() override { return L"Materials"; }

private:
    ParamBlockDesc2 block_;
};

} // namespace

ClassDesc2* MultiMtl::GetClassDesc() {
    static MultiMtlClassDesc cd;
    return &cd;
}

Mtl* NewDefaultMultiMtl() { return new MultiMtl(FALSE); }

MultiMtl::MultiMtl(BOOL loading, int numSlots) {
    if (loading) return;
    GetClassDesc()->MakeAutoParamBlocks(this);
    ResizeTables(std::max(0, numSlots), true);
    lastCount_ = NumSubMtls();
}

MultiMtl::~MultiMtl() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void MultiMtl::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Multi/Sub-Object"; }

void MultiMtl::SetReference(int i, RefTargetHandle rtarg) {
    if (i != 0) return;
    pblock_ = RefAs<IParamBlock2>(rtarg);
    if (lastCount_ < 0 && pblock_) lastCount_ = pblock_->Count(multi_mtls);
}

int MultiMtl::NumSubMtls() { return pblock_ ? pblock_->Count(multi_mtls) : 0; }

Mtl* MultiMtl::GetSubMtl(int i) {
    if (!pblock_ || i < 0 || i >= NumSubMtls()) return nullptr;
    return pblock_->GetMtl(multi_mtls, 0, i);
}

void MultiMtl::SetSubMtl(int i, Mtl* m) {
    if (pblock_) pblock_->SetValue(multi_mtls, 0, static_cast<ReferenceTarget*>(m), i);
}

MSTR MultiMtl::SubAnimName(int i, bool /*localized*/) {
    if (i < 0 || i >= NumSubMtls()) return MSTR();
    const MSTR name = GetSlotName(i);
    return name.isNull() ? WStr::Format(L"(%d)", GetSlotID(i)) : WStr::Format(L"(%d) %s", GetSlotID(i), name.c_str());
}

int MultiMtl::GetSlotID(int i) {
    return pblock_ && i >= 0 && i < pblock_->Count(multi_ids) ? pblock_->GetInt(multi_ids, 0, i) : 0;
}
void MultiMtl::SetSlotID(int i, int id) {
    if (pblock_) pblock_->SetValue(multi_ids, 0, id, i);
}
MSTR MultiMtl::GetSlotName(int i) {
    if (!pblock_ || i < 0 || i >= pblock_->Count(multi_names)) return MSTR();
    const MCHAR* s = pblock_->GetStr(multi_names, 0, i);
    return s ? MSTR(s) : MSTR();
}
void MultiMtl::SetSlotOn(int i, BOOL on) {
    if (pblock_) pblock_->SetValue(multi_ons, 0, on ? 1 : 0, i);
}

int MultiMtl::NextFreeID(int count) {
    int top = 0;
    const int n = std::min(count, pblock_->Count(multi_ids));
    for (int k = 0; k < n; ++k) top = std::max(top, pblock_->GetInt(multi_ids, 0, k));
    return top + 1;
}

void MultiMtl::InitSlots(ParamID id, int from, int to, bool newMaterials) {
    int nextId = id == multi_ids ? NextFreeID(from) : 0;
    for (int k = from; k < to; ++k) {
        switch (id) {
        case multi_ons: pblock_->SetValue(multi_ons, 0, 1, k); break;
        case multi_ids: pblock_->SetValue(multi_ids, 0, nextId++, k); break;
        case multi_mtls:
            if (newMaterials) {
                Mtl* m = NewDefaultStdMat();
                m->SetName(WStr::Format(L"Material #%d", GetSlotID(k)));
                pblock_->SetValue(multi_mtls, 0, static_cast<ReferenceTarget*>(m), k);
            }
            break;
        default: break;
        }
    }
}

void MultiMtl::ResizeTables(int n, bool newMaterials) {
    if (!pblock_) return;
    const bool outer = !resizing_;
    resizing_ = true;
    // The sub-material table goes last: its change is the one that changes the structure.
    for (ParamID id : kTables) {
        const int cur = pblock_->Count(id);
        if (cur == n) continue;
        pblock_->SetCount(id, n);
        InitSlots(id, cur, n, newMaterials);
    }
    if (outer) {
        resizing_ = false;
        CheckStructure();
    }
}

void MultiMtl::SetNumSubMtls(int n) { ResizeTables(std::max(0, n), true); }

void MultiMtl::MatchTables(ParamID changed) {
    const int n = pblock_->Count(changed);
    bool differs = false;
    for (ParamID id : kTables) differs = differs || pblock_->Count(id) != n;
    if (!differs) return;
    resizing_ = true;
    // The slots the changed table gained start like slots the material adds (on, next free ID).
    const int before = pblock_->Count(changed == multi_mtls ? multi_ons : multi_mtls);
    if (n > before) InitSlots(changed, before, n, false);
    resizing_ = false;
    ResizeTables(n, false);
    // The resizes above told every dependent about their own tables; dependents after this material in
    // the block's list are about to hear the original message, so the block must name that table again.
    if (auto* pb = dynamic_cast<ParamBlock2*>(pblock_)) pb->RestoreNotify(changed, -1);
}

void MultiMtl::CheckStructure() {
    const int n = NumSubMtls();
    if (n == lastCount_) return;
    lastCount_ = n;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

RefResult MultiMtl::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget, PartID& /*partID*/,
                                     RefMessage message, BOOL /*propagate*/) {
    if (hTarget != pblock_ || message != REFMSG_CHANGE || resizing_) return REF_SUCCEED;
    // An undo or redo restores every table by its own records: nothing to match then.
    if (!theHold.RestoreOrRedoing()) {
        int tab = 0;
        const ParamID id = pblock_->LastNotifyParamID(tab);
        if (tab == -1 && id >= multi_mtls && id <= multi_ids) MatchTables(id);
    }
    CheckStructure();
    return REF_SUCCEED;
}

RefTargetHandle MultiMtl::Clone(RemapDir& remap) {
    auto* copy = new MultiMtl(TRUE);
    BaseClone(this, copy, remap);
    if (pblock_) copy->ReplaceReference(0, remap.CloneRef(pblock_));
    CopyMtlBaseState(copy, remap);
    copy->lastCount_ = copy->NumSubMtls();
    return copy;
}
