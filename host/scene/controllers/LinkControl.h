// The link controller: a local transform controller whose parent is taken, by time, from a table of
// link nodes held as weak references.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"

#include <vector>

// References: 0 the local transform controller ("Transform"), 1 the link parameters (kept empty until
// the link table lives in a parameter block), 2 + i link node i. Sub-animatables: the same two.
class LinkControl : public Control, public ILinkCtrl {
public:
    // The data kept beside the node references.
    struct Plain {
        std::vector<TimeValue> times; // one per link slot, ascending over the live links
        bool operator==(const Plain&) const = default;
    };

    // A new controller gets a PRS controller as its local transform.
    explicit LinkControl(BOOL loading = FALSE);

    Class_ID ClassID() override;
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    BOOL IsLeaf() override { return FALSE; }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    // Matrix3: the local transform; with CTRL_RELATIVE, local * (the link node's transform at t, or
    // *val when no link is in effect yet).
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // Goes to the local transform controller.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;
    Control* GetPositionController() override;
    Control* GetRotationController() override;
    Control* GetScaleController() override;
    Control* GetTransformController() { return tm_ ? static_cast<Control*>(tm_) : nullptr; }

    // ILinkCtrl.
    int GetNumTargets() override;
    INode* GetNode(int index) override;
    TimeValue GetLinkTime(int index) override;
    BOOL SetLinkTime(int index, TimeValue t) override;
    BOOL AddNewLink(INode* node, TimeValue t) override;
    BOOL DeleteTarget(int index) override;
    INode* GetLinkNodeAt(TimeValue t) override;

    int NumRefs() override { return 2 + static_cast<int>(links_.size()); }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return 2; }
    Animatable* SubAnim(int i) override { return i == 0 ? tm_ : (i == 1 ? params_ : nullptr); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 || subNum == 1 ? subNum : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim == 0; }
    // Matrix3 controllers only.
    BOOL AssignController(Animatable* control, int subAnim) override;
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) override { return TRUE; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0500: the start time of every link slot.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // For undo records.
    void ApplyState(const Plain& s);

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    struct Link {
        INode* node = nullptr;
        TimeValue time = 0;
    };
    bool IsLinkNode(ReferenceTarget* t) const;
    bool Live(const Link& l) const { return l.node && !l.node->TestAFlag(A_IS_DELETED); }
    int SlotOf(int index) const;
    std::vector<Link> LiveLinks() const;
    Plain State() const;
    // Moves the table to `next` (sorted here by start time).
    void Relayout(std::vector<Link> next);

    RefTargetHandle tm_ = nullptr;
    RefTargetHandle params_ = nullptr;
    std::vector<Link> links_;
};
