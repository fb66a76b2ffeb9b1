// A record follows the structure of its item: modifiers added and removed renumber the mirrors below them and
// mirror what is new, a replaced controller gets fresh mirrors, a deferred change waits for Collect, and a
// change during a load waits for the end of the operation.
#include "host/core/Hold.h"
#include "host/core/Notify.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/records/RefBase.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

namespace {

class RefBaseStructureTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        box = b.Box("Box01").Build();
        b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
        rec = Record(box);
        rec->CollectMirrors();
    }
    IDerivedObject* Stack() { return static_cast<IDerivedObject*>(box->GetObjectRef()); }
    // The mirror table's lines, less the kind, of every mirror whose path starts with prefix.
    std::vector<std::string> Rows(const std::string& prefix) {
        std::vector<std::string> out;
        std::istringstream table(MirrorTable(rec));
        for (std::string line; std::getline(table, line);)
            if (line.find(' ') != std::string::npos && line.compare(line.find(' ') + 1, prefix.size(), prefix) == 0)
                out.push_back(line.substr(line.find(' ') + 1));
        return out;
    }
    void AddTwistOnTop() {
        Step([&] { b.AddModifier(box, TWIST_MODIFIER_CLASS_ID); });
    }

    INode* box = nullptr;
    RefBase* rec = nullptr;
};

using Lines = std::vector<std::string>;

TEST_F(RefBaseStructureTest, AModifierAddedOnTopMovesTheMirrorsBelowAndIsMirroredAsReplaced) {
    ASSERT_EQ(Rows("Object"), (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
    AddTwistOnTop();
    EXPECT_EQ(Rows("Object"), (Lines{"Object/Bend #4.2", "Object/Bend/Parameters #4.2.2",
                                    "Object/Twist #4.1 state 1", "Object/Twist/Parameters #4.1.2 state 1"}));
    EXPECT_NE(rec->GetStructure()->Dump().find("Twist"), std::string::npos);
    // Undo puts the numbers back; the tree follows.
    theHold.Undo();
    EXPECT_EQ(Rows("Object/Bend"), (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
    EXPECT_EQ(rec->GetStructure()->Dump().find("Twist"), std::string::npos);
}

TEST_F(RefBaseStructureTest, AModifierRemovedMovesTheMirrorsAfterItBack) {
    AddTwistOnTop();
    // Twist is at the top (child 1), Bend below it (child 2).
    Step([&] { Stack()->DeleteModifier(0); });
    const Lines rows = Rows("Object/Bend");
    EXPECT_EQ(rows, (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
    // The removed modifier's mirrors keep their numbers for their own path resolution.
    EXPECT_EQ(Rows("Object/Twist"), (Lines{"Object/Twist #4.1 state 1", "Object/Twist/Parameters #4.1.2 state 1"}));
}

TEST_F(RefBaseStructureTest, AReplacedControllerGetsFreshMirrorsInPlaceOfTheOldOnes) {
    Control* oldTransform = box->GetTMController();
    ASSERT_EQ(Rows("Transform").size(), 10u);
    Control* fresh = NewDefaultMatrix3Controller();
    Step([&] { box->SetTMController(fresh); });
    // The whole transform subtree is mirrored again, as replaced; nothing still stands for the old one.
    const Lines rows = Rows("Transform");
    ASSERT_EQ(rows.size(), 10u);
    for (const std::string& row : rows) EXPECT_EQ(row.substr(row.size() - 8), " state 1") << row;
    EXPECT_EQ(rows[0], "Transform #3 state 1");
    int onFresh = 0;
    for (int i = 0; i < rec->NumMirrors(); ++i)
        if (RefAnim* m = rec->GetMirror(i)) {
            EXPECT_NE(m->GetAnim(), oldTransform);
            onFresh += m->GetAnim() == fresh;
        }
    EXPECT_EQ(onFresh, 1);
}

TEST_F(RefBaseStructureTest, PartValuesDeferOrSilenceTheChange) {
    // The record hears nothing of the new modifier itself.
    rec->DisableRefMsgs();
    AddTwistOnTop();
    rec->EnableRefMsgs();
    box->NotifyDependents(FOREVER, REFBASE_PART_IGNORED, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    EXPECT_FALSE(rec->IsStructureChanged());
    box->NotifyDependents(FOREVER, REFBASE_PART_DEFERRED, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    EXPECT_TRUE(rec->IsStructureChanged());
    EXPECT_EQ(Rows("Object/Bend"), (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
    rec->Collect();
    EXPECT_FALSE(rec->IsStructureChanged());
    EXPECT_EQ(Rows("Object/Bend"), (Lines{"Object/Bend #4.2", "Object/Bend/Parameters #4.2.2"}));
    EXPECT_EQ(Rows("Object/Twist"), (Lines{"Object/Twist #4.1 state 1", "Object/Twist/Parameters #4.1.2 state 1"}));
}

TEST_F(RefBaseStructureTest, AChangeDuringALoadWaitsForTheEndOfTheOperation) {
    const int handlers = NumRegisteredNotifications(NOTIFY_OSTRIVANS_BATCH_CLOSING);
    {
        OperationCodeGuard load(OperationCode::Load);
        AddTwistOnTop();
        box->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
        box->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    }
    EXPECT_TRUE(rec->IsWaiting());
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_OSTRIVANS_BATCH_CLOSING), handlers + 1);
    // Nothing moved: the load re-resolves its mirrors by path.
    EXPECT_EQ(Rows("Object"), (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
    EXPECT_EQ(rec->GetStructure()->Dump().find("Twist"), std::string::npos);

    BroadcastNotification(NOTIFY_OSTRIVANS_BATCH_CLOSING);
    EXPECT_FALSE(rec->IsWaiting());
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_OSTRIVANS_BATCH_CLOSING), handlers);
    EXPECT_NE(rec->GetStructure()->Dump().find("Twist"), std::string::npos);
    EXPECT_EQ(Rows("Object"), (Lines{"Object/Bend #4.1", "Object/Bend/Parameters #4.1.2"}));
}

TEST_F(RefBaseStructureTest, AMirrorAsksItsOwnerForTheItem) {
    RefAnim* m = rec->GetMirror(0);
    ASSERT_NE(m, nullptr);
    ReferenceTarget* answer = nullptr;
    m->NotifyDependents(FOREVER, reinterpret_cast<PartID>(&answer), REFMSG_OSTRIVANS_GET_OWNER_ITEM);
    EXPECT_EQ(answer, box);
}

} // namespace
