// The container that holds an animatable's custom attributes, owned by that animatable.
#pragma once

#include "host/scene/CustAttrib.h"
#include "host/scene/materials/RefTable.h"

// Made and freed by the animatable through the hooks RegisterCustAttribClasses installs; nothing
// references it for real, its owner keeps it. References and sub-animatables: the attributes, in order
// (real references: the container keeps its attributes alive).
class CustAttribContainer : public ICustAttribContainer, public RefTableHost {
public:
    explicit CustAttribContainer(Animatable* owner);
    ~CustAttribContainer() override;

    Class_ID ClassID() override { return CUSTATTRIB_CONTAINER_CLASS_ID; }
    SClass_ID SuperClassID() override { return REF_MAKER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int GetNumCustAttribs() override { return table_.Count(); }
    CustAttrib* GetCustAttrib(int i) override { return static_cast<CustAttrib*>(table_.Get(i)); }
    void AppendCustAttrib(CustAttrib* attribute) override { InsertCustAttrib(table_.Count(), attribute); }
    // An attribute already in the container, or one the graph refuses, is not inserted.
    void InsertCustAttrib(int i, CustAttrib* attribute) override;
    void RemoveCustAttrib(int i) override;
    Animatable* GetOwner() override { return owner_; }
    // A container made for loading gets its owner when it is attached.
    void SetOwner(Animatable* owner) { owner_ = owner; }
    // Appends with no message or notification (cloning an owner).
    void AppendQuietly(CustAttrib* attribute) { table_.Append(attribute); }

    int NumRefs() override { return table_.Count(); }
    RefTargetHandle GetReference(int i) override { return table_.Get(i); }
    int NumSubs() override { return table_.Count(); }
    Animatable* SubAnim(int i) override { return table_.Get(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < table_.Count() ? subNum : -1; }

    // Chunk 0x4200: the attribute count (the attributes are saved as references).
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    void RefTableRestored(RefTable& table) override;
    // Never auto-deleted: a mirror that stops referencing the container does not end it, its owner does.
    RefResult AutoDelete() override { return REF_FAIL; }
    // Frees the container when its owner goes: outside the undo system, since the owner is gone for good.
    void Destroy();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override { table_.Store(i, rtarg); }

private:
    void StructureChanged();

    RefTable table_;
    Animatable* owner_;
};
