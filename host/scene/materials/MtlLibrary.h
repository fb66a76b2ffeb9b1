// The host's material library: the scene's list of materials and maps, referenced weakly.
#pragma once

#include "host/scene/Mtl.h"
#include "host/scene/materials/RefTable.h"

#include <unordered_map>

// Entries are weak references: the library keeps no material alive, and an entry whose material is
// deleted reads as an empty slot. A name index answers FindMtlByName without a scan; it follows renames
// through the entries' REFMSG_NODE_NAMECHANGE.
class MtlLibrary : public MtlBaseLib, public RefTableHost {
public:
    MtlLibrary();
    ~MtlLibrary() override;

    Class_ID ClassID() override { return MTLBASELIB_CLASS_IDENT; }
    SClass_ID SuperClassID() override { return MTLBASELIB_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int Count() override { return table_.Count(); }
    MtlBase* operator[](int i) override;
    int Add(MtlBase* mtl) override;
    void Remove(MtlBase* mtl) override;
    void RemoveDuplicates() override;
    int FindMtl(MtlBase* mtl) override { return table_.IndexOf(mtl); }
    int FindMtlByName(const MSTR& name) override;
    void Empty() override;
    void SetEntry(int i, MtlBase* mtl) override;

    int NumRefs() override { return table_.Count(); }
    RefTargetHandle GetReference(int i) override { return table_.Get(i); }
    BOOL IsRealDependency(ReferenceTarget* /*rtarg*/) override { return FALSE; }
    int NumSubs() override { return table_.Count(); }
    Animatable* SubAnim(int i) override { return table_.Get(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Chunk 0x4100: the entry count (the entries are weak references, written only if the writer asks).
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    void RefTableRestored(RefTable& table) override;

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    void StructureChanged();
    void IndexName(int i, MtlBase* m);
    void UnindexName(int i);

    RefTable table_;
    // Entry -> the name it is indexed under, and name -> the entries carrying it.
    std::unordered_map<int, MSTR> indexedName_;
    std::unordered_map<MSTR, std::vector<int>> byName_;
};
