// A node record's creation, reference layout, collection and scans, names, scene-end notifications,
// message gate, real dependencies, node lists, dumps and its "RefNode" interface.
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
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Something outside the referenced content holding a reference (a rig, a script, a list of nodes), which
// notes the messages it hears.
class Watcher : public ReferenceTarget {
public:
    Class_ID ClassID() override { return Class_ID(0x7e57a11c, 0x2); }
    SClass_ID SuperClassID() override { return REF_TARGET_CLASS_ID; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? held : nullptr; }
    RefResult NotifyRefChanged(const Interval&, RefTargetHandle, PartID&, RefMessage m, BOOL) override {
        heard.push_back(m);
        return REF_SUCCEED;
    }
    ~Watcher() override { DeleteAllRefs(); }
    bool Heard(RefMessage m) const { return std::find(heard.begin(), heard.end(), m) != heard.end(); }

    ReferenceTarget* held = nullptr;
    std::vector<RefMessage> heard;

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) held = t;
    }
};

int PointerNumber(const void* p) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(p));
}

class RefNodeTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        EndHelperSession();
        GetHelperModuleState().Clear();
    }
    void TearDown() override {
        // Newest first: watchers let go of records and nodes before those go.
        for (auto it = loose.rbegin(); it != loose.rend(); ++it) {
            (*it)->ClearAFlag(A_LOCK_TARGET);
            (*it)->MaybeAutoDelete();
        }
        SceneFixture::TearDown();
        EndHelperSession();
        GetHelperModuleState().Clear();
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
    Watcher* Watch(ReferenceTarget* t) {
        auto* w = Keep(new Watcher);
        if (t) w->ReplaceReference(0, t);
        return w;
    }
    LightObject* Light(const std::string& name) {
        auto* light = static_cast<LightObject*>(CreateInstance(LIGHT_CLASS_ID, OMNI_LIGHT_CLASS_ID));
        b.WithObject(light, name).Build();
        return light;
    }
    // A helper on a node named name, with its two naming and persistence switches.
    OstrivansHelper* Helper(const MCHAR* name, bool usePrefix, bool persist) {
        auto* h = new OstrivansHelper(FALSE);
        GetCOREInterface()->CreateObjectNode(h)->SetName(name);
        AccessorDisabler quiet(h);
        h->GetParamBlock()->SetValue(pb_use_name_prefix, 0, usePrefix ? 1 : 0);
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, persist ? 1 : 0);
        return h;
    }
    static void CollectAs(RefNode* rec, OperationCode op) {
        OperationCodeGuard code(op);
        rec->Collect();
    }
    std::vector<ReferenceTarget*> loose;
};

TEST_F(RefNodeTest, CreationTakesTheNodeItsNameAndItsMirrors) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    EXPECT_EQ(rec->GetNode(), box);
    EXPECT_EQ(RefBase::FromItem(box), rec);
    EXPECT_EQ(rec->GetReferencedName(), WStr(L"Box01"));
    EXPECT_TRUE(rec->IsNodeLoaded());
    EXPECT_FALSE(rec->WasLoaded());
    EXPECT_EQ(rec->GetOverrideFlags(), 0u);
    EXPECT_FALSE(rec->HasOverrides());
    ASSERT_EQ(rec->NumMirrors(), 9);
    EXPECT_EQ(rec->GetMirror(0)->GetAnim(), box->GetTMController());
    // The node, the mirrors, then material, parent, layer and kept object with every table empty.
    EXPECT_EQ(rec->NumRefs(), 1 + 9 + 4);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_LAYER, true, false);
    EXPECT_TRUE(rec->HasOverrides());

    RefNode* none = Record(nullptr);
    EXPECT_FALSE(none->IsNodeLoaded());
    EXPECT_EQ(none->GetReferencedName(), WStr(L""));
    EXPECT_EQ(none->NumMirrors(), 0);
    EXPECT_EQ(none->NumRefs(), 5);
}

TEST_F(RefNodeTest, EveryTableHasItsPlaceAfterTheMirrors) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    rec->SizeTablesForLoad(2, 1, 2, 1, 2);
    INode* child0 = b.Box("Local0").Build();
    INode* child1 = b.Box("Local1").Build();
    INode* parent = b.Dummy("Rig").Build();
    ReferenceTarget* layer = b.Layer("Walls");
    auto* bend = static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, BEND_MODIFIER_CLASS_ID));
    LightObject* omni = Light("Omni01");
    Mtl* brick = b.Standard("Brick");
    Watcher* list0 = Watch(nullptr);
    Watcher* list1 = Watch(nullptr);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, true, false);

    const int mirrors = rec->NumMirrors();
    // B = 1 + mirrors; material, parent, 2 children, layer, 1 WS and 2 OS entries, 1 light, kept, 2 listing.
    std::vector<ReferenceTarget*> expected(static_cast<size_t>(1 + mirrors), nullptr);
    const std::vector<ReferenceTarget*> tail = {brick,
                                                parent, child0, child1, layer, nullptr, nullptr, bend, omni,
                                                box->GetObjectRef(), list0, list1};
    ASSERT_EQ(rec->NumRefs(), 1 + mirrors + static_cast<int>(tail.size()));
    for (size_t k = 0; k < tail.size(); ++k)
        if (tail[k]) rec->ReplaceReference(1 + mirrors + static_cast<int>(k), tail[k]);
    expected.insert(expected.end(), tail.begin(), tail.end());
    for (int i = 1 + mirrors; i < rec->NumRefs(); ++i)
        EXPECT_EQ(rec->GetReference(i), expected[static_cast<size_t>(i)]) << "reference " << i;
    EXPECT_EQ(rec->GetStoredMaterial(), expected[static_cast<size_t>(1 + mirrors)]);
    EXPECT_EQ(rec->GetStoredParent(), parent);
    EXPECT_EQ(rec->GetChild(1), child1);
    EXPECT_EQ(rec->GetStoredLayer(), layer);
    EXPECT_EQ(rec->GetWSModifier(0)->modifier, nullptr);
    EXPECT_EQ(rec->GetOSModifier(1)->modifier, bend);
    EXPECT_EQ(rec->GetExcludingLight(0), omni);
    EXPECT_EQ(rec->GetKeptObject(), box->GetObjectRef());
    EXPECT_EQ(rec->GetListingObject(1), list1);
    // The material is a reference only while it is the user's.
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, false, false);
    EXPECT_EQ(rec->GetReference(1 + mirrors), nullptr);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, true, false);

    // A new mirror moves every later slot up by one.
    rec->AppendMirrorSlot();
    expected.insert(expected.begin() + 1 + mirrors, nullptr);
    ASSERT_EQ(rec->NumRefs(), static_cast<int>(expected.size()));
    for (int i = 2 + mirrors; i < rec->NumRefs(); ++i)
        EXPECT_EQ(rec->GetReference(i), expected[static_cast<size_t>(i)]) << "after a new mirror, reference " << i;
}

TEST_F(RefNodeTest, CollectKeepsTheOfferedLightsAndListingObjectsOfThePass) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    LightObject* l1 = Light("Omni01");
    LightObject* l2 = Light("Omni02");
    LightObject* l3 = Light("Omni03");
    Watcher* w1 = Watch(nullptr);
    Watcher* w2 = Watch(nullptr);
    const int base = rec->NumRefs();
    auto lights = [&] {
        std::vector<LightObject*> v;
        for (int i = 0; i < rec->NumExcludingLights(); ++i) v.push_back(rec->GetExcludingLight(i));
        return v;
    };

    rec->OfferCandidateLight(l1);
    rec->OfferCandidateLight(l2);
    rec->OfferCandidateLight(l1);
    rec->OfferListingObject(w1, 3);
    rec->OfferListingObject(w2, 0);
    CollectAs(rec, OperationCode::Unload);
    EXPECT_FALSE(rec->IsNodeLoaded());
    EXPECT_TRUE(rec->WasLoaded());
    EXPECT_EQ(lights(), (std::vector<LightObject*>{l1, l2}));
    ASSERT_EQ(rec->NumListingObjects(), 2);
    EXPECT_EQ(rec->GetListingObject(0), w1);
    EXPECT_EQ(rec->GetListingPosition(0), 3);
    EXPECT_EQ(rec->GetListingPosition(1), 0);
    EXPECT_EQ(rec->GetOverrideFlags(), REFNODE_OVERRIDE_EXCL_LIST | REFNODE_OVERRIDE_EXCL_LIST_MISC);
    EXPECT_EQ(rec->GetObjectType(), DWORD(GEOMOBJECT_CLASS_ID));
    EXPECT_EQ(rec->NumRefs(), base + 4);
    for (LightObject* l : {l1, l2, l3}) EXPECT_FALSE(l->TestAFlag(A_WORK1));

    // Not loaded: the next pass learns nothing, and its offers are dropped.
    rec->OfferCandidateLight(l3);
    CollectAs(rec, OperationCode::Unload);
    EXPECT_FALSE(rec->WasLoaded());
    EXPECT_EQ(lights(), (std::vector<LightObject*>{l1, l2}));
    rec->FinishUpdate();
    EXPECT_FALSE(rec->IsNodeLoaded());

    {
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(box);
    }
    EXPECT_TRUE(rec->IsNodeLoaded());
    rec->OfferCandidateLight(l3);
    rec->OfferCandidateLight(l2);
    rec->OfferListingObject(w2, 5);
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(lights(), (std::vector<LightObject*>{l2, l3}));
    ASSERT_EQ(rec->NumListingObjects(), 1);
    EXPECT_EQ(rec->GetListingObject(0), w2);
    EXPECT_EQ(rec->GetListingPosition(0), 5);
    EXPECT_EQ(rec->NumRefs(), base + 3);

    rec->FinishUpdate();
    EXPECT_TRUE(rec->IsNodeLoaded());
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(rec->NumExcludingLights(), 0);
    EXPECT_EQ(rec->NumListingObjects(), 0);
    EXPECT_EQ(rec->GetOverrideFlags(), 0u);
    EXPECT_EQ(rec->NumRefs(), base);
}

TEST_F(RefNodeTest, APersistedReferenceKeepsItsNodeLoadedOnlyWhileSaving) {
    OstrivansHelper* h = Helper(L"Ref", false, true);
    RefNode* rec = Record(b.Box("Box01").Build(), h);
    CollectAs(rec, OperationCode::PreSave);
    EXPECT_TRUE(rec->IsNodeLoaded());
    CollectAs(rec, OperationCode::Unload);
    EXPECT_FALSE(rec->IsNodeLoaded());
    EXPECT_TRUE(rec->WasLoaded());
}

TEST_F(RefNodeTest, LocalUsersOfTheObjectChainOrOfTheNodeAreFound) {
    INode* box = b.Box("Box01").Build();
    b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
    RefNode* rec = Record(box);
    Object* top = box->GetObjectRef();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_EQ(rec->GetOverrideFlags() & (REFNODE_OVERRIDE_OBJ_LOC_DEP | REFNODE_LOCAL_DEPENDENCY), 0u);
    EXPECT_EQ(rec->GetKeptObject(), nullptr);

    // A local instance of the base object below the stack: the top of the chain is kept.
    INode* local = GetCOREInterface()->CreateObjectNode(top->FindBaseObject());
    rec->FinishUpdate();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_TRUE(rec->GetOverrideFlags() & REFNODE_OVERRIDE_OBJ_LOC_DEP);
    EXPECT_EQ(rec->GetKeptObject(), top);
    {
        OperationCodeGuard unload(OperationCode::Unload);
        EXPECT_TRUE(rec->IsRealDependency(top));
    }
    // A referenced node using the object is no local use.
    auto* other = Keep(new RefNode(FALSE));
    other->ReplaceReference(0, local);
    rec->FinishUpdate();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_FALSE(rec->GetOverrideFlags() & REFNODE_OVERRIDE_OBJ_LOC_DEP);
    EXPECT_EQ(rec->GetKeptObject(), nullptr);

    // The node itself: a mirror elsewhere counts only while it holds the node as a real dependency.
    auto* mirror = Keep(new RefAnim(FALSE));
    mirror->ReplaceReference(0, box);
    rec->FinishUpdate();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_FALSE(rec->GetOverrideFlags() & REFNODE_LOCAL_DEPENDENCY);
    mirror->SetOverriddenState(REFANIM_MODIFIED);
    rec->FinishUpdate();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_TRUE(rec->GetOverrideFlags() & REFNODE_LOCAL_DEPENDENCY);
    mirror->SetOverriddenState(0);
    rec->SetOverrideFlag(REFNODE_KEEP_MODIFIER_STACK, true, false);
    rec->FinishUpdate();
    CollectAs(rec, OperationCode::Unload);
    EXPECT_TRUE(rec->GetOverrideFlags() & REFNODE_LOCAL_DEPENDENCY);
}

TEST_F(RefNodeTest, ObjectTypesAreTheCategoriesAResetSelects) {
    INode* box = b.Box("Box01").Build();
    INode* helper = b.Point("Point01").Build();
    Light("Omni01");
    INode* omni = GetCOREInterface()->GetINodeByName(L"Omni01");
    EXPECT_EQ(RefNode::ReadObjectType(box), DWORD(GEOMOBJECT_CLASS_ID));
    EXPECT_EQ(RefNode::ReadObjectType(helper), DWORD(HELPER_CLASS_ID));
    EXPECT_EQ(RefNode::ReadObjectType(omni), DWORD(LIGHT_CLASS_ID));
    helper->SetBoneNodeOnOff(TRUE, 0);
    EXPECT_EQ(RefNode::ReadObjectType(helper), REFNODE_BONE_OBJECT_TYPE);
    EXPECT_EQ(RefNode::ReadObjectType(nullptr), 0u);
}

TEST_F(RefNodeTest, UpdateMovesToTheFreshNodeAndDeletesTheOldOne) {
    INode* old = b.Box("Box01").Build();
    RefNode* rec = Record(old);
    Watcher* rig = Watch(old);
    RefAnim* kept = rec->GetMirror(2);
    kept->SetOverriddenState(REFANIM_MODIFIED);
    const ULONG oldHandle = old->GetHandle();
    INode* fresh = b.Box("Box01").Build();
    {
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(fresh);
    }
    EXPECT_EQ(rec->GetNode(), fresh);
    EXPECT_EQ(RefBase::FromItem(fresh), rec);
    EXPECT_EQ(GetCOREInterface()->GetINodeByHandle(oldHandle), nullptr);
    EXPECT_EQ(rig->held, fresh);
    EXPECT_TRUE(rig->Heard(REFMSG_OSTRIVANS_NODE_TRANSFERRED));
    EXPECT_TRUE(rec->IsNodeLoaded());
    // The changed mirror stays; the others were dropped and made again for the fresh node.
    ASSERT_EQ(rec->NumMirrors(), 9);
    bool keptFound = false;
    for (int i = 0; i < rec->NumMirrors(); ++i) keptFound |= rec->GetMirror(i) == kept;
    EXPECT_TRUE(keptFound);
    bool followsFresh = false;
    for (int i = 0; i < rec->NumMirrors(); ++i)
        followsFresh |= rec->GetMirror(i) && rec->GetMirror(i)->GetAnim() == fresh->GetTMController();
    EXPECT_TRUE(followsFresh);

    // Unloaded (the node went with the content): the next fresh node is simply taken.
    CollectAs(rec, OperationCode::Unload);
    GetCOREInterface()->DeleteNode(fresh);
    EXPECT_EQ(rec->GetNode(), nullptr);
    INode* third = b.Box("Box01").Build();
    {
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(third);
    }
    EXPECT_EQ(rec->GetNode(), third);
    EXPECT_TRUE(rec->IsNodeLoaded());
    followsFresh = false;
    for (int i = 0; i < rec->NumMirrors(); ++i)
        followsFresh |= rec->GetMirror(i) && rec->GetMirror(i)->GetAnim() == third->GetTMController();
    EXPECT_TRUE(followsFresh);
}

TEST_F(RefNodeTest, NamesFollowThePrefixUnlessOverridden) {
    struct Row {
        bool usePrefix;
        DWORD flags;
        const MCHAR* node;
    };
    const Row rows[] = {
        {true, 0, L"Ref_Crate"},
        {false, 0, L"Crate"},
        {true, REFNODE_OVERRIDE_NAME, L"Box01"},
    };
    for (const Row& row : rows) {
        OstrivansHelper* h = Helper(L"Ref", row.usePrefix, false);
        INode* box = b.Box("Box01").Build();
        RefNode* rec = Record(box, h);
        rec->SetOverrideFlag(row.flags, true, false);
        ListenerCapture listener;
        rec->SetName(L"Crate");
        EXPECT_EQ(rec->GetReferencedName(), WStr(L"Crate"));
        EXPECT_EQ(WStr(box->GetName()), WStr(row.node)) << row.usePrefix << " " << row.flags;
        // Renamed under the renaming code: no rename override is reported.
        EXPECT_EQ(listener.Text(), MSTR(L""));
        EXPECT_EQ(GetCurrentOperation(), OperationCode::None);
    }

    INode* box = b.Box("Box02").Build();
    RefNode* rec = Record(box);
    OperationCodeGuard load(OperationCode::Load);
    rec->ApplyNamePrefix(L"P");
    EXPECT_EQ(WStr(box->GetName()), WStr(L"P_Box02"));
    rec->ApplyNamePrefix(L"");
    EXPECT_EQ(WStr(box->GetName()), WStr(L"Box02"));
    rec->SetOverrideFlag(REFNODE_NAME_WITHOUT_PREFIX, true, false);
    rec->ApplyNamePrefix(L"P");
    EXPECT_EQ(WStr(box->GetName()), WStr(L"Box02"));
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
        auto* rec = new RefNode(box, nullptr);
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_SHUTDOWN), before + 1);
        BroadcastNotification(row.code, row.type);
        SetSceneFileOpening(false);
        EXPECT_EQ(rec->GetNode() != nullptr, row.keeps) << std::hex << row.code;
        EXPECT_NE(GetCOREInterface()->GetINodeByName(L"Box01"), nullptr);
        rec->MaybeAutoDelete();
        EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_SHUTDOWN), before);
        GetCOREInterface()->DeleteNode(box);
    }
}

TEST_F(RefNodeTest, TheGateLetsThroughOnlyWhatTheOperationAllows) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    Watcher* dependent = Watch(rec);
    struct Row {
        OperationCode op;
        bool loaded;
        RefMessage message;
        bool fromNode;
        bool answered;
        bool relayed;
        RefResult result;
    };
    const Row rows[] = {
        {OperationCode::None, true, REFMSG_OSTRIVANS_GET_OWNER_ITEM, false, true, false, REF_STOP},
        {OperationCode::None, false, REFMSG_OSTRIVANS_GET_OWNER_ITEM, false, false, false, REF_STOP},
        {OperationCode::Load, true, REFMSG_OSTRIVANS_GET_OWNER_ITEM, false, false, false, REF_STOP},
        {OperationCode::Unload, true, REFMSG_OSTRIVANS_GET_OWNER_ITEM, false, false, false, REF_STOP},
        {OperationCode::Load, true, REFMSG_NODE_POST_MERGE, true, false, true, REF_STOP},
        {OperationCode::Load, false, REFMSG_NODE_POST_MERGE, true, false, false, REF_STOP},
        {OperationCode::None, true, REFMSG_NODE_POST_MERGE, true, false, false, REF_SUCCEED},
        {OperationCode::Duplicate, true, REFMSG_NODE_POST_MERGE, true, false, false, REF_STOP},
    };
    for (const Row& row : rows) {
        if (row.loaded && !rec->IsNodeLoaded()) rec->Update(box);
        if (!row.loaded && rec->IsNodeLoaded()) CollectAs(rec, OperationCode::Unload);
        ASSERT_EQ(rec->IsNodeLoaded(), row.loaded);
        dependent->heard.clear();
        ReferenceTarget* answer = nullptr;
        PartID part = reinterpret_cast<PartID>(&answer);
        OperationCodeGuard code(row.op);
        ReferenceTarget* from = row.fromNode ? static_cast<ReferenceTarget*>(box) : rec->GetMirror(0);
        const RefResult result = rec->NotifyRefChanged(FOREVER, from, part, row.message, TRUE);
        const std::string what = std::string("op ") + OperationName(row.op) + " message " + std::to_string(row.message);
        EXPECT_EQ(answer, row.answered ? box : nullptr) << what;
        EXPECT_EQ(dependent->Heard(REFMSG_OSTRIVANS_NODE_MERGED), row.relayed) << what;
        EXPECT_EQ(result, row.result) << what;
    }
}

TEST_F(RefNodeTest, RealDependenciesDependOnTheOperation) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    LightObject* omni = Light("Omni01");
    Watcher* listing = Watch(nullptr);
    INode* local = GetCOREInterface()->CreateObjectNode(box->GetObjectRef());
    rec->OfferCandidateLight(omni);
    rec->OfferListingObject(listing, 0);
    CollectAs(rec, OperationCode::Unload);
    ASSERT_NE(rec->GetKeptObject(), nullptr);
    RefAnim* plain = rec->GetMirror(0);
    RefAnim* changed = rec->GetMirror(1);
    changed->SetOverriddenState(REFANIM_MODIFIED);
    Mtl* other = b.Standard("Other");

    struct Target {
        const char* what;
        ReferenceTarget* t;
        bool whileUnloading;
    };
    const Target targets[] = {
        {"node", box, false},
        {"kept object", rec->GetKeptObject(), true},
        {"light", omni, false},
        {"listing object", listing, false},
        {"local node", local, true},
        {"unchanged mirror", plain, false},
        {"changed mirror", changed, true},
        {"anything else", other, true},
    };
    for (OperationCode op : {OperationCode::None, OperationCode::Load, OperationCode::Unload, OperationCode::PreSave, OperationCode::PreSaveCollect, OperationCode::Duplicate, OperationCode::Record}) {
        OperationCodeGuard code(op);
        const bool weakening = op == OperationCode::Unload || op == OperationCode::PreSave || op == OperationCode::PreSaveCollect || op == OperationCode::Duplicate;
        for (const Target& t : targets)
            EXPECT_EQ(rec->IsRealDependency(t.t) != FALSE, weakening ? t.whileUnloading : true)
                << t.what << " under " << op;
    }
    // A persisted reference keeps everything.
    OstrivansHelper* h = Helper(L"Ref", false, true);
    rec->SetHelper(h);
    OperationCodeGuard unload(OperationCode::Unload);
    EXPECT_TRUE(rec->IsRealDependency(box));
    EXPECT_TRUE(rec->IsRealDependency(omni));
    rec->SetHelper(nullptr);
}

TEST_F(RefNodeTest, ANodeListGetsAPlaceholderWhileADuplicateNeedsOne) {
    INode* box = b.Box("Box01").Pos({10, 0, 0}).Build();
    RefNode* rec = Record(box);
    Watcher* rig = Watch(box);
    NodeTable list;
    {
        OperationCodeGuard duplicate(OperationCode::Duplicate);
        rec->AddToNodeList(list);
        rec->AddToNodeList(list);
    }
    ASSERT_EQ(list.Count(), 1);
    EXPECT_EQ(list.At(0), box);

    rec->SetOverrideFlag(REFNODE_LOCAL_DEPENDENCY, true, false);
    NodeTable dupList;
    {
        OperationCodeGuard duplicate(OperationCode::Duplicate);
        rec->AddToNodeList(dupList);
        rec->AddToNodeList(dupList);
    }
    ASSERT_EQ(dupList.Count(), 1);
    INode* holder = dupList.At(0);
    ASSERT_NE(holder, box);
    EXPECT_EQ(WStr(holder->GetName()), WStr(L"Box01"));
    EXPECT_EQ(holder->GetObjectRef()->ClassID(), EMPTY_BASE_OBJECT_CLASS_ID);
    auto* tm = dynamic_cast<EmptyController*>(holder->GetTMController());
    ASSERT_NE(tm, nullptr);
    EXPECT_EQ(tm->GetMatrix().GetTrans(), Point3(10, 0, 0));
    EXPECT_EQ(rec->GetNode(), holder);
    EXPECT_EQ(rec->GetReplacedNode(), box);
    EXPECT_EQ(rig->held, holder);

    const ULONG holderHandle = holder->GetHandle();
    rec->FinishUpdate();
    EXPECT_EQ(rec->GetNode(), box);
    EXPECT_EQ(rig->held, box);
    EXPECT_EQ(rec->GetReplacedNode(), nullptr);
    EXPECT_EQ(GetCOREInterface()->GetINodeByHandle(holderHandle), nullptr);
}

TEST_F(RefNodeTest, DumpsAndDescriptionHaveTheirFixedTexts) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    rec->SetOverrideFlag(REFNODE_OVERRIDE_EXCL_LIST | REFNODE_OVERRIDE_NAME, true, false);
    const std::string ptr = std::to_string(PointerNumber(box));
    {
        ListenerCapture listener;
        rec->PrintData(0);
        EXPECT_EQ(listener.Text().ToUTF8(), "\nRefNode: Box01 - " + ptr + "\nRefAnims: 9\n");
    }
    const std::string lines = "\nNode Loaded: TRUE\nOverridden Flags: 2097154\nOverridden Material: None"
                              "\nWSRefMods: 0\nOSRefMods: 0\nDeletedMods: 0\nRenamedMods: 0\nToggledMods: 0\n";
    {
        ListenerCapture listener;
        rec->PrintData(1);
        const std::string text = listener.Text().ToUTF8();
        const std::string head = "\n\n***************************\nRefNode: Box01 - " + ptr + "\n\n" + lines +
                                 "RefAnims: \n\nRefAnim: 0";
        EXPECT_EQ(text.substr(0, head.size()), head);
    }
    MSTR controller;
    box->GetTMController()->GetClassName(controller);
    EXPECT_EQ(rec->GetDescription().ToUTF8(), "Node: Box01 - " + ptr + "\nBase Object: Box\nController: " +
                                                  controller.ToUTF8() + lines + "RefAnims: 9");
    RefNode* none = Record(nullptr);
    EXPECT_EQ(none->GetDescription().ToUTF8(),
              "Node:  - 0\nNode Loaded: FALSE\nOverridden Flags: 0\nOverridden Material: None\nWSRefMods: 0"
              "\nOSRefMods: 0\nDeletedMods: 0\nRenamedMods: 0\nToggledMods: 0\nRefAnims: 0");
}

TEST_F(RefNodeTest, TheInterfaceReadsAndRenamesTheRecord) {
    OstrivansHelper* h = Helper(L"Ref", true, false);
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box, h);
    auto* fp = dynamic_cast<FPInterface*>(rec->GetInterface(REFNODE_INTERFACE_ID));
    ASSERT_NE(fp, nullptr);
    EXPECT_EQ(fp->GetDesc()->internal_name, MSTR(L"RefNode"));
    // The record answers the record base's interface too.
    EXPECT_NE(rec->GetInterface(REFBASE_INTERFACE_ID), nullptr);
    FPValue result;
    ASSERT_EQ(fp->Invoke(RefNodeInterface::kNumRefAnims, result), FPS_OK);
    EXPECT_EQ(result.ToString(), "TYPE_INT 9");
    FPParams index{FPValue(TYPE_INDEX, 1)};
    ASSERT_EQ(fp->Invoke(RefNodeInterface::kGetRefAnim, result, &index), FPS_OK);
    EXPECT_EQ(result.GetRefTarg(), rec->GetMirror(1));
    FPParams name{FPValue(TYPE_STRING, L"Crate")};
    ASSERT_EQ(fp->Invoke(RefNodeInterface::kSetName, result, &name), FPS_OK);
    ASSERT_EQ(fp->Invoke(RefNodeInterface::kGetName, result), FPS_OK);
    EXPECT_EQ(result.ToString(), "TYPE_STRING \"Crate\"");
    EXPECT_EQ(WStr(box->GetName()), WStr(L"Ref_Crate"));
}

TEST_F(RefNodeTest, ACloneIsANodeRecordWithTheSameNameFlagsAndTables) {
    INode* box = b.Box("Box01").Build();
    RefNode* rec = Record(box);
    LightObject* omni = Light("Omni01");
    Watcher* listing = Watch(nullptr);
    rec->OfferCandidateLight(omni);
    rec->OfferListingObject(listing, 4);
    CollectAs(rec, OperationCode::Unload);
    rec->GetMirror(1)->SetOverriddenState(REFANIM_MODIFIED);
    RemapDir remap;
    auto* copy = Keep(dynamic_cast<RefNode*>(remap.CloneRef(rec)));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetReferencedName(), WStr(L"Box01"));
    EXPECT_EQ(copy->GetOverrideFlags(), rec->GetOverrideFlags());
    EXPECT_EQ(copy->GetNode(), nullptr);
    EXPECT_FALSE(copy->IsNodeLoaded());
    EXPECT_EQ(copy->NumMirrors(), rec->NumMirrors());
    EXPECT_NE(copy->GetMirror(1), nullptr);
    EXPECT_EQ(copy->GetMirror(0), nullptr);
    EXPECT_EQ(copy->GetExcludingLight(0), omni);
    EXPECT_EQ(copy->GetListingObject(0), listing);
    EXPECT_EQ(copy->GetListingPosition(0), 4);
    EXPECT_EQ(copy->NumRefs(), rec->NumRefs());
}

} // namespace
