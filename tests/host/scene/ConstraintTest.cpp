// Constraints and the link controller: weak target lists, their messages and undo, the values they
// give, persistence and cloning.
#include "host/core/AnimGraphDump.h"
#include "host/scene/controllers/LinkControl.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/scene/controllers/OrientationConstraint.h"
#include "host/scene/controllers/PRSControl.h"
#include "host/scene/controllers/PathConstraint.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/controllers/ValueControl.h"
#include "tests/host/scene/ControllerTestSupport.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;

class Constraints : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterControllerClasses();
        scene = g.Maker("Scene", 4);
        n1 = Node(0, L"N1", TransMatrix(Point3(10, 0, 0)));
        n2 = Node(1, L"N2", RotateZMatrix(kPi / 2) * TransMatrix(Point3(0, 20, 0)));
        owner = g.Maker("Owner", 1);
    }
    // A node the scene holds (a real reference), as a parent holds its children.
    FakeNode* Node(int slot, const wchar_t* name, const Matrix3& tm) {
        auto* n = new FakeNode(name, tm);
        g.Link(scene, slot, n);
        return n;
    }
    template <class C> C* Make() {
        auto* c = new C();
        g.Link(owner, 0, c);
        return c;
    }
    template <class T> static T Value(Control* c, TimeValue t = 0, GetSetMethod m = CTRL_ABSOLUTE, T start = T()) {
        Interval iv = FOREVER;
        c->GetValue(t, &start, iv, m);
        return start;
    }
    std::string State(ReferenceTarget* c) {
        AnimGraphDump::Options o;
        o.dependents = false;
        return Dump(c) + "\n" + AnimGraphDump::Dump(c, o).ToUTF8();
    }
    void CheckUndoRedo(ReferenceTarget* c, const std::function<void()>& edit) {
        const std::string before = State(c);
        theHold.Begin();
        edit();
        theHold.Accept(L"Edit");
        const std::string after = State(c);
        ASSERT_NE(after, before);
        // The message comes once the whole edit is back in place.
        std::string seen;
        owner->onMessage = [&](RefTargetHandle, PartID&, RefMessage m) {
            if (m == REFMSG_SUBANIM_STRUCTURE_CHANGED) seen = State(c);
        };
        g.heard.clear();
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(State(c), before);
        EXPECT_EQ(CountHeard(g, REFMSG_SUBANIM_STRUCTURE_CHANGED), 1) << "undo";
        EXPECT_EQ(seen, before);
        g.heard.clear();
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(State(c), after);
        EXPECT_EQ(CountHeard(g, REFMSG_SUBANIM_STRUCTURE_CHANGED), 1) << "redo";
        EXPECT_EQ(seen, after);
        owner->onMessage = nullptr;
    }

    GraphBuilder g;
    TestMaker* scene = nullptr;
    TestMaker* owner = nullptr;
    FakeNode* n1 = nullptr;
    FakeNode* n2 = nullptr;
};

TEST_F(Constraints, EachConstraintAnswersItsTargetInterface) {
    auto* pos = new PositionConstraint();
    auto* path = new PathConstraint();
    auto* ori = new OrientationConstraint();
    auto* look = new LookAtConstraint();
    auto* prs = new PRSControl();
    TestMaker* keep = g.Maker("Keep", 5);
    int i = 0;
    for (ReferenceTarget* c : std::initializer_list<ReferenceTarget*>{pos, path, ori, look, prs}) g.Link(keep, i++, c);
    EXPECT_EQ(pos->GetInterface(POS_CONSTRAINT_INTERFACE), GetConstraintTargets(pos));
    EXPECT_NE(GetConstraintTargets(pos), nullptr);
    EXPECT_NE(path->GetInterface(PATH_CONSTRAINT_INTERFACE), nullptr);
    EXPECT_NE(ori->GetInterface(ORIENT_CONSTRAINT_INTERFACE), nullptr);
    EXPECT_NE(look->GetInterface(LOOKAT_CONSTRAINT_INTERFACE), nullptr);
    EXPECT_EQ(pos->GetInterface(ORIENT_CONSTRAINT_INTERFACE), nullptr);
    EXPECT_EQ(GetConstraintTargets(prs), nullptr);
    EXPECT_EQ(pos->SuperClassID(), CTRL_POSITION_CLASS_ID);
    EXPECT_EQ(path->ClassID(), Class_ID(0x2011, 0));
    EXPECT_EQ(ori->SuperClassID(), CTRL_ROTATION_CLASS_ID);
    EXPECT_EQ(look->ClassID(), Class_ID(0x2021, 0));
    ASSERT_EQ(path->NumSubs(), 1);
    EXPECT_EQ(path->SubAnimName(0), L"Percent");
    EXPECT_EQ(path->SubAnim(0)->SuperClassID(), CTRL_FLOAT_CLASS_ID);
}

TEST_F(Constraints, TargetsAreWeakAndADeletedNodeLeavesTheListWithAStructureMessage) {
    auto* pc = Make<PositionConstraint>();
    ASSERT_TRUE(pc->AppendTarget(n1, 50.0f));
    ASSERT_TRUE(pc->AppendTarget(n2, 25.0f));
    EXPECT_FALSE(pc->IsRealDependency(n1));
    const AnimHandle h1 = Animatable::GetHandleByAnim(n1);
    g.heard.clear();
    // The scene lets go of N1: nothing real holds it any more, so it goes.
    scene->DeleteReference(0);
    EXPECT_EQ(Animatable::GetAnimByHandle(h1), nullptr);
    EXPECT_EQ(HeardOf(g, REFMSG_SUBANIM_STRUCTURE_CHANGED),
              std::vector<std::string>{"(Position Constraint):0x102/0x0"});
    ASSERT_EQ(pc->GetNumTargets(), 1);
    EXPECT_EQ(pc->GetNode(0), n2);
    EXPECT_EQ(pc->GetTargetWeight(0), 25.0f);
    EXPECT_EQ(Dump(pc), "Position Constraint (0, 20, 0) targets [\"N2\" 25]");

    // Deleted inside an undo step: the count reads right while the node is going, and undo puts it back.
    theHold.Begin();
    g.heard.clear();
    int countHeard = -1;
    owner->onMessage = [&](RefTargetHandle, PartID&, RefMessage m) {
        if (m == REFMSG_SUBANIM_STRUCTURE_CHANGED) countHeard = pc->GetNumTargets();
    };
    n2->DeleteMe();
    theHold.Accept(L"Delete");
    owner->onMessage = nullptr;
    EXPECT_EQ(countHeard, 0);
    EXPECT_EQ(pc->GetNumTargets(), 0);
    EXPECT_EQ(Value<Point3>(pc), Point3());
    ASSERT_TRUE(theHold.Undo());
    ASSERT_EQ(pc->GetNumTargets(), 1);
    EXPECT_EQ(pc->GetNode(0), n2);
    EXPECT_EQ(pc->GetTargetWeight(0), 25.0f);
    // A later edit drops the empty slot the first deletion left.
    ASSERT_TRUE(pc->AppendTarget(n1 = Node(0, L"N1b", Matrix3()), 1.0f));
    EXPECT_EQ(pc->NumRefs(), 2);
}

TEST_F(Constraints, AppendAndDeleteTargetUndoAndRedoExactly) {
    auto* oc = Make<OrientationConstraint>();
    CheckUndoRedo(oc, [&] { ASSERT_TRUE(oc->AppendTarget(n1, 50.0f)); });
    CheckUndoRedo(oc, [&] { ASSERT_TRUE(oc->AppendTarget(n2, 50.0f)); });
    CheckUndoRedo(oc, [&] { ASSERT_TRUE(oc->DeleteTarget(0)); });
    EXPECT_EQ(oc->GetNode(0), n2);
    const std::string before = State(oc);
    theHold.Begin();
    ASSERT_TRUE(oc->SetTargetWeight(0, 80.0f));
    theHold.Accept(L"Weight");
    EXPECT_EQ(oc->GetTargetWeight(0), 80.0f);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(State(oc), before);
}

TEST_F(Constraints, WhatATargetListRefuses) {
    auto* pc = Make<PositionConstraint>();
    ASSERT_TRUE(pc->AppendTarget(n1));
    // The node the constraint drives cannot be its own target.
    FakeNode* self = Node(2, L"Self", Matrix3());
    auto* prs = new PRSControl();
    ASSERT_TRUE(self->SetTMController(prs));
    auto* own = new PositionConstraint();
    ASSERT_TRUE(prs->SetPositionController(own));
    g.heard.clear();
    EXPECT_FALSE(own->AppendTarget(self));
    EXPECT_FALSE(pc->AppendTarget(nullptr));
    EXPECT_FALSE(pc->AppendTarget(n1));
    EXPECT_FALSE(pc->DeleteTarget(1));
    EXPECT_FALSE(pc->DeleteTarget(-1));
    EXPECT_FALSE(pc->SetTargetWeight(3, 1.0f));
    EXPECT_EQ(pc->GetNode(1), nullptr);
    EXPECT_TRUE(g.heard.empty());
    EXPECT_EQ(pc->GetNumTargets(), 1);
}

TEST_F(Constraints, PositionIsTheWeightedMeanOfTheTargetsInWorldSpace) {
    auto* pc = Make<PositionConstraint>();
    pc->AppendTarget(n1, 30.0f);
    pc->AppendTarget(n2, 10.0f);
    EXPECT_TRUE(Value<Point3>(pc).Equals(Point3(7.5f, 5.0f, 0.0f)));
    pc->SetTargetWeight(0, 0.0f);
    EXPECT_TRUE(Value<Point3>(pc).Equals(Point3(0, 20, 0)));

    // Inside a transform under a parent, the node still lands on the targets.
    pc->SetTargetWeight(0, 10.0f);
    auto* prs = new PRSControl();
    TestMaker* keep = g.Maker("Keep", 1);
    g.Link(keep, 0, prs);
    auto* inPrs = new PositionConstraint();
    ASSERT_TRUE(prs->SetPositionController(inPrs));
    inPrs->AppendTarget(n1, 1.0f);
    const Matrix3 parent = RotateYMatrix(0.3f) * TransMatrix(Point3(-4, 2, 9));
    const Matrix3 world = Value<Matrix3>(prs, 0, CTRL_RELATIVE, parent);
    EXPECT_TRUE(world.GetTrans().Equals(Point3(10, 0, 0), 1e-4f));
    // A constrained node follows its target when the target moves, and says so.
    g.heard.clear();
    n1->SetTM(TransMatrix(Point3(0, 0, 5)));
    EXPECT_TRUE(Value<Matrix3>(prs, 0, CTRL_RELATIVE, parent).GetTrans().Equals(Point3(0, 0, 5), 1e-4f));
    EXPECT_GE(CountHeard(g, REFMSG_CHANGE), 1);
}

TEST_F(Constraints, OrientationBlendsAndLookAtPointsItsAxisFromTheNodesPosition) {
    auto* oc = Make<OrientationConstraint>();
    oc->AppendTarget(n1, 1.0f); // no rotation
    oc->AppendTarget(n2, 1.0f); // a quarter turn about Z
    Matrix3 r;
    r.SetRotate(Value<Quat>(oc));
    EXPECT_TRUE(r.Equals(RotateZMatrix(kPi / 4)));

    auto* prs = new PRSControl();
    TestMaker* keep = g.Maker("Keep", 1);
    g.Link(keep, 0, prs);
    auto* look = new LookAtConstraint();
    ASSERT_TRUE(prs->SetRotationController(look));
    look->AppendTarget(n2, 1.0f); // at (0, 20, 0)
    Point3 at(0, 10, 0);
    prs->GetPositionController()->SetValue(0, &at);
    const Matrix3 tm = Value<Matrix3>(prs, 0, CTRL_RELATIVE, Matrix3());
    // The X axis points from (0, 10, 0) towards (0, 20, 0).
    EXPECT_TRUE(Normalize(tm.GetRow(0)).Equals(Point3(0, 1, 0), 1e-4f));
    look->SetTargetAxis(2, true);
    const Matrix3 tm2 = Value<Matrix3>(prs, 0, CTRL_RELATIVE, Matrix3());
    EXPECT_TRUE(Normalize(tm2.GetRow(2)).Equals(Point3(0, -1, 0), 1e-4f));
    // Under a parent that turns the world, the world axis still points at the target.
    const Matrix3 parent = RotateXMatrix(0.7f);
    const Matrix3 tm3 = Value<Matrix3>(prs, 0, CTRL_RELATIVE, parent);
    const Point3 toTarget = Normalize(Point3(0, 20, 0) - tm3.GetTrans());
    EXPECT_TRUE(Normalize(tm3.GetRow(2)).Equals(toTarget * -1.0f, 1e-4f));
}

TEST_F(Constraints, SaveLoadKeepsTargetsWeightsAndOptions) {
    auto* look = Make<LookAtConstraint>();
    look->AppendTarget(n1, 12.0f);
    look->AppendTarget(n2, 3.0f);
    look->SetTargetAxis(1, true);
    EXPECT_TRUE(look->ShouldPersistWeakRef(n1));
    ReferenceTarget* back = SaveAndReload(look);
    ASSERT_NE(back, nullptr);
    TestMaker* keep = g.Maker("Keep", 2);
    g.Link(keep, 0, back);
    EXPECT_EQ(Dump(back), Dump(look));
    auto* bl = static_cast<LookAtConstraint*>(back);
    EXPECT_EQ(bl->GetTargetAxis(), (LookAtConstraint::Axis{1, true}));
    EXPECT_EQ(bl->GetNode(1), n2);
    EXPECT_FALSE(bl->IsRealDependency(n2));

    auto* path = new PathConstraint();
    g.Link(keep, 1, path);
    path->AppendTarget(n2, 5.0f);
    float pct = 40.0f;
    path->GetPercentController()->SetValue(0, &pct);
    ReferenceTarget* pathBack = SaveAndReload(path);
    g.Link(keep, 1, pathBack);
    EXPECT_EQ(Dump(pathBack), "Path Constraint (0, 20, 0) targets [\"N2\" 5] {Percent: Bezier Float 40}");
}

TEST_F(Constraints, CloneKeepsTheTargetsOrTakesTheirCopies) {
    auto* pc = Make<PositionConstraint>();
    pc->AppendTarget(n1, 1.0f);
    pc->AppendTarget(n2, 2.0f);
    FakeNode* n1copy = Node(2, L"N1 copy", Matrix3());
    FakeNode* n2copy = Node(3, L"N2 copy", Matrix3());
    RemapDir* remap = NewRemapDir();
    remap->AddEntry(n1, n1copy); // cloned before the constraint
    auto* copy = static_cast<PositionConstraint*>(remap->CloneRef(static_cast<ReferenceTarget*>(pc)));
    ASSERT_NE(copy, nullptr);
    TestMaker* keep = g.Maker("Keep", 1);
    g.Link(keep, 0, copy);
    EXPECT_EQ(copy->GetNode(0), n1copy);
    EXPECT_EQ(copy->GetNode(1), n2);
    remap->AddEntry(n2, n2copy); // cloned after it
    remap->Backpatch();
    remap->DeleteThis();
    EXPECT_EQ(copy->GetNode(1), n2copy);
    EXPECT_EQ(copy->GetTargetWeight(1), 2.0f);
    EXPECT_EQ(pc->GetNode(1), n2);
}

class Links : public Constraints {};

TEST_F(Links, TheParentChangesByTimeAndTheLocalTransformRidesOnIt) {
    auto* link = Make<LinkControl>();
    ASSERT_NE(link->GetInterface(LINK_CONSTRAINT_INTERFACE), nullptr);
    EXPECT_EQ(link->NumSubs(), 2);
    EXPECT_EQ(link->SubAnimName(0), L"Transform");
    ASSERT_NE(link->GetPositionController(), nullptr);
    Point3 local(1, 0, 0);
    link->GetPositionController()->SetValue(0, &local);
    ASSERT_TRUE(link->AddNewLink(n2, 100));
    ASSERT_TRUE(link->AddNewLink(n1, 0));
    // Kept in time order.
    EXPECT_EQ(link->GetNode(0), n1);
    EXPECT_EQ(link->GetLinkTime(1), 100);
    const Matrix3 before = TransMatrix(Point3(0, 0, 7));
    Interval iv = FOREVER;
    Matrix3 m = before;
    link->GetValue(-10, &m, iv, CTRL_RELATIVE);
    EXPECT_TRUE(m.GetTrans().Equals(Point3(1, 0, 7)));
    EXPECT_EQ(iv.End(), -1);
    iv = FOREVER;
    m = before;
    link->GetValue(50, &m, iv, CTRL_RELATIVE);
    EXPECT_TRUE(m.GetTrans().Equals(Point3(11, 0, 0)));
    EXPECT_EQ(iv, Interval(0, 99));
    m = before;
    link->GetValue(100, &m, iv, CTRL_RELATIVE);
    EXPECT_TRUE(m.GetTrans().Equals(Point3(0, 21, 0), 1e-4f));
    EXPECT_EQ(link->GetLinkNodeAt(99), n1);
    // Moving a link re-sorts the table; two links cannot start together.
    EXPECT_FALSE(link->SetLinkTime(0, 100));
    ASSERT_TRUE(link->SetLinkTime(0, 200));
    EXPECT_EQ(link->GetNode(0), n2);
    EXPECT_EQ(Dump(link).find("links [\"N2\"@100, \"N1\"@200]") != std::string::npos, true) << Dump(link);
}

TEST_F(Links, EditsUndoAndADeletedParentLeavesTheTable) {
    auto* link = Make<LinkControl>();
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->AddNewLink(n1, 0)); });
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->AddNewLink(n2, 50)); });
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->SetLinkTime(1, -50)); });
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->DeleteTarget(0)); });
    EXPECT_EQ(link->GetNumTargets(), 1);
    EXPECT_EQ(link->GetNode(0), n1);
    g.heard.clear();
    scene->DeleteReference(0);
    EXPECT_EQ(link->GetNumTargets(), 0);
    EXPECT_EQ(HeardOf(g, REFMSG_SUBANIM_STRUCTURE_CHANGED), std::vector<std::string>{"(Link Constraint):0x102/0x0"});
}

TEST_F(Links, SaveLoadAndCloneKeepTheTableAndTheTransform) {
    auto* link = Make<LinkControl>();
    link->AddNewLink(n1, 0);
    link->AddNewLink(n2, 480);
    Matrix3 local = RotateZMatrix(0.5f) * TransMatrix(Point3(1, 2, 3));
    link->SetValue(0, &local);
    ReferenceTarget* back = SaveAndReload(link);
    ASSERT_NE(back, nullptr);
    TestMaker* keep = g.Maker("Keep", 2);
    g.Link(keep, 0, back);
    EXPECT_EQ(Dump(back), Dump(link));
    EXPECT_EQ(static_cast<LinkControl*>(back)->GetLinkTime(1), 480);
    auto* copy = CloneRefHierarchy(static_cast<ReferenceTarget*>(link));
    g.Link(keep, 1, copy);
    EXPECT_EQ(Dump(copy), Dump(link));
    EXPECT_NE(static_cast<LinkControl*>(copy)->GetTransformController(), link->GetTransformController());
    EXPECT_EQ(static_cast<LinkControl*>(copy)->GetNode(0), n1);
}

} // namespace
