// A node record's overrides: each local change made through the host is detected, survives a re-merge of
// the referenced file and lands on the fresh node; the order's interplay, the name prefix, undo, reset by
// mask and the report of a failing step.
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/scene/ILayer.h"
#include "host/scene/INodeDisplayProperties.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/helper/NodeListScan.h"
#include "plugin/frame/ResetMask.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <functional>
#include <map>

namespace {

class MergedNodes : public MergeCallback {
public:
    void NodesMerged(const INodeTab& nodes) override {
        for (int i = 0; i < nodes.Count(); ++i) byName[WStr(nodes[i]->GetName()).ToUTF8()] = nodes[i];
    }
    std::map<std::string, INode*> byName;
};

std::string Hex(DWORD v) {
    char s[16];
    std::snprintf(s, sizeof s, "%X", static_cast<unsigned>(v));
    return s;
}

} // namespace

// Each override: the local change through the host, the flag and stored value after collection, and the
// change on the node the re-merge brought.
class RefNodeOverrideTest;
struct OverrideRow {
    const char* what;
    DWORD flag;
    std::function<void(INode* wall, RefNodeOverrideTest& t)> change;
    std::function<std::string(RefNode* rec)> stored;
    std::string storedWant;
    std::function<std::string(INode* fresh)> onFresh;
    std::string freshWant;
};

class RefNodeOverrideTest : public HelperFileFixture {
protected:
    // Wall01 (layer Walls, material Brick) with its child Door01, and Post01.
    void LoadWalls(bool usePrefix = false, const std::function<void(INode*)>& prepare = nullptr) {
        INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
        if (prepare) prepare(wall);
        b.Box("Door01").Parent(wall).Build();
        b.Box("Post01").Build();
        file_ = WStr::FromUTF8((dir_ / "walls.max").string());
        ASSERT_TRUE(ip->SaveToFile(file_.c_str(), false, false));
        ip->FileReset(TRUE);
        h_ = NewHelperNode(L"P");
        AccessorDisabler off(h_);
        h_->GetParamBlock()->SetValue(pb_use_name_prefix, 0, usePrefix ? 1 : 0);
        h_->GetParamBlock()->SetValue(pb_filename, 0, file_.c_str());
        ASSERT_EQ(h_->Load(), 1);
    }
    RefNode* Rec(const std::string& name) {
        for (int i = 0; i < h_->NumRefNodes(); ++i)
            if (h_->GetRefNode(i)->GetReferencedName().ToUTF8() == name) return h_->GetRefNode(i);
        return nullptr;
    }
    INode* Node(const std::string& name) { return Rec(name)->GetNode(); }
    // What unload and reload do to the records: the scan and every collect...
    void CollectAll() {
        OfferNodeListCandidates(*h_);
        OperationCodeGuard code(OperationCode::Unload);
        for (int i = 0; i < h_->NumRefNodes(); ++i) h_->GetRefNode(i)->Collect();
    }
    // ...then the file merged again and each record, in the order given, bound to its fresh node.
    void Remerge(const std::vector<std::string>& order = {"Wall01", "Door01", "Post01"}) {
        OperationCodeGuard code(OperationCode::Load);
        MergedNodes merged;
        ip->RegisterMergeCallback(&merged);
        ip->MergeFromFile(file_.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr, MERGE_DUP_MTL_RENAME);
        ip->UnRegisterMergeCallback(&merged);
        for (const std::string& name : order) Rec(name)->Update(merged.byName[name]);
        for (int i = 0; i < h_->NumRefNodes(); ++i) h_->GetRefNode(i)->FinishUpdate();
    }
    // The record's own part of its dump (the mirrors' part follows the node's structure).
    static std::string Stored(RefNode* rec) {
        const std::string d = rec->DumpNode();
        return d.substr(0, d.find("\nmods "));
    }
    INode* Outside(const std::string& name, Object* obj = nullptr) {
        return obj ? b.WithObject(obj, name).Build() : b.Dummy(name).Build();
    }
    // One row per override (two where detection also runs at collection or through a structure message).
    std::vector<OverrideRow> Rows();
    MSTR file_;
    OstrivansHelper* h_ = nullptr;
    // What the rows make outside the reference.
    INamedSelectionSetManager* sets = nullptr;
    INode* lamp = nullptr;
    Object* listing = nullptr;
    LightObject* omni = nullptr;
    INode* instance = nullptr;
};


std::vector<OverrideRow> RefNodeOverrideTest::Rows() {
    auto name = [](INode* n) { return n ? WStr(n->GetName()).ToUTF8() : std::string("-"); };
    auto dispIface = [](INode* n) {
        return static_cast<INodeDisplayProperties*>(n->GetInterface(NODE_DISPLAY_PROPERTIES_INTERFACE));
    };
    auto skin = [](INode* n) { return static_cast<ISkinPose*>(n->GetInterface(SKINPOSE_INTERFACE)); };
    auto str = [](auto v) { return std::to_string(v); };
    return {
        {"name", 0x2, [](INode* w, auto&) { w->SetName(L"Wall01 local"); },
         [](RefNode* r) { return r->GetOverriddenName().ToUTF8(); }, "Wall01 local", name, "Wall01 local"},
        {"material", 0x8, [this, name, dispIface, skin, str](INode* w, auto&) { w->SetMtl(b.Standard("Steel")); },
         [](RefNode* r) { return WStr(static_cast<Mtl*>(r->GetStoredMaterial())->GetName()).ToUTF8(); }, "Steel",
         [](INode* f) { return WStr(f->GetMtl()->GetName()).ToUTF8(); }, "Steel"},
        {"parent", 0x40, [this, name, dispIface, skin, str](INode* w, auto&) { Outside("Rig")->AttachChild(w); },
         [this, name, dispIface, skin, str](RefNode* r) { return name(static_cast<INode*>(r->GetStoredParent())); }, "Rig",
         [this, name, dispIface, skin, str](INode* f) { return name(f->GetParentNode()); }, "Rig"},
        {"children", 0x80, [this, name, dispIface, skin, str](INode* w, auto&) { w->AttachChild(lamp = b.Box("Lamp").Build()); },
         [this, name, dispIface, skin, str](RefNode* r) { return name(r->GetChild(0)); }, "Lamp",
         [this, name, dispIface, skin, str](INode* f) { return std::string(lamp->GetParentNode() == f ? "parent of Lamp" : "-"); }, "parent of Lamp"},
        {"grouping", 0x100, [](INode* w, auto&) { w->SetGroupMember(TRUE); },
         [this, name, dispIface, skin, str](RefNode* r) { return str(r->GetGrouping()); }, "1", [this, name, dispIface, skin, str](INode* f) { return str(f->IsGroupMember()); }, "1"},
        {"layer", 0x200, [this, name, dispIface, skin, str](INode* w, auto&) { b.Layer("Local")->AddToLayer(w); },
         [](RefNode* r) { return static_cast<ILayer*>(r->GetStoredLayer())->GetName().ToUTF8(); }, "Local",
         [](INode* f) { return f->GetLayer()->GetName().ToUTF8(); }, "Local"},
        {"object offset", 0x400, [](INode* w, auto&) { w->SetObjOffsetPos(Point3(1, 2, 3)); },
         [](RefNode* r) { return std::to_string(r->GetOffsetPos().z); }, "3.000000",
         [this, name, dispIface, skin, str](INode* f) { return str(f->GetObjOffsetPos().z); }, "3.000000"},
        {"skin pose", 0x800, [this, name, dispIface, skin, str](INode* w, auto&) { skin(w)->SetSkinScale(Point3(2, 2, 2)); },
         [](RefNode* r) { return std::to_string(r->GetSkinScale().y); }, "2.000000",
         [this, name, dispIface, skin, str](INode* f) { return str(skin(f)->SkinScale().y); }, "2.000000"},
        {"wire colour", 0x1000, [](INode* w, auto&) { w->SetWireColor(0xFF); }, nullptr, "",
         [](INode* f) { return Hex(f->GetWireColor()); }, "FF"},
        {"hidden", 0x2000, [](INode* w, auto&) { w->Hide(TRUE); }, [this, name, dispIface, skin, str](RefNode* r) { return str(r->GetDisplayWord()); },
         "1", [](INode* f) { return std::to_string(f->IsHidden()); }, "1"},
        {"frozen", 0x4000, [](INode* w, auto&) { w->Freeze(TRUE); }, [this, name, dispIface, skin, str](RefNode* r) { return str(r->GetDisplayWord()); },
         "2", [](INode* f) { return std::to_string(f->IsFrozen()); }, "1"},
        {"display", 0x8000, [this, name, dispIface, skin, str](INode* w, auto&) { dispIface(w)->SetNodeDisplayProperty(NODE_DISP_SHOW_LINKS, TRUE); },
         [this, name, dispIface, skin, str](RefNode* r) { return Hex(r->GetDisplayWord()); }, "2000",
         [this, name, dispIface, skin, str](INode* f) { return str(dispIface(f)->GetNodeDisplayProperty(NODE_DISP_SHOW_LINKS)); }, "1"},
        {"render", 0x10000, [](INode* w, auto&) { w->SetGIReflectanceScale(0.5f); },
         [](RefNode* r) { return std::to_string(r->GetRenderFloat(4)); }, "0.500000",
         [this, name, dispIface, skin, str](INode* f) { return str(f->GetGIReflectanceScale()); }, "0.500000"},
        {"render bit", 0x10000, [this, name, dispIface, skin, str](INode* w, auto&) { dispIface(w)->SetNodeDisplayProperty(NODE_REND_HIDE_FROM_CAMERA, TRUE); },
         [](RefNode* r) { return Hex(r->GetRenderWord()); }, "8006007F",
         [this, name, dispIface, skin, str](INode* f) { return str(dispIface(f)->GetNodeDisplayProperty(NODE_REND_HIDE_FROM_CAMERA)); }, "1"},
        {"user", 0x20000, [](INode* w, auto&) { w->SetUserPropBuffer(L"lod = 2"); },
         [](RefNode* r) { return r->GetUserProps().ToUTF8(); }, "lod = 2",
         [](INode* f) { return WStr(f->GetUserPropBuffer()).ToUTF8(); }, "lod = 2"},
        {"user, unannounced", 0x20000,
         [](INode* w, auto&) {
             OperationCodeGuard busy(OperationCode::Renaming); // the records hear nothing meanwhile
             w->SetUserPropBuffer(L"lod = 3");
         },
         [](RefNode* r) { return r->GetUserProps().ToUTF8(); }, "lod = 3",
         [](INode* f) { return WStr(f->GetUserPropBuffer()).ToUTF8(); }, "lod = 3"},
        {"bone", 0x40000, [](INode* w, auto&) { w->SetBoneAxis(2); },
         [](RefNode* r) { return r->DumpNode().substr(r->DumpNode().find(" bone ") + 6, 5); }, "0 2 0",
         [](INode* f) { return std::to_string(f->GetBoneAxis()); }, "2"},
        {"locks", 0x100000, [](INode* w, auto&) { w->SetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z, TRUE); },
         [this, name, dispIface, skin, str](RefNode* r) { return Hex(r->GetTransformLocks()); }, "100",
         [](INode* f) { return std::to_string(f->GetTransformLock(INODE_LOCKSCL, INODE_LOCK_Z)); }, "1"},
        {"light's list", 0x200000,
         [this, name, dispIface, skin, str](INode* w, auto&) {
             omni = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
             Outside("Omni01", omni);
             omni->GetExclList()->AddNode(w);
         },
         [this, name, dispIface, skin, str](RefNode* r) { return str(r->NumExcludingLights()); }, "1",
         [this, name, dispIface, skin, str](INode* f) { return str(omni->GetExclList()->FindNode(f) >= 0); }, "1"},
        {"node list", 0x1000000,
         [this](INode* w, auto&) {
             listing = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, NODE_SET_HELPER_CLASS_ID));
             Outside("Set01", listing);
             listing->GetOwnNodeList(0)->AddNode(Outside("Other"));
             listing->GetOwnNodeList(0)->AddNode(w);
             listing->GetOwnNodeList(0)->AddNode(Outside("Last"));
         },
         [this, name, dispIface, skin, str](RefNode* r) { return str(r->GetListingPosition(0)); }, "1",
         [this, name, dispIface, skin, str](INode* f) { return str(listing->GetOwnNodeList(0)->FindNode(f)); }, "1"},
        {"object dependency", 0x400000, [this, name, dispIface, skin, str](INode* w, auto&) { instance = ip->CreateObjectNode(w->GetObjectRef()); },
         [this, name, dispIface, skin, str](RefNode* r) { return str(r->GetKeptObject() != nullptr); }, "1",
         [this, name, dispIface, skin, str](INode* f) { return str(instance->GetObjectRef() == f->GetObjectRef()); }, "1"},
        {"selection set", 0x800000,
         [this, name, dispIface, skin, str](INode* w, auto&) {
             INodeTab one;
             one.Append(w);
             (sets = ip->GetNamedSelectionSetManager())->AddNewNamedSelSet(one, L"Picked");
         },
         [](RefNode* r) { return std::to_string(r->GetSelectionSets().size()); }, "1",
         [this, name, dispIface, skin, str](INode* f) { return name(sets->GetNamedSelSetItem(0, 0)) + (f == sets->GetNamedSelSetItem(0, 0) ? " fresh" : ""); },
         "Wall01 fresh"},
    };
}

TEST_F(RefNodeOverrideTest, EveryLocalChangeSurvivesTheRemerge) {
    for (const OverrideRow& row : Rows()) {
        SCOPED_TRACE(row.what);
        ip->FileReset(TRUE);
        LoadWalls();
        RefNode* rec = Rec("Wall01");
        row.change(rec->GetNode(), *this);
        CollectAll();
        EXPECT_EQ(Hex(rec->GetOverrideFlags() & ~REFNODE_LOCAL_DEPENDENCY), Hex(row.flag));
        if (row.stored) {
            EXPECT_EQ(row.stored(rec), row.storedWant);
        }
        Remerge();
        ASSERT_TRUE(rec->IsNodeLoaded() && rec->GetNode());
        EXPECT_EQ(row.onFresh(rec->GetNode()), row.freshWant);
        // Applied once: a selection set override is cleared with it.
        EXPECT_EQ(rec->GetOverrideFlags() & REFNODE_OVERRIDE_SELECTION_SETS, 0u);
        // The helper's own unload and load, then its reload, bring the change back the same way.
        h_->GetParamBlock()->SetValue(pb_active, 0, 0);
        EXPECT_FALSE(rec->IsNodeLoaded());
        h_->GetParamBlock()->SetValue(pb_active, 0, 1);
        EXPECT_EQ(row.onFresh(rec->GetNode()), row.freshWant) << "after unload and load";
        EXPECT_EQ(h_->Reload(), 1);
        EXPECT_EQ(row.onFresh(rec->GetNode()), row.freshWant) << "after reload";
    }
}

// Detections that record undo: undo puts the record back exactly, redo brings the change back (the groups
// compared at collection are collected inside the step).
TEST_F(RefNodeOverrideTest, UndoAndRedoOfEachDetectionRestoreTheRecord) {
    constexpr DWORD kNoUndo = REFNODE_OVERRIDE_WIRE_COLOR | REFNODE_OVERRIDE_EXCL_LIST | REFNODE_OVERRIDE_EXCL_LIST_MISC |
                              REFNODE_OVERRIDE_OBJ_LOC_DEP;
    constexpr DWORD kAtCollect = REFNODE_OVERRIDE_OBJECT_OFFSET | REFNODE_OVERRIDE_SKIN_POSE | REFNODE_OVERRIDE_TM_LOCKS;
    // Without the loaded state and object type, which collection reads for the unload, not as overrides.
    const auto stored = [](RefNode* rec) {
        const std::string d = rec->DumpNode();
        return Hex(rec->GetOverrideFlags()) + d.substr(d.find("\nmaterial"), d.find("\nmods ") - d.find("\nmaterial"));
    };
    for (const OverrideRow& row : Rows()) {
        if ((row.flag & kNoUndo) || std::string(row.what) == "user, unannounced") continue;
        SCOPED_TRACE(row.what);
        ip->FileReset(TRUE);
        LoadWalls();
        RefNode* rec = Rec("Wall01");
        const std::string before = stored(rec);
        Step([&] {
            row.change(rec->GetNode(), *this);
            if (row.flag & kAtCollect) rec->Collect();
        });
        const std::string after = stored(rec);
        EXPECT_NE(after, before);
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(stored(rec), before);
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(stored(rec), after);
    }
}

// A node re-parented under another referenced node ends under it whichever record is bound first: the
// parent's record attaches its children again and tells the child's record.
TEST_F(RefNodeOverrideTest, AParentThatIsAReferencedNodeSurvivesBothRemerges) {
    for (const std::vector<std::string>& order : {std::vector<std::string>{"Post01", "Wall01", "Door01"},
                                                  std::vector<std::string>{"Wall01", "Door01", "Post01"}}) {
        SCOPED_TRACE(order[0]);
        ip->FileReset(TRUE);
        LoadWalls();
        Node("Wall01")->AttachChild(Node("Post01"));
        EXPECT_EQ(Rec("Post01")->GetStoredParent(), Rec("Wall01"));
        CollectAll();
        Remerge(order);
        EXPECT_EQ(Node("Post01")->GetParentNode(), Node("Wall01"));
    }
}

TEST_F(RefNodeOverrideTest, GroupingIsNotRecordedWhileChildrenAreOverridden) {
    LoadWalls();
    INode* wall = Node("Wall01");
    wall->AttachChild(b.Box("Lamp").Build());
    wall->SetGroupHead(TRUE);
    EXPECT_EQ(Hex(Rec("Wall01")->GetOverrideFlags()), Hex(REFNODE_OVERRIDE_CHILDREN));
}

// The prefix comes off a renamed node's stored name; a name without it keeps no prefix from then on.
TEST_F(RefNodeOverrideTest, ARenameKeepsOrDropsTheHelpersPrefix) {
    LoadWalls(true);
    Node("Wall01")->SetName(L"P_Box");
    Node("Post01")->SetName(L"Box2");
    const auto row = [this](const char* name) {
        RefNode* rec = Rec(name);
        return rec->GetOverriddenName().ToUTF8() + " " + Hex(rec->GetOverrideFlags()) + " " +
               WStr(rec->GetNode()->GetName()).ToUTF8();
    };
    EXPECT_EQ(row("Wall01") + ", " + row("Post01"), "Box 2 P_Box, Box2 6 Box2");
    h_->GetHelperNode()->SetName(L"Q");
    EXPECT_EQ(row("Wall01") + ", " + row("Post01"), "Box 2 Q_Box, Box2 6 Box2");
}

// Reference mode resets only the node categories the mask selects; each parameter bit clears its flags.
TEST_F(RefNodeOverrideTest, ResetClearsByMask) {
    LoadWalls();
    RefNode* rec = Rec("Wall01");
    rec->GetNode()->SetMtl(b.Standard("Steel"));
    const DWORD set = 0x1FFFFFE & ~(REFNODE_OVERRIDE_MATERIAL | REFNODE_OVERRIDE_MODIFIERS | REFNODE_OBJECT_REPLACED |
                                    REFNODE_KEEP_MODIFIER_STACK);
    constexpr DWORD kAllGroups = 0x7F800;
    rec->SetOverrideFlag(set, true, false);
    rec->Reset(kAllGroups | RESETMASK_LIGHTS | RESETMASK_SHAPES); // a box is geometry
    EXPECT_EQ(Hex(rec->GetOverrideFlags()), Hex(set | REFNODE_OVERRIDE_MATERIAL));
    const std::pair<DWORD, DWORD> rows[] = {{RESETMASK_TRANSFORM, 0xC00},         {RESETMASK_MATERIAL, 0x8},
                                            {RESETMASK_OBJECT_PROPERTIES, 0x7F000}, {RESETMASK_PARENTING, 0x1C0},
                                            {RESETMASK_NAME, 0x2},                  {RESETMASK_LAYER, 0x200}};
    for (const auto& [bit, cleared] : rows) {
        SCOPED_TRACE(Hex(bit));
        rec->SetOverrideFlag(set, true, false);
        rec->Reset(RESETMASK_NODE_MODE | bit);
        EXPECT_EQ(Hex(rec->GetOverrideFlags() & ~REFNODE_OVERRIDE_MATERIAL), Hex(set & ~cleared));
    }
    EXPECT_EQ(rec->GetStoredMaterial(), rec->GetNode()->GetMtl());
    rec->SetOverrideFlag(set, true, false);
    rec->Reset(kAllGroups | RESETMASK_GEOMETRY);
    EXPECT_EQ(Hex(rec->GetOverrideFlags()), Hex(set & ~0x7FFCA));
}

namespace {
void RaiseOnRename(void*, NotifyInfo*) {
    UnRegisterNotification(RaiseOnRename, nullptr, NOTIFY_NODE_RENAMED);
    throw MAXException(L"disk on fire");
}
} // namespace

// A step that fails ends that record's update with the step named; the load reports it and goes on.
TEST_F(RefNodeOverrideTest, AFailingStepIsReportedAndTheLoadGoesOn) {
    LoadWalls();
    Node("Wall01")->SetName(L"Wall01 local");
    Node("Post01")->SetWireColor(0xFF);
    CollectAll();
    {
        OperationCodeGuard code(OperationCode::Unload);
        for (const char* name : {"Door01", "Wall01", "Post01"}) ip->DeleteNode(Node(name));
    }
    h_->SetLoaded(false);
    RegisterNotification(RaiseOnRename, nullptr, NOTIFY_NODE_RENAMED);
    h_->Load();
    ASSERT_EQ(GetHostDialogs().Shown().size(), 1u);
    const std::string text = GetHostDialogs().Shown()[0].text.ToUTF8();
    EXPECT_EQ(text.rfind("Error Overriding RefNode\r\nNode: Wall01 - ", 0), 0u) << text;
    const std::string tail = "\r\nLastOperation: Override Name\r\n\r\ndisk on fire";
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail) << text;
    EXPECT_FALSE(Rec("Wall01")->IsNodeLoaded());
    EXPECT_EQ(Node("Post01")->GetWireColor(), 0xFFu);
}

// Stored links deleted meanwhile: the parent and the light are skipped, the layer comes back by its rule,
// the material the record holds stays whole, and the other overrides still land (the sanitizer build
// runs this too).
TEST_F(RefNodeOverrideTest, DeletedStoredLinksAreSkipped) {
    LoadWalls();
    INode* wall = Node("Wall01");
    INode* rig = Outside("Rig");
    rig->AttachChild(wall);
    b.Layer("Local")->AddToLayer(wall);
    Mtl* steel = b.Standard("Steel");
    wall->SetMtl(steel);
    auto* light = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
    INode* omniNode = Outside("Omni01", light);
    light->GetExclList()->AddNode(wall);
    wall->SetWireColor(0xFF);
    CollectAll();
    {
        OperationCodeGuard code(OperationCode::Unload);
        ip->GetLayerManager()->GetRootLayer()->AddToLayer(wall);
        ASSERT_TRUE(ip->GetLayerManager()->DeleteLayer(L"Local"));
        ip->DeleteNode(rig);
        ip->DeleteNode(omniNode);
        wall->SetMtl(nullptr);
        ip->GetSceneMtls()->Remove(steel);
    }
    Remerge();
    INode* fresh = Node("Wall01");
    ASSERT_TRUE(fresh);
    const auto named = [](auto* t) { return t ? WStr(t->GetName()).ToUTF8() : std::string("-"); };
    EXPECT_EQ(std::string(fresh->GetParentNode()->IsRootNode() ? "root" : "-") + " " + named(fresh->GetLayer()) + " " +
                  named(fresh->GetMtl()) + " " + Hex(fresh->GetWireColor()) + " " +
                  std::to_string(Rec("Wall01")->NumExcludingLights()),
              "root Local Steel FF 1");
    // The light went with its node: the host emptied the record's slot.
    EXPECT_EQ(Rec("Wall01")->GetExcludingLight(0), nullptr);
}

// Through the helper's own reload: its scan runs before the records collect, so the light and the node
// list outside the reference name the fresh nodes afterwards.
TEST_F(RefNodeOverrideTest, NodeListsOutsideTheReferenceSurviveTheReload) {
    LoadWalls();
    auto* light = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
    Outside("Omni01", light);
    light->GetExclList()->AddNode(Node("Wall01"));
    auto* set = static_cast<Object*>(CreateInstance(HELPER_CLASS_ID, NODE_SET_HELPER_CLASS_ID));
    Outside("Set01", set);
    set->GetOwnNodeList(0)->AddNode(Outside("Other"));
    set->GetOwnNodeList(0)->AddNode(Node("Post01"));
    // The host keeps an entry of a deleted node: every reload must leave exactly the live nodes behind.
    const auto entries = [](ExclList* list) {
        std::string s;
        for (int i = 0; i < list->Count(); ++i) s += " " + ((*list)[i] ? WStr((*list)[i]->GetName()).ToUTF8() : "-");
        return s;
    };
    for (int reload = 0; reload < 3; ++reload) ASSERT_EQ(h_->Reload(), 1);
    EXPECT_EQ(entries(light->GetExclList()) + " |" + entries(set->GetOwnNodeList(0)), " Wall01 | Other Post01");
}

// A light of the reference's own lists its nodes as the reference does, not as a user outside it.
TEST_F(RefNodeOverrideTest, NodeListsInsideTheReferenceAreNotOffered) {
    LoadWalls();
    auto* light = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
    Node("Post01")->SetObjectRef(light);
    light->GetExclList()->AddNode(Node("Wall01"));
    CollectAll();
    EXPECT_EQ(Rec("Wall01")->NumExcludingLights(), 0);
}

// A change back to a fresh node's values drops the record's side block; undo makes it again and puts the
// value back through the record, never through the dropped block.
TEST_F(RefNodeOverrideTest, UndoBringsBackASideValueWhoseBlockWent) {
    LoadWalls(false, [](INode* wall) { wall->SetUserPropBuffer(L"lod = 2"); });
    RefNode* rec = Rec("Wall01");
    const std::string before = Stored(rec);
    ASSERT_TRUE(rec->HoldsSideBlock());
    Step([&] { rec->GetNode()->SetUserPropBuffer(L""); });
    EXPECT_EQ(rec->GetUserProps().ToUTF8(), "");
    EXPECT_FALSE(rec->HoldsSideBlock());
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Stored(rec), before);
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(rec->GetUserProps().ToUTF8(), "");
    EXPECT_FALSE(rec->HoldsSideBlock());
}
