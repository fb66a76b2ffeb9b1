// Scene nodes: name, hierarchy, pipeline, transform, material, layer and the node properties, each edit
// with the message or notification the host sends for it and a restore object while the hold is open.
#pragma once

#include "host/core/Matrix3.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/ScaleValue.h"
#include "host/core/Tab.h"

class Object;
class Control;
class Mtl;
class ILayer;
class INode;
using INodeTab = Tab<INode*>;

// Node sub-animatables, in order.
enum NodeSubAnim {
    NODE_SUBANIM_VISIBILITY = 0,
    NODE_SUBANIM_SPACEWARPS = 1,
    NODE_SUBANIM_TRANSFORM = 2,
    NODE_SUBANIM_OBJECT = 3,
    NODE_SUBANIM_MATERIAL = 4,
    NODE_SUBANIM_IMAGE_BLUR_MULT = 5,
    NODE_SUBANIM_OBJECT_BLUR_ON = 6,
    NODE_NUM_SUBANIMS = 7
};

// Transform locks: GetTransformLock(type, axis).
constexpr int INODE_LOCKPOS = 0;
constexpr int INODE_LOCKROT = 1;
constexpr int INODE_LOCKSCL = 2;
constexpr int INODE_LOCK_X = 0;
constexpr int INODE_LOCK_Y = 1;
constexpr int INODE_LOCK_Z = 2;

// Display property bits (GetDisplayFlags/SetDisplayFlags). Hidden and frozen notify
// REFMSG_NODE_DISPLAY_PROP_CHANGED with part 0x1 / 0x2; the others with part 0 and broadcast the
// display-properties notification with the node table.
constexpr DWORD NODE_DISP_HIDDEN = 0x1;
constexpr DWORD NODE_DISP_FROZEN = 0x2;
constexpr DWORD NODE_DISP_BOX = 0x4;
constexpr DWORD NODE_DISP_BACKCULL = 0x8;
constexpr DWORD NODE_DISP_ALL_EDGES = 0x10;
constexpr DWORD NODE_DISP_VERT_TICKS = 0x20;
constexpr DWORD NODE_DISP_TRAJECTORY = 0x40;
constexpr DWORD NODE_DISP_SEE_THROUGH = 0x80;
constexpr DWORD NODE_DISP_IGNORE_EXTENTS = 0x100;
constexpr DWORD NODE_DISP_SHOW_FROZEN_GRAY = 0x200;
constexpr DWORD NODE_DISP_VERTEX_COLORS = 0x400;
constexpr DWORD NODE_DISP_SHADED_VERTEX_COLORS = 0x800;
constexpr DWORD NODE_DISP_XRAY_BONE = 0x1000;
constexpr DWORD NODE_DISP_SHOW_LINKS = 0x2000; // kept by the node display interface

// Render property bits (GetRenderFlags/SetRenderFlags), notifying REFMSG_NODE_RENDERING_PROP_CHANGED or
// REFMSG_NODE_GI_PROP_CHANGED and broadcasting the render-properties notification.
constexpr DWORD NODE_REND_RENDERABLE = 0x1;
constexpr DWORD NODE_REND_CAST_SHADOWS = 0x2;
constexpr DWORD NODE_REND_RCV_SHADOWS = 0x4;
constexpr DWORD NODE_REND_INHERIT_VIS = 0x8;
constexpr DWORD NODE_REND_PRIMARY_VIS = 0x10;
constexpr DWORD NODE_REND_SECONDARY_VIS = 0x20;
constexpr DWORD NODE_REND_APPLY_ATMOS = 0x40;
constexpr DWORD NODE_REND_MOTION_BLUR_ON = 0x80;
constexpr DWORD NODE_REND_GI_EXCLUDED = 0x10000;
constexpr DWORD NODE_REND_GI_RECEIVE = 0x20000;
constexpr DWORD NODE_REND_GI_GENERATE = 0x40000;

// Bone property bits (GetBoneFlags/SetBoneFlags).
constexpr BYTE NODE_BONE_AUTO_ALIGN = 0x2;
constexpr BYTE NODE_BONE_FREEZE_LENGTH = 0x4;
constexpr BYTE NODE_BONE_SCALE_STRETCH = 0x10;

class INode : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return BASENODE_CLASS_ID; }

    // Identity. Renaming broadcasts NOTIFY_NODE_RENAMED with {old name, new name, node}. Names need not
    // be unique.
    virtual const MCHAR* GetName() = 0;
    virtual void SetName(const MCHAR* s) = 0;
    virtual ULONG GetHandle() = 0;
    // The scene root, and the roots of external-scene trees.
    virtual BOOL IsRootNode() = 0;

    // Hierarchy. Linking broadcasts NOTIFY_NODE_LINKED with the child.
    virtual INode* GetParentNode() = 0;
    virtual int NumberOfChildren() = 0;
    virtual INode* GetChildNode(int i) = 0;
    virtual void AttachChild(INode* child, int keepPos = 1) = 0;
    virtual void Detach(TimeValue t, int keepPos = 1) = 0;

    // Pipeline: the object reference (a base object or an object-space derived object) and the world-space
    // pipeline. Changing the object reference notifies REFMSG_CHANGE with PART_ALL | PART_TM.
    virtual Object* GetObjectRef() = 0;
    virtual void SetObjectRef(Object* o) = 0;
    virtual Object* GetObjOrWSMRef() = 0;
    virtual class ObjectState EvalWorldState(TimeValue t) = 0;

    // Transform.
    virtual Control* GetTMController() = 0;
    virtual BOOL SetTMController(Control* m3cont) = 0;
    // World transform: the TM controller's value relative to the parent's node TM.
    virtual Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr) = 0;
    virtual void SetNodeTM(TimeValue t, const Matrix3& tm) = 0;
    virtual Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr) = 0;
    virtual Point3 GetObjOffsetPos() = 0;
    virtual void SetObjOffsetPos(const Point3& p) = 0;
    virtual Quat GetObjOffsetRot() = 0;
    virtual void SetObjOffsetRot(const Quat& q) = 0;
    virtual ScaleValue GetObjOffsetScale() = 0;
    virtual void SetObjOffsetScale(const ScaleValue& sv) = 0;
    virtual BOOL GetTransformLock(int type, int axis) = 0;
    virtual void SetTransformLock(int type, int axis, BOOL onOff) = 0;

    // Skin pose.
    virtual Point3 GetSkinPos() = 0;
    virtual void SetSkinPos(const Point3& p) = 0;
    virtual Point3 GetSkinRotEuler() = 0; // XYZ Euler angles
    virtual void SetSkinRotEuler(const Point3& r) = 0;
    virtual Point3 GetSkinScale() = 0;
    virtual void SetSkinScale(const Point3& s) = 0;
    virtual Quat GetSkinScaleOrient() = 0;
    virtual void SetSkinScaleOrient(const Quat& q) = 0;

    // Material: assigning notifies REFMSG_NODE_MATERIAL_CHANGED and adds the material to the scene
    // material library.
    virtual Mtl* GetMtl() = 0;
    virtual void SetMtl(Mtl* matl) = 0;

    // Layer: the layer's AddToLayer moves the node.
    virtual ILayer* GetLayer() = 0;
    virtual void SetLayer(ILayer* layer) = 0;

    // Wire colour (0x00BBGGRR), notifying REFMSG_NODE_WIRECOLOR_CHANGED.
    virtual DWORD GetWireColor() = 0;
    virtual void SetWireColor(DWORD newcol) = 0;

    // Display properties.
    virtual int IsHidden(DWORD hflags = 0, BOOL forRenderer = FALSE) = 0;
    virtual void Hide(BOOL onOff) = 0;
    virtual int IsFrozen() = 0;
    virtual void Freeze(BOOL onOff) = 0;
    virtual DWORD GetDisplayFlags() = 0;
    virtual void SetDisplayFlags(DWORD flags) = 0;
    virtual BYTE GetDisplayByte(int which) = 0; // which 0 or 1
    virtual void SetDisplayByte(int which, BYTE v) = 0;

    // Render and illumination properties.
    virtual DWORD GetRenderFlags() = 0;
    virtual void SetRenderFlags(DWORD flags) = 0;
    virtual float GetVisibility(TimeValue t) = 0;
    virtual void SetVisibility(TimeValue t, float vis) = 0;
    virtual float GetImageBlurMultiplier(TimeValue t) = 0;
    virtual void SetImageBlurMultiplier(TimeValue t, float m) = 0;
    virtual int GetRenderValue(int which) = 0; // which 0..2
    virtual void SetRenderValue(int which, int v) = 0;
    // Plain render and illumination factors (not animatable), each notifying
    // REFMSG_NODE_RENDERING_PROP_CHANGED (the illumination ones REFMSG_NODE_GI_PROP_CHANGED) and
    // broadcasting the render-properties notification. All start at 1.
    virtual float GetObjectBlurMultiplier() = 0;
    virtual void SetObjectBlurMultiplier(float m) = 0;
    virtual float GetGIIlluminationMultiplier() = 0;
    virtual void SetGIIlluminationMultiplier(float m) = 0;
    virtual float GetGIReflectanceScale() = 0;
    virtual void SetGIReflectanceScale(float s) = 0;
    virtual float GetGITransmittanceScale() = 0;
    virtual void SetGITransmittanceScale(float s) = 0;
    virtual float GetGIIndirectMultiplier() = 0;
    virtual void SetGIIndirectMultiplier(float m) = 0;

    // User properties, broadcasting the user-properties notification with the node table.
    virtual MSTR GetUserPropBuffer() = 0;
    virtual void SetUserPropBuffer(const MSTR& buf) = 0;

    // Bone properties, broadcasting the bone-properties notification with the node table.
    virtual BOOL GetBoneNodeOnOff() = 0;
    virtual void SetBoneNodeOnOff(BOOL onOff, TimeValue t) = 0;
    virtual BYTE GetBoneFlags() = 0; // NODE_BONE_* bits
    virtual void SetBoneFlags(BYTE f) = 0;
    // The axis the bone points along (0 X, 1 Y, 2 Z) and whether it points the other way.
    virtual int GetBoneAxis() = 0;
    virtual void SetBoneAxis(int axis) = 0;
    virtual BOOL GetBoneAxisFlip() = 0;
    virtual void SetBoneAxisFlip(BOOL onOff) = 0;

    // Groups: changes reach the scene event manager's GroupChanged callbacks.
    virtual BOOL IsGroupMember() = 0;
    virtual BOOL IsGroupHead() = 0;
    virtual BOOL IsOpenGroupMember() = 0;
    virtual BOOL IsOpenGroupHead() = 0;
    virtual void SetGroupMember(BOOL b) = 0;
    virtual void SetGroupHead(BOOL b) = 0;
    virtual void SetGroupMemberOpen(BOOL b) = 0;
    virtual void SetGroupHeadOpen(BOOL b) = 0;

    // Selection.
    virtual int Selected() = 0;

    // A target object's node and the node looking at it (cameras and lights with targets).
    virtual INode* GetTarget() = 0;
    virtual INode* GetLookatNode() = 0;

    // External-scene entries (the root node only): trees loaded from other files that are kept out of
    // saved scene files.
    virtual BOOL AddNewXRefFile(const MSTR& file, BOOL loadNow = TRUE, BOOL hideInManager = FALSE) = 0;
    virtual int GetXRefFileCount() = 0;
    virtual MSTR GetXRefFile(int i) = 0;
    virtual INode* GetXRefTree(int i) = 0;
    virtual BOOL DeleteXRefFile(int i) = 0;
};
