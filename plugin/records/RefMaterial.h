// The record of one merged material: its identity by name, the user's rename, and the mirrors below it.
#pragma once

#include "plugin/records/RefBase.h"

#include <string>

class Mtl;

constexpr Class_ID REFMATERIAL_CLASS_ID(0x8663dfa6, 0x3f273885);

// Material flags.
// The material stays a real dependency while the helper unloads, saves or duplicates.
constexpr WORD REFMTL_LOCDEP = 0x1;
// The user renamed the material: the overridden name holds the name without the helper's prefix.
constexpr WORD REFMTL_OVERRIDDEN_NAME = 0x2;
// The user's name does not carry the helper's prefix: no prefix is ever put on it.
constexpr WORD REFMTL_NO_PREFIX = 0x4;

// References as the record base: the material as reference 0, then the mirrors. The record is its own root
// animatable with one sub-animatable, "Material", so every mirror path starts with that child.
class RefMaterial : public RefBase {
public:
    // Takes the material (null allowed), its name as the referenced name, and mirrors what is below it.
    // A failure drops the material and raises "Error Creating RefMaterial ...".
    RefMaterial(Mtl* material, IRecordHelper* helper);
    explicit RefMaterial(BOOL loading = FALSE);

    Class_ID ClassID() override { return REFMATERIAL_CLASS_ID; }
    const MCHAR* GetRecordName() const override;

    const WStr& GetReferencedName() const { return referencedName_; }
    const WStr& GetOverriddenName() const { return overriddenName_; }
    WORD GetMaterialFlags() const { return flags_; }
    // Sets (on) or clears the given flag bits; with undo and the hold holding, the change is undoable.
    void SetMaterialFlags(WORD flags, bool on, bool undo);
    // Reference 0 as a material; null while the referenced content is unloaded.
    Mtl* GetMaterial() const;

    // ---- the one sub-animatable
    int NumSubs() override { return 1; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 ? 0 : -1; }
    Animatable* GetRootAnim() override { return this; }

    // ---- references
    // Renames by the user become the overridden name; during a load, the helper's unique renaming does.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // The material follows the LocDep flag while the helper unloads, saves or duplicates.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    // The names, the flags and clones of the mirrors that carry changes; no material, no helper.
    RefTargetHandle Clone(RemapDir& remap) override;
    // Plain values only: the version stamp, the referenced name, the flags, the overridden name (when
    // flag 0x2 is set) and the mirror count. The host writes and restores the references.
    IOResult Save(ISave* isave) override;
    // Reads the values and sizes the mirror table with empty entries for the host to fill. A damaged
    // chunk ends the load with its error and an empty mirror table.
    IOResult Load(ILoad* iload) override;

    // ---- the record's operations
    void Collect() override;
    // Takes the freshly merged material in place of the old one, in the scene's material library too,
    // puts the user's name on it, re-applies the mirrors' changes and mirrors it again. Nothing happens
    // for null. A failure drops the material and raises "Error Updating RefMaterial ...".
    void Update(ReferenceTarget* freshMaterial) override;
    // Names the material prefix_name (name alone for an empty prefix), unless the user's name carries no
    // prefix.
    void ApplyNamePrefix(const MCHAR* prefix) override;
    bool HasOverrides() const override;
    MSTR GetDescription() override;
    void PrintData(int detail) override;

    // ---- dumps
    // "RefMaterial Brick overridden \"Wall\" flags 0x2 (OverriddenName)", then the record base's dump.
    std::string Dump();

private:
    // The chunks Save writes, in order, and Load reads.
    static std::span<const ChunkField<RefMaterial>> Fields();
    // The user renamed the material to its current name.
    void MaterialRenamed(Mtl* material);
    // "Error <verb> RefMaterial" (with "Unknown " for a foreign error), the description and the host's
    // text; drops the material.
    MSTR ComposeError(const MCHAR* what, const MAXException* hostError);
    // Changes the overridden name, undoably while the hold holds.
    void SetOverriddenName(const WStr& name);
    // Renames the material without taking the rename for the user's.
    void RenameMaterial(Mtl* material, const WStr& name);
    // The pointer the listener dumps show, as the host's "%d" prints it.
    int MaterialTag() const;

    WStr referencedName_;
    WStr overriddenName_;
    WORD flags_ = 0;
    // The record is renaming its material itself.
    bool renaming_ = false;

    friend class RefMaterialNameRestore;
};
