// Materials and maps of classes the host knows by identity and behaviour answers: a parameter block of
// a given layout, sub-material and map slots, and the capability answers and interfaces of the class.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"

#include <memory>
#include <vector>

class ClassDesc;
class ClassDesc2;

struct GenericMtlConfig {
    // MATERIAL_CLASS_ID or TEXMAP_CLASS_ID.
    SClass_ID superClassId = MATERIAL_CLASS_ID;
    Class_ID classId;
    MSTR className;
    // Block 0 (id 0, named "parameters"); no block when empty.
    std::vector<ParamDef> params;
    // Sub-material slots (materials only) and map slots, each a real reference.
    int numSubMtls = 0;
    int numSubTexmaps = 0;
    // The primary test (Animatable::CanCopyAnim) and the capability test (Animatable::CanCopyTrack).
    BOOL canCopyAnim = TRUE;
    BOOL canCopyTrack = FALSE;
    // Interfaces GetInterface(Interface_ID) answers (with an interface object that only has its id).
    std::vector<Interface_ID> interfaces;
};

// References: 0 the block (null when the class has none), then the sub-material slots, then the map
// slots. Sub-animatables: the sub-materials, the maps, then the block. Assigning a slot notifies
// REFMSG_CHANGE with PART_MTL (a map slot PART_TEXMAP).
template <class Base> class GenericMtlBaseT : public Base {
public:
    GenericMtlBaseT(const GenericMtlConfig* config, ClassDesc2* cd, BOOL loading);
    ~GenericMtlBaseT() override;

    Class_ID ClassID() override { return config_->classId; }
    SClass_ID SuperClassID() override { return config_->superClassId; }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = config_->className; }
    BOOL CanCopyAnim() override { return config_->canCopyAnim; }
    BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) override { return config_->canCopyTrack; }
    using Base::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    int NumRefs() override { return 1 + static_cast<int>(slots_.size()); }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return static_cast<int>(slots_.size()) + (HasBlock() ? 1 : 0); }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    int NumParamBlocks() override { return HasBlock() ? 1 : 0; }
    IParamBlock2* GetParamBlock(int i) override { return i == 0 ? pblock_ : nullptr; }
    IParamBlock2* GetParamBlockByID(BlockID id) override { return id == 0 ? pblock_ : nullptr; }

    int NumSubTexmaps() override { return config_->numSubTexmaps; }
    Texmap* GetSubTexmap(int i) override;
    void SetSubTexmap(int i, Texmap* m) override;
    MSTR GetSubTexmapSlotName(int i, bool localized = true) override;

    const GenericMtlConfig& Config() const { return *config_; }

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;
    bool HasBlock() const { return !config_->params.empty(); }
    int SubMtlCount() const { return config_->superClassId == MATERIAL_CLASS_ID ? config_->numSubMtls : 0; }
    void SetSlot(int slot, ReferenceTarget* t, PartID part);
    void CloneInto(GenericMtlBaseT* copy, RemapDir& remap);

    const GenericMtlConfig* config_;
    IParamBlock2* pblock_ = nullptr;
    std::vector<ReferenceTarget*> slots_;

private:
    class Answer : public BaseInterface {
    public:
        explicit Answer(Interface_ID id) : id_(id) {}
        Interface_ID GetID() override { return id_; }
        BaseInterface* GetInterface(Interface_ID id) override { return id == id_ ? this : BaseInterface::GetInterface(id); }

    private:
        Interface_ID id_;
    };
    std::vector<std::unique_ptr<Answer>> answers_;
};

class GenericMtl : public GenericMtlBaseT<Mtl> {
public:
    GenericMtl(const GenericMtlConfig* config, ClassDesc2* cd, BOOL loading)
        : GenericMtlBaseT<Mtl>(config, cd, loading) {}
    int NumSubMtls() override { return SubMtlCount(); }
    Mtl* GetSubMtl(int i) override;
    void SetSubMtl(int i, Mtl* m) override;
    MSTR GetSubMtlSlotName(int i, bool localized = true) override;
    RefTargetHandle Clone(RemapDir& remap) override;
};

class GenericTexmap : public GenericMtlBaseT<Texmap> {
public:
    GenericTexmap(const GenericMtlConfig* config, ClassDesc2* cd, BOOL loading)
        : GenericMtlBaseT<Texmap>(config, cd, loading) {}
    RefTargetHandle Clone(RemapDir& remap) override;
};

// Registers a generic material or map class in the class directory and answers its descriptor; a class
// registered before with the same configuration is answered again. Null when another class already has
// that super class and class id, or the super class is neither a material's nor a map's.
ClassDesc* RegisterGenericMtlClass(const GenericMtlConfig& config);
