// A node record's creation, reference layout, collection and scans, names, scene-end notifications,
// message gate, real dependencies, node lists and dumps (scripts use its interface in tests/e2e).
#include "host/core/ClassDirectory.h"
#include "host/core/Listener.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/NodeTable.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/helper/HelperTestSupport.h"
#include "tests/plugin/RefWatcher.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace {

class RefNodeTest : public HelperFixture {
protected:
    void TearDown() override {
        // Newest first: watchers let go of records and nodes before those go.
        for (auto it = loose.rbegin(); it != loose.rend(); ++it) {
            (*it)->ClearAFlag(A_LOCK_TARGET);
            (*it)->MaybeAutoDelete();
        }
        HelperFixture::TearDown();
    }
    RefNode* Record(INode* node, OstrivansHelper* helper = nullptr) {
        auto* rec = new RefNode(node, helper);
        if (helper)
            helper->AppendRefNode(rec);
        else
            Keep(rec);
        return rec;
    }
    // Kept until the end of the test, as a scene object is kept by its node: dropping the last reference
    // to it never frees it meanwhile.
    template <class T> T* Keep(T* t) {
        t->SetAFlag(A_LOCK_TARGET);
        loose.push_back(t);
        return t;
    }
    // Something outside the referenced content holding a reference (a rig, a script, a list of nodes).
    RefWatcher* Watch(ReferenceTarget* t, const std::string& name) { return Named(Keep(new RefWatcher(t)), name); }
    LightObject* Light(const std::string& name) {
        auto* light = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
        b.WithObject(light, name).Build();
        return Named(light, name);
    }
    // A helper on a node named name, with its two naming and persistence switches.
    OstrivansHelper* Helper(const MCHAR* name, bool usePrefix, bool persist) {
        OstrivansHelper* h = NewHelperNode(name);
        AccessorDisabler quiet(h);
        h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, usePrefix ? 1 : 0);
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, persist ? 1 : 0);
        return h;
    }
    static void CollectAs(RefNode* rec, OperationCode op) {
        OperationCodeGuard code(op);
        rec->Collect();
    }
    template <class T> T* Named(T* t, const std::string& name) {
        names[t] = name;
        return t;
    }
    // A node by its name, anything else by the name the test gave it ("?" if none), "-" for null.
    std::string NameOf(const void* p) {
        if (!p) return "-";
        auto* anim = static_cast<ReferenceTarget*>(const_cast<void*>(p));
        if (names.count(p)) return names[p];
        if (anim->SuperClassID() == BASENODE_CLASS_ID) return WStr(static_cast<INode*>(anim)->GetName()).ToUTF8();
        return "?";
    }
    // What the tests look at in a record: loaded, was loaded, the override flags, the references past the
    // mirrors, and each listing object's position.
    std::string State(RefNode* rec) {
        std::string s = rec->IsNodeLoaded() ? "loaded" : "unloaded";
        if (rec->WasLoaded()) s += ", was loaded";
        char flags[16];
        std::snprintf(flags, sizeof flags, "%X", static_cast<unsigned>(rec->GetOverrideFlags()));
        s += std::string(" flags ") + flags + " refs:";
        for (int i = 1 + rec->NumMirrors(); i < rec->NumRefs(); ++i) s += " " + NameOf(rec->GetReference(i));
        for (int i = 0; i < rec->NumListingObjects(); ++i) s += " @" + std::to_string(rec->GetListingPosition(i));
        return s;
    }
    std::vector<ReferenceTarget*> loose;
    std::map<const void*, std::string> names;
};

TEST_F(RefNodeTest, CreationTakesTheNodeItsNameAndItsMirrors) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    EXPECT_TRUE(rec->GetNode() == box && RefBase::FromItem(box) == rec &&
                rec->GetMirror(0)->GetAnim() == box->GetTMController());
    // The node, the mirrors, then material, parent, layer and kept object with every table empty.
    const auto line = [this](RefNode* r) {
        return r->GetReferencedName().ToUTF8() + " mirrors " + std::to_string(r->NumMirrors()) +
               (r->HasOverrides() ? " overrides " : " ") + State(r);
    };
    EXPECT_EQ(line(rec), "Box01 mirrors 12 loaded flags 0 refs: - - - -");
    rec->SetOverrideFlag(REFNODE_OVERRIDE_LAYER, true, false);
    EXPECT_EQ(line(rec), "Box01 mirrors 12 overrides loaded flags 200 refs: - - - -");
    EXPECT_EQ(line(Record(nullptr)), " mirrors 0 unloaded flags 0 refs: - - - -");
}

TEST_F(RefNodeTest, EveryTableHasItsPlaceAfterTheMirrors) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    rec->SizeTablesForLoad(2, 1, 2, 1, 2);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, true, false);
    // Material, parent, 2 children, layer, 1 WS and 2 OS entries, 1 light, kept, 2 listing.
    const std::vector<ReferenceTarget*> tail = {
        Named(b.Standard("Brick"), "Brick"), b.Dummy("Rig").Build(), b.Box("Local0").Build(),
        b.Box("Local1").Build(), Named(b.Layer("Walls"), "Walls"), nullptr, nullptr,
        Named(static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, BEND_MODIFIER_CLASS_ID)), "Bend"),
        Light("Omni01"), Named(box->GetObjectRef(), "Object"), Watch(nullptr, "List0"), Watch(nullptr, "List1")};
    const int base = 1 + rec->NumMirrors();
    ASSERT_EQ(rec->NumRefs(), base + static_cast<int>(tail.size()));
    for (size_t k = 0; k < tail.size(); ++k)
        if (tail[k]) rec->ReplaceReference(base + static_cast<int>(k), tail[k]);
    const std::string refs = "refs: Brick Rig Local0 Local1 Walls - - Bend Omni01 Object List0 List1 @-1 @-1";
    EXPECT_EQ(State(rec), "loaded flags 8 " + refs);
    const std::vector<const void*> read = {rec->GetStoredMaterial(), rec->GetStoredParent(), rec->GetChild(1),
                                           rec->GetStoredLayer(), rec->GetWSModifier(0)->modifier,
                                           rec->GetOSModifier(1)->modifier, rec->GetExcludingLight(0),
                                           rec->GetKeptObject(), rec->GetListingObject(1)};
    std::string got;
    for (const void* p : read) got += NameOf(p) + " ";
    EXPECT_EQ(got, "Brick Rig Local1 Walls - Bend Omni01 Object List1 ");
    // The material is a reference only while it is the user's.
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, false, false);
    EXPECT_EQ(rec->GetReference(base), nullptr);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, true, false);
    // A new mirror moves every later slot up by one.
    rec->AppendMirrorSlot();
    EXPECT_EQ(rec->GetReference(base), nullptr);
    EXPECT_EQ(State(rec), "loaded flags 8 " + refs);
}

TEST_F(RefNodeTest, CollectKeepsTheOfferedLightsAndListingObjectsOfThePass) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    LightObject* l1 = Light("Omni01");
    LightObject* l2 = Light("Omni02");
    LightObject* l3 = Light("Omni03");
    RefWatcher* w1 = Watch(nullptr, "W1");
    RefWatcher* w2 = Watch(nullptr, "W2");
    rec->OfferCandidateLight(l1);
    rec->OfferCandidateLight(l2);
    rec->OfferCandidateLight(l1);
    rec->OfferListingObject(w1, 3);
    rec->OfferListingObject(w2, 0);
    CollectAs(rec, OperationCode::Unload);
    // Flags: the exclusion list and the listing objects (0x200000, 0x1000000).
    EXPECT_EQ(State(rec), "unloaded, was loaded flags 1200000 refs: - - - Omni01 Omni02 - W1 W2 @3 @0");
    EXPECT_EQ(rec->GetObjectType(), DWORD(GEOMOBJECT_CLASS_ID));
    for (LightObject* l : {l1, l2, l3}) EXPECT_FALSE(l->TestAFlag(A_WORK1));

    // Not loaded: the next pass learns nothing, and its offers are dropped.
    rec->OfferCandidateLight(l3);
    CollectAs(rec, OperationCode::Unload);
    rec->FinishUpdate();
    EXPECT_EQ(State(rec), "unloaded flags 1200000 refs: - - - Omni01 Omni02 - W1 W2 @3 @0");

    {
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(box);
    }
    rec->OfferCandidateLight(l3);
    rec->OfferCandidateLight(l2);
    rec->OfferListingObject(w2, 5);
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(State(rec), "unloaded, was loaded flags 1200000 refs: - - - Omni02 Omni03 - W2 @5");
    rec->FinishUpdate();
    EXPECT_TRUE(rec->IsNodeLoaded());
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(State(rec), "unloaded, was loaded flags 0 refs: - - - -");
}

TEST_F(RefNodeTest, APersistedReferenceKeepsItsNodeLoadedOnlyWhileSaving) {
    RefNode* rec = Record(b.Box("Box01").Build(), Helper(L"Ref", false, true));
    CollectAs(rec, OperationCode::PreSave);
    EXPECT_TRUE(rec->IsNodeLoaded());
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(State(rec), "unloaded, was loaded flags 0 refs: - - - -");
}

TEST_F(RefNodeTest, LocalUsersOfTheObjectChainOrOfTheNodeAreFound) {
    INode* box = b.Box("Box01").Build();
    b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
    RefNode* rec = Record(box);
    Object* top = Named(box->GetObjectRef(), "Top");
    // The stack's modifier is held by the record's entry ("?" in the references).
    // A pass of collection, then the record back as loaded for the next one.
    auto collect = [&] {
        CollectAs(rec, OperationCode::Unload);
        const std::string s = State(rec);
        rec->FinishUpdate();
        return s;
    };
    EXPECT_EQ(collect(), "unloaded, was loaded flags 0 refs: - - - ? -");
    // A local instance of the base object below the stack: the top of the chain is kept.
    INode* local = GetCOREInterface()->CreateObjectNode(top->FindBaseObject());
    EXPECT_EQ(collect(), "unloaded, was loaded flags 400000 refs: - - - ? Top");
    {
        OperationCodeGuard unload(OperationCode::Unload);
        EXPECT_TRUE(rec->IsRealDependency(top));
    }
    // A referenced node using the object is no local use.
    Keep(new RefNode(FALSE))->ReplaceReference(0, local);
    EXPECT_EQ(collect(), "unloaded, was loaded flags 0 refs: - - - ? -");
    // The node itself: a mirror elsewhere counts only while it holds the node as a real dependency.
    auto* mirror = Keep(new RefAnim(FALSE));
    mirror->ReplaceReference(0, box);
    EXPECT_EQ(collect(), "unloaded, was loaded flags 0 refs: - - - ? -");
    mirror->SetOverriddenState(REFANIM_MODIFIED);
    EXPECT_EQ(collect(), "unloaded, was loaded flags 1 refs: - - - ? -");
    mirror->SetOverriddenState(0);
    // A scene node sharing the stack: the stack is kept for the next base object, and the node with it.
    GetCOREInterface()->CreateObjectNode(box->GetObjectRef());
    EXPECT_EQ(collect(), "unloaded, was loaded flags 80001 refs: - - - ? -");
}

TEST_F(RefNodeTest, ObjectTypesAreTheCategoriesAResetSelects) {
    INode* helper = b.Point("Point01").Build();
    Light("Omni01");
    const std::vector<DWORD> types = {RefNode::ReadObjectType(b.Box("Box01").Build()), RefNode::ReadObjectType(helper),
                                      RefNode::ReadObjectType(GetCOREInterface()->GetINodeByName(L"Omni01")),
                                      (helper->SetBoneNodeOnOff(TRUE, 0), RefNode::ReadObjectType(helper)),
                                      RefNode::ReadObjectType(nullptr)};
    EXPECT_EQ(types, (std::vector<DWORD>{GEOMOBJECT_CLASS_ID, HELPER_CLASS_ID, LIGHT_CLASS_ID, REFNODE_BONE_OBJECT_TYPE, 0}));
}

TEST_F(RefNodeTest, UpdateMovesToTheFreshNodeAndDeletesTheOldOne) {
    INode* old = b.Box("Box01").Build();
    RefNode* rec = Record(old);
    RefWatcher* rig = Watch(old, "Rig");
    RefAnim* kept = rec->GetMirror(2);
    kept->SetOverriddenState(REFANIM_MODIFIED);
    const ULONG oldHandle = old->GetHandle();
    // Each fresh node is taken: first over a loaded node (deleted, its users moved), then once the content
    // went away.
    for (int pass = 0; pass < 2; ++pass) {
        SCOPED_TRACE(pass);
        INode* fresh = b.Box("Box01").Build();
        {
            OperationCodeGuard load(OperationCode::Load);
            rec->Update(fresh);
        }
        EXPECT_TRUE(rec->GetNode() == fresh && RefBase::FromItem(fresh) == rec && rec->IsNodeLoaded());
        ASSERT_EQ(rec->NumMirrors(), 12);
        // The changed mirror stays; the others were dropped and made again for the fresh node.
        std::string mirrors;
        for (int i = 0; i < rec->NumMirrors(); ++i)
            mirrors += rec->GetMirror(i) == kept                                      ? "K"
                       : rec->GetMirror(i)->GetAnim() == fresh->GetTMController() ? "T"
                                                                                      : ".";
        std::sort(mirrors.begin(), mirrors.end());
        EXPECT_EQ(mirrors, "..........KT");
        CollectAs(rec, OperationCode::Unload);
        GetCOREInterface()->DeleteNode(fresh);
        EXPECT_EQ(rec->GetNode(), nullptr);
    }
    EXPECT_EQ(GetCOREInterface()->GetINodeByHandle(oldHandle), nullptr);
    EXPECT_TRUE(rig->Heard(REFMSG_OSTRIVANS_NODE_TRANSFERRED));
}

TEST_F(RefNodeTest, NamesFollowThePrefixUnlessOverridden) {
    struct Row {
        bool usePrefix;
        DWORD flags;
        const MCHAR* node;
    };
    for (const Row& row : {Row{true, 0, L"Ref_Crate"}, Row{false, 0, L"Crate"},
                           Row{true, REFNODE_OVERRIDE_NAME, L"Box01"}}) {
        INode* box = b.Box("Box01").Build();
        RefNode* rec = Record(box, Helper(L"Ref", row.usePrefix, false));
        rec->SetOverrideFlag(row.flags, true, false);
        ListenerCapture listener;
        rec->SetName(L"Crate");
        // Renamed under the renaming code: no rename override is reported.
        EXPECT_EQ(rec->GetReferencedName().ToUTF8() + " " + WStr(box->GetName()).ToUTF8() + " [" + listener.Text().ToUTF8() + "]",
                  "Crate " + WStr(row.node).ToUTF8() + " []")
            << row.usePrefix << " " << row.flags;
        EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    }
    INode* box = b.Box("Box02").Build();
    RefNode* rec = Record(box);
    OperationCodeGuard load(OperationCode::Load);
    auto apply = [&](const MCHAR* prefix) {
        rec->ApplyNamePrefix(prefix);
        return WStr(box->GetName()).ToUTF8();
    };
    EXPECT_EQ(apply(L"P"), "P_Box02");
    EXPECT_EQ(apply(L""), "Box02");
    rec->SetOverrideFlag(REFNODE_NAME_WITHOUT_PREFIX, true, false);
    EXPECT_EQ(apply(L"P"), "Box02");
}

TEST_F(RefNodeTest, TheSceneEndingDropsTheNodeButOpeningALibraryDoesNot) {
    FileIOType scene = IOTYPE_MAX;
    FileIOType library = IOTYPE_MATLIB;
    struct Row {
        int code;
        FileIOType* type;
        bool keeps;
    };
    const Row rows[] = {
        {NOTIFY_SYSTEM_PRE_RESET, nullptr, false}, {NOTIFY_SYSTEM_PRE_NEW, nullptr, false},
        {NOTIFY_FILE_PRE_OPEN, &scene, false},     {NOTIFY_FILE_PRE_OPEN, &library, true},
        {NOTIFY_SYSTEM_SHUTDOWN, nullptr, false},
    };
    const int before = NumRegisteredNotifications(NOTIFY_SYSTEM_SHUTDOWN);
    for (const Row& row : rows) {
        INode* box = b.Box("Box01").Build();
        INode* other = b.Box("Box02").Build();
        auto* rec = new RefNode(box, nullptr);
        auto* second = new RefNode(other, nullptr);
        // The records' one shutdown hook, whether each keeps its node, whether the scene does, and the
        // hook once both records went.
        std::string seen = std::to_string(NumRegisteredNotifications(NOTIFY_SYSTEM_SHUTDOWN) - before);
        BroadcastNotification(row.code, row.type);
        SetSceneFileOpening(false);
        seen += std::to_string(rec->GetNode() != nullptr) + std::to_string(second->GetNode() != nullptr) +
                std::to_string(GetCOREInterface()->GetINodeByName(L"Box01") != nullptr);
        rec->MaybeAutoDelete();
        second->MaybeAutoDelete();
        seen += std::to_string(NumRegisteredNotifications(NOTIFY_SYSTEM_SHUTDOWN) - before);
        EXPECT_EQ(seen, row.keeps ? "11110" : "10010") << std::hex << row.code;
        GetCOREInterface()->DeleteNode(box);
        GetCOREInterface()->DeleteNode(other);
    }
}

TEST_F(RefNodeTest, TheGateLetsThroughOnlyWhatTheOperationAllows) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    RefWatcher* dependent = Watch(rec, "Dependent");
    // Each message from a mirror asks for the owner's item; from the node, it tells of a merge to relay.
    struct Row {
        OperationCode op;
        bool loaded;
        RefMessage message;
        const char* outcome; // "answered", "relayed" or "-", then the result
    };
    const RefMessage ask = REFMSG_OSTRIVANS_GET_OWNER_ITEM, merged = REFMSG_NODE_POST_MERGE;
    const Row rows[] = {
        {OperationCode::None, true, ask, "answered stop"}, {OperationCode::None, false, ask, "- stop"},     {OperationCode::Load, true, ask, "- stop"},
        {OperationCode::Unload, true, ask, "- stop"},      {OperationCode::Load, true, merged, "relayed stop"}, {OperationCode::Load, false, merged, "- stop"},
        {OperationCode::None, true, merged, "- succeed"},  {OperationCode::Duplicate, true, merged, "- stop"},
    };
    for (const Row& row : rows) {
        if (row.loaded && !rec->IsNodeLoaded()) rec->Update(box);
        if (!row.loaded && rec->IsNodeLoaded()) CollectAs(rec, OperationCode::Unload);
        ASSERT_EQ(rec->IsNodeLoaded(), row.loaded);
        dependent->heard.clear();
        ReferenceTarget* answer = nullptr;
        PartID part = reinterpret_cast<PartID>(&answer);
        OperationCodeGuard code(row.op);
        ReferenceTarget* from = row.message == merged ? static_cast<ReferenceTarget*>(box) : rec->GetMirror(0);
        const RefResult result = rec->NotifyRefChanged(FOREVER, from, part, row.message, TRUE);
        const std::string outcome = std::string(answer == box ? "answered" : answer ? "wrong answer"
                                                : dependent->Heard(REFMSG_OSTRIVANS_NODE_MERGED) ? "relayed" : "-") +
                                    (result == REF_STOP ? " stop" : result == REF_SUCCEED ? " succeed" : " other");
        EXPECT_EQ(outcome, row.outcome) << "op " << row.op << " message " << row.message << " loaded " << row.loaded;
    }
}

// Unloading, saving and duplicating weaken what the content alone uses: the node, its lights and listing
// objects, unchanged mirrors. A persisted reference keeps everything.
TEST_F(RefNodeTest, RealDependenciesDependOnTheOperation) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    LightObject* omni = Light("Omni01");
    RefWatcher* listing = Watch(nullptr, "Listing");
    INode* local = GetCOREInterface()->CreateObjectNode(box->GetObjectRef());
    rec->OfferCandidateLight(omni);
    rec->OfferListingObject(listing, 0);
    CollectAs(rec, OperationCode::Unload);
    ASSERT_NE(rec->GetKeptObject(), nullptr);
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    // Node, kept object, light, listing object, local node, unchanged and changed mirror, anything else.
    ExpectWeakOnlyWhileUnloadingSavingOrDuplicating(
        rec, {box, rec->GetKeptObject(), omni, listing, local, rec->GetMirror(0), rec->GetMirror(1), Keep(b.Standard("Other"))},
        "01001011", [&] { rec->SetHelper(Helper(L"Ref", false, true)); });
    rec->SetHelper(nullptr);
}

TEST_F(RefNodeTest, ANodeListGetsAPlaceholderWhileADuplicateNeedsOne) {
    INode* box = b.Box("Box01").Pos({10, 0, 0}).Build();
    RefNode* rec = Record(box);
    RefWatcher* rig = Watch(box, "Rig");
    auto add = [&](NodeTable& list) {
        OperationCodeGuard duplicate(OperationCode::Duplicate);
        rec->AddToNodeList(list);
        rec->AddToNodeList(list);
        EXPECT_EQ(list.Count(), 1);
        return list.At(0);
    };
    NodeTable list;
    EXPECT_EQ(add(list), box);

    rec->SetOverrideFlag(REFNODE_LOCAL_DEPENDENCY, true, false);
    NodeTable dupList;
    INode* holder = add(dupList);
    ASSERT_NE(holder, box);
    // The placeholder: the node's name, an empty object, a fixed transform where the node stands.
    auto* tm = dynamic_cast<EmptyController*>(holder->GetTMController());
    ASSERT_NE(tm, nullptr);
    EXPECT_EQ(WStr(holder->GetName()).ToUTF8() + " " + std::to_string(holder->GetObjectRef()->ClassID() == EMPTY_BASE_OBJECT_CLASS_ID) +
                  " x " + std::to_string(int(tm->GetMatrix().GetTrans().x)),
              "Box01 1 x 10");
    const ULONG holderHandle = holder->GetHandle();
    // Record node, replaced node and the rig's node, during the duplicate and after it.
    const auto where = [&] { return NameOf(rec->GetNode()) + " " + NameOf(rec->GetReplacedNode()) + " " + NameOf(rig->held); };
    Named(holder, "Holder");
    EXPECT_EQ(where(), "Holder Box01 Holder");
    rec->FinishUpdate();
    EXPECT_EQ(where(), "Box01 - Box01");
    EXPECT_EQ(GetCOREInterface()->GetINodeByHandle(holderHandle), nullptr);
}

TEST_F(RefNodeTest, DumpsAndDescriptionHaveTheirFixedTexts) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_EXCL_LIST | REFNODE_OVERRIDE_NAME, true, false);
    const std::string ptr = std::to_string(static_cast<int>(reinterpret_cast<std::uintptr_t>(box)));
    auto printed = [rec](int mode) {
        ListenerCapture listener;
        rec->PrintData(mode);
        return listener.Text().ToUTF8();
    };
    EXPECT_EQ(printed(0), "\nRefNode: Box01 - " + ptr + "\nRefAnims: 12\n");
    const std::string lines = "\nNode Loaded: TRUE\nOverridden Flags: 2097154\nOverridden Material: None"
                              "\nWSRefMods: 0\nOSRefMods: 0\nDeletedMods: 0\nRenamedMods: 0\nToggledMods: 0\n";
    const std::string head = "\n\n***************************\nRefNode: Box01 - " + ptr + "\n\n" + lines +
                             "RefAnims: \n\nRefAnim: 0";
    EXPECT_EQ(printed(1).substr(0, head.size()), head);
    MSTR controller;
    box->GetTMController()->GetClassName(controller);
    EXPECT_EQ(rec->GetDescription().ToUTF8(), "Node: Box01 - " + ptr + "\nBase Object: Box\nController: " +
                                                  controller.ToUTF8() + lines + "RefAnims: 12");
    EXPECT_EQ(Record(nullptr)->GetDescription().ToUTF8(),
              "Node:  - 0\nNode Loaded: FALSE\nOverridden Flags: 0\nOverridden Material: None\nWSRefMods: 0"
              "\nOSRefMods: 0\nDeletedMods: 0\nRenamedMods: 0\nToggledMods: 0\nRefAnims: 0");
}

TEST_F(RefNodeTest, ACloneIsANodeRecordWithTheSameNameFlagsAndTables) {
    RefNode* rec = Record(b.Box("Box01").Build());
    rec->OfferCandidateLight(Light("Omni01"));
    rec->OfferListingObject(Watch(nullptr, "Listing"), 4);
    CollectAs(rec, OperationCode::Unload);
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    RemapDir remap;
    auto* copy = Keep(dynamic_cast<RefNode*>(remap.CloneRef(rec)));
    ASSERT_NE(copy, nullptr);
    // The copy holds no node and only the changed mirror.
    std::string mirrors;
    for (int i = 0; i < copy->NumMirrors(); ++i) mirrors += copy->GetMirror(i) ? "M" : ".";
    EXPECT_EQ(copy->GetReferencedName().ToUTF8() + " node " + NameOf(copy->GetNode()) + " mirrors " + mirrors + " " + State(copy),
              "Box01 node - mirrors .M.......... unloaded, was loaded flags 1200000 refs: - - - Omni01 - Listing @4");
}

} // namespace
