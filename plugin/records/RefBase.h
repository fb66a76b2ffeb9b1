// The record base: mirrors one merged item (a node or a material) and owns the mirrors below it.
#pragma once

#include "host/core/ReferenceTarget.h"
#include "host/core/WStr.h"

#include <cstdint>
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

public:
    // ---- What the owning helper asks of its records.
    // The record carries a change of the user's: some mirror has a non-zero overridden state. Records
    // without one are weak references of the helper while it unloads, saves or duplicates.
    virtual bool HasOverrides() const;

public:
    // ---- What the mirrors ask of their owner.
    // The animatable the mirrors' paths start from: the item (a material record answers itself).
    virtual Animatable* GetRootAnim();
    // Drops the record's reference to every mirror other than `mirror` whose path and path by number both
    // begin with mirror's (equal length included), walking the table from the last entry to the first.
    void DeleteMirrorsBelow(RefAnim* mirror);
    // A new mirror of kind for anim at the given path, owned by this record but not yet in its table:
    // state, path, numbers (with undo), kind flag, then the animatable. Null when the kind creates nothing
    // or refuses the animatable (the kind it reports changes when the animatable is bound). A host error while binding the animatable is raised again as a
    // MAXException naming the step, the mirror and the host's text.
    RefAnim* CreateRefAnim(DWORD kind, ReferenceTarget* anim, std::vector<WStr> names,
                           std::vector<std::int32_t> numbers, BYTE initialState);
    // Mirrors anim (reached from parentOfAnim) at the given path, with the kind the kind rule gives it
    // (the plain kind when the rule makes none), and appends it to the table; the new mirror or null.
    RefAnim* MirrorAt(ReferenceTarget* anim, Animatable* parentOfAnim, std::vector<WStr> names,
                      std::vector<std::int32_t> numbers, BYTE initialState);
    // Appends a mirror to the table as a new reference; its table index.
    int AppendMirror(RefAnim* mirror);
};
