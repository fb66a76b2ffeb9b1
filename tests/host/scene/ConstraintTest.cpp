// Constraints and the link controller: their target interfaces, weak target lists and their messages,
// undo, persistence and cloning of every kind, and what a target list refuses.
#include "host/core/AnimGraphDump.h"
#include "host/scene/controllers/LinkControl.h"
#include "host/scene/controllers/LinkTransformControl.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/scene/controllers/OrientationConstraint.h"
#include "host/scene/controllers/PRSControl.h"
#include "host/scene/controllers/PathConstraint.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/controllers/ValueControl.h"
#include "tests/host/scene/ControllerTestSupport.h"
#include "tests/support/HostChecks.h"

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
        owner = g.Maker("Owner", 3);
    }
    // A node the scene holds (a real reference), as a parent holds its children.
    INode* Node(int slot, const wchar_t* name, const Matrix3& tm) {
        INode* n = NewNode(name, tm);
        g.Link(scene, slot, n);
        return n;
    }
    // A controller the owner holds in the given slot; a later one in the same slot replaces it.
    template <class C> C* Make(int slot = 0) {
        auto* c = new C();
        g.Link(owner, slot, c);
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
        ExpectUndoRedoWithMessage(g, owner, [&] { return State(c); }, edit, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    }

    GraphBuilder g;
    TestMaker* scene = nullptr;
    TestMaker* owner = nullptr;
    INode* n1 = nullptr;
    INode* n2 = nullptr;
};

// Each kind answers its own target interface and none of the others.
TEST_F(Constraints, EachConstraintAnswersItsTargetInterface) {
    struct Row {
        ReferenceTarget* c;
        Interface_ID id;
        SClass_ID super;
        Class_ID cls;
    };
    const Row rows[] = {
        {new PositionConstraint(), POS_CONSTRAINT_INTERFACE, CTRL_POSITION_CLASS_ID, POSITION_CONSTRAINT_CLASS_ID},
        {new PathConstraint(), PATH_CONSTRAINT_INTERFACE, CTRL_POSITION_CLASS_ID, PATH_CONSTRAINT_CLASS_ID},
        {new OrientationConstraint(), ORIENT_CONSTRAINT_INTERFACE, CTRL_ROTATION_CLASS_ID, ORIENTATION_CONSTRAINT_CLASS_ID},
        {new LookAtConstraint(), LOOKAT_CONSTRAINT_INTERFACE, CTRL_ROTATION_CLASS_ID, LOOKAT_CONSTRAINT_CLASS_ID},
        {new LinkControl(), LINK_CONSTRAINT_INTERFACE, CTRL_MATRIX3_CLASS_ID, LINK_CONSTRAINT_CLASS_ID},
    };
    TestMaker* keep = g.Maker("Keep", 6);
    int i = 0;
    for (const Row& r : rows) {
        g.Link(keep, i++, r.c);
        SCOPED_TRACE(r.cls.ToString());
        EXPECT_EQ(r.c->SuperClassID(), r.super);
        EXPECT_EQ(r.c->ClassID(), r.cls);
        for (const Row& other : rows)
            EXPECT_EQ(r.c->GetInterface(other.id) != nullptr, &other == &r);
    }
    auto* prs = new PRSControl();
    g.Link(keep, 5, prs);
    EXPECT_EQ(GetConstraintTargets(prs), nullptr);
    EXPECT_EQ(GetConstraintTargets(rows[0].c), rows[0].c->GetInterface(POS_CONSTRAINT_INTERFACE));
    auto* path = static_cast<PathConstraint*>(rows[1].c);
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

// Every edit of a target list or link table is one undo step that gives back the exact controller, with
// one structure message once it is back; files and clones keep the targets, weights and times.
TEST_F(Constraints, EditsUndoExactlyAndFilesAndClonesKeepEverything) {
    auto* pos = Make<PositionConstraint>();
    CheckUndoRedo(pos, [&] { ASSERT_TRUE(pos->AppendTarget(n1, 30.0f)); });
    CheckUndoRedo(pos, [&] { ASSERT_TRUE(pos->AppendTarget(n2, 10.0f)); });
    EXPECT_TRUE(Value<Point3>(pos).Equals(Point3(7.5f, 5.0f, 0.0f))); // the weighted mean of the targets
    CheckUndoRedo(pos, [&] { ASSERT_TRUE(pos->DeleteTarget(0)); });
    auto* ori = Make<OrientationConstraint>(1);
    ASSERT_TRUE(ori->AppendTarget(n1, 50.0f));
    ExpectUndoRedoExact([&] { return State(ori); }, [&] { ASSERT_TRUE(ori->SetTargetWeight(0, 80.0f)); }, "weight");
    EXPECT_EQ(ori->GetTargetWeight(0), 80.0f);
    auto* link = Make<LinkControl>(2);
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->AddNewLink(n2, 100)); });
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->AddNewLink(n1, 0)); });
    EXPECT_EQ(link->GetNode(0), n1); // kept in time order
    EXPECT_FALSE(link->SetLinkTime(0, 100)); // two links cannot start together
    CheckUndoRedo(link, [&] { ASSERT_TRUE(link->SetLinkTime(0, 200)); });
    EXPECT_NE(Dump(link).find("links [\"N2\"@100, \"N1\"@200]"), std::string::npos) << Dump(link);
    Matrix3 local = RotateZMatrix(0.5f) * TransMatrix(Point3(1, 2, 3));
    link->SetValue(0, &local);
    auto* look = new LookAtConstraint();
    auto* path = new PathConstraint();
    TestMaker* keep = g.Maker("Keep", 6);
    g.Link(keep, 0, look);
    g.Link(keep, 1, path);
    look->AppendTarget(n1, 12.0f);
    look->AppendTarget(n2, 3.0f);
    path->AppendTarget(n2, 5.0f);
    float pct = 40.0f;
    static_cast<Control*>(path->SubAnim(0))->SetValue(0, &pct);
    EXPECT_EQ(Dump(path), "Path Constraint (0, 20, 0) targets [\"N2\" 5] {Percent: Bezier Float 40}");

    int slot = 2;
    for (ReferenceTarget* c : std::initializer_list<ReferenceTarget*>{pos, link, look, path}) {
        SCOPED_TRACE(Dump(c));
        EXPECT_TRUE(c->ShouldPersistWeakRef(n2));
        ReferenceTarget* back = SaveAndReload(c);
        ASSERT_NE(back, nullptr);
        g.Link(keep, slot, back);
        EXPECT_EQ(Dump(back), Dump(c));
        EXPECT_FALSE(back->IsRealDependency(n2));
        ReferenceTarget* copy = CloneRefHierarchy(c);
        g.Link(keep, slot, copy);
        EXPECT_EQ(Dump(copy), Dump(c));
    }
}

// The link transform: its local transform under its control node, the node given with undo and a message,
// kept weakly by a file and by a copy.
TEST_F(Constraints, LinkTransformIsLocalUnderItsControlNode) {
    auto* ltm = Make<LinkTransformControl>();
    ExpectUndoRedoWithMessage(g, owner, [&] { return State(ltm); }, [&] { ASSERT_TRUE(ltm->SetControlNode(n1)); },
                              REFMSG_CHANGE);
    Matrix3 local = TransMatrix(Point3(1, 2, 3));
    ltm->SetValue(0, &local);
    EXPECT_EQ(Value<Matrix3>(ltm, 0, CTRL_RELATIVE).GetTrans(), Point3(11, 2, 3));
    EXPECT_FALSE(ltm->IsRealDependency(n1));
    int slot = 1;
    for (ReferenceTarget* copy : std::initializer_list<ReferenceTarget*>{SaveAndReload(ltm), CloneRefHierarchy(ltm)}) {
        ASSERT_NE(copy, nullptr);
        g.Link(owner, slot++, copy);
        EXPECT_EQ(static_cast<LinkTransformControl*>(copy)->GetControlNode(), n1);
        EXPECT_EQ(Value<Matrix3>(static_cast<Control*>(copy), 0, CTRL_RELATIVE).GetTrans(), Point3(11, 2, 3));
    }
}

TEST_F(Constraints, WhatATargetListRefuses) {
    auto* pc = Make<PositionConstraint>();
    ASSERT_TRUE(pc->AppendTarget(n1));
    // The node the constraint drives cannot be its own target.
    INode* self = Node(2, L"Self", Matrix3());
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

TEST_F(Constraints, CloneKeepsTheTargetsOrTakesTheirCopies) {
    auto* pc = Make<PositionConstraint>();
    pc->AppendTarget(n1, 1.0f);
    pc->AppendTarget(n2, 2.0f);
    INode* n1copy = Node(2, L"N1 copy", Matrix3());
    INode* n2copy = Node(3, L"N2 copy", Matrix3());
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

} // namespace
