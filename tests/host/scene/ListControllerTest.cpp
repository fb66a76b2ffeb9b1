// List controllers: the list interface, its messages, undo of every edit, weights and persistence.
#include "host/core/AnimGraphDump.h"
#include "host/scene/controllers/ListControl.h"
#include "host/scene/controllers/PRSControl.h"
#include "host/scene/controllers/ValueControl.h"
#include "tests/host/scene/ControllerTestSupport.h"

namespace {

class Lists : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControllerClasses();
        list = new FloatList();
        owner = g.Maker("Owner", 1);
        g.Link(owner, 0, list);
        a = BezierFloat::Create(1.0f);
        b = BezierFloat::Create(10.0f);
        c = BezierFloat::Create(100.0f);
        il()->AppendItem(a, L"A");
        il()->AppendItem(b, L"B");
        il()->AppendItem(c, L"C");
        g.heard.clear();
    }
    IListControl* il() { return static_cast<IListControl*>(list->GetInterface(LIST_CONTROLLER_INTERFACE)); }
    float Value(TimeValue t = 0) {
        float v = 0;
        Interval iv = FOREVER;
        list->GetValue(t, &v, iv);
        return v;
    }
    std::vector<std::wstring> Names() {
        std::vector<std::wstring> n;
        for (int i = 0; i < il()->GetListCount(); ++i) n.push_back(il()->GetName(i).str());
        return n;
    }
    // Everything an undo must give back: the list's line and the reference graph below the owner.
    std::string State() {
        AnimGraphDump::Options o;
        o.dependents = false;
        return Dump(list) + "\n" + AnimGraphDump::Dump(owner, o).ToUTF8();
    }
    void CheckUndoRedo(const std::function<void()>& edit, RefMessage message) {
        ExpectUndoRedoWithMessage(g, owner, [&] { return State(); }, edit, message);
    }

    GraphBuilder g;
    FloatList* list = nullptr;
    TestMaker* owner = nullptr;
    BezierFloat *a = nullptr, *b = nullptr, *c = nullptr;
};

TEST_F(Lists, TheInterfaceTheLayoutAndTheWeightedSum) {
    ASSERT_NE(il(), nullptr);
    EXPECT_EQ(il()->GetID(), LIST_CONTROLLER_INTERFACE);
    EXPECT_EQ(il()->GetListCount(), 3);
    EXPECT_EQ(il()->GetActive(), 0);
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(il()->GetSubCtrl(1), b);
    EXPECT_EQ(il()->GetSubCtrl(3), nullptr);
    // Items, then the weights as the last sub-animatable.
    ASSERT_EQ(list->NumSubs(), 4);
    EXPECT_EQ(list->SubAnim(3), list->GetWeights());
    EXPECT_EQ(list->SubAnimName(3), L"Weights");
    EXPECT_EQ(list->SubAnimName(1), L"B");
    EXPECT_EQ(list->GetReference(list->SubNumToRefNum(2)), c);
    EXPECT_EQ(list->GetReference(list->SubNumToRefNum(3)), list->GetWeights());
    EXPECT_FLOAT_EQ(Value(), 111.0f);
    il()->SetSubCtrlWeight(1, 0.5f);
    EXPECT_FLOAT_EQ(Value(), 106.0f);
    EXPECT_EQ(CountHeard(g, REFMSG_CHANGE), 1); // from the weights, through the list
    // The weights controller's value is the active item's weight; setting it goes there.
    il()->SetActive(1);
    float w = 0;
    Interval iv = FOREVER;
    list->GetWeights()->GetValue(0, &w, iv);
    EXPECT_EQ(w, 0.5f);
    // SetValue reaches the active item only.
    float v = 20.0f;
    list->SetValue(0, &v);
    EXPECT_FLOAT_EQ(Value(), 111.0f);
}

TEST_F(Lists, EditsSendTheirMessagesToTheListsDependentsOnly) {
    // A transform above a position list: structure and name messages stay with the list's own
    // dependents, value changes go all the way up.
    auto* prs = new PRSControl();
    TestMaker* top = g.Maker("Top", 1);
    g.Link(top, 0, prs);
    auto* pl = new PositionList();
    ASSERT_TRUE(prs->SetPositionController(pl));
    TestMaker* near = g.Maker("Near", 1);
    g.Link(near, 0, pl);
    g.heard.clear();
    pl->AppendItem(new BezierPosition(), L"Base");
    pl->AppendItem(new BezierPosition(), L"Layer");
    EXPECT_EQ(g.Heard(), (std::vector<std::string>{"Near<-(Position List):0x102", "Near<-(Position List):0x102"}));
    g.heard.clear();
    pl->SetName(1, L"Walk");
    EXPECT_EQ(g.Heard(), std::vector<std::string>{"Near<-(Position List):0xf7"});
    g.heard.clear();
    pl->SetActive(1);
    EXPECT_EQ(g.Heard(), (std::vector<std::string>{"Top<-(Position/Rotation/Scale):0x50", "Near<-(Position List):0x50"}));
    for (const HeardMessage& h : g.heard) EXPECT_EQ(h.part, 0u) << h.receiver;
    // Setting the active item it already has is no edit.
    g.heard.clear();
    pl->SetActive(1);
    pl->SetActive(5);
    pl->SetName(1, L"Walk");
    EXPECT_TRUE(g.heard.empty());
}

// Every edit of a list is one undo step: undo and redo give back the exact list and the graph below it,
// each with one message of the edit's kind, sent once the whole edit is back in place.
TEST_F(Lists, EveryEditUndoesExactlyWithItsMessage) {
    struct Row {
        const char* name;
        RefMessage message;
        std::function<void()> edit;
    };
    const AnimHandle hb = Animatable::GetHandleByAnim(b);
    il()->SetActive(2);
    BezierFloat* appended = nullptr;
    const Row rows[] = {
        {"delete", REFMSG_SUBANIM_STRUCTURE_CHANGED, [&] { il()->DeleteItem(1); }},
        {"append", REFMSG_SUBANIM_STRUCTURE_CHANGED, [&] { il()->AppendItem(appended = BezierFloat::Create(5.0f), L""); }},
        {"rename", REFMSG_NODE_NAMECHANGE, [&] { il()->SetName(1, L"Cee"); }},
        {"active", REFMSG_CHANGE, [&] { il()->SetActive(0); }},
        {"weight", REFMSG_CHANGE, [&] { il()->SetSubCtrlWeight(1, 3.0f); }},
        {"replace", REFMSG_SUBANIM_STRUCTURE_CHANGED, [&] { EXPECT_TRUE(list->AssignController(BezierFloat::Create(-1.0f), 0)); }},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        CheckUndoRedo(r.edit, r.message);
    }
    // After the redo of the delete, B had gone for good from the list; undone, it comes back alive.
    EXPECT_EQ(il()->GetName(il()->GetListCount() - 1), L"Bezier Float"); // an empty name takes the class name
    for (size_t i = 0; i < std::size(rows); ++i) ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Animatable::GetAnimByHandle(hb), b);
    EXPECT_FALSE(b->TestAFlag(A_IS_DELETED));
    EXPECT_EQ(Names(), (std::vector<std::wstring>{L"A", L"B", L"C"}));
    EXPECT_EQ(il()->GetActive(), 2);
    EXPECT_FLOAT_EQ(Value(), 111.0f);
    appended->MaybeAutoDelete(); // its append undone, the list no longer holds it
}

// The active item's deletion makes its successor active; an item held elsewhere survives its deletion.
TEST_F(Lists, DeletingTheActiveItemMovesTheActiveToItsSuccessor) {
    TestMaker* other = g.Maker("Other", 1);
    g.Link(other, 0, b);
    il()->SetActive(2);
    il()->DeleteItem(2);
    EXPECT_EQ(il()->GetActive(), 1);
    il()->SetActive(0);
    il()->DeleteItem(0);
    EXPECT_EQ(il()->GetActive(), 0);
    il()->DeleteItem(0);
    EXPECT_EQ(il()->GetActive(), -1);
    EXPECT_EQ(list->NumSubs(), 1);
    EXPECT_EQ(Value(), 0.0f);
    EXPECT_FALSE(b->TestAFlag(A_IS_DELETED));
    EXPECT_EQ(DependentNames(b), std::vector<std::string>{"Other"});
}

TEST_F(Lists, WhatAListRefuses) {
    // A replaced item keeps its name; only an item's slot takes a controller, and only one of the list's type.
    auto* d = BezierFloat::Create(-1.0f);
    EXPECT_TRUE(list->AssignController(d, 1));
    EXPECT_EQ(il()->GetSubCtrl(1), d);
    EXPECT_EQ(il()->GetName(1), L"B");
    auto* other = BezierFloat::Create(0.0f);
    auto* prs = new PRSControl(TRUE);
    TestMaker* held = g.Maker("Held", 2);
    g.Link(held, 0, other);
    g.Link(held, 1, prs);
    EXPECT_FALSE(list->AssignController(other, 3));
    EXPECT_FALSE(list->AssignController(prs, 0));
    EXPECT_EQ(il()->GetSubCtrl(0), a);
    g.heard.clear();
    // Another value type, the list itself, and an item's own dependent are refused without a message.
    auto* pos = new BezierPosition();
    TestMaker* keep = g.Maker("Keep", 1);
    g.Link(keep, 0, pos);
    il()->AppendItem(pos, L"P");
    il()->AppendItem(list, L"Self");
    il()->AppendItem(nullptr, L"Null");
    auto* inner = new FloatList();
    inner->AppendItem(list, L"Outer");
    g.Link(keep, 0, inner);
    il()->AppendItem(inner, L"Loop");
    EXPECT_EQ(inner->GetListCount(), 1);
    EXPECT_EQ(il()->GetListCount(), 3);
    EXPECT_EQ(CountHeard(g, REFMSG_SUBANIM_STRUCTURE_CHANGED), 0);
}

TEST_F(Lists, RotationAndScaleListsCombineTheirItems) {
    auto* rl = new RotationList();
    auto* sl = new ScaleList();
    TestMaker* keep = g.Maker("Keep", 2);
    g.Link(keep, 0, rl);
    g.Link(keep, 1, sl);
    rl->AppendItem(TCBRotation::Create(Quat::FromAngleAxis(0.5f, Point3(0, 0, 1))), L"One");
    rl->AppendItem(TCBRotation::Create(Quat::FromAngleAxis(0.25f, Point3(0, 0, 1))), L"Two");
    Quat q;
    Interval iv = FOREVER;
    rl->GetValue(0, &q, iv);
    EXPECT_TRUE(q.Equals(Quat::FromAngleAxis(0.75f, Point3(0, 0, 1))));
    rl->SetSubCtrlWeight(1, 0.0f);
    rl->GetValue(0, &q, iv);
    EXPECT_TRUE(q.Equals(Quat::FromAngleAxis(0.5f, Point3(0, 0, 1))));
    sl->AppendItem(BezierScale::Create(ScaleValue(Point3(2, 2, 2))), L"S1");
    sl->AppendItem(BezierScale::Create(ScaleValue(Point3(3, 1, 1))), L"S2");
    ScaleValue s;
    sl->GetValue(0, &s, iv);
    EXPECT_TRUE(s.s.Equals(Point3(6, 2, 2)));
}

TEST_F(Lists, SaveLoadAndCloneKeepItemsNamesActiveAndWeights) {
    il()->SetActive(2);
    il()->SetSubCtrlWeight(1, 0.75f);
    il()->SetName(0, L"Ä Base");
    ReferenceTarget* back = SaveAndReload(list);
    ASSERT_NE(back, nullptr);
    TestMaker* keep = g.Maker("Keep", 1);
    g.Link(keep, 0, back);
    EXPECT_EQ(Dump(back), Dump(list));
    // A clone keeps an item that is in the list twice shared.
    il()->AppendItem(a, L"A again");
    auto* copy = static_cast<FloatList*>(CloneRefHierarchy(static_cast<ReferenceTarget*>(list)));
    ASSERT_NE(copy, nullptr);
    g.Link(keep, 0, copy);
    EXPECT_EQ(copy->GetSubCtrl(0), copy->GetSubCtrl(3));
    EXPECT_NE(copy->GetSubCtrl(0), a);
    EXPECT_NE(copy->GetWeights(), list->GetWeights());
    EXPECT_EQ(Dump(copy), Dump(list));
}

TEST_F(Lists, ALoadedListWithInconsistentNamesIsRefused) {
    ChunkSave s;
    s.BeginChunk(0x2000);
    s.BeginChunk(0x0200);
    const int count = 2;
    ULONG n = 0;
    s.Write(&count, 4, &n);
    s.EndChunk();
    s.BeginChunk(0x0220);
    s.BeginChunk(0x0221);
    s.WriteWString(L"Only one");
    s.EndChunk();
    s.EndChunk();
    s.EndChunk();
    ASSERT_EQ(s.Commit(), IO_OK);
    ChunkLoad l(s.Bytes());
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    FloatList fresh(TRUE);
    EXPECT_EQ(fresh.Load(&l), IO_ERROR);
}

} // namespace
