// The CAT Parent Transform: the transform controller of a CAT rig's parent node, which carries the rig's
// settings, its animation layers, its limbs' IK targets and up nodes and its footprints, and answers the
// rig interface through which the whole rig is driven.
#pragma once

#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/cat/ICATParent.h"

#include <array>
#include <vector>

constexpr Class_ID CATPARENT_CLASS_ID(0x022D5030, 0x4344191C);

class CATBoneControl;

class CATParentControl : public Control, public ICATParent {
public:
    static constexpr int kLimbs = 4;
    static constexpr int kFootprints = 2;
    // References: the IK target of each limb, then its up node, then the footprint nodes.
    enum { kIKTargetRef = 0, kUpNodeRef = kLimbs, kFootprintRef = 2 * kLimbs, kRefs = 2 * kLimbs + kFootprints };

    struct State {
        CATRigSettings settings;
        std::vector<MSTR> layers;
        Matrix3 tm;
        bool operator==(const State&) const = default;
    };

    explicit CATParentControl(BOOL loading = FALSE);

    Class_ID ClassID() override { return CATPARENT_CLASS_ID; }
    SClass_ID SuperClassID() override { return CTRL_MATRIX3_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;
    // The rig is rebuilt by its own operations, never swapped for another controller.
    BOOL IsReplaceable() override { return FALSE; }
    BOOL IsLeaf() override { return FALSE; }
    using Control::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;

    void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) override;
    void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) override;

    int NumRefs() override { return kRefs; }
    RefTargetHandle GetReference(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                               RefMessage message, BOOL propagate) override;

    // ---- ICATParent
    CATRigSettings GetSettings() override { return state_.settings; }
    void SetSettings(const CATRigSettings& s) override;
    int NumLayers() override { return static_cast<int>(state_.layers.size()); }
    MSTR GetLayerName(int index) override;
    void AppendLayer(const MCHAR* name) override;
    void RemoveLayer(int index) override;
    int NumLimbs() override { return kLimbs; }
    MSTR GetLimbName(int limb) override;
    int NumBones(int limb) override;
    INode* GetBone(int limb, int index) override;
    INode* AddBone(int limb) override;
    BOOL RemoveBone(int limb) override;
    INode* GetIKTarget(int limb) override;
    INode* GetUpNode(int limb) override;
    INode* CreateIKTarget(int limb) override;
    INode* CreateUpNode(int limb) override;
    void SetIKTarget(int limb, INode* node) override;
    void SetUpNode(int limb, INode* node) override;
    int NumFootprints() override { return kFootprints; }
    INode* GetFootprint(int index) override;

    // The bone controllers of the rig, in the order they joined it.
    std::vector<CATBoneControl*> GetBones() const;
    void SetFootprint(int index, INode* node);
    // A bone at the end of a limb, without an undo step of its own.
    INode* AppendBone(int limb);
    // For undo records.
    void ApplyState(const State& s) { state_ = s; }

    RefTargetHandle Clone(RemapDir& remap) override;
    // Chunk 0x0100 the settings and transform, 0x0110 one per layer name.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

protected:
    void SetReference(int i, RefTargetHandle t) override;

private:
    void Change(const State& after);
    INode* CreateHelperAtEnd(int limb, const MCHAR* suffix, int ref);

    std::array<ReferenceTarget*, kRefs> refs_{};
    State state_;
};

// A new CAT rig in the scene: the parent node named name with the CAT Parent Transform, two bones per limb
// chained below it (named name + limb + number), and a footprint node per leg. Answers the parent node.
INode* CreateCATRig(const MSTR& name);
