// The host's second-generation parameter block: per-parameter element storage, references for
// controllers and reference values, tables, undo records and persistence.
#pragma once

#include "host/core/SlabAllocator.h"
#include "host/scene/IParamBlock2.h"

#include <cstring>
#include <iosfwd>
#include <memory>
#include <vector>

class Control;

// Reference numbering: every element of a parameter that can hold a reference (an animatable parameter:
// its controller; a reference-typed parameter without P_NO_REF: its value) gets one reference, in
// parameter order, then element order. A table's size change renumbers what follows it; the graph's
// dependent entries only keep the slot as a hint, and undo records replay in reverse order, so every
// record finds the numbering it was made with.
class ParamBlock2 : public IParamBlock2 {
public:
    // One element of a parameter: its constant value and, for animatable and reference parameters, the
    // controller or the referenced target. A scene holds millions of elements and nearly all of them
    // are a number, a point or a reference, which sit in place (32 bytes an element); a matrix or a
    // text, which few parameters hold, sits in a value of its own. Which member counts follows the
    // parameter's type, as in PB2Value.
    struct Elem {
        union {
            int i;
            float f;
            float xyzw[4] = {0, 0, 0, 0}; // point3 (x, y, z) and point4
            ReferenceTarget* r;           // a reference value the block holds no reference for
        };
        std::unique_ptr<PB2Value> wide; // matrix and string parameters only
        ReferenceTarget* ref = nullptr;

        Elem() = default;
        Elem(const Elem& o) : ref(o.ref) { CopyValue(o); }
        Elem& operator=(const Elem& o) {
            if (this != &o) {
                CopyValue(o);
                ref = o.ref;
            }
            return *this;
        }
        Elem(Elem&&) noexcept = default;
        Elem& operator=(Elem&&) noexcept = default;
        ~Elem() = default;

    private:
        void CopyValue(const Elem& o) {
            std::memcpy(xyzw, o.xyzw, sizeof xyzw); // whichever member is live
            wide = o.wide ? std::make_unique<PB2Value>(*o.wide) : nullptr;
        }
    };

    // desc may be null only for a block created to be loaded; Load then finds its descriptor.
    ParamBlock2(ParamBlockDesc2* desc, ReferenceMaker* owner);
    ~ParamBlock2() override;

    // Animatable.
    Class_ID ClassID() override { return PARAMBLOCK2_CLASS_ID; }
    SClass_ID SuperClassID() override { return PARAMETER_BLOCK2_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    int NumSubs() override;
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    BOOL CanAssignController(int subAnim) override;
    BOOL AssignController(Animatable* control, int subAnim) override;

    // References.
    int NumRefs() override;
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // Node values are weak: the block keeps no node alive, but they are written with the scene.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override;
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    RefTargetHandle Clone(RemapDir& remap) override;
    // A block without an owner adopts the first maker of its descriptor's class that references it
    // (after a load or a clone the owner's reference arrives after the block exists).
    void RefAdded(RefMakerHandle rm) override;

    // IParamBlock2.
    ParamBlockDesc2* GetDesc() override { return desc_; }
    BlockID ID() override { return desc_ ? desc_->ID : static_cast<BlockID>(-1); }
    ReferenceMaker* GetOwner() override;
    void SetOwner(ReferenceMaker* owner) override;
    int NumParams() override { return desc_ ? desc_->Count() : 0; }
    ParamID IndextoID(int index) override {
        return desc_ ? desc_->IndextoID(index) : static_cast<ParamID>(-1);
    }
    int IDtoIndex(ParamID id) override { return desc_ ? desc_->IDtoIndex(id) : -1; }
    ParamDef& GetParamDef(ParamID id) override;
    ParamDef& GetParamDefByIndex(unsigned short index) override;
    ParamType2 GetParameterType(ParamID id) override;
    MSTR GetLocalName(ParamID id, int tabIndex = -1) override;

    int Count(ParamID id) override;
    void SetCount(ParamID id, int n) override;
    int Delete(ParamID id, int start, int num) override;
    int Resize(ParamID id, int n) override;

    BOOL SetValue(ParamID id, TimeValue t, float v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, int v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, const Point3& v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, const Point4& v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, const Matrix3& v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, const MCHAR* v, int tabIndex = 0) override;
    BOOL SetValue(ParamID id, TimeValue t, ReferenceTarget* v, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, float& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, int& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, Point3& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, Point4& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, Matrix3& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, const MCHAR*& v, Interval& ivalid, int tabIndex = 0) override;
    BOOL GetValue(ParamID id, TimeValue t, ReferenceTarget*& v, Interval& ivalid, int tabIndex = 0) override;

    Control* GetController(ParamID id, int tabIndex = 0) override;
    Control* GetControllerByIndex(int index, int tabIndex = 0) override;
    BOOL SetController(ParamID id, int tabIndex, Control* c, BOOL preserveFrame0Value = TRUE) override;
    void RemoveController(ParamID id, int tabIndex = 0) override;
    int GetAnimNum(ParamID id, int tabIndex = 0) override;
    ParamID AnimNumToParamNum(int animNum, int& tabIndex) override;

    ParamID LastNotifyParamID(int& tabIndex) override;

    // The deterministic text picture (see DumpParamBlock2).
    void Dump(std::ostream& os, int indent);
    // Why the last Load failed; empty after a good one.
    const WStr& LoadError() const { return loadError_; }

    // Entry points of the undo records: they put back raw state and notify, with no accessor call and
    // no further record.
    void RestoreElemValue(ParamID id, int tabIndex, const PB2Value& v);
    void RestoreSplice(ParamID id, int start, int removeCount, const std::vector<Elem>& insert);
    void RestoreNotify(ParamID id, int tabIndex);

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    // What kind of value a caller hands in or asks for.
    enum class Given { Int, Float, Point3, Point4, Matrix, String, Ref };

    void InitParams();
    void InitElem(const ParamDef& def, Elem& e) const;
    // Index of id and a valid element, or false.
    bool Locate(ParamID id, int tabIndex, int& pi, int& ei);
    bool LocateIndex(int pi, int tabIndex, int& ei) const;
    const ParamDef& Def(int pi) const { return desc_->paramdefs[static_cast<size_t>(pi)]; }
    // Parameters the storage holds (the descriptor's count when the block was laid out).
    int NumStored() const { return bases_.empty() ? 0 : static_cast<int>(bases_.size() / 3) - 1; }
    int CountOf(int pi) const {
        return bases_[static_cast<size_t>(pi) + 1] - bases_[static_cast<size_t>(pi)];
    }
    Elem* ElemsOf(int pi) { return elems_.data() + bases_[static_cast<size_t>(pi)]; }
    const Elem* ElemsOf(int pi) const { return elems_.data() + bases_[static_cast<size_t>(pi)]; }
    Elem& At(int pi, int ei) { return ElemsOf(pi)[ei]; }
    // First reference slot / sub-animatable of each parameter, one extra entry for the total (valid
    // after EnsureLayout).
    const int* RefBases() const { return bases_.data() + bases_.size() / 3; }
    const int* SubBases() const { return bases_.data() + 2 * (bases_.size() / 3); }
    bool HasRefSlot(int pi) const;
    bool IsSubAnimParam(int pi) const;
    bool IsAnimatableParam(int pi) const;
    void EnsureLayout();
    void LayoutChanged() { layoutDirty_ = true; }
    // Reference slot / sub-animatable number of an element, and back.
    int SlotOf(int pi, int ei);
    bool FromSlot(int slot, int& pi, int& ei);
    bool FromSub(int sub, int& pi, int& ei);

    BOOL Set(ParamID id, TimeValue t, int tabIndex, const PB2Value& in, Given given,
             bool callAccessor = true);
    BOOL Get(ParamID id, TimeValue t, int tabIndex, PB2Value& out, Interval& ivalid);
    // The element's value now: its controller's at t when animated, else the stored one.
    PB2Value CurrentValue(int pi, int ei, TimeValue t, Interval& ivalid);
    void PushToController(Control* c, int pi, TimeValue t, const PB2Value& v);
    void NotifyChanged(ParamID id, int tabIndex);
    void PutNotifyMarker(ParamID id, int tabIndex, bool before);
    // Drops the references of elements [from, to) of a parameter through ReplaceReference.
    void DropRefs(int pi, int from, int to);
    // Replaces removeCount elements at start by insert (whose references must be null); the removed
    // elements must hold no reference any more. Records the splice when `record`.
    void Splice(int pi, int start, int removeCount, std::vector<Elem> insert, bool record);
    // The storage side of a splice: no record, no check that references were dropped.
    void ReplaceElems(int pi, int start, int removeCount, std::vector<Elem> insert);
    void CountNodeRef(int pi, ReferenceTarget* t, int delta);
    void DumpValue(std::ostream& os, int pi, int ei);

    ParamBlockDesc2* desc_ = nullptr;
    AnimHandle ownerHandle_ = 0;
    // Every parameter's elements, parameter after parameter: a block's values are one heap block
    // whatever its parameter count, so a scene's millions of parameters cost a few allocations a block.
    SlabVector<Elem> elems_;
    // Three runs of NumStored() + 1 entries: per parameter its first element, its first reference slot
    // and its first sub-animatable, each with a last entry for the total. The element run is always
    // current; the other two are worked out by EnsureLayout.
    SlabVector<int> bases_;
    // Every reference slot's target side by side, taken with the layout and kept by SetReference: whoever
    // walks a block's references or controllers reads one run of memory, not one element per parameter.
    SlabVector<ReferenceTarget*> slotRefs_;
    bool layoutDirty_ = true;
    ParamID lastNotifyId_ = -1;
    int lastNotifyTab_ = -1;
    // Nodes referenced from parameters that hold them for real (reftarg and such): while zero every node
    // reference of the block is weak, and IsRealDependency answers without a scan.
    int realNodeRefs_ = 0;
    // Set while the block writes into one of its controllers: the controller's own change message stops
    // here, since the block sends the one message of the edit itself.
    bool pushing_ = false;
    MSTR strScratch_;
    WStr loadError_;
};
