// Named selection sets: names, the sets' notifications, undo of every edit, reset.
#include "host/core/Hold.h"
#include "host/core/Notify.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/NamedSelectionSets.h"
#include "tests/support/HostChecks.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <memory>
#include <sstream>

namespace {

class SelectionSetTest : public ::testing::Test {
protected:
    void SetUp() override { theHold.ResetForTests(); }
    void TearDown() override { theHold.ResetForTests(); }

    std::string Dump() const {
        std::ostringstream os;
        DumpNamedSelSets(sets.get(), os);
        return os.str();
    }

    std::unique_ptr<INamedSelectionSetManager> sets{NewNamedSelectionSetManager()};
    NotificationRecorder rec{NOTIFY_NAMED_SEL_SET_CREATED, NOTIFY_NAMED_SEL_SET_DELETED,
                             NOTIFY_NAMED_SEL_SET_RENAMED, NOTIFY_NAMED_SEL_SET_PRE_MODIFY,
                             NOTIFY_NAMED_SEL_SET_POST_MODIFY};
};

// The names the set notifications carry, copied while they are valid (during the broadcast).
struct NameLog {
    NameLog() {
        for (int code : {NOTIFY_NAMED_SEL_SET_CREATED, NOTIFY_NAMED_SEL_SET_DELETED, NOTIFY_NAMED_SEL_SET_RENAMED})
            RegisterNotification(&NameLog::Proc, this, code);
    }
    ~NameLog() { UnRegisterNotification(&NameLog::Proc, this); }
    static void Proc(void* p, NotifyInfo* info) {
        auto* self = static_cast<NameLog*>(p);
        if (info->intcode == NOTIFY_NAMED_SEL_SET_RENAMED) {
            auto* c = static_cast<NameChange*>(info->callParam);
            self->names.push_back(WStr(c->oldname).ToUTF8() + "->" + WStr(c->newname).ToUTF8() +
                                  (c->node ? " node" : ""));
        } else {
            self->names.push_back(WStr(static_cast<const MCHAR*>(info->callParam)).ToUTF8());
        }
    }
    std::vector<std::string> names;
};

} // namespace

// Duplicate and empty names are refused and names are exact; a rename keeps the set's index, a removal
// moves the later ones up. Each change is broadcast with the names it concerns.
TEST_F(SelectionSetTest, CreateRenameDeleteBroadcastAndKeepTheNameIndex) {
    NameLog log;
    INodeTab none;
    auto state = [&](std::initializer_list<BOOL> results) {
        std::string s;
        for (BOOL r : results) s += r ? "yes " : "no ";
        for (const MCHAR* name : {L"Walls", L"Roof", L"roof", L"Facade"})
            s += std::to_string(sets->FindNamedSelSet(name)) + " ";
        return s + sets->GetNamedSelSetName(0).ToUTF8() + "|" + sets->GetNamedSelSetName(5).ToUTF8() + "\n" + Dump();
    };
    EXPECT_EQ(state({sets->AddNewNamedSelSet(none, L"Walls"), sets->AddNewNamedSelSet(none, L"Roof"),
                     sets->AddNewNamedSelSet(none, L"Walls"), sets->AddNewNamedSelSet(none, L"")}),
              "yes yes no no 0 1 -1 -1 Walls|\nNamedSelSets count 2\n  [0] \"Walls\":\n  [1] \"Roof\":\n");
    EXPECT_EQ(state({sets->SetNamedSelSetName(0, L"Roof"), sets->SetNamedSelSetName(0, L"Facade")}),
              "no yes -1 1 -1 0 Facade|\nNamedSelSets count 2\n  [0] \"Facade\":\n  [1] \"Roof\":\n");
    EXPECT_EQ(state({sets->RemoveNamedSelSet(L"Facade"), sets->RemoveNamedSelSet(L"Facade")}),
              "yes no -1 0 -1 -1 Roof|\nNamedSelSets count 1\n  [0] \"Roof\":\n");
    EXPECT_EQ(rec.Text(), "NOTIFY_NAMED_SEL_SET_CREATED, NOTIFY_NAMED_SEL_SET_CREATED, NOTIFY_NAMED_SEL_SET_RENAMED, "
                          "NOTIFY_NAMED_SEL_SET_DELETED");
    EXPECT_EQ(log.names, (std::vector<std::string>{"Walls", "Roof", "Walls->Facade", "Facade"}));
}

TEST_F(SelectionSetTest, EveryEditUndoesToTheExactListAndSaysSoUntilAReset) {
    INodeTab none;
    sets->AddNewNamedSelSet(none, L"A");
    const std::string before = Dump();
    theHold.Begin();
    sets->AddNewNamedSelSet(none, L"B");
    sets->AddNewNamedSelSet(none, L"C");
    sets->SetNamedSelSetName(0, L"A2");
    sets->RemoveNamedSelSet(L"B");
    theHold.Accept(L"Sets");
    const std::string after = Dump();
    EXPECT_EQ(after, "NamedSelSets count 2\n  [0] \"A2\":\n  [1] \"C\":\n");

    rec.Clear();
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(sets->FindNamedSelSet(L"A"), 0);
    EXPECT_EQ(sets->FindNamedSelSet(L"B"), -1);
    // The handlers that cache set names hear undo like any other change.
    EXPECT_EQ(rec.Text(), "NOTIFY_NAMED_SEL_SET_CREATED, NOTIFY_NAMED_SEL_SET_RENAMED, NOTIFY_NAMED_SEL_SET_DELETED, "
                          "NOTIFY_NAMED_SEL_SET_DELETED");
    ASSERT_TRUE(theHold.Redo());
    EXPECT_EQ(Dump(), after);
    EXPECT_EQ(sets->FindNamedSelSet(L"C"), 1);

    // A reset drops the sets and disarms the steps of the old scene.
    sets->Reset();
    EXPECT_EQ(sets->GetNumNamedSelSets(), 0);
    sets->AddNewNamedSelSet(none, L"Fresh");
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(), "NamedSelSets count 1\n  [0] \"Fresh\":\n");
}

// Sets of real scene nodes: order, uniqueness, and nodes that are deleted and brought back.
namespace {

class SelectionSetNodeTest : public SceneFixture {
protected:
    static INamedSelectionSetManager* Sets() { return GetCOREInterface()->GetNamedSelectionSetManager(); }
    static std::string SetsDump() {
        std::ostringstream os;
        DumpNamedSelSets(Sets(), os);
        return os.str();
    }
};

} // namespace

TEST_F(SelectionSetNodeTest, MembersKeepTheirOrderOnceEachAndEveryEditUndoes) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    INode* d = b.Box("D").Build();
    NotificationRecorder modify({NOTIFY_NAMED_SEL_SET_PRE_MODIFY, NOTIFY_NAMED_SEL_SET_POST_MODIFY});
    INodeTab first{a, c, a};
    ASSERT_TRUE(Sets()->AddNewNamedSelSet(first, L"Walls"));
    EXPECT_EQ(Sets()->GetNamedSelSetItemCount(0), 2);
    EXPECT_EQ(Sets()->GetNamedSelSetItem(0, 1), c);
    EXPECT_EQ(Sets()->GetNamedSelSetItem(0, 2), nullptr);
    INodeTab more{d, a};
    ExpectUndoRedoExact(SetsDump, [&] { Sets()->AppendToNamedSelSet(0, more); }, "append");
    EXPECT_EQ(SetsDump(), "NamedSelSets count 1\n  [0] \"Walls\": \"A\", \"C\", \"D\"\n");
    // The edit, its undo and its redo are each bracketed by the modify pair.
    EXPECT_EQ(modify.Count(NOTIFY_NAMED_SEL_SET_PRE_MODIFY), 3);
    EXPECT_EQ(modify.Text().rfind("NOTIFY_NAMED_SEL_SET_PRE_MODIFY, NOTIFY_NAMED_SEL_SET_POST_MODIFY", 0), 0u);
    INodeTab only{d};
    ExpectUndoRedoExact(SetsDump, [&] { Sets()->ReplaceNamedSelSet(only, 0); }, "replace");
    EXPECT_EQ(SetsDump(), "NamedSelSets count 1\n  [0] \"Walls\": \"D\"\n");
}

TEST_F(SelectionSetNodeTest, ADeletedNodeLeavesEverySetAndReturnsToItsPlaceOnUndo) {
    INode* a = b.Box("A").Build();
    INode* c = b.Box("C").Build();
    INode* d = b.Box("D").Build();
    INodeTab all{a, c, d};
    INodeTab one{c};
    Sets()->AddNewNamedSelSet(all, L"All");
    Sets()->AddNewNamedSelSet(one, L"One");
    // Undone, C is back between A and D, and in One.
    ExpectUndoRedoExact(SetsDump, [&] { GetCOREInterface()->DeleteNode(c); });
    EXPECT_EQ(SetsDump(), "NamedSelSets count 2\n  [0] \"All\": \"A\", \"D\"\n  [1] \"One\":\n");

    // The host may also tell the sets itself; a second time changes nothing.
    Sets()->RemoveNode(a);
    Sets()->RemoveNode(a);
    EXPECT_EQ(Sets()->GetNamedSelSetItemCount(0), 1);
    EXPECT_EQ(Sets()->GetNamedSelSetItem(0, 0), d);
}
