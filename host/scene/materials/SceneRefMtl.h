// The scene-reference material: shows a material of another scene file (or of its proxy file), loaded
// through the host's file loading, or, with useLocal on, the local material the user put in its one
// sub-material slot. Its settings are the parameters of its block; the loaded material is never saved.
#pragma once

#include "host/scene/materials/GenericMtl.h"
#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/SceneRefSource.h"

constexpr Class_ID SCENE_REF_MTL_CLASS_ID(0x272C0D4B, 0x432A414B);

// References: 0 the block, 1 the local material, 2 and 3 the loaded materials (weak, never saved). A
// material that cannot be read leaves no material shown (GetActiveMtl null) and the reason in
// GetSourceError.
class SceneRefMtl : public GenericMtl, public ObjectDumpExtra {
public:
    SceneRefMtl(const GenericMtlConfig* config, ClassDesc2* cd, BOOL loading)
        : GenericMtl(config, cd, loading), source_(true, this, kLoadedRef) {}
    ~SceneRefMtl() override { DeleteAllRefs(); }

    static ClassDesc2* GetClassDesc();

    SceneRefSettings GetSettings() { return ReadSceneRefSettings(GetParamBlock(0)); }
    Mtl* GetSourceMtl(bool render = false);
    MSTR GetSourceError(bool render = false);
    void ReloadSource();
    Mtl* GetLocalMtl() { return GetSubMtl(0); }
    // What renders and shows: the local material with useLocal on, else the loaded one.
    Mtl* GetActiveMtl(bool render = false);

    // Another local material changes what the material is made of: its dependents hear a structure change.
    void SetSubMtl(int i, Mtl* m) override;
    MSTR GetSubMtlSlotName(int i, bool localized = true) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int NumRefs() override { return kLoadedRef + 2; }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* t) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle /*t*/) override { return FALSE; }
    RefTargetHandle Clone(RemapDir& remap) override;
    void DumpExtra(std::ostream& os, int indent) override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    static constexpr int kLoadedRef = 2;
    ReferenceTarget* loaded_[2] = {nullptr, nullptr};
    SceneRefSource source_;
};
