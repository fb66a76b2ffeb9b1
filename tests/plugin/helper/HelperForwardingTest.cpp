// Host node events reach the records as the module's own reference messages: to the direct dependents of
// the node (or object) concerned, propagating only for custom attributes.
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/scene/NamedSelectionSets.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/RefWatcher.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <sstream>

namespace {

std::string Hex(RefMessage msg, PartID part) {
    std::ostringstream os;
    os << std::hex << msg << ":" << part << " ";
    return os.str();
}

class HelperForwardingTest : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        NewHelperNode(L"Ostrivan01"); // the module-wide handlers are in place
    }
};

TEST_F(HelperForwardingTest, LinksReachTheNodeAndItsNewParent) {
    INode* parent = b.Dummy("Parent").Build();
    INode* child = b.Box("Child").Build();
    RefWatcher onParent(parent), onChild(child), second(&onChild), onRoot(GetCOREInterface()->GetRootNode());
    parent->AttachChild(child);
    EXPECT_EQ(onChild.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_NODE_LINKED, 0));
    EXPECT_EQ(onParent.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_CHILD_LINKED, reinterpret_cast<PartID>(child)));
    EXPECT_EQ(second.TakeOwnMessages(), ""); // no propagation
    // Unlinked: the new parent is the scene root, which hears nothing.
    child->Detach(0);
    EXPECT_EQ(onChild.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_NODE_LINKED, 0));
    EXPECT_EQ(onParent.TakeOwnMessages(), "");
    EXPECT_EQ(onRoot.TakeOwnMessages(), "");
    // Nothing while a scene file is being opened.
    SetSceneFileOpening(true);
    parent->AttachChild(child);
    SetSceneFileOpening(false);
    EXPECT_EQ(onChild.TakeOwnMessages(), "");
}

TEST_F(HelperForwardingTest, PropertyLayerAndCustomAttributeEvents) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    RefWatcher onA(a), onC(c);
    INodeTab both;
    both.Append(a);
    both.Append(c);
    const std::pair<int, RefMessage> props[] = {
        {NOTIFY_NODE_DISPLAY_PROPERTIES_CHANGED, REFMSG_OSTRIVANS_DISPLAY_PROPS},
        {NOTIFY_NODE_RENDER_PROPERTIES_CHANGED, REFMSG_OSTRIVANS_RENDER_PROPS},
        {NOTIFY_NODE_USER_PROPERTIES_CHANGED, REFMSG_OSTRIVANS_USER_PROPS},
        {NOTIFY_NODE_BONE_PROPERTIES_CHANGED, REFMSG_OSTRIVANS_BONE_PROPS}};
    for (const auto& [code, msg] : props) {
        BroadcastNotification(code, &both);
        EXPECT_EQ(onA.TakeOwnMessages(), Hex(msg, 0)) << code;
        EXPECT_EQ(onC.TakeOwnMessages(), Hex(msg, 0)) << code;
    }
    NodeLayerChange layer{a, nullptr, nullptr};
    BroadcastNotification(NOTIFY_NODE_LAYER_CHANGED, &layer);
    EXPECT_EQ(onA.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_LAYER_CHANGED, reinterpret_cast<PartID>(&layer)));

    // Custom attributes: to the owner's dependents, passed on further, with the host's code as part.
    RefWatcher onObject(a->GetObjectRef()), behind(&onObject);
    NotifyCustomAttribute added{a->GetObjectRef(), nullptr};
    BroadcastNotification(NOTIFY_CUSTOM_ATTRIBUTES_REMOVED, &added);
    EXPECT_EQ(onObject.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED, NOTIFY_CUSTOM_ATTRIBUTES_REMOVED));
    EXPECT_EQ(behind.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED, NOTIFY_CUSTOM_ATTRIBUTES_REMOVED));
    // An owner that is not a reference target, or one deleted and kept for undo, hears nothing.
    a->GetObjectRef()->SetAFlag(A_IS_DELETED);
    BroadcastNotification(NOTIFY_CUSTOM_ATTRIBUTES_ADDED, &added);
    a->GetObjectRef()->ClearAFlag(A_IS_DELETED);
    EXPECT_EQ(onObject.TakeOwnMessages(), "");
}

// Each helper forwards a group change only for the nodes its own records mirror, so the record hears it
// once whatever the number of helpers.
TEST_F(HelperForwardingTest, GroupChangesReachTheRecordOnce) {
    OstrivansHelper* second = NewHelperNode(L"Ostrivan02");
    INode* mirrored = b.Box("Mirrored").Build();
    INode* plain = b.Box("Plain").Build();
    auto* rec = new RefNode();
    rec->ReplaceReference(0, mirrored);
    second->AppendRefNode(rec);
    RefWatcher onMirrored(mirrored), onPlain(plain);
    mirrored->SetGroupMember(TRUE);
    plain->SetGroupMember(TRUE);
    EXPECT_EQ(onMirrored.TakeOwnMessages(), Hex(REFMSG_OSTRIVANS_GROUP_CHANGED, 0));
    EXPECT_EQ(onPlain.TakeOwnMessages(), "");
}

// A created, renamed or deleted named selection set is the first one whose name differs from the cached
// list; every record hears its index. A renamed node that a record mirrors passes its new name on.
TEST_F(HelperForwardingTest, SelectionSetChangesAndRenamesReachTheRecords) {
    OstrivansHelper* h = GetHelperModuleState().registry[0];
    INode* wall = b.Box("Wall01").Build();
    auto* rec = new RefNode();
    rec->ReplaceReference(0, wall);
    h->AppendRefNode(rec);
    INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager();
    INodeTab tab;
    tab.Append(wall);
    auto noted = [](RefNode* r) {
        std::string s;
        for (std::int32_t set : r->GetSelectionSets()) s += std::to_string(set) + " ";
        return s;
    };
    // Each set that holds the node is noted once, whatever happens to the set list after.
    sets->AddNewNamedSelSet(tab, L"A");
    EXPECT_EQ(noted(rec), "0 ");
    sets->AddNewNamedSelSet(tab, L"B");
    sets->SetNamedSelSetName(1, L"C");
    sets->RemoveNamedSelSet(L"A");
    EXPECT_EQ(noted(rec), "0 1 ");
    wall->SetName(L"Wall02");
    EXPECT_EQ(rec->GetOverriddenName().ToUTF8() + " " + std::to_string(rec->GetOverrideFlags()), "Wall02 8388610");
    // A batch starts by letting every record note the sets that hold its node (here the one set left).
    INode* post = b.Box("Post01").Build();
    auto* other = new RefNode();
    other->ReplaceReference(0, post);
    h->AppendRefNode(other);
    INodeTab posts;
    posts.Append(post);
    sets->AppendToNamedSelSet(0, posts);
    BatchOpeningStep();
    BatchClosingStep();
    EXPECT_EQ(noted(other), "0 ");
}

} // namespace
