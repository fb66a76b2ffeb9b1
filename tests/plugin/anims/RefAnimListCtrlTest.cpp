// List controller mirrors: the user's rename, deletion, addition and active item come back on the freshly
// merged list, the tables follow undo and redo, and a scene file gives them back.
#include "host/core/Hold.h"
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
    return static_cast<Control*>(CreateInstance(CTRL_POSITION_CLASS_ID, BEZIER_POSITION_CLASS_ID));
}
IListControl* ListIn(Animatable* c) {
    return c ? static_cast<IListControl*>(c->GetInterface(LIST_CONTROLLER_INTERFACE)) : nullptr;
}

// "A,B,C active 1".
std::string Items(IListControl* l) {
    std::string s;
    for (int i = 0; i < l->GetListCount(); ++i) s += (i ? "," : "") + l->GetName(i).ToUTF8();
    return s + " active " + std::to_string(l->GetActive());
}

// The tables without the controllers' identities, which differ between runs; from "renamed:" on when the
// snapshot is left out.
std::string TablesText(const RefAnimListCtrl& m, bool snapshot = true) {
    const RefAnimListCtrl::Tables& t = m.GetTables();
    const auto n = [](auto v) { return std::to_string(v); };
    std::string s = snapshot ? "monitored:" : "";
    for (const auto& r : t.monitored)
        if (snapshot) s += " " + r.name.ToUTF8() + "(" + n(r.index) + "," + n(r.added) + "," + n(r.renamed) + ")";
    s += " renamed:";
    for (const auto& r : t.renamed) s += " " + r.former.ToUTF8() + "(" + n(r.index) + ")->" + r.name.ToUTF8();
    s += " deleted:";
    for (const auto& r : t.deleted) s += " " + r.name.ToUTF8() + "(" + n(r.index) + ")";
    s += " added:";
    for (const auto& r : t.added) s += " " + r.name.ToUTF8() + "(" + n(r.index) + ")";
    return s + " active " + m.GetActiveName().ToUTF8() + "(" + n(m.GetActiveIndex()) + ")";
}

class RefAnimListCtrlTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        SetCurrentOperation(OperationCode::None);
    }
    void TearDown() override {
        if (rec) rec->ClearAFlag(A_LOCK_TARGET), rec->MaybeAutoDelete(), rec = nullptr;
        SceneFixture::TearDown();
    }
    // Item01 whose position is a list of items of these names, the first active.
    MSTR WriteFile(const std::string& stem, std::vector<const MCHAR*> names) {
        auto* list = static_cast<Control*>(CreateInstance(CTRL_POSITION_CLASS_ID, POSITION_LIST_CLASS_ID));
        for (const MCHAR* n : names) ListIn(list)->AppendItem(NewPosition(), n);
        ListIn(list)->SetActive(0);
        b.Box("Item01").Build()->GetTMController()->SetPositionController(list);
        const MSTR path = dir_.File(stem + ".max");
        EXPECT_TRUE(GetCOREInterface()->SaveToFile(path.c_str(), false, false));
        GetCOREInterface()->FileReset(TRUE);
        return path;
    }
    // The file merged; the newest Item01's list.
    static INode* Merge(const MSTR& path) {
        EXPECT_EQ(GetCOREInterface()->MergeFromFile(path.c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE), 1);
        INode* found = nullptr;
        INode* root = GetCOREInterface()->GetRootNode();
        for (int i = 0; i < root->NumberOfChildren(); ++i)
            if (WStr(root->GetChildNode(i)->GetName()) == L"Item01") found = root->GetChildNode(i);
        return found;
    }
    static IListControl* ListOf(INode* n) { return ListIn(n->GetTMController()->GetPositionController()); }
    IListControl* Load(const MSTR& path) {
        rec = new RefNode(Merge(path), nullptr);
        rec->SetAFlag(A_LOCK_TARGET);
        return ListOf(rec->GetNode());
    }
    // As a reload does it: the record collects, the host merges, the record moves to the fresh node.
    IListControl* Reload(const MSTR& path) {
        rec->Collect();
        INode* fresh = Merge(path);
        OperationCodeGuard load(OperationCode::Load);
        rec->Update(fresh);
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

// Each change survives a merge of a file that renamed "B" to "Bee" and gained "C"; undo gives back the
// tables before the change (renames and the active item mark the mirror without an undo record of the
// flag; the active item keeps no table record), redo the tables after it.
TEST_F(RefAnimListCtrlTest, EachChangeSurvivesTheMergeAndFollowsUndo) {
    struct Row {
        std::string what;
        std::function<void(IListControl*)> change;
        const char* afterChange;
        const char* afterMerge;
    };
    const Row rows[] = {
        {"rename", [](IListControl* l) { l->SetName(0, L"Mine"); }, "Mine,B active 0", "Mine,Bee,C active 0"},
        {"delete", [](IListControl* l) { l->DeleteItem(0); }, "B active 0", "Bee,C active 0"},
        {"add", [](IListControl* l) { l->AppendItem(NewPosition(), L"New"); }, "A,B,New active 0",
         "A,Bee,C,New active 0"},
        {"active", [](IListControl* l) { l->SetActive(1); }, "A,B active 1", "A,Bee,C active 1"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        const MSTR v2 = WriteFile("v2" + row.what, {L"A", L"Bee", L"C"});
        IListControl* list = Load(WriteFile("v1" + row.what, {L"A", L"B"}));
        RefAnimListCtrl* m = Mirror();
        ASSERT_TRUE(list && m);
        const std::string before = TablesText(*m);
        Step([&] { row.change(list); });
        EXPECT_EQ(Items(list), row.afterChange);
        const std::string changed = TablesText(*m);
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(TablesText(*m), row.what == "active" ? changed : before);
        EXPECT_EQ(m->IsOverridden(REFANIM_MODIFIED), row.what == "active" || row.what == "rename");
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(TablesText(*m), changed);
        EXPECT_EQ(Items(Reload(v2)), row.afterMerge);
        TearDown();
        SetUp();
    }
}

// One rename record per item; an added item renamed or deleted leaves no rename or deletion behind; two
// items added under one message make the whole list the user's.
TEST_F(RefAnimListCtrlTest, TablesRecordEachItemOnce) {
    const auto twoAtOnce = [this](IListControl* l) {
        Mirror()->DisableRefMsgs();
        l->AppendItem(NewPosition(), L"X"), l->AppendItem(NewPosition(), L"Y");
        Mirror()->EnableRefMsgs();
        static_cast<Control*>(Mirror()->GetAnim())
            ->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    };
    const std::pair<std::function<void(IListControl*)>, const char*> rows[] = {
        {[](IListControl* l) { l->SetName(1, L"X"), l->SetName(1, L"Y"); },
         "A(0,-1,-1) Y(1,-1,0) renamed: B(1)->Y deleted: added:"},
        {[](IListControl* l) { l->AppendItem(NewPosition(), L"N"), l->SetName(2, L"M"); },
         "A(0,-1,-1) B(1,-1,-1) M(-1,0,-1) renamed: deleted: added: M(-1)"},
        {[](IListControl* l) { l->AppendItem(NewPosition(), L"N"), l->DeleteItem(2); },
         "A(0,-1,-1) B(1,-1,-1) renamed: deleted: added:"},
        {[](IListControl* l) { l->SetName(0, L"X"), l->DeleteItem(0); }, "B(1,-1,-1) renamed: deleted: X(0) added:"},
        {twoAtOnce, "A(0,-1,-1) B(1,-1,-1) renamed: deleted: added: replaced"},
    };
    for (const auto& [change, tables] : rows) {
        SCOPED_TRACE(tables);
        IListControl* list = Load(WriteFile("edge", {L"A", L"B"}));
        Step([&] { change(list); });
        const std::string t = TablesText(*Mirror());
        EXPECT_EQ(t.substr(11, t.find(" active") - 11) + (Mirror()->IsOverridden(REFANIM_REPLACED) ? " replaced" : ""),
                  tables);
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

// A scene file gives back the tables and the controller the user added, held by the mirror.
TEST_F(RefAnimListCtrlTest, TablesAndAddedControllersComeBackFromASceneFile) {
    IListControl* list = Load(WriteFile("scene", {L"A", L"B"}));
    Step([&] { list->SetName(1, L"Mine"), list->AppendItem(NewPosition(), L"New"); });
    const std::string before = TablesText(*Mirror(), false);
    // Used outside the referenced content, the list is saved with its mirror.
    Mirror()->SetOverriddenFlag(REFANIM_LOCDEP, true, false);
    NewRefHolderNode(L"Holder", 1)->ReplaceReference(0, Mirror());
    SaveAndReopen("ostrivans-listctrl-scene");
    auto* back =
        dynamic_cast<RefAnimListCtrl*>(GetCOREInterface()->GetINodeByName(L"Holder")->GetObjectRef()->GetReference(0));
    ASSERT_TRUE(back);
    EXPECT_EQ(TablesText(*back, false), before);
    ASSERT_EQ(back->GetTables().added.size(), 1u);
    EXPECT_TRUE(back->GetTables().added[0].ctrl && back->GetReference(2) == back->GetTables().added[0].ctrl);
    // The loaded snapshot stands for the items as they are: one more rename records that item only.
    ASSERT_TRUE(ListIn(back->GetAnim()));
    Step([&] { ListIn(back->GetAnim())->SetName(0, L"Other"); });
    const std::string after = TablesText(*back, false);
    EXPECT_EQ(after.substr(0, after.find(" deleted")), " renamed: B(1)->Mine A(0)->Other");
}

} // namespace
