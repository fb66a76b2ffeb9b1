// Controllers: animatables that produce a value over time (float, point3, position, rotation, scale,
// matrix3, point4) and the list-controller interface.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/Matrix3.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/ScaleValue.h"
#include "host/core/Tab.h"

class INode;

// GetInterface(I_CONTROL) answers the controller itself: how the host tells a controller from any other
// animatable.
constexpr ULONG I_CONTROL = 0x1010;

// How GetValue/SetValue combine with the value passed in. For matrix3 controllers CTRL_RELATIVE takes the
// parent matrix in *val and returns own * parent; the other types add to or replace the value.
enum GetSetMethod { CTRL_ABSOLUTE, CTRL_RELATIVE };

// Key edit flags: every key, or the selected ones.
constexpr DWORD TRACK_DOSEL = 1;
constexpr DWORD TRACK_DOALL = 2;

// Value types by controller super class: CTRL_FLOAT_CLASS_ID float*, CTRL_POINT3_CLASS_ID and
// CTRL_POSITION_CLASS_ID Point3*, CTRL_ROTATION_CLASS_ID Quat*, CTRL_SCALE_CLASS_ID ScaleValue*,
// CTRL_MATRIX3_CLASS_ID Matrix3*, CTRL_POINT4_CLASS_ID and CTRL_FRGBA_CLASS_ID Point4*.
class Control : public ReferenceTarget {
public:
    void* GetInterface(ULONG id) override;
    using ReferenceTarget::GetInterface;

    virtual void GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    virtual void SetValue(TimeValue t, void* val, int commit = 1, GetSetMethod method = CTRL_ABSOLUTE) = 0;
    // Takes over the value (and keys) of another controller of the same value type.
    virtual void Copy(Control* from);
    virtual int NumKeys() { return 0; }
    // Keys of the key-frame controllers, 0-based in time order (the other controllers have none).
    virtual TimeValue GetKeyTime(int /*index*/) { return 0; }
    // A key at t holding the value at t; nothing when there is one at t already.
    virtual void AddNewKey(TimeValue /*t*/, DWORD /*flags*/) {}
    // The last key deleted leaves its value at every time.
    virtual void DeleteKeyByIndex(int /*index*/) {}
    // Deletes every key (TRACK_DOALL); the value at time 0 stays.
    virtual void DeleteKeys(DWORD /*flags*/) {}
    virtual BOOL IsLeaf() { return TRUE; }
    virtual BOOL IsKeyable() { return TRUE; }
    // The host's controller check: whether the controller may be replaced in its slot by another one
    // (rig controllers such as IK solvers answer no).
    virtual BOOL IsReplaceable() { return TRUE; }

    // PRS-style access to the sub-controllers of a transform controller; null when there are none.
    virtual Control* GetPositionController() { return nullptr; }
    virtual Control* GetRotationController() { return nullptr; }
    virtual Control* GetScaleController() { return nullptr; }
    virtual BOOL SetPositionController(Control*) { return FALSE; }
    virtual BOOL SetRotationController(Control*) { return FALSE; }
    virtual BOOL SetScaleController(Control*) { return FALSE; }
};

// The list controller interface: an ordered list of sub-controllers whose values add up, with a weight
// controller as the last sub-animatable.
constexpr Interface_ID LIST_CONTROLLER_INTERFACE(0x444E7687, 0x722E6E36);

class IListControl : public BaseInterface {
public:
    Interface_ID GetID() override { return LIST_CONTROLLER_INTERFACE; }
    virtual int GetListCount() = 0;
    virtual int GetActive() = 0;
    // Changing the active item notifies REFMSG_CHANGE with part 0.
    virtual void SetActive(int index) = 0;
    virtual MSTR GetName(int index) = 0;
    // Renaming an item notifies REFMSG_NODE_NAMECHANGE.
    virtual void SetName(int index, const MSTR& name) = 0;
    virtual Control* GetSubCtrl(int index) = 0;
    // Adding, deleting, cutting and pasting items notify REFMSG_SUBANIM_STRUCTURE_CHANGED. A controller of
    // another value type than the list's is not added. An empty name takes the controller's class name.
    virtual void AppendItem(Control* ctrl, const MSTR& name) = 0;
    virtual void DeleteItem(int index) = 0;
    // Takes the item out of the list and keeps it (with its name and weight) for PasteItem; a previously
    // cut item that nothing else holds is deleted.
    virtual void CutItem(int index) = 0;
    // Inserts the last cut item before index (clamped to the list); nothing when no item was cut.
    virtual void PasteItem(int index) = 0;
    // Weight of an item in the sum (1 for new items); a change notifies REFMSG_CHANGE from the weights
    // controller, the list's last sub-animatable.
    virtual float GetSubCtrlWeight(int index) = 0;
    virtual void SetSubCtrlWeight(int index, float weight) = 0;
};

// The target list of the node-driven constraints (position, path, orientation, look-at). Targets are weak
// references: a constraint never keeps a node alive, and a deleted node leaves the list. Adding or
// removing a target notifies REFMSG_SUBANIM_STRUCTURE_CHANGED; a weight change notifies REFMSG_CHANGE.
class IConstraintTargets : public BaseInterface {
public:
    virtual int GetNumTargets() = 0;
    // Null out of range.
    virtual INode* GetNode(int index) = 0;
    virtual float GetTargetWeight(int index) = 0;
    virtual BOOL SetTargetWeight(int index, float weight) = 0;
    // Fails for null, for a node already in the list and for a node that depends on the constraint.
    virtual BOOL AppendTarget(INode* target, float weight = 50.0f) = 0;
    virtual BOOL DeleteTarget(int index) = 0;
};

constexpr Interface_ID POS_CONSTRAINT_INTERFACE(0x32040779, 0x794A1278);
constexpr Interface_ID PATH_CONSTRAINT_INTERFACE(0x79D15F78, 0x1F901F8E);
constexpr Interface_ID ORIENT_CONSTRAINT_INTERFACE(0x71E2231B, 0x72522AB2);
constexpr Interface_ID LOOKAT_CONSTRAINT_INTERFACE(0x5DBE7AD8, 0x1D1B488B);

// The constraint target list of any of the four constraints, or null.
inline IConstraintTargets* GetConstraintTargets(Animatable* anim) {
    if (!anim) return nullptr;
    for (const Interface_ID& id :
         {POS_CONSTRAINT_INTERFACE, PATH_CONSTRAINT_INTERFACE, ORIENT_CONSTRAINT_INTERFACE, LOOKAT_CONSTRAINT_INTERFACE})
        if (BaseInterface* bi = anim->GetInterface(id)) return static_cast<IConstraintTargets*>(bi);
    return nullptr;
}

// The link controller's table of parent nodes by time: from each link's start time on, the controlled
// node follows that node. Links are weak references, ordered by start time; a deleted node leaves the
// table. Table edits notify REFMSG_SUBANIM_STRUCTURE_CHANGED.
constexpr Interface_ID LINK_CONSTRAINT_INTERFACE(0x32040779, 0x794A1279);

class ILinkCtrl : public BaseInterface {
public:
    Interface_ID GetID() override { return LINK_CONSTRAINT_INTERFACE; }
    virtual int GetNumTargets() = 0;
    virtual INode* GetNode(int index) = 0;
    virtual TimeValue GetLinkTime(int index) = 0;
    // Moves a link to another start time (the table is re-sorted).
    virtual BOOL SetLinkTime(int index, TimeValue t) = 0;
    // Fails for null and for a node that depends on the controller; a link at the same start time is
    // replaced.
    virtual BOOL AddNewLink(INode* node, TimeValue t) = 0;
    virtual BOOL DeleteTarget(int index) = 0;
    // The parent node in effect at t, or null.
    virtual INode* GetLinkNodeAt(TimeValue t) = 0;
};

// The host's default controllers for new scene content.
Control* NewDefaultFloatController();
Control* NewDefaultPoint3Controller();
Control* NewDefaultPositionController();
Control* NewDefaultRotationController();
Control* NewDefaultScaleController();
Control* NewDefaultMatrix3Controller(); // a PRS controller
