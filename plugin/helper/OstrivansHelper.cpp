// The scene helper that owns one reference.
#include "plugin/helper/OstrivansHelper.h"

#include "host/core/RemapDir.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"

#include <sstream>

OstrivansHelper::OstrivansHelper(BOOL loading) {
    if (!loading) GetOstrivansHelperClassDesc().MakeAutoParamBlocks(this);
}

OstrivansHelper::~OstrivansHelper() {
    DeleteAllRefs();
}

void OstrivansHelper::GetClassName(MSTR& s, bool) const {
    s = L"OstrivansHelper";
}

int OstrivansHelper::NumRefs() {
    return kFirstRecordRef + NumRefNodes() + NumRefMaterials() + NumRefLayers();
}

RefTargetHandle OstrivansHelper::GetReference(int i) {
    if (i == kParamBlockRef) return pblock_;
    if (i == kHeldMtlLibRef) return heldMtlLib_;
    int k = i - kFirstRecordRef;
    if (k < 0) return nullptr;
    if (k < NumRefNodes()) return refNodes_[static_cast<size_t>(k)];
    k -= NumRefNodes();
    if (k < NumRefMaterials()) return refMaterials_[static_cast<size_t>(k)];
    k -= NumRefMaterials();
    if (k < NumRefLayers()) return layers_[static_cast<size_t>(k)];
    return nullptr;
}

void OstrivansHelper::SetReference(int i, RefTargetHandle rtarg) {
    if (i == kParamBlockRef) {
        AttachParamBlock(dynamic_cast<IParamBlock2*>(rtarg));
        return;
    }
    if (i == kHeldMtlLibRef) {
        heldMtlLib_ = rtarg;
        return;
    }
    int k = i - kFirstRecordRef;
    if (k < 0) return;
    if (k < NumRefNodes()) {
        RefNode*& slot = refNodes_[static_cast<size_t>(k)];
        if (slot) slot->SetHelper(nullptr);
        slot = dynamic_cast<RefNode*>(rtarg);
        if (slot) slot->SetHelper(this);
        return;
    }
    k -= NumRefNodes();
    if (k < NumRefMaterials()) {
        RefMaterial*& slot = refMaterials_[static_cast<size_t>(k)];
        if (slot) slot->SetHelper(nullptr);
        slot = dynamic_cast<RefMaterial*>(rtarg);
        if (slot) slot->SetHelper(this);
        return;
    }
    k -= NumRefMaterials();
    if (k < NumRefLayers()) layers_[static_cast<size_t>(k)] = rtarg;
}

void OstrivansHelper::AttachParamBlock(IParamBlock2* pb) {
    pblock_ = pb;
    if (!pb) return;
    prefixFlagCopy_ = pb->GetInt(pb_use_name_prefix);
    // Scenes from before the three-way reload setting carry only ReloadIfChanged: take it over.
    const int reloadType = pb->GetInt(pb_persist_reload_type);
    const int onlyIfChanged = pb->GetInt(pb_reload_if_changed) ? 1 : 0;
    if (reloadType < kReloadManually && reloadType != onlyIfChanged)
        pb->SetValue(pb_persist_reload_type, 0, onlyIfChanged);
}

Animatable* OstrivansHelper::SubAnim(int i) {
    return i == 0 ? pblock_ : nullptr;
}

MSTR OstrivansHelper::SubAnimName(int i, bool) {
    return i == 0 ? MSTR(L"pblock") : MSTR();
}

IParamBlock2* OstrivansHelper::GetParamBlockByID(BlockID id) {
    return pblock_ && pblock_->ID() == id ? pblock_ : nullptr;
}

RefNode* OstrivansHelper::GetRefNode(int i) const {
    return i >= 0 && i < NumRefNodes() ? refNodes_[static_cast<size_t>(i)] : nullptr;
}

RefMaterial* OstrivansHelper::GetRefMaterial(int i) const {
    return i >= 0 && i < NumRefMaterials() ? refMaterials_[static_cast<size_t>(i)] : nullptr;
}

RefTargetHandle OstrivansHelper::Clone(RemapDir& remap) {
    // An ordinary clone is an unloaded reference to the same file: the parameters, no records.
    auto* copy = new OstrivansHelper(TRUE);
    if (pblock_) copy->ReplaceReference(kParamBlockRef, remap.CloneRef(pblock_));
    BaseClone(this, copy, remap);
    return copy;
}

std::string OstrivansHelper::DumpParams() {
    if (!pblock_) return "no parameter block\n";
    std::ostringstream os;
    ParamBlockDesc2* desc = pblock_->GetDesc();
    for (int p = 0; p < desc->Count(); ++p) {
        const ParamDef& d = desc->paramdefs[static_cast<size_t>(p)];
        os << d.ID << " " << WStr(d.int_name).ToUTF8() << " = ";
        switch (d.type) {
        case TYPE_BOOL:
            os << (pblock_->GetInt(d.ID) ? "true" : "false");
            break;
        case TYPE_INT:
            os << pblock_->GetInt(d.ID);
            break;
        case TYPE_FILENAME:
        case TYPE_STRING: {
            const MCHAR* s = pblock_->GetStr(d.ID);
            os << '"' << WStr(s ? s : L"").ToUTF8() << '"';
            break;
        }
        case TYPE_REFTARG: {
            ReferenceTarget* r = pblock_->GetReferenceTarget(d.ID);
            MSTR name;
            if (r) r->GetClassName(name);
            os << (r ? name.ToUTF8() : std::string("undefined"));
            break;
        }
        default:
            os << "?";
            break;
        }
        os << "\n";
    }
    return os.str();
}
