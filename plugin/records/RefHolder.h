// A scene object that keeps a resizable list of references to any targets alive and saved with the scene.
#pragma once

#include "host/core/FPInterface.h"
#include "host/scene/Object.h"

#include <cstdint>
#include <string>
#include <vector>

constexpr Class_ID REFHOLDER_CLASS_ID(0x8663dfa5, 0x3f273890);
// The published interface carries the class's own two numbers.
constexpr Interface_ID REFHOLDER_INTERFACE_ID(0x8663dfa5, 0x3f273890);

// The "RefHolder" interface scripts size the holder with.
class RefHolderInterface : public FPMixinInterface {
public:
    enum { kSetNumRefs = 0 };
    // Entries added at the end are null; entries beyond n are released first.
    virtual void SetNumRefs(int n) = 0;
    FPInterfaceDesc* GetDesc() override;

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};

// A new description of the interface, attached to cd; the registry makes and keeps the one in use.
FPInterfaceDesc* MakeRefHolderInterfaceDesc(ClassDesc* cd);

class RefHolder : public GeomObject, public RefHolderInterface {
public:
    explicit RefHolder(BOOL loading = FALSE);
    ~RefHolder() override;

    Class_ID ClassID() override { return REFHOLDER_CLASS_ID; }
    SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return static_cast<int>(refs_.size()); }
    // Null out of range.
    RefTargetHandle GetReference(int i) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk kCountChunk: the number of references as a u32. The host writes the references themselves.
    IOResult Save(ISave* isave) override;
    // Sizes the table from kCountChunk; other chunks are skipped. The host restores the references after.
    IOResult Load(ILoad* iload) override;
    BaseInterface* GetInterface(Interface_ID id) override;
    using GeomObject::GetInterface;
    void DeleteThis() override { delete this; }

    void SetNumRefs(int n) override;

    // "RefHolder 3 refs: [0] Box01 (0x10), [1] null, ..." with each target's class name and super class.
    std::string Dump();

    static constexpr USHORT kCountChunk = 0x0000;
    static constexpr std::uint32_t kMaxLoadedRefs = 0x1000000;

protected:
    // Out of range is ignored.
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    friend class RefHolderSizeRestore;
    std::vector<ReferenceTarget*> refs_;
};
