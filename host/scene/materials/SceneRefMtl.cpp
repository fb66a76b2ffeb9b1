// The scene-reference material: its class, the loaded and the local material, and the dump.
#include "host/scene/materials/SceneRefMtl.h"

#include "host/core/ClassDesc.h"
#include "host/scene/objects/SceneRefObject.h"

#include <memory>

namespace {

class SceneRefMtlClassDesc : public ClassDesc2 {
public:
    SceneRefMtlClassDesc() {
        config_.superClassId = MATERIAL_CLASS_ID;
        config_.classId = SCENE_REF_MTL_CLASS_ID;
        config_.className = L"XRef Material";
        config_.numSubMtls = 1;
        block_ = std::make_unique<ParamBlockDesc2>(0, L"parameters", 0, this, P_AUTO_CONSTRUCT, 0);
        for (const ParamDef& d : SceneRefParams(true)) block_->AddParam(d);
        // The block owns copies of the names; the configuration points at those.
        config_.params = block_->paramdefs;
    }
    int IsPublic() override { return TRUE; }
    void* Create(BOOL loading) override { return new SceneRefMtl(&config_, this, loading); }
    const MCHAR* ClassName() override { return config_.className.c_str(); }
    const MCHAR* InternalName() override { return L"XRefMaterial"; }
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }
    Class_ID ClassID() override { return SCENE_REF_MTL_CLASS_ID; }
    const MCHAR* Category() override { return L"Materials"; }

private:
    GenericMtlConfig config_;
    std::unique_ptr<ParamBlockDesc2> block_;
};

SceneRefMtlClassDesc& Desc() {
    static SceneRefMtlClassDesc desc;
    return desc;
}

} // namespace

ClassDesc2* SceneRefMtl::GetClassDesc() { return &Desc(); }

Mtl* SceneRefMtl::GetSourceMtl(bool render) {
    return dynamic_cast<Mtl*>(source_.Get(GetSettings(), render));
}

MSTR SceneRefMtl::GetSourceError(bool render) {
    GetSourceMtl(render);
    return source_.Error(render);
}

void SceneRefMtl::ReloadSource() {
    source_.Reload();
    NotifyDependents(FOREVER, PART_MTL, REFMSG_CHANGE);
}

Mtl* SceneRefMtl::GetActiveMtl(bool render) {
    return GetSettings().useLocal ? GetLocalMtl() : GetSourceMtl(render);
}

void SceneRefMtl::SetSubMtl(int i, Mtl* m) {
    Mtl* before = GetSubMtl(i);
    GenericMtl::SetSubMtl(i, m);
    if (GetSubMtl(i) != before) NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

RefTargetHandle SceneRefMtl::GetReference(int i) {
    return i >= kLoadedRef && i < NumRefs() ? loaded_[i - kLoadedRef] : GenericMtl::GetReference(i);
}

void SceneRefMtl::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= kLoadedRef && i < NumRefs())
        loaded_[i - kLoadedRef] = rtarg;
    else
        GenericMtl::SetReference(i, rtarg);
}

BOOL SceneRefMtl::IsRealDependency(ReferenceTarget* t) {
    return t && (t == loaded_[0] || t == loaded_[1]) ? FALSE : GenericMtl::IsRealDependency(t);
}

MSTR SceneRefMtl::GetSubMtlSlotName(int i, bool /*localized*/) { return i == 0 ? MSTR(L"Local Material") : MSTR(); }

MSTR SceneRefMtl::SubAnimName(int i, bool localized) {
    return i == 0 ? GetSubMtlSlotName(0, localized) : GenericMtl::SubAnimName(i, localized);
}

RefTargetHandle SceneRefMtl::Clone(RemapDir& remap) {
    // The copy loads its own material when first asked.
    auto* copy = new SceneRefMtl(config_, nullptr, TRUE);
    CloneInto(copy, remap);
    return copy;
}

void SceneRefMtl::DumpExtra(std::ostream& os, int indent) {
    const SceneRefSettings s = GetSettings();
    Mtl* src = GetSourceMtl();
    DumpSceneRefSource(os, indent, s, src, source_.Error());
    if (s.useLocal) os << std::string(static_cast<size_t>(indent), ' ') << "uses its local material\n";
}
