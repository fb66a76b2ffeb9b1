// Generic material and map classes: configuration, descriptors, slots and cloning.
#include "host/scene/materials/GenericMtl.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/ConfiguredClassRegistry.h"
#include "host/scene/materials/ParamDefBuilder.h"

#include <algorithm>
#include <deque>

namespace {

bool SameConfig(const GenericMtlConfig& a, const GenericMtlConfig& b) {
    return a.superClassId == b.superClassId && a.classId == b.classId && a.className == b.className &&
           SameParamLayout(a.params, b.params) && a.numSubMtls == b.numSubMtls && a.numSubTexmaps == b.numSubTexmaps &&
           a.canCopyAnim == b.canCopyAnim && a.canCopyTrack == b.canCopyTrack && a.interfaces == b.interfaces;
}

class GenericMtlClassDesc : public ClassDesc2 {
public:
    explicit GenericMtlClassDesc(const GenericMtlConfig& config) : config_(config) {
        if (!config_.params.empty()) {
            block_ = std::make_unique<ParamBlockDesc2>(0, L"parameters", 0, this, P_AUTO_CONSTRUCT, 0);
            for (const ParamDef& d : config_.params) block_->AddParam(d);
            // The block owns copies of the names; the configuration points at those from now on.
            config_.params = block_->paramdefs;
        }
    }
    int IsPublic() override { return TRUE; }
    void* Create(BOOL loading) override {
        if (config_.superClassId == MATERIAL_CLASS_ID) return new GenericMtl(&config_, this, loading);
        return new GenericTexmap(&config_, this, loading);
    }
    const MCHAR* ClassName() override { return config_.className.c_str(); }
    SClass_ID SuperClassID() override { return config_.superClassId; }
    Class_ID ClassID() override { return config_.classId; }
    const MCHAR* Category() override { return config_.superClassId == MATERIAL_CLASS_ID ? L"Materials" : L"Maps"; }
    const GenericMtlConfig& Config() const { return config_; }

private:
    GenericMtlConfig config_;
    std::unique_ptr<ParamBlockDesc2> block_;
};

// Descriptors live as long as the process: instances keep pointers to their configuration.
std::deque<GenericMtlClassDesc>& Descs() {
    static std::deque<GenericMtlClassDesc> descs;
    return descs;
}

} // namespace

template <class Base>
GenericMtlBaseT<Base>::GenericMtlBaseT(const GenericMtlConfig* config, ClassDesc2* cd, BOOL loading)
    : config_(config) {
    const int subMtls = config->superClassId == MATERIAL_CLASS_ID ? config->numSubMtls : 0;
    slots_.assign(static_cast<size_t>(std::max(0, subMtls) + std::max(0, config->numSubTexmaps)), nullptr);
    for (const Interface_ID& id : config->interfaces) answers_.push_back(std::make_unique<Answer>(id));
    if (!loading && HasBlock() && cd) cd->MakeAutoParamBlocks(this);
}

template <class Base> GenericMtlBaseT<Base>::~GenericMtlBaseT() {
    if (this->NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        this->DeleteAllRefsFromMe();
    }
}

template <class Base> BaseInterface* GenericMtlBaseT<Base>::GetInterface(Interface_ID id) {
    for (auto& a : answers_)
        if (a->GetID() == id) return a.get();
    return Base::GetInterface(id);
}

template <class Base> RefTargetHandle GenericMtlBaseT<Base>::GetReference(int i) {
    if (i == 0) return pblock_;
    return i >= 1 && i <= static_cast<int>(slots_.size()) ? slots_[static_cast<size_t>(i - 1)] : nullptr;
}

template <class Base> void GenericMtlBaseT<Base>::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 0) pblock_ = RefAs<IParamBlock2>(rtarg);
    else if (i >= 1 && i <= static_cast<int>(slots_.size())) slots_[static_cast<size_t>(i - 1)] = RefAs<MtlBase>(rtarg);
}

template <class Base> Animatable* GenericMtlBaseT<Base>::SubAnim(int i) {
    const int n = static_cast<int>(slots_.size());
    if (i >= 0 && i < n) return slots_[static_cast<size_t>(i)];
    return i == n && HasBlock() ? pblock_ : nullptr;
}

template <class Base> MSTR GenericMtlBaseT<Base>::SubAnimName(int i, bool /*localized*/) {
    const int nm = SubMtlCount();
    const int n = static_cast<int>(slots_.size());
    if (i >= 0 && i < nm) return L"Sub-Material " + WStr::FromInt(i + 1);
    if (i >= nm && i < n) return L"Map " + WStr::FromInt(i - nm + 1);
    return i == n && HasBlock() ? MSTR(L"Parameters") : MSTR();
}

template <class Base> int GenericMtlBaseT<Base>::SubNumToRefNum(int subNum) {
    const int n = static_cast<int>(slots_.size());
    if (subNum >= 0 && subNum < n) return subNum + 1;
    return subNum == n && HasBlock() ? 0 : -1;
}

template <class Base> Texmap* GenericMtlBaseT<Base>::GetSubTexmap(int i) {
    if (i < 0 || i >= config_->numSubTexmaps) return nullptr;
    return static_cast<Texmap*>(slots_[static_cast<size_t>(SubMtlCount() + i)]);
}

template <class Base> void GenericMtlBaseT<Base>::SetSubTexmap(int i, Texmap* m) {
    if (i < 0 || i >= config_->numSubTexmaps) return;
    SetSlot(SubMtlCount() + i, m, PART_TEXMAP);
}

template <class Base> MSTR GenericMtlBaseT<Base>::GetSubTexmapSlotName(int i, bool /*localized*/) {
    return i >= 0 && i < config_->numSubTexmaps ? L"Map " + WStr::FromInt(i + 1) : MSTR();
}

template <class Base> void GenericMtlBaseT<Base>::SetSlot(int slot, ReferenceTarget* t, PartID part) {
    if (slots_[static_cast<size_t>(slot)] == t) return;
    if (this->ReplaceReference(slot + 1, t) == REF_SUCCEED) this->NotifyDependents(FOREVER, part, REFMSG_CHANGE);
}

template <class Base> void GenericMtlBaseT<Base>::CloneInto(GenericMtlBaseT* copy, RemapDir& remap) {
    this->BaseClone(this, copy, remap);
    if (pblock_) copy->ReplaceReference(0, remap.CloneRef(pblock_));
    for (size_t i = 0; i < slots_.size(); ++i)
        if (slots_[i]) copy->ReplaceReference(static_cast<int>(i) + 1, remap.CloneRef(slots_[i]));
    this->CopyMtlBaseState(copy, remap);
}

template class GenericMtlBaseT<Mtl>;
template class GenericMtlBaseT<Texmap>;

Mtl* GenericMtl::GetSubMtl(int i) {
    return i >= 0 && i < SubMtlCount() ? static_cast<Mtl*>(slots_[static_cast<size_t>(i)]) : nullptr;
}

void GenericMtl::SetSubMtl(int i, Mtl* m) {
    if (i >= 0 && i < SubMtlCount()) SetSlot(i, m, PART_MTL);
}

MSTR GenericMtl::GetSubMtlSlotName(int i, bool /*localized*/) {
    return i >= 0 && i < SubMtlCount() ? L"Sub-Material " + WStr::FromInt(i + 1) : MSTR();
}

RefTargetHandle GenericMtl::Clone(RemapDir& remap) {
    auto* copy = new GenericMtl(config_, nullptr, TRUE);
    CloneInto(copy, remap);
    return copy;
}

RefTargetHandle GenericTexmap::Clone(RemapDir& remap) {
    auto* copy = new GenericTexmap(config_, nullptr, TRUE);
    CloneInto(copy, remap);
    return copy;
}

ClassDesc* RegisterGenericMtlClass(const GenericMtlConfig& config) {
    if (config.superClassId != MATERIAL_CLASS_ID && config.superClassId != TEXMAP_CLASS_ID) return nullptr;
    return RegisterConfiguredClass(Descs(), config, SameConfig);
}

