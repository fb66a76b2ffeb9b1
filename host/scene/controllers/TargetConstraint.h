// What the node-driven constraints share: a weighted list of target nodes held as weak references, with
// undoable edits, and the value of the targets in world space.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"

#include <utility>
#include <vector>

class TargetConstraint : public Control, public IConstraintTargets {
public:
    // The data kept beside the target references (the references themselves are restored by their
    // own undo records).
    struct Plain {
        std::vector<float> weights; // one per target slot
        bool operator==(const Plain&) const = default;
    };

    // fixedRefs: the constraint's own references (sub-controllers), numbered before the targets.
    explicit TargetConstraint(int fixedRefs) : fixed_(fixedRefs) {}

    // The interface this constraint class answers with its target list.
    virtual Interface_ID TargetsInterfaceID() = 0;
    Interface_ID GetID() override { return TargetsInterfaceID(); }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    int GetNumTargets() override;
    INode* GetNode(int index) override;
    float GetTargetWeight(int index) override;
    BOOL SetTargetWeight(int index, float weight) override;
    BOOL AppendTarget(INode* target, float weight = 50.0f) override;
    BOOL DeleteTarget(int index) override;

    // In world space: the weighted mean of the targets' positions, and (for rotation constraints) the
    // orientation seen from sourceWorld. False when no target has weight.
    bool WorldPosition(TimeValue t, Point3& pos, Interval& valid);
    virtual bool WorldRotation(TimeValue t, const Point3& sourceWorld, Quat& rot, Interval& valid);

    int NumRefs() override { return fixed_ + static_cast<int>(targets_.size()); }
    RefTargetHandle GetReference(int i) override;
    // Targets never keep a node alive, and are written to files all the same.
    BOOL IsRealDependency(ReferenceTarget* rtarg) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle rtarg) override;
    // A target being deleted leaves the list at once (it is skipped from now on and its slot becomes
    // null): the dependents hear REFMSG_SUBANIM_STRUCTURE_CHANGED.
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;
    // A constraint's track carries its references to other scene items.
    BOOL CanCopyTrack(Interval /*iv*/, DWORD /*flags*/) override { return TRUE; }

    // Chunk 0x0400: the weight of every target slot.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // For undo records.
    void ApplyState(const Plain& s);
    Plain State() const;

protected:
    void SetReference(int i, RefTargetHandle t) override;
    virtual RefTargetHandle GetFixedRef(int /*i*/) { return nullptr; }
    virtual void SetFixedRef(int /*i*/, RefTargetHandle /*t*/) {}
    // Chunks of a derived class (ids 0x0410 and up); LoadExtra answers IO_OK for chunks it does not know.
    virtual IOResult SaveExtra(ISave* /*isave*/) { return IO_OK; }
    virtual IOResult LoadExtra(ILoad* /*iload*/) { return IO_OK; }

    // The live targets (not null, not being deleted) with their weights.
    std::vector<std::pair<INode*, float>> LiveTargets();
    // Gives the copy this constraint's targets: the nodes' copies when they are cloned in the same
    // operation, the same nodes otherwise.
    void CloneTargetsInto(TargetConstraint* copy, RemapDir& remap);

private:
    struct Target {
        INode* node = nullptr;
        float weight = 0.0f;
    };
    bool IsTargetNode(ReferenceTarget* t) const;
    bool Live(const Target& tg) const { return tg.node && !tg.node->TestAFlag(A_IS_DELETED); }
    // Slot of the index-th live target, or -1.
    int SlotOf(int index) const;
    // Moves the table to the live entries `next`.
    void Relayout(const std::vector<Target>& next);

    int fixed_;
    std::vector<Target> targets_;
};
