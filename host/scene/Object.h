// Scene objects: the base object of a node's pipeline, with the families the host knows (geometry,
// shapes, helpers, cameras, lights, space warps), and the world-state evaluation.
#pragma once

#include "host/core/BaseInterface.h"
#include "host/core/Box3.h"
#include "host/core/ChunkIO.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/core/Tab.h"

#include <memory>
#include <unordered_map>
#include <vector>

class INode;
class Object;
using INodeTab = Tab<INode*>;

// What evaluating an object's pipeline at a time gives: the resulting object, and how long it holds.
class ObjectState {
public:
    ObjectState() = default;
    explicit ObjectState(Object* o) : obj(o) {}
    Object* obj = nullptr;
    Interval validity = FOREVER;
};

// Include/exclude list flags.
constexpr int NT_INCLUDE = 1;
constexpr int NT_AFFECT_ILLUM = 2;
constexpr int NT_AFFECT_SHADOWCAST = 4;

// A list of nodes kept by an object, where a node's position matters; as a light's include/exclude list,
// the nodes it lights (include) or does not light (exclude). The include/exclude list of a light: the nodes it lights (include) or does not light (exclude). Nodes
// are kept by handle, as the host does: an entry whose node was deleted reads as null. Changes of a list
// that has an owner put restore objects while the hold is open (the records hold the owner by handle and
// do nothing once it is gone). Lookups by node use an index, so a scan over many lights stays linear.
class ExclList {
public:
    ExclList() = default;
    ExclList(const ExclList&) = delete;
    ExclList& operator=(const ExclList&) = delete;

    int Count() const;
    // Null for an entry whose node is gone.
    INode* operator[](int i) const;
    // Index of node, or -1.
    int FindNode(INode* node) const;
    // Adds node (when absent); returns its index.
    int AddNode(INode* node);
    // Inserts node at position at (clamped to the end) when the list does not hold it yet; returns its
    // index.
    int InsertNode(int at, INode* node);
    void RemoveNode(int i);
    void RemoveNode(INode* node);
    // Truncates, or pads with empty entries.
    void SetSize(int n);
    BOOL TestFlag(int f) const { return (flags_ & f) != 0; }
    void SetFlag(int f, BOOL on = TRUE);
    int GetFlags() const { return flags_; }
    // The nodes in order (null for entries whose node is gone).
    INodeTab Nodes() const;
    // Copies entries and flags (not the owner); no undo record.
    void CopyFrom(const ExclList& other);

    // The animatable the list belongs to: undo records are put only for owned lists.
    void SetOwner(Animatable* owner) { owner_ = owner; }
    Animatable* GetOwner() const { return owner_; }

    // Chunk kExclListChunk: flags, then the nodes as the scene writer's object ids.
    IOResult Save(ISave* isave);
    // Reads the chunk opened by the caller (the current one is kExclListChunk).
    IOResult Load(ILoad* iload);
    static constexpr USHORT kExclListChunk = 0x3C00;
    static constexpr USHORT kExclFlagsChunk = 0x3C01;
    static constexpr USHORT kExclNodesChunk = 0x3C02;

    struct State {
        std::vector<AnimHandle> handles;
        int flags = 0;
    };
    State GetState() const;
    // Sets entries and flags without undo record.
    void SetState(const State& s);

private:
    friend class ExclListRestore;
    void Changing();
    void ResolveLoaded() const;
    void Reindex() const;

    mutable std::vector<AnimHandle> handles_;
    int flags_ = 0;
    Animatable* owner_ = nullptr;
    // Node handle -> first position; rebuilt on demand after a change.
    mutable std::unordered_map<AnimHandle, int> index_;
    mutable bool indexValid_ = false;
    // Nodes read from a file, patched by the scene reader after loading.
    mutable std::vector<void*> loaded_;
    mutable bool hasLoaded_ = false;
};

// Object type reported for particle systems (a class answer, not a super class).
constexpr SClass_ID PARTICLE_SYSTEM_TYPE = 0xFFFFFF03;

class Object : public ReferenceTarget {
public:
    // Evaluates the pipeline (a derived object applies its modifiers); a base object returns itself.
    virtual ObjectState Eval(TimeValue /*t*/) { return ObjectState(this); }
    virtual MSTR GetObjectName() {
        MSTR s;
        GetClassName(s);
        return s;
    }
    virtual Interval ObjectValidity(TimeValue /*t*/) { return FOREVER; }
    virtual BOOL IsParticleSystem() { return FALSE; }
    virtual BOOL IsShapeObject() { return SuperClassID() == SHAPE_CLASS_ID; }
    // Bounding box in object space (empty for objects without geometry).
    virtual void GetLocalBoundBox(TimeValue /*t*/, INode* /*inode*/, Box3& box) { box.Init(); }
    // The object at the bottom of a pipeline: for a derived object its innermost base object.
    virtual Object* FindBaseObject() { return this; }
    // The node lists an object keeps: a light's include/exclude list comes first, then the object's own
    // lists (any object can be given some, see SetNumOwnNodeLists). Null out of range.
    virtual int NumNodeLists() { return static_cast<int>(ownNodeLists_.size()); }
    virtual ExclList* GetNodeList(int i) {
        return i >= 0 && i < static_cast<int>(ownNodeLists_.size()) ? ownNodeLists_[static_cast<size_t>(i)].get()
                                                                    : nullptr;
    }
    // The object's own node lists (not a light's include/exclude list), in order.
    int NumOwnNodeLists() const { return static_cast<int>(ownNodeLists_.size()); }
    ExclList* GetOwnNodeList(int i) {
        return i >= 0 && i < NumOwnNodeLists() ? ownNodeLists_[static_cast<size_t>(i)].get() : nullptr;
    }
    // Grows or shrinks the object's own lists; new lists are empty and owned (their edits are undoable).
    void SetNumOwnNodeLists(int n);
    // Container chunk kOwnNodeListsChunk with one list chunk per own list; nothing without lists. Load
    // reads the container the caller opened.
    IOResult SaveOwnNodeLists(ISave* isave);
    IOResult LoadOwnNodeLists(ILoad* iload);
    static constexpr USHORT kOwnNodeListsChunk = 0x3C10;
    // Copies the own lists into another object (no undo record).
    void CopyOwnNodeLists(Object* to);

private:
    std::vector<std::unique_ptr<ExclList>> ownNodeLists_;
};

class GeomObject : public Object {
public:
    SClass_ID SuperClassID() override { return GEOMOBJECT_CLASS_ID; }
};

class ShapeObject : public GeomObject {
public:
    SClass_ID SuperClassID() override { return SHAPE_CLASS_ID; }
};

class HelperObject : public Object {
public:
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
};

class CameraObject : public Object {
public:
    SClass_ID SuperClassID() override { return CAMERA_CLASS_ID; }
};

// The switches every standard camera has: manual clipping, orthographic projection and the display of
// its cone, horizon line and environment ranges. Each setter notifies REFMSG_CHANGE and is undoable.
class GenCamera : public CameraObject {
public:
    virtual void SetManualClip(int onOff) = 0;
    virtual int GetManualClip() = 0;
    virtual void SetOrtho(BOOL b) = 0;
    virtual BOOL IsOrtho() = 0;
    virtual void SetConeState(int s) = 0;
    virtual int GetConeState() = 0;
    virtual void SetHorzLineState(int s) = 0;
    virtual int GetHorzLineState() = 0;
    virtual void SetEnvDisplay(BOOL b, int notify = TRUE) = 0;
    virtual BOOL GetEnvDisplay() = 0;
};

class WSMObject : public Object {
public:
    SClass_ID SuperClassID() override { return WSM_OBJECT_CLASS_ID; }
};

// Systems (super class SYSTEM_CLASS_ID): objects that drive other scene content.
class SystemObject : public Object {
public:
    SClass_ID SuperClassID() override { return SYSTEM_CLASS_ID; }
};

class LightObject : public Object {
public:
    LightObject() { exclList_.SetOwner(this); }
    SClass_ID SuperClassID() override { return LIGHT_CLASS_ID; }
    virtual ExclList* GetExclList() { return &exclList_; }
    int NumNodeLists() override { return 1 + Object::NumNodeLists(); }
    ExclList* GetNodeList(int i) override { return i == 0 ? GetExclList() : Object::GetNodeList(i - 1); }
    // Whether the light is on.
    virtual BOOL GetUseLight() { return useLight_; }
    virtual void SetUseLight(BOOL onOff);

    // Container chunk kLightChunk (on state and the include/exclude list); subclasses call it first and
    // then write their own chunks. Load reads that chunk when it comes next.
    IOResult Save(ISave* isave) override;
    IOResult Load(ILoad* iload) override;
    static constexpr USHORT kLightChunk = 0x3B00;
    static constexpr USHORT kLightOnChunk = 0x3B01;

protected:
    // Copies the on state and the list into a clone.
    void CopyLightState(LightObject* to);

private:
    friend class LightOnRestore;
    void ApplyUseLight(BOOL onOff);
    ExclList exclList_;
    BOOL useLight_ = TRUE;
};

// The real-world map size setting of an object: whether its generated texture coordinates use real-world
// units. A change notifies REFMSG_CHANGE with PART_GEOM and puts a restore object while holding.
constexpr Interface_ID RWS_INTERFACE(0x09FF44EF, 0x6C050704);

class RealWorldMapSizeInterface : public BaseInterface {
public:
    Interface_ID GetID() override { return RWS_INTERFACE; }
    BaseInterface* GetInterface(Interface_ID id) override {
        return id == RWS_INTERFACE ? this : BaseInterface::GetInterface(id);
    }
    virtual BOOL GetUsePhysicalScaleUVs() = 0;
    virtual void SetUsePhysicalScaleUVs(BOOL flag) = 0;
};

// Text shapes (Object::GetInterface(I_TEXTOBJECT)). Changing a text property (font, text, italic,
// underline, alignment) notifies REFMSG_CHANGE with PART_TOPO | PART_GEOM and puts a restore object while
// holding.
constexpr ULONG I_TEXTOBJECT = 0x00001993;

// Alignment of the text's lines.
constexpr int TEXTOBJ_LEFT = 0;
constexpr int TEXTOBJ_CENTER = 1;
constexpr int TEXTOBJ_RIGHT = 2;
constexpr int TEXTOBJ_JUSTIFIED = 3;

class ITextObject {
public:
    virtual ~ITextObject() = default;
    virtual MSTR GetFont() = 0;
    virtual BOOL ChangeFont(const MSTR& name, DWORD flags = 0) = 0;
    virtual MSTR GetString() = 0;
    virtual BOOL ChangeText(const MSTR& text) = 0;
    virtual BOOL GetItalic() = 0;
    virtual BOOL GetUnderline() = 0;
    virtual BOOL SetItalic(BOOL sw) = 0;
    virtual BOOL SetUnderline(BOOL sw) = 0;
    virtual int GetAlignment() = 0;
    virtual BOOL SetAlignment(int type) = 0;
};
