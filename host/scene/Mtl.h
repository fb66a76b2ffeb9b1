// Materials and texture maps, and the scene material library.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/Tab.h"

#include <iosfwd>

class Texmap;
class RemapDir;

// Material flag bits the plug-in reads and restores.
constexpr ULONG MTL_DISPLAY_ENABLE_FLAGS = 0x8;
constexpr ULONG MTL_BGROUND = 0x100;
constexpr ULONG MTL_BACKLIGHT = 0x200;
constexpr ULONG MTL_VIDCOLOR_CHECK = 0x10000;
constexpr ULONG MTL_HW_TEX_ENABLED = 0x20000;
constexpr ULONG MTL_HW_MAT_ENABLED = 0x40000000;
// Sample type (bits 10-12) and sample UV tiling (bits 13-15) of the material editor's sample slot.
constexpr ULONG MTL_SAMPLE_TYPE_MASK = 0x1C00;
constexpr int MTL_SAMPLE_TYPE_SHIFT = 10;
constexpr ULONG MTL_SAMPLE_UV_TILING_MASK = 0xE000;
constexpr int MTL_SAMPLE_UV_TILING_SHIFT = 13;

// What materials and maps share: a name, a flag word, an effects channel and the map shown in
// viewports. Renaming notifies REFMSG_NODE_NAMECHANGE; changing the flags or the effects channel notifies
// REFMSG_CHANGE with PART_MTL; changing the active viewport map notifies REFMSG_CHANGE with part
// PART_DISPLAY only. Edits put restore objects while the hold is open, and undo and redo send the same
// messages again.
class MtlBase : public ReferenceTarget {
public:
    const MSTR& GetName() const { return name_; }
    virtual void SetName(const MSTR& name);
    ULONG GetMtlFlags() const { return flags_; }
    void SetMtlFlag(ULONG mask, BOOL val = TRUE);
    void ClearMtlFlag(ULONG mask) { SetMtlFlag(mask, FALSE); }
    int TestMtlFlag(ULONG mask) const { return (flags_ & mask) != 0; }
    ULONG GetGBufID() const { return gbufID_; }
    void SetGBufID(ULONG id);
    // The map shown in viewports for this material; null when none (or when it has been deleted).
    MtlBase* GetActiveTexmap() const;
    void SetActiveTexmap(MtlBase* txt);
    virtual int NumSubTexmaps() { return 0; }
    virtual Texmap* GetSubTexmap(int /*i*/) { return nullptr; }
    virtual void SetSubTexmap(int /*i*/, Texmap* /*m*/) {}
    virtual MSTR GetSubTexmapSlotName(int /*i*/, bool /*localized*/ = true) { return MSTR(); }
    // Called after edits, before rendering; materials refresh cached state here.
    virtual void Update(TimeValue /*t*/, Interval& valid) { valid = FOREVER; }

    // Chunks 0x4000 name, 0x4001 flags, 0x4002 effects channel, 0x4003 the active map's object id (only
    // when the scene writer knows it). Subclasses write their own chunks after these.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // Entry points of the undo records: set the state and send the edit's message, with no record.
    void RestoreName(const MSTR& name);
    void RestoreFlags(ULONG flags);
    void RestoreGBufID(ULONG id);
    void RestoreActiveTexmap(AnimHandle map);

protected:
    // Copies name, flags and channel into a clone.
    void CopyMtlBaseState(MtlBase* to) const;
    // The same, and points the clone's active map at the copy of this one's (or at the same map when the
    // clone does not copy it).
    void CopyMtlBaseState(MtlBase* to, RemapDir& remap) const;

private:
    MSTR name_;
    ULONG flags_ = 0;
    ULONG gbufID_ = 0;
    // Not a reference (the map belongs to the material's tree): held by handle, so a deleted map reads
    // as none.
    AnimHandle activeTexmap_ = 0;
    // The map read from a scene file, patched by the scene reader once every object exists.
    mutable void* loadedActive_ = nullptr;
};

class Mtl : public MtlBase {
public:
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }
    virtual int NumSubMtls() { return 0; }
    virtual Mtl* GetSubMtl(int /*i*/) { return nullptr; }
    virtual void SetSubMtl(int /*i*/, Mtl* /*m*/) {}
    virtual MSTR GetSubMtlSlotName(int /*i*/, bool /*localized*/ = true) { return MSTR(); }
};

class Texmap : public MtlBase {
public:
    SClass_ID SuperClassID() override { return TEXMAP_CLASS_ID; }
};

constexpr Class_ID DMTL_CLASS_ID(2, 0);          // standard material
constexpr Class_ID MULTI_MATERIAL_CLASS_ID(0x200, 0); // Multi/Sub-Object
constexpr Class_ID BMTEX_CLASS_ID(0x240, 0);     // bitmap map
// The scene material library's own class.
constexpr Class_ID MTLBASELIB_CLASS_IDENT(0xC01, 0);

// Multi/Sub-Object parameter block ids (block 0): tables of sub-materials, on/off states, names, ids.
enum MultiMtlParamID { multi_mtls = 0, multi_ons = 1, multi_names = 2, multi_ids = 3 };

// A library of materials and maps; the scene library (Interface::GetSceneMtls) holds every material
// assigned in the scene. It references its entries weakly (an entry whose material is deleted becomes an
// empty slot); adding or removing entries notifies REFMSG_SUBANIM_STRUCTURE_CHANGED to its dependents.
// Edits put restore objects while the hold is open.
class MtlBaseLib : public ReferenceTarget {
public:
    virtual int Count() = 0;
    virtual MtlBase* operator[](int i) = 0;
    // Returns the index of mtl, adding it when absent.
    virtual int Add(MtlBase* mtl) = 0;
    virtual void Remove(MtlBase* mtl) = 0;
    virtual void RemoveDuplicates() = 0;
    virtual int FindMtl(MtlBase* mtl) = 0;
    virtual int FindMtlByName(const MSTR& name) = 0;
    virtual void Empty() = 0;
    // Replaces entry i (null leaves an empty slot).
    virtual void SetEntry(int i, MtlBase* mtl) = 0;
};

MtlBaseLib* NewMtlBaseLib();

// A new standard material, Multi/Sub-Object material (with its default ten slots, each holding a new
// standard material) and bitmap map. The classes must be registered (RegisterMaterialClasses).
Mtl* NewDefaultStdMat();
Mtl* NewDefaultMultiMtl();
Texmap* NewDefaultBitmapTex();

// Registers the material, map and library classes (and the parameter block classes they need) with the
// class directory. Idempotent.
void RegisterMaterialClasses();

// Deterministic text pictures for the scene dump. A material or map prints its name, class, flags,
// effects channel, active map, parameter blocks and, indented below, its sub-materials and maps:
//
//   Mtl "Brick" Standard (0x2, 0x0) flags 0x0 gbuf 0 active null
//     ParamBlock2 "shaderParameters" id 0
//     ...
//     map 1 "Diffuse Color": Texmap "Bricks" Bitmap (0x240, 0x0) flags 0x0 gbuf 0 active null
void DumpMtlBase(MtlBase* mtl, std::ostream& os, int indent = 0);
// One line per entry: "[0] \"Brick\" Standard" or "[1] empty".
void DumpMtlBaseLib(MtlBaseLib* lib, std::ostream& os, int indent = 0);
