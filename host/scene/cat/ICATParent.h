// The published interfaces of a CAT rig: the rig interface of its CAT Parent Transform controller (rig
// settings, animation layers, limbs with their bones, IK targets and up nodes, footprints) and the
// interface every controller of the rig's bones answers.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/WStr.h"

class INode;
class Control;

constexpr Interface_ID CATPARENT_INTERFACE(0x022D5030, 0x4344191C);
constexpr Interface_ID CATCONTROL_INTERFACE(0x00D83DC1, 0x4C851B6C);

// The rig-wide settings, each a plain value the user may change at any time (undoable).
struct CATRigSettings {
    int catMode = 0;          // 0 setup, 1 animation
    float catUnits = 1.0f;    // the rig's scale
    int lengthAxis = 0;       // 0 along x, 1 along z
    int trackDisplay = 0;     // how the rig's tracks are listed
    int rigColoringMode = 0;  // 0 per bone, 1 per side
    bool operator==(const CATRigSettings&) const = default;
};

// Answered by the CAT Parent Transform controller (GetInterface(CATPARENT_INTERFACE)).
class ICATParent : public BaseInterface {
public:
    Interface_ID GetID() override { return CATPARENT_INTERFACE; }

    virtual CATRigSettings GetSettings() = 0;
    virtual void SetSettings(const CATRigSettings& s) = 0;

    // Animation layers above the rig's base animation, by name.
    virtual int NumLayers() = 0;
    virtual MSTR GetLayerName(int index) = 0;
    virtual void AppendLayer(const MCHAR* name) = 0;
    virtual void RemoveLayer(int index) = 0;

    // Limbs (a fixed set: left and right arm, left and right leg), each a chain of bone nodes.
    virtual int NumLimbs() = 0;
    virtual MSTR GetLimbName(int limb) = 0;
    virtual int NumBones(int limb) = 0;
    virtual INode* GetBone(int limb, int index) = 0;
    // The bone structure: a bone appended to or taken from the end of a limb, each one undo step of its
    // own named "CAT Bone Structure". A limb keeps at least one bone.
    virtual INode* AddBone(int limb) = 0;
    virtual BOOL RemoveBone(int limb) = 0;

    // The IK target and up node of a limb: null until created; creating one makes a point helper at the
    // limb's end (undoable).
    virtual INode* GetIKTarget(int limb) = 0;
    virtual INode* GetUpNode(int limb) = 0;
    virtual INode* CreateIKTarget(int limb) = 0;
    virtual INode* CreateUpNode(int limb) = 0;
    // Puts a node in the IK target or up node slot of a limb (null empties it; undoable).
    virtual void SetIKTarget(int limb, INode* node) = 0;
    virtual void SetUpNode(int limb, INode* node) = 0;

    // Footprint nodes, one per leg. A footprint moves only by a key: setting its transform outside animate
    // mode changes nothing.
    virtual int NumFootprints() = 0;
    virtual INode* GetFootprint(int index) = 0;
};

// Answered by the controller of every bone of a rig (GetInterface(CATCONTROL_INTERFACE)).
class ICATControl : public BaseInterface {
public:
    Interface_ID GetID() override { return CATCONTROL_INTERFACE; }
    // The rig's parent controller, and where the bone sits in it.
    virtual Control* GetCATParent() = 0;
    virtual int GetLimb() = 0;
    virtual int GetBoneIndex() = 0;
};

// The rig interface of an animatable (its CAT Parent Transform, or the node that carries it), or null.
ICATParent* GetCATParentInterface(class Animatable* anim);

constexpr const MCHAR* kCATStructureStep = L"CAT Bone Structure";
