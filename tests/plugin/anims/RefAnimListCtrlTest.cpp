// List controller mirrors: the user's rename, deletion, addition and active item come back on the freshly
// merged list, the tables follow undo and redo, and the chunks give the tables back.
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "plugin/anims/RefAnimControllerKinds.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

Control* NewPosition() {
    return static_cast<Control*>(static_cast<Animatable*>(CreateInstance(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID)));
}

IListControl* ListOf(INode* node) {
    Control* pos = node->GetTMController()->GetPositionController();
    return pos ? static_cast<IListControl*>(pos->GetInterface(LIST_CONTROLLER_INTERFACE)) : nullptr;
}

// "A,B,C active 1".
std::string Items(IListControl* l) {
    std::string s;
    for (int i = 0; i < l->GetListCount(); ++i) s += (i ? "," : "") + l->GetName(i).ToUTF8();
    return s + " active " + std::to_string(l->GetActive());
}

// The four tables without the controllers' identities, which differ between runs.
std::string TablesText(const RefAnimListCtrl& m) {
    const RefAnimListCtrl::Tables& t = m.GetTables();
    std::string s = "monitored:";
    for (const auto& r : t.monitored)
        s += " " + r.name.ToUTF8() + "(" + std::to_string(r.index) + "," + std::to_string(r.added) + "," + std::to_string(r.renamed) + ")";
    s += " renamed:";
    for (const auto& r : t.renamed) s += " " + r.former.ToUTF8() + "(" + std::to_string(r.index) + ")->" + r.name.ToUTF8();
    s += " deleted:";
    for (const auto& r : t.deleted) s += " " + r.name.ToUTF8() + "(" + std::to_string(r.index) + ")";
    s += " added:";
    for (const auto& r : t.added) s += " " + r.name.ToUTF8() + "(" + std::to_string(r.index) + ")";
    return s + " active " + m.GetActiveName().ToUTF8() + "(" + std::to_string(m.GetActiveIndex()) + ")";
}

class RefAnimListCtrlTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        SetCurrentOperation(OperationCode::None);
    }
    void TearDown() override {
        if (rec) {
            rec->ClearAFlag(A_LOCK_TARGET);
            rec->MaybeAutoDelete();
            rec = nullptr;
        }
        SetCurrentOperation(OperationCode::None);
        SceneFixture::TearDown();
    }
    // Item01 whose position is a list of items named by names, the first active.
    MSTR WriteFile(const std::string& stem, std::vector<const MCHAR*> names) {
        INode* item = b.Box("Item01").Build();
        auto* list = static_cast<Control*>(static_cast<Animatable*>(CreateInstance(CTRL_POSITION_CLASS_ID, POSITION_LIST_CLASS_ID)));
        auto* l = static_cast<IListControl*>(list->GetInterface(LIST_CONTROLLER_INTERFACE));
        for (const MCHAR* n : names) l->AppendItem(NewPosition(), n);
        l->SetActive(0);
        item->GetTMController()->SetPositionController(list);
        const MSTR path = dir_.File(stem + ".max");
        EXPECT_TRUE(GetCOREInterface()->SaveToFile(path.c_str(), false, false));
        GetCOREInterface()->FileReset(TRUE);
        return path;
    }
    static void Merge(const MSTR& path) {
        EXPECT_EQ(GetCOREInterface()->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr,
                                                    MERGE_DUP_MTL_RENAME),
                  1);
    }
    static INode* Newest() {
        INode* found = nullptr;
        INode* root = GetCOREInterface()->GetRootNode();
        for (int i = 0; i < root->NumberOfChildren(); ++i)
            if (WStr(root->GetChildNode(i)->GetName()) == L"Item01") found = root->GetChildNode(i);
        return found;
    }
    IListControl* Load(const MSTR& path) {
        Merge(path);
        rec = new RefNode(Newest(), nullptr);
        rec->SetAFlag(A_LOCK_TARGET);
        return ListOf(rec->GetNode());
    }
    IListControl* Reload(const MSTR& path) {
        rec->Collect();
        Merge(path);
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(Newest());
        rec->FinishUpdate();
        return ListOf(rec->GetNode());
    }
    RefAnimListCtrl* Mirror() {
        for (int i = 0; rec && i < rec->NumMirrors(); ++i)
            if (auto* m = dynamic_cast<RefAnimListCtrl*>(rec->GetMirror(i))) return m;
        return nullptr;
    }

    RefNode* rec = nullptr;
    ScratchDir dir_{"ostrivans-listctrl"};
};

// Each change of the user's survives a merge of a file that gained an item "C" and renamed "B" to "Bee";
// the tables survive the chunks, and undo gives back the tables before the change.
TEST_F(RefAnimListCtrlTest, EachChangeSurvivesTheMergeAndTheChunks) {
    struct Row {
        const char* what;
        std::function<void(IListControl*)> change;
        const char* afterChange;
        const char* afterMerge;
    };
    const Row rows[] = {
        {"rename", [](IListControl* l) { l->SetName(0, L"Mine"); }, "Mine,B active 0", "Mine,Bee,C active 0"},
        {"delete", [](IListControl* l) { l->DeleteItem(0); }, "B active 0", "Bee,C active 0"},
        {"add", [](IListControl* l) { l->AppendItem(NewPosition(), L"New"); }, "A,B,New active 0", "A,Bee,C,New active 0"},
        {"active", [](IListControl* l) { l->SetActive(1); }, "A,B active 1", "A,Bee,C active 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const MSTR v1 = WriteFile(std::string("v1") + row.what, {L"A", L"B"});
        const MSTR v2 = WriteFile(std::string("v2") + row.what, {L"A", L"Bee", L"C"});
        IListControl* list = Load(v1);
        ASSERT_TRUE(list);
        RefAnimListCtrl* m = Mirror();
        ASSERT_TRUE(m);
        const std::string before = TablesText(*m);
        Step([&] { row.change(list); });
        EXPECT_EQ(Items(list), row.afterChange);
        EXPECT_TRUE(m->IsOverridden(REFANIM_MODIFIED));
        const std::string changed = TablesText(*m);
        // Renames and the active item mark the mirror without an undo record of the flag; the active item
        // keeps no table record either.
        ASSERT_TRUE(theHold.Undo());
        const bool activeOnly = std::string(row.what) == "active";
        EXPECT_EQ(TablesText(*m), activeOnly ? changed : before);
        EXPECT_EQ(m->IsOverridden(REFANIM_MODIFIED), activeOnly || std::string(row.what) == "rename");
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(TablesText(*m), changed);
        RefAnimListCtrl back(TRUE);
        ChunkSave saved;
        ASSERT_EQ(m->Save(&saved), IO_OK);
        ASSERT_EQ(saved.Commit(), IO_OK);
        ChunkLoad load(saved.Bytes());
        ASSERT_EQ(back.Load(&load), IO_OK);
        EXPECT_EQ(TablesText(back).substr(TablesText(back).find(" renamed:")), changed.substr(changed.find(" renamed:")));
        EXPECT_EQ(Items(Reload(v2)), row.afterMerge);
        TearDown();
        SetUp();
    }
}

// The edge cases of the tables: one rename record per item, an added item renamed or deleted leaves no
// rename or deletion behind, and two items at once make the list the user's as a whole.
TEST_F(RefAnimListCtrlTest, TablesRecordEachItemOnce) {
    struct Row {
        const char* what;
        std::function<void(IListControl*)> change;
        const char* tables;
    };
    const Row rows[] = {
        {"rename twice", [](IListControl* l) { l->SetName(1, L"X"); l->SetName(1, L"Y"); },
         "monitored: A(0,-1,-1) Y(1,-1,0) renamed: B(1)->Y deleted: added:"},
        {"rename added", [](IListControl* l) { l->AppendItem(NewPosition(), L"N"); l->SetName(2, L"M"); },
         "monitored: A(0,-1,-1) B(1,-1,-1) M(-1,0,-1) renamed: deleted: added: M(-1)"},
        {"delete added", [](IListControl* l) { l->AppendItem(NewPosition(), L"N"); l->DeleteItem(2); },
         "monitored: A(0,-1,-1) B(1,-1,-1) renamed: deleted: added:"},
        {"delete renamed", [](IListControl* l) { l->SetName(0, L"X"); l->DeleteItem(0); },
         "monitored: B(1,-1,-1) renamed: deleted: X(0) added:"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        IListControl* list = Load(WriteFile(std::string("e") + row.what, {L"A", L"B"}));
        Step([&] { row.change(list); });
        const std::string t = TablesText(*Mirror());
        EXPECT_EQ(t.substr(0, t.find(" active")), row.tables);
        EXPECT_FALSE(Mirror()->IsOverridden(REFANIM_REPLACED));
        TearDown();
        SetUp();
    }
}

// A rename whose item moved in the file is not applied.
TEST_F(RefAnimListCtrlTest, RenamesOfItemsThatMovedInTheFileAreSkipped) {
    const MSTR v2 = WriteFile("moved2", {L"B", L"A"});
    IListControl* list = Load(WriteFile("moved1", {L"A", L"B"}));
    Step([&] { list->SetName(0, L"Mine"); });
    EXPECT_EQ(Items(Reload(v2)), "B,A active 0");
}

// Two items added under one message: the list is the user's as a whole.
TEST_F(RefAnimListCtrlTest, TwoItemsAtOnceReplaceTheList) {
    IListControl* list = Load(WriteFile("bulk", {L"A", L"B"}));
    RefAnimListCtrl* m = Mirror();
    m->DisableRefMsgs();
    list->AppendItem(NewPosition(), L"X");
    list->AppendItem(NewPosition(), L"Y");
    m->EnableRefMsgs();
    static_cast<Control*>(m->GetAnim())->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    EXPECT_TRUE(m->IsOverridden(REFANIM_REPLACED));
    EXPECT_TRUE(m->GetTables().added.empty());
}

// A scene file gives back the tables and the controller the user added, held by the mirror.
TEST_F(RefAnimListCtrlTest, TablesAndAddedControllersComeBackFromASceneFile) {
    IListControl* list = Load(WriteFile("scene", {L"A", L"B"}));
    Step([&] {
        list->SetName(1, L"Mine");
        list->AppendItem(NewPosition(), L"New");
    });
    const std::string before = TablesText(*Mirror());
    NewRefHolderNode(L"Holder", 1)->ReplaceReference(0, Mirror());
    SaveAndReopen("ostrivans-listctrl-scene");
    INode* holder = GetCOREInterface()->GetINodeByName(L"Holder");
    ASSERT_TRUE(holder);
    auto* back = dynamic_cast<RefAnimListCtrl*>(holder->GetObjectRef()->GetReference(0));
    ASSERT_TRUE(back);
    EXPECT_EQ(TablesText(*back).substr(TablesText(*back).find(" renamed:")), before.substr(before.find(" renamed:")));
    ASSERT_EQ(back->GetTables().added.size(), 1u);
    EXPECT_TRUE(back->GetTables().added[0].ctrl);
    EXPECT_EQ(back->GetReference(2), back->GetTables().added[0].ctrl);
}

} // namespace
