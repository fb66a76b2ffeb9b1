// Value, compound and generic controllers: values over time, composition, undo, capability answers,
// persistence and cloning.
#include "host/core/FixedSubAnimNames.h"
#include "host/scene/Mtl.h"
#include "host/scene/controllers/GenericControl.h"
#include "host/scene/controllers/PRSControl.h"
#include "host/scene/controllers/XYZControl.h"
#include "tests/host/scene/ControllerTestSupport.h"
#include "tests/support/HostChecks.h"

#include <cmath>

namespace {

constexpr float kPi = 3.14159265358979f;

class Controllers : public ::testing::Test {
protected:
    void SetUp() override { RegisterControllerClasses(); }
    // A dependent that keeps c alive and records what it hears.
    TestMaker* Hold(ReferenceTarget* c, const std::string& name = "Owner") {
        TestMaker* m = g.Maker(name, 1);
        g.Link(m, 0, c);
        return m;
    }
    template <class T> static T Value(Control* c, TimeValue t, GetSetMethod m = CTRL_ABSOLUTE, T start = T()) {
        Interval iv = FOREVER;
        c->GetValue(t, &start, iv, m);
        return start;
    }
    GraphBuilder g;
};

TEST_F(Controllers, KeysInterpolateHoldOutsideWithTheirValidityAndChangesUndo) {
    auto* f = BezierFloat::Create(3.0f);
    Hold(f);
    EXPECT_EQ(Value<float>(f, -100000), 3.0f);
    f->SetKey(0, 10.0f);
    f->SetKey(100, 20.0f);
    struct Row {
        TimeValue t;
        float v;
        Interval valid;
    };
    for (const Row& r : {Row{25, 12.5f, Interval(25, 25)}, Row{500, 20.0f, Interval(100, TIME_PosInfinity)},
                         Row{-7, 10.0f, Interval(TIME_NegInfinity, 0)}}) {
        Interval iv = FOREVER;
        float v = 0;
        f->GetValue(r.t, &v, iv);
        EXPECT_FLOAT_EQ(v, r.v) << r.t;
        EXPECT_EQ(iv, r.valid) << r.t;
    }
    // An animated track takes a key where it is set; relative values add to what is passed in.
    float v = 30.0f;
    f->SetValue(50, &v);
    EXPECT_FLOAT_EQ(Value<float>(f, 75), 25.0f);
    // A value change notifies a change of value (a part mask mirrors do not ignore) and undoes exactly;
    // setting what is already there says nothing.
    g.heard.clear();
    v = 7.0f;
    ExpectUndoRedoExact([&] { return Dump(f); }, [&] { f->SetValue(20, &v); });
    EXPECT_EQ(HeardOf(g, REFMSG_CHANGE).front(), "(Bezier Float):0x50/0x800037ff");
    g.heard.clear();
    f->SetValue(20, &v);
    EXPECT_TRUE(g.heard.empty());
    auto* p = BezierPosition::Create(Point3(1, 2, 3));
    Hold(p, "P");
    EXPECT_EQ(Value<Point3>(p, 0, CTRL_RELATIVE, Point3(10, 10, 10)), Point3(11, 12, 13));
}

// The node transform: scale, then rotation, then position, then the parent; a matrix set on it is split
// over the sub-controllers, and only the ones that change hear about it.
TEST_F(Controllers, PRSComposesAndSplitsItsMatrix) {
    auto* prs = new PRSControl();
    Hold(prs);
    EXPECT_EQ(prs->SubAnimName(0), L"Position");
    const Matrix3 target = ScaleMatrix(Point3(1, 3, 2)) * RotateZMatrix(kPi / 2) * TransMatrix(Point3(4, 5, 6));
    Matrix3 m = target;
    prs->SetValue(0, &m);
    EXPECT_TRUE(Value<Matrix3>(prs, 0).Equals(target));
    EXPECT_TRUE(Value<Point3>(prs->GetPositionController(), 0).Equals(Point3(4, 5, 6)));
    const Matrix3 parent = RotateXMatrix(kPi / 2) * TransMatrix(Point3(0, 0, 10));
    EXPECT_TRUE(Value<Matrix3>(prs, 0, CTRL_RELATIVE, parent).Equals(target * parent));
    g.heard.clear();
    Matrix3 move = TransMatrix(Point3(1, 0, 0));
    ExpectUndoRedoExact([&] { return Dump(prs); }, [&] { prs->SetValue(0, &move, 1, CTRL_RELATIVE); });
    EXPECT_EQ(HeardOf(g, REFMSG_CHANGE).front(), "(Position/Rotation/Scale):0x50/0x800037ff");
    // A change of one rotation axis reaches the transform's dependents.
    g.heard.clear();
    float x = 1.0f;
    static_cast<EulerXYZ*>(prs->GetRotationController())->GetAxis(0)->SetValue(0, &x);
    EXPECT_EQ(HeardOf(g, REFMSG_CHANGE), std::vector<std::string>{"(Position/Rotation/Scale):0x50/0x800037ff"});
}

// A class's fixed name table stands in for SubAnimName wherever a caller names many steps: it must give
// exactly SubAnimName's text at every position, and only classes whose names are fixed answer it.
TEST_F(Controllers, FixedSubAnimNamesAreTheNamesSubAnimNameGives) {
    std::vector<ReferenceTarget*> fixed = {new PRSControl(), new EulerXYZ(),  new PositionXYZ(),
                                           new Point3XYZ(),  new ScaleXYZ(), NewDefaultStdMat()};
    for (ReferenceTarget* c : fixed) {
        Hold(c);
        const auto* table = static_cast<const FixedSubAnimNames*>(c->GetInterface(I_FIXED_SUBANIM_NAMES));
        ASSERT_NE(table, nullptr);
        EXPECT_EQ(table->count, c->NumSubs());
        for (int i = 0; i < c->NumSubs(); ++i) EXPECT_EQ(MSTR(FixedSubAnimName(c, i)), c->SubAnimName(i)) << i;
        EXPECT_EQ(FixedSubAnimName(c, c->NumSubs()), nullptr);
    }
    auto* f = BezierFloat::Create(0.0f);
    Hold(f);
    EXPECT_EQ(f->GetInterface(I_FIXED_SUBANIM_NAMES), nullptr);
}

TEST_F(Controllers, SubControllersMustBeOfTheSlotsFamilyAndReplacementsUndo) {
    auto* prs = new PRSControl();
    Hold(prs);
    auto* wrong = new BezierPosition();
    Hold(wrong, "Wrong");
    EXPECT_FALSE(prs->SetRotationController(wrong));
    EXPECT_FALSE(prs->AssignController(prs, 0)); // itself: not a position controller (and a loop)
    ExpectUndoRedoExact([&] { return Dump(prs); }, [&] { ASSERT_TRUE(prs->SetRotationController(new TCBRotation())); });
    EXPECT_EQ(HeardOf(g, REFMSG_CONTROLREF_CHANGE).size(), 3u); // the edit, its undo and its redo
    // Euler rotations are three float controllers in radians, and take only float controllers.
    auto* e = new EulerXYZ();
    Hold(e, "Euler");
    EXPECT_EQ(e->SubAnimName(2), L"Z Rotation");
    Quat q = Quat::FromEulerXYZ(Point3(0.1f, -0.2f, 0.3f));
    e->SetValue(0, &q);
    EXPECT_NEAR(Value<float>(e->GetAxis(1), 0), -0.2f, 1e-5f);
    EXPECT_FALSE(e->AssignController(wrong, 1));
    EXPECT_TRUE(e->AssignController(BezierFloat::Create(1.0f), 1));
    EXPECT_NEAR(Value<Quat>(e, 0).ToEulerXYZ().y, 1.0f, 1e-5f);
}

TEST_F(Controllers, CopyTakesOverKeysOrTheValueOfAnotherClass) {
    auto* a = BezierFloat::Create(0.0f);
    a->SetKey(0, 1.0f);
    a->SetKey(10, 2.0f);
    auto* b = new BezierFloat();
    Hold(a, "A");
    Hold(b, "B");
    b->Copy(a);
    EXPECT_EQ(Dump(b), Dump(a));
    EXPECT_EQ(b->NumKeys(), 2);

    auto* xyz = new PositionXYZ();
    Hold(xyz, "XYZ");
    auto* p = BezierPosition::Create(Point3(7, 8, 9));
    Hold(p, "P");
    xyz->Copy(p);
    EXPECT_EQ(Value<Point3>(xyz, 0), Point3(7, 8, 9));
    // Another family is not copied.
    xyz->Copy(a);
    EXPECT_EQ(Value<Point3>(xyz, 0), Point3(7, 8, 9));

    auto* prsA = new PRSControl();
    auto* prsB = new PRSControl();
    Hold(prsA, "PA");
    Hold(prsB, "PB");
    ASSERT_TRUE(prsA->SetPositionController(new PositionXYZ()));
    Point3 at(1, 1, 1);
    prsA->GetPositionController()->SetValue(0, &at);
    prsB->Copy(prsA);
    // A different class in the slot is taken over as a copy, not shared.
    EXPECT_EQ(prsB->GetPositionController()->ClassID(), POSITION_XYZ_CLASS_ID);
    EXPECT_NE(prsB->GetPositionController(), prsA->GetPositionController());
    EXPECT_EQ(Dump(prsB), Dump(prsA));
}

// Each generic controller's answers: replaceable, copies of animation and of tracks, its sub-controllers and
// which of the probed interfaces (the control one, a bone's, a layer's, the list's) it has.
TEST_F(Controllers, GenericControllersAnswerTheConfiguredCapabilities) {
    ClassDirectory& dir = GetClassDirectory();
    const Interface_ID boneIf(0x00D83DC1, 0x4C851B6C), layerIf(0x434D7627, 0xA25E6E26);
    GenericControlConfig cat;
    cat.superClassId = CTRL_MATRIX3_CLASS_ID;
    cat.classId = Class_ID(0x7E5C0001, 0x1);
    cat.className = L"CAT Bone Controller";
    cat.replaceable = FALSE;
    cat.interfaces = {boneIf};
    GenericControlConfig layer;
    layer.superClassId = CTRL_FLOAT_CLASS_ID;
    layer.classId = Class_ID(0x7E5C0002, 0x2);
    layer.className = L"Float Layer";
    layer.canCopyAnim = FALSE;
    layer.canCopyTrack = TRUE;
    layer.interfaces = {layerIf};
    layer.subs = {{L"Base Layer", CTRL_FLOAT_CLASS_ID, Class_ID()}, {L"Layer 1", CTRL_FLOAT_CLASS_ID, Class_ID()}};
    int made = 0;
    auto answers = [&](Control* c) {
        if (!c) return std::string("not made");
        Hold(c, "Owner" + std::to_string(++made));
        std::string s = std::string(c->IsReplaceable() ? "replaceable" : "fixed") +
                        (c->CanCopyAnim() ? " anim" : "") + (c->CanCopyTrack(FOREVER, 0) ? " track" : "") + " subs:";
        for (int i = 0; i < c->NumSubs(); ++i) s += " " + c->SubAnimName(i).ToUTF8();
        s += std::string(" |") + (c->GetInterface(I_CONTROL) ? " control" : "");
        for (const Interface_ID& id : {boneIf, layerIf, LIST_CONTROLLER_INTERFACE}) {
            BaseInterface* bi = c->GetInterface(id);
            s += bi ? (bi->GetID() == id ? " yes" : " wrong") : " no";
        }
        return s;
    };
    auto* ik = static_cast<Control*>(dir.CreateInstance(CTRL_MATRIX3_CLASS_ID, Class_ID(0x0E6F5815, 0x717F99A4)));
    auto* biped = static_cast<Control*>(dir.CreateInstance(CTRL_MATRIX3_CLASS_ID, Class_ID(0x9156, 0)));
    GenericControl* catCtrl = CreateGenericControl(cat);
    GenericControl* layerCtrl = CreateGenericControl(layer);
    EXPECT_EQ(answers(ik), "fixed anim subs: | control no no no");
    EXPECT_EQ(answers(biped), "replaceable subs: Vertical Horizontal Turning | control no no no");
    EXPECT_EQ(answers(catCtrl), "fixed anim subs: | control yes no no");
    EXPECT_EQ(answers(layerCtrl), "replaceable track subs: Base Layer Layer 1 | control no yes no");
    ASSERT_TRUE(biped && layerCtrl);
    // Their sub-controllers are real ones, of the slot's family.
    auto* vertical = static_cast<BezierFloat*>(biped->SubAnim(0));
    vertical->SetKey(0, 1.0f);
    EXPECT_EQ(vertical->NumKeys(), 1);
    auto* prs = new PRSControl();
    Hold(prs, "PRS");
    EXPECT_FALSE(layerCtrl->AssignController(prs, 0));
    EXPECT_TRUE(layerCtrl->AssignController(BezierFloat::Create(2.0f), 0));

    // The class is registered, so files can re-create it; a second registration answers the same class,
    // a different class under the same identity is refused.
    EXPECT_EQ(dir.FindClass(CTRL_FLOAT_CLASS_ID, layer.classId), RegisterGenericControlClass(layer));
    GenericControlConfig clash = layer;
    clash.className = L"Other";
    EXPECT_EQ(RegisterGenericControlClass(clash), nullptr);
    GenericControlConfig prsClash;
    prsClash.superClassId = CTRL_MATRIX3_CLASS_ID;
    prsClash.classId = PRS_CONTROL_CLASS_ID;
    prsClash.className = L"Not PRS";
    EXPECT_EQ(RegisterGenericControlClass(prsClash), nullptr);
}

TEST_F(Controllers, EveryRegisteredControllerClassSavesAndLoadsItsOwnData) {
    ClassDirectory& dir = GetClassDirectory();
    int tested = 0;
    for (int i = 0; i < dir.Count(); ++i) {
        const ClassEntry* e = dir.GetEntryAt(i);
        if (!IsControllerSuperClass(e->SuperClassID())) continue;
        auto* c = static_cast<Control*>(dir.CreateInstance(e->SuperClassID(), e->ClassID()));
        ASSERT_NE(c, nullptr) << e->ClassName();
        Hold(c, "Owner" + std::to_string(i));
        // A value that differs from a fresh controller's, where the class takes one.
        ControlValue v = EvalControlValue(c, 0);
        if (v.Valid()) {
            std::visit(
                [](auto& x) {
                    using T = std::decay_t<decltype(x)>;
                    if constexpr (std::is_same_v<T, float>) x = 2.5f;
                    else if constexpr (std::is_same_v<T, Point3>) x = Point3(1, -2, 3);
                    else if constexpr (std::is_same_v<T, Quat>) x = Quat::FromEulerXYZ(Point3(0.25f, 0.5f, 0.0f));
                    else if constexpr (std::is_same_v<T, ScaleValue>) x = ScaleValue(Point3(2, 3, 4));
                    else if constexpr (std::is_same_v<T, Matrix3>) x = RotateZMatrix(0.5f) * TransMatrix(Point3(3, 2, 1));
                    else if constexpr (std::is_same_v<T, Point4>) x = Point4(1, 2, 3, 4);
                },
                v.Variant());
            c->SetValue(0, v.Ptr());
        }
        if (auto* f = dynamic_cast<BezierFloat*>(c)) f->SetKey(100, -1.0f);
        ReferenceTarget* back = SaveAndReload(c);
        ASSERT_NE(back, nullptr);
        Hold(back, "Back" + std::to_string(i));
        EXPECT_EQ(back->ClassID(), c->ClassID());
        EXPECT_EQ(Dump(back), Dump(c)) << e->ClassName();
        EXPECT_EQ(Dump(back, 100), Dump(c, 100)) << e->ClassName();
        ++tested;
    }
    EXPECT_GE(tested, 60);
}

TEST_F(Controllers, DamagedKeyDataIsRefused) {
    auto* f = BezierFloat::Create(0.0f);
    f->SetKey(0, 1.0f);
    Hold(f);
    ChunkSave s;
    s.BeginChunk(0x2000);
    ASSERT_EQ(f->Save(&s), IO_OK);
    s.EndChunk();
    std::vector<std::uint8_t> bytes = s.Bytes();
    // The key chunk's count (after its 6-byte header) claims more keys than the chunk holds.
    bool patched = false;
    for (size_t i = 0; i + 10 <= bytes.size(); ++i) {
        if (bytes[i] == 0x10 && bytes[i + 1] == 0x01) { // chunk id 0x0110, little-endian
            bytes[i + 6] = 0xFF;
            patched = true;
            break;
        }
    }
    ASSERT_TRUE(patched);
    ChunkLoad l(bytes);
    ASSERT_EQ(l.OpenChunk(), IO_OK);
    BezierFloat fresh(TRUE);
    EXPECT_EQ(fresh.Load(&l), IO_ERROR);
}

TEST_F(Controllers, CloneKeepsSharedSubControllersShared) {
    auto* xyz = new PositionXYZ();
    Hold(xyz, "XYZ");
    Control* shared = xyz->GetAxis(0);
    ASSERT_TRUE(xyz->AssignController(shared, 2));
    float v = 4.0f;
    shared->SetValue(0, &v);

    auto* copy = CloneRefHierarchy(static_cast<ReferenceTarget*>(xyz));
    ASSERT_NE(copy, nullptr);
    Hold(copy, "Copy");
    auto* c = static_cast<PositionXYZ*>(copy);
    EXPECT_EQ(c->GetAxis(0), c->GetAxis(2));
    EXPECT_NE(c->GetAxis(0), c->GetAxis(1));
    EXPECT_NE(c->GetAxis(0), shared);
    EXPECT_EQ(Dump(copy), Dump(xyz));
    // The copy is independent.
    v = 9.0f;
    c->GetAxis(0)->SetValue(0, &v);
    EXPECT_EQ(Value<Point3>(xyz, 0), Point3(4, 0, 4));
    EXPECT_EQ(Value<Point3>(c, 0), Point3(9, 0, 9));
}

} // namespace
