// The transform controller of a Biped body part: its keys in a rotation controller of its own, its place
// in the figure, and the Biped's master it belongs to.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"

class BipedMaster;
class INode;

constexpr Class_ID BIPED_PART_CLASS_ID(0x9154, 0);

class BipedPartControl : public Control {
public:
    enum { kMasterRef = 0, kKeysRef = 1 };
    struct State {
        int id = -1;
        Point3 figure;
        bool operator==(const State&) const = default;
    };

    // A new part gets a TCB rotation controller for its keys; one made for loading gets it from the file.
    explicit BipedPartControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return BIPED_PART_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    // Biped parts are moved with their Biped, never copied on their own.
    BOOL CanCopyAnim() override { return FALSE; }
    BOOL IsLeaf() override { return FALSE; }
    using Control::GetInterface;
    // I_BIPMASTER answers the Biped's master interface.
    void* GetInterface(ULONG id) override;

    // The rotation of the part's keys at t, placed at its figure position, under the parent.
    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    // In figure mode the new position becomes the part's place in the figure; otherwise the rotation goes
    // to the part's keys. Either is an edit of the Biped's animation.
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    BipedMaster* GetMaster() const;
    Control* GetKeys() const { return keys_; }
    int GetPartId() const { return state_.id; }
    const Point3& GetFigurePos() const { return state_.figure; }
    // Sets the part's place in the figure (undoable) and tells the Biped.
    void SetFigurePos(const Point3& p);
    void Init(BipedMaster* master, int id, const Point3& figure);
    // The node this controller moves, or null.
    INode* GetNode();
    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0100: the part id and its figure position.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    ReferenceTarget* master_ = nullptr;
    Control* keys_ = nullptr;
    State state_;
};

// The node whose transform controller ctrl is, among ctrl's dependents; null when there is none.
INode* NodeOfController(Control* ctrl);
