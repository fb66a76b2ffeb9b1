// Helpers of the controller tests: a scene-file style save and reload of a controller tree, a stand-in
// scene node with a fixed transform, message filters and an undo check that watches the message.
#pragma once

#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/PlugApi.h"
#include "host/core/RefGraph.h"
#include "host/scene/INode.h"
#include "host/scene/Control.h"
#include "host/scene/Object.h"
#include "host/scene/controllers/ControlDump.h"
#include "host/scene/controllers/ControllerClasses.h"
#include "tests/support/GraphBuilder.h"

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <unordered_map>

// Writes every controller reachable from root through the references a scene file keeps (real ones, and
// weak ones the maker asks to keep) into a stream of its own, re-creates it through the class directory
// for loading, reads it back, then restores the references through the host's reference storage as the
// scene loader does. Anything that is not a controller (a node) stays what it was.
inline ReferenceTarget* SaveAndReload(ReferenceTarget* root) {
    std::unordered_map<ReferenceTarget*, ReferenceTarget*> copies;
    std::function<ReferenceTarget*(ReferenceTarget*)> copy = [&](ReferenceTarget* t) -> ReferenceTarget* {
        if (!t || !t->GetInterface(I_CONTROL)) return t;
        if (auto it = copies.find(t); it != copies.end()) return it->second;
        ChunkSave s;
        s.BeginChunk(0x2000);
        EXPECT_EQ(t->Save(&s), IO_OK);
        s.EndChunk();
        EXPECT_EQ(s.Commit(), IO_OK) << s.GetLastError();
        auto* fresh = static_cast<ReferenceTarget*>(
            GetClassDirectory().CreateInstance(t->SuperClassID(), t->ClassID(), true));
        if (!fresh) {
            ADD_FAILURE() << "no class registered for " << t->ClassID().ToString();
            return nullptr;
        }
        ChunkLoad l(s.Bytes());
        EXPECT_EQ(l.OpenChunk(), IO_OK);
        EXPECT_EQ(fresh->Load(&l), IO_OK) << l.GetLastError();
        l.CloseChunk();
        copies[t] = fresh;
        EXPECT_EQ(fresh->NumRefs(), t->NumRefs()) << "loaded reference table of " << t->ClassID().ToString();
        for (int i = 0; i < t->NumRefs() && i < fresh->NumRefs(); ++i) {
            ReferenceTarget* r = t->GetReference(i);
            const bool written = r && (t->IsRealDependency(r) || t->ShouldPersistWeakRef(r));
            RefGraph::Set(fresh, i, written ? copy(r) : nullptr, nullptr, false);
        }
        return fresh;
    };
    return copy(root);
}

inline std::string Dump(Animatable* a, TimeValue t = 0) { return DumpController(a, t).ToUTF8(); }

// The messages a recorder heard, keeping only the given one, as "sender:0xMSG/part".
inline std::vector<std::string> HeardOf(const GraphBuilder& g, RefMessage message) {
    std::vector<std::string> out;
    for (const HeardMessage& h : g.heard) {
        if (h.message != message) continue;
        char buf[48];
        std::snprintf(buf, sizeof buf, ":0x%x/0x%lx", h.message, static_cast<unsigned long>(h.part));
        out.push_back(h.sender + buf);
    }
    return out;
}

inline int CountHeard(const GraphBuilder& g, RefMessage message) { return static_cast<int>(HeardOf(g, message).size()); }

// Runs edit as one undo step; undo and redo must each give back state() exactly and send owner one
// message of the given kind, once the whole edit is back in place.
inline void ExpectUndoRedoWithMessage(GraphBuilder& g, TestMaker* owner, const std::function<std::string()>& state,
                                      const std::function<void()>& edit, RefMessage message) {
    const std::string before = state();
    theHold.Begin();
    edit();
    theHold.Accept(L"Edit");
    const std::string after = state();
    ASSERT_NE(after, before);
    std::string seen;
    owner->onMessage = [&](RefTargetHandle, PartID&, RefMessage m) {
        if (m == message) seen = state();
    };
    for (const bool undo : {true, false}) {
        SCOPED_TRACE(undo ? "undo" : "redo");
        g.heard.clear();
        ASSERT_TRUE(undo ? theHold.Undo() : theHold.Redo());
        EXPECT_EQ(state(), undo ? before : after);
        EXPECT_EQ(CountHeard(g, message), 1);
        EXPECT_EQ(seen, undo ? before : after);
    }
    owner->onMessage = nullptr;
}

// A scene node as far as controllers look at one: a name and a world transform, fixed or given by a
// transform controller (the node's one reference).
class FakeNode : public INode {
public:
    FakeNode(const wchar_t* name, const Matrix3& tm) : name_(name), tm_(tm) {}
    ~FakeNode() override { DeleteAllRefs(); }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? ctrl_ : nullptr; }
    Class_ID ClassID() override { return Class_ID(0x7E57A0DE, 0); }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = L"FakeNode"; }
    void SetTM(const Matrix3& tm) {
        tm_ = tm;
        NotifyDependents(FOREVER, PART_TM, REFMSG_CHANGE);
    }

    const MCHAR* GetName() override { return name_.c_str(); }
    void SetName(const MCHAR* s) override { name_ = s; }
    ULONG GetHandle() override { return 0; }
    BOOL IsRootNode() override { return FALSE; }
    INode* GetParentNode() override { return nullptr; }
    int NumberOfChildren() override { return 0; }
    INode* GetChildNode(int) override { return nullptr; }
    void AttachChild(INode*, int) override {}
    void Detach(TimeValue, int) override {}
    Object* GetObjectRef() override { return nullptr; }
    void SetObjectRef(Object*) override {}
    Object* GetObjOrWSMRef() override { return nullptr; }
    ObjectState EvalWorldState(TimeValue) override;
    Control* GetTMController() override { return static_cast<Control*>(ctrl_); }
    BOOL SetTMController(Control* c) override { return ReplaceReference(0, c) == REF_SUCCEED; }
    Matrix3 GetNodeTM(TimeValue t, Interval* valid = nullptr) override {
        if (!ctrl_) return tm_;
        Matrix3 m; // the parent: the world
        Interval iv = FOREVER;
        static_cast<Control*>(ctrl_)->GetValue(t, &m, iv, CTRL_RELATIVE);
        if (valid) *valid &= iv;
        return m;
    }
    void SetNodeTM(TimeValue, const Matrix3& tm) override { SetTM(tm); }
    Matrix3 GetObjectTM(TimeValue t, Interval* valid = nullptr) override { return GetNodeTM(t, valid); }
    Point3 GetObjOffsetPos() override { return {}; }
    void SetObjOffsetPos(const Point3&) override {}
    Quat GetObjOffsetRot() override { return {}; }
    void SetObjOffsetRot(const Quat&) override {}
    ScaleValue GetObjOffsetScale() override { return {}; }
    void SetObjOffsetScale(const ScaleValue&) override {}
    BOOL GetTransformLock(int, int) override { return FALSE; }
    void SetTransformLock(int, int, BOOL) override {}
    Point3 GetSkinPos() override { return {}; }
    void SetSkinPos(const Point3&) override {}
    Point3 GetSkinRotEuler() override { return {}; }
    void SetSkinRotEuler(const Point3&) override {}
    Point3 GetSkinScale() override { return {}; }
    void SetSkinScale(const Point3&) override {}
    Quat GetSkinScaleOrient() override { return {}; }
    void SetSkinScaleOrient(const Quat&) override {}
    Mtl* GetMtl() override { return nullptr; }
    void SetMtl(Mtl*) override {}
    ILayer* GetLayer() override { return nullptr; }
    void SetLayer(ILayer*) override {}
    DWORD GetWireColor() override { return 0; }
    void SetWireColor(DWORD) override {}
    int IsHidden(DWORD, BOOL) override { return 0; }
    void Hide(BOOL) override {}
    int IsFrozen() override { return 0; }
    void Freeze(BOOL) override {}
    DWORD GetDisplayFlags() override { return 0; }
    void SetDisplayFlags(DWORD) override {}
    BYTE GetDisplayByte(int) override { return 0; }
    void SetDisplayByte(int, BYTE) override {}
    DWORD GetRenderFlags() override { return 0; }
    void SetRenderFlags(DWORD) override {}
    float GetVisibility(TimeValue) override { return 1.0f; }
    void SetVisibility(TimeValue, float) override {}
    float GetImageBlurMultiplier(TimeValue) override { return 1.0f; }
    void SetImageBlurMultiplier(TimeValue, float) override {}
    int GetRenderValue(int) override { return 0; }
    void SetRenderValue(int, int) override {}
    float GetObjectBlurMultiplier() override { return 1.0f; }
    void SetObjectBlurMultiplier(float) override {}
    float GetGIIlluminationMultiplier() override { return 1.0f; }
    void SetGIIlluminationMultiplier(float) override {}
    float GetGIReflectanceScale() override { return 1.0f; }
    void SetGIReflectanceScale(float) override {}
    float GetGITransmittanceScale() override { return 1.0f; }
    void SetGITransmittanceScale(float) override {}
    float GetGIIndirectMultiplier() override { return 1.0f; }
    void SetGIIndirectMultiplier(float) override {}
    MSTR GetUserPropBuffer() override { return {}; }
    void SetUserPropBuffer(const MSTR&) override {}
    BOOL GetBoneNodeOnOff() override { return FALSE; }
    void SetBoneNodeOnOff(BOOL, TimeValue) override {}
    BYTE GetBoneFlags() override { return 0; }
    void SetBoneFlags(BYTE) override {}
    int GetBoneAxis() override { return 0; }
    void SetBoneAxis(int) override {}
    BOOL GetBoneAxisFlip() override { return FALSE; }
    void SetBoneAxisFlip(BOOL) override {}
    BOOL IsGroupMember() override { return FALSE; }
    BOOL IsGroupHead() override { return FALSE; }
    BOOL IsOpenGroupMember() override { return FALSE; }
    BOOL IsOpenGroupHead() override { return FALSE; }
    void SetGroupMember(BOOL) override {}
    void SetGroupHead(BOOL) override {}
    void SetGroupMemberOpen(BOOL) override {}
    void SetGroupHeadOpen(BOOL) override {}
    int Selected() override { return 0; }
    INode* GetTarget() override { return nullptr; }
    INode* GetLookatNode() override { return nullptr; }
    BOOL AddNewXRefFile(const MSTR&, BOOL, BOOL) override { return FALSE; }
    int GetXRefFileCount() override { return 0; }
    MSTR GetXRefFile(int) override { return {}; }
    INode* GetXRefTree(int) override { return nullptr; }
    BOOL DeleteXRefFile(int) override { return FALSE; }

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) ctrl_ = t;
    }

private:
    MSTR name_;
    Matrix3 tm_;
    RefTargetHandle ctrl_ = nullptr;
};

inline ObjectState FakeNode::EvalWorldState(TimeValue) { return ObjectState(); }
