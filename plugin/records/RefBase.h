// The record base: mirrors one merged item (a node or a material) and owns the mirrors below it.
#pragma once

#include "host/core/ReferenceTarget.h"

#include <string>
#include <vector>

class OstrivansHelper;
class RefAnim;

// Every record class has this super class, which is also the first part of its class id.
constexpr SClass_ID REFBASE_SUPER_CLASS_ID = 0x8663dfa6;
constexpr Class_ID REFBASE_CLASS_ID(0x8663dfa6, 0x3f273883);

// Reference 0 is the item (null while the referenced content is unloaded); references 1 to N are the
// mirrors, in creation order. Kinds append their own references after these.
class RefBase : public ReferenceTarget {
public:
    explicit RefBase(BOOL loading = FALSE);
    ~RefBase() override;

    Class_ID ClassID() override { return REFBASE_CLASS_ID; }
    SClass_ID SuperClassID() override { return REFBASE_SUPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    // The class name from the string table.
    virtual const MCHAR* GetRecordName() const;

    int NumRefs() override { return 1 + NumMirrors(); }
    RefTargetHandle GetReference(int i) override;
    void DeleteThis() override { delete this; }

    ReferenceTarget* GetItem() const { return item_; }
    int NumMirrors() const { return static_cast<int>(mirrors_.size()); }
    // Null out of range, and for an empty entry.
    RefAnim* GetMirror(int i) const;
    // Appends an empty mirror slot (reference NumRefs() before the call); the caller then sets it through
    // ReplaceReference.
    int AppendMirrorSlot();

    // The owning helper: a plain back-pointer, set by the helper when it takes the record.
    OstrivansHelper* GetHelper() const { return helper_; }
    void SetHelper(OstrivansHelper* helper) { helper_ = helper; }

    // "RefNode item <set> mirrors 2: RefAnimPblock, null".
    std::string Describe();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    ReferenceTarget* item_ = nullptr;
    std::vector<RefAnim*> mirrors_;
    OstrivansHelper* helper_ = nullptr;
};
