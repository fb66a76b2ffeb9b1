// The host's scene node: references to its transform, object, material, layer and render controllers,
// the node's own properties, its place in the hierarchy, and the undo records of every edit.
#pragma once

#include "host/core/Hold.h"
#include "host/core/SlabAllocator.h"
#include "host/scene/INode.h"
#include "host/scene/INodeDisplayProperties.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/Interface.h"

#include <cstdint>
#include <functional>
#include <map>
#include <vector>

constexpr Class_ID NODE_CLASS_IDENT(0x1, 0);

// Reference slots of a node.
enum NodeRef {
    NODE_REF_TM = 0,
    NODE_REF_OBJ = 1, // the object reference, or the world-space derived object over it
    NODE_REF_MTL = 2,
    NODE_REF_VIS = 3,
    NODE_REF_LAYER = 4,
    NODE_REF_IMAGE_BLUR = 5,
    NODE_REF_OBJECT_BLUR = 6,
    NODE_NUM_REFS = 7
};

// Defaults a new node starts with (the scene dump prints what differs).
constexpr DWORD NODE_DEFAULT_WIRE_COLOR = 0x00B0B0B0;
constexpr DWORD NODE_DEFAULT_RENDER_FLAGS = NODE_REND_RENDERABLE | NODE_REND_CAST_SHADOWS | NODE_REND_RCV_SHADOWS |
                                            NODE_REND_INHERIT_VIS | NODE_REND_PRIMARY_VIS | NODE_REND_SECONDARY_VIS |
                                            NODE_REND_APPLY_ATMOS | NODE_REND_GI_RECEIVE | NODE_REND_GI_GENERATE;

// Group bits of a node.
constexpr BYTE NODE_GROUP_MEMBER = 0x1;
constexpr BYTE NODE_GROUP_HEAD = 0x2;
constexpr BYTE NODE_GROUP_OPEN_MEMBER = 0x4;
constexpr BYTE NODE_GROUP_OPEN_HEAD = 0x8;

class Node;

// A node's display interface: the properties the node keeps besides its display and render words.
class NodeDisplayProperties : public INodeDisplayProperties {
public:
    explicit NodeDisplayProperties(Node* node) : node_(node) {}
    BOOL GetNodeDisplayProperty(DWORD prop) override;
    void SetNodeDisplayProperty(DWORD prop, BOOL on) override;

private:
    Node* node_;
};

// A node's skin pose interface, over the node's own skin pose values.
class NodeSkinPose : public ISkinPose {
public:
    explicit NodeSkinPose(Node* node) : node_(node) {}
    Point3 SkinPos() override;
    void SetSkinPos(const Point3& p) override;
    Point3 SkinRot() override;
    void SetSkinRot(const Point3& r) override;
    Point3 SkinScale() override;
    void SetSkinScale(const Point3& s) override;
    Quat SkinScaleOrient() override;
    void SetSkinScaleOrient(const Quat& q) override;

private:
    Node* node_;
};

// The plain render factors of a node, by index into its table.
enum NodeRenderFactor {
    NODE_FACTOR_OBJECT_BLUR = 0,
    NODE_FACTOR_GI_ILLUMINATION = 1,
    NODE_FACTOR_GI_REFLECTANCE = 2,
    NODE_FACTOR_GI_TRANSMITTANCE = 3,
    NODE_FACTOR_GI_INDIRECT = 4,
    NODE_NUM_RENDER_FACTORS = 5
};

class Node : public INode {
public:
    // A scene root (isRoot) has no parent and is never saved as a child; an external-scene tree root
    // (xrefRoot) is a root too but stays outside the scene.
    explicit Node(bool isRoot = false, bool xrefRoot = false);
    ~Node() override;

    Class_ID ClassID() override { return NODE_CLASS_IDENT; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    // INode.
    const MCHAR* GetName() override { return name_.c_str(); }
    void SetName(const MCHAR* s) override;
    ULONG GetHandle() override { return handle_; }
    BOOL IsRootNode() override { return isRoot_; }
    INode* GetParentNode() override { return parent_; }
    int NumberOfChildren() override { return static_cast<int>(children_.size()); }
    // The children in order, as a copy: callers that take children away while they walk (deleting a
    // tree, moving children up) walk this instead of asking GetChildNode after every change.
    std::vector<Node*> Children() const;
    INode* GetChildNode(int i) override;
    void AttachChild(INode* child, int keepPos = 1) override;
    void Detach(TimeValue t, int keepPos = 1) override;
    Object* GetObjectRef() override;
    void SetObjectRef(Object* o) override;
    Object* GetObjOrWSMRef() override;
    ObjectState EvalWorldState(TimeValue t) override;
    Control* GetTMController() override;
    BOOL SetTMController(Control* m3cont) override;
    Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr) override;
    void SetNodeTM(TimeValue t, const Matrix3& tm) override;
    Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr) override;
    Point3 GetObjOffsetPos() override { return offPos_; }
    void SetObjOffsetPos(const Point3& p) override;
    Quat GetObjOffsetRot() override { return offRot_; }
    void SetObjOffsetRot(const Quat& q) override;
    ScaleValue GetObjOffsetScale() override { return offScale_; }
    void SetObjOffsetScale(const ScaleValue& sv) override;
    BOOL GetTransformLock(int type, int axis) override;
    void SetTransformLock(int type, int axis, BOOL onOff) override;
    Point3 GetSkinPos() override { return skinPos_; }
    void SetSkinPos(const Point3& p) override;
    Point3 GetSkinRotEuler() override { return skinRot_; }
    void SetSkinRotEuler(const Point3& r) override;
    Point3 GetSkinScale() override { return skinScale_; }
    void SetSkinScale(const Point3& s) override;
    Quat GetSkinScaleOrient() override { return skinScaleOrient_; }
    void SetSkinScaleOrient(const Quat& q) override;
    Mtl* GetMtl() override;
    void SetMtl(Mtl* matl) override;
    ILayer* GetLayer() override;
    void SetLayer(ILayer* layer) override;
    DWORD GetWireColor() override { return wireColor_; }
    void SetWireColor(DWORD newcol) override;
    int IsHidden(DWORD hflags = 0, BOOL forRenderer = FALSE) override;
    void Hide(BOOL onOff) override;
    int IsFrozen() override { return (dispFlags_ & NODE_DISP_FROZEN) != 0; }
    void Freeze(BOOL onOff) override;
    DWORD GetDisplayFlags() override { return dispFlags_; }
    void SetDisplayFlags(DWORD flags) override;
    BYTE GetDisplayByte(int which) override;
    void SetDisplayByte(int which, BYTE v) override;
    DWORD GetRenderFlags() override { return renderFlags_; }
    void SetRenderFlags(DWORD flags) override;
    float GetVisibility(TimeValue t) override;
    void SetVisibility(TimeValue t, float vis) override;
    float GetImageBlurMultiplier(TimeValue t) override;
    void SetImageBlurMultiplier(TimeValue t, float m) override;
    int GetRenderValue(int which) override;
    void SetRenderValue(int which, int v) override;
    float GetObjectBlurMultiplier() override { return factors_[NODE_FACTOR_OBJECT_BLUR]; }
    void SetObjectBlurMultiplier(float m) override { SetRenderFactor(NODE_FACTOR_OBJECT_BLUR, m); }
    float GetGIIlluminationMultiplier() override { return factors_[NODE_FACTOR_GI_ILLUMINATION]; }
    void SetGIIlluminationMultiplier(float m) override { SetRenderFactor(NODE_FACTOR_GI_ILLUMINATION, m); }
    float GetGIReflectanceScale() override { return factors_[NODE_FACTOR_GI_REFLECTANCE]; }
    void SetGIReflectanceScale(float s) override { SetRenderFactor(NODE_FACTOR_GI_REFLECTANCE, s); }
    float GetGITransmittanceScale() override { return factors_[NODE_FACTOR_GI_TRANSMITTANCE]; }
    void SetGITransmittanceScale(float s) override { SetRenderFactor(NODE_FACTOR_GI_TRANSMITTANCE, s); }
    float GetGIIndirectMultiplier() override { return factors_[NODE_FACTOR_GI_INDIRECT]; }
    void SetGIIndirectMultiplier(float m) override { SetRenderFactor(NODE_FACTOR_GI_INDIRECT, m); }
    MSTR GetUserPropBuffer() override { return userProps_; }
    void SetUserPropBuffer(const MSTR& buf) override;
    BOOL GetBoneNodeOnOff() override { return boneOn_; }
    void SetBoneNodeOnOff(BOOL onOff, TimeValue t) override;
    BYTE GetBoneFlags() override { return boneFlags_; }
    void SetBoneFlags(BYTE f) override;
    int GetBoneAxis() override { return boneAxis_; }
    void SetBoneAxis(int axis) override;
    BOOL GetBoneAxisFlip() override { return boneFlip_; }
    void SetBoneAxisFlip(BOOL onOff) override;
    BOOL IsGroupMember() override { return (group_ & NODE_GROUP_MEMBER) != 0; }
    BOOL IsGroupHead() override { return (group_ & NODE_GROUP_HEAD) != 0; }
    BOOL IsOpenGroupMember() override { return (group_ & NODE_GROUP_OPEN_MEMBER) != 0; }
    BOOL IsOpenGroupHead() override { return (group_ & NODE_GROUP_OPEN_HEAD) != 0; }
    void SetGroupMember(BOOL b) override { SetGroupBit(NODE_GROUP_MEMBER, b); }
    void SetGroupHead(BOOL b) override { SetGroupBit(NODE_GROUP_HEAD, b); }
    void SetGroupMemberOpen(BOOL b) override { SetGroupBit(NODE_GROUP_OPEN_MEMBER, b); }
    void SetGroupHeadOpen(BOOL b) override { SetGroupBit(NODE_GROUP_OPEN_HEAD, b); }
    int Selected() override { return selected_ ? 1 : 0; }
    INode* GetTarget() override;
    INode* GetLookatNode() override;
    BOOL AddNewXRefFile(const MSTR& file, BOOL loadNow = TRUE, BOOL hideInManager = FALSE) override;
    int GetXRefFileCount() override { return static_cast<int>(xrefs_.size()); }
    MSTR GetXRefFile(int i) override;
    INode* GetXRefTree(int i) override;
    BOOL DeleteXRefFile(int i) override;

    // The display interface and the skin pose interface; I_FIXED_SUBANIM_NAMES answers the fixed names of
    // the node's sub-animatables.
    using INode::GetInterface;
    BaseInterface* GetInterface(Interface_ID id) override;
    void* GetInterface(ULONG id) override;
    // The display interface's state: NODE_DISP_SHOW_LINKS and the three render bits.
    DWORD GetInterfaceFlags() const { return ifaceFlags_; }
    void SetInterfaceFlag(DWORD prop, BOOL on);

    // Reference machinery.
    int NumRefs() override { return NODE_NUM_REFS; }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return NODE_NUM_SUBANIMS; }
    Animatable* SubAnim(int i) override;
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override;
    BOOL CanAssignController(int subAnim) override;
    BOOL AssignController(Animatable* control, int subAnim) override;
    BOOL CanDeleteSubAnim(int i) override;
    void DeleteSubAnim(int i) override;
    RefResult NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                               BOOL propagate) override;
    // The scene holds its nodes through the hierarchy, not through references: a node in a tree is never
    // auto-deleted when its last dependent lets go (deleting a node is the application's DeleteNode).
    RefResult AutoDelete() override;
    // Copies the node's own data; the transform and object are cloned through remap (the object is
    // shared for instances, wrapped in a new derived object for references), material and layer shared.
    RefTargetHandle Clone(RemapDir& remap) override;
    // The node's own data: name, properties, flags, root state and the parent (as the writer's object
    // id). References are the scene writer's business.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;

    // The parent a loaded node read from its file (patched by the scene reader), for the reader to link.
    // Scene files: places a node that was just read under this one, after the children it already has,
    // with no notification and no undo record (a file read is not an edit).
    void AttachLoadedChild(Node* child) { child->MoveTo(this, -1); }
    // Whether the node is an external-scene tree root.
    bool IsXRefRoot() const { return xrefRoot_; }
    // The topmost root above this node (itself for a root).
    Node* TopRoot();
    // In the scene: below the scene root (not in an external-scene tree, not deleted).
    bool InScene();
    // Set by the application object's selection.
    void SetSelectedFlag(bool on) { selected_ = on; }
    // Back to the state of a new node (properties only; references and hierarchy untouched), no record.
    void ResetProperties();
    // Takes the node out of its parent's children (recorded while holding: undo puts it back in place).
    void DetachFromScene();
    // Initial reference without messages or records (node creation).
    void InitReference(int which, RefTargetHandle t);

    // Lookups through the process-wide node index (every live node, in or out of the scene).
    static Node* FindByHandle(ULONG handle);
    // The first node in the scene (lowest handle) carrying the name, compared without case.
    static Node* FindInSceneByName(const MCHAR* name);
    static bool NameInScene(const MCHAR* name);
    // A name no scene node carries, from name ("Box01" -> "Box02"); name itself when it is free.
    static MSTR MakeNameUnique(const MSTR& name);
    // Every live node (for a scene reset).
    static std::vector<Node*> AllNodes();
    // How Clone treats the object; set by CloneNodes around its clones.
    static void SetCloneType(CloneType t);
    static CloneType GetCloneType();

    // The one way edits record themselves: a record that calls apply with the old value on undo and the
    // new one on redo; apply sets the value and sends the edit's messages.
    template <class T> void Edit(const T& oldV, const T& newV, void (*apply)(Node*, const T&));

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    friend class NodeLinkRestore;
    struct XRefEntry {
        MSTR file;
        Node* root;
        BOOL hidden;
    };
    void SetGroupBit(BYTE bit, BOOL on);
    void SetRenderFlagsAndValues(DWORD flags, const int* values);
    void SetRenderFactor(int which, float v);
    // Hierarchy storage: children are ordered by an ever-growing key, so a child goes back to its place
    // on undo without a scan.
    void InsertChild(Node* c, std::int64_t key);
    void RemoveChild(Node* c);
    void MoveTo(Node* newParent, std::int64_t key);
    // Sends a message on undo and/or redo of the records put around it.
    void PutNotifyRecord(bool onUndo, bool onRedo, std::function<void(Node*)> send);
    static void ApplyName(Node* n, const MSTR& v);
    static void ApplyDisplay(Node* n, const std::vector<DWORD>& v);
    void SendLayerChanged(ILayer* oldLayer);

    MSTR name_;
    ULONG handle_;
    bool isRoot_;
    bool xrefRoot_;
    Node* parent_ = nullptr;
    std::int64_t keyInParent_ = 0;
    std::int64_t nextChildKey_ = 0;
    std::map<std::int64_t, Node*, std::less<std::int64_t>, SlabAllocator<std::pair<const std::int64_t, Node*>>>
        children_;
    SlabVector<INode*> childCache_;
    bool childCacheDirty_ = true;
    RefTargetHandle refs_[NODE_NUM_REFS] = {};

    Point3 offPos_;
    Quat offRot_;
    ScaleValue offScale_;
    DWORD locks_ = 0;
    Point3 skinPos_;
    Point3 skinRot_;
    Point3 skinScale_{1.0f, 1.0f, 1.0f};
    Quat skinScaleOrient_;
    DWORD wireColor_ = NODE_DEFAULT_WIRE_COLOR;
    DWORD dispFlags_ = 0;
    BYTE dispBytes_[2] = {0, 0};
    DWORD renderFlags_ = NODE_DEFAULT_RENDER_FLAGS;
    int renderValues_[3] = {0, 0, 0};
    MSTR userProps_;
    BOOL boneOn_ = FALSE;
    BYTE boneFlags_ = 0;
    int boneAxis_ = 0;
    BOOL boneFlip_ = FALSE;
    float factors_[NODE_NUM_RENDER_FACTORS] = {1.0f, 1.0f, 1.0f, 1.0f, 1.0f};
    DWORD ifaceFlags_ = 0;
    NodeDisplayProperties displayProps_{this};
    NodeSkinPose skinPose_{this};
    BYTE group_ = 0;
    bool selected_ = false;
    std::vector<XRefEntry> xrefs_;
};

// A record whose undo and redo call back into a live node (found by handle; nothing when it is gone).
class NodeRestore : public RestoreObj {
public:
    NodeRestore(Node* n, std::function<void(Node*)> undo, std::function<void(Node*)> redo)
        : handle_(Animatable::GetHandleByAnim(n)), undo_(std::move(undo)), redo_(std::move(redo)) {}
    void Restore(int /*isUndo*/) override {
        if (Node* n = Live()) if (undo_) undo_(n);
    }
    void Redo() override {
        if (Node* n = Live()) if (redo_) redo_(n);
    }
    MSTR Description() override { return L"Node Edit"; }

private:
    Node* Live() const { return dynamic_cast<Node*>(Animatable::GetAnimByHandle(handle_)); }
    AnimHandle handle_;
    std::function<void(Node*)> undo_;
    std::function<void(Node*)> redo_;
};

template <class T> void Node::Edit(const T& oldV, const T& newV, void (*apply)(Node*, const T&)) {
    if (theHold.Holding())
        theHold.Put(new NodeRestore(
            this, [oldV, apply](Node* n) { apply(n, oldV); }, [newV, apply](Node* n) { apply(n, newV); }));
    apply(this, newV);
}

// Registers the node class with the class directory. Idempotent.
void RegisterNodeClasses();
