// Parameter blocks of the second generation: values of every type family, tables, controllers,
// accessors, reference strength, undo, persistence and cloning.
#include "host/scene/ParamBlock2.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "tests/host/scene/TestValueControl.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <sstream>

namespace {

// The owner's class: blocks whose descriptor names it adopt a TestMaker that references them.
class OwnerClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return nullptr; }
    const MCHAR* ClassName() override { return L"TestMaker"; }
    SClass_ID SuperClassID() override { return TEST_SUPER_CLASS_ID; }
    Class_ID ClassID() override { return TEST_MAKER_CLASS_ID; }
    const MCHAR* Category() override { return L""; }
};

struct CountingAccessor : PBAccessor {
    int sets = 0, gets = 0;
    ParamID lastId = -1;
    int lastTab = -1;
    ReferenceMaker* lastOwner = nullptr;
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue) override {
        ++sets;
        lastId = id;
        lastTab = tabIndex;
        lastOwner = owner;
        if (v.i > 100) v.i = 100; // accessors may clamp what is stored
    }
    void Get(PB2Value& v, ReferenceMaker*, ParamID, int, TimeValue, Interval&) override {
        ++gets;
        v.i += 1000; // and change what is read
    }
};

enum : ParamID {
    p_int,
    p_bool,
    p_index,
    p_radio,
    p_float,
    p_angle,
    p_pcnt,
    p_world,
    p_chan,
    p_point3,
    p_rgba,
    p_hsv,
    p_point4,
    p_frgba,
    p_matrix,
    p_string,
    p_file,
    p_floats,
    p_names,
    p_refs,
    p_node,
    p_nodes,
    p_mtls,
    p_temp,
    p_clamped,
    p_keep,
    p_anim,
    p_color
};

// One block layout with every family; tables start with two elements.
struct Fixture : ::testing::Test {
    OwnerClassDesc cd;
    ParamBlockDesc2 desc{0, L"Test_Params", -1, &cd, P_AUTO_CONSTRUCT, 0};
    CountingAccessor accessor;
    GraphBuilder g;
    TestMaker* owner = nullptr;
    ParamBlock2* pb = nullptr;

    Fixture() {
        auto add = [&](ParamID id, const MCHAR* name, int type, int flags, PB2Value def = PB2Value()) {
            ParamDef d;
            d.ID = id;
            d.int_name = name;
            d.type = type;
            d.flags = flags;
            d.def = def;
            d.tab_size = is_tab(type) ? 2 : 0;
            desc.AddParam(d);
        };
        add(p_int, L"Count", TYPE_INT, P_RESET_DEFAULT, PB2Value::Int(7));
        add(p_bool, L"On", TYPE_BOOL, 0, PB2Value::Int(1));
        add(p_index, L"Which", TYPE_INDEX, 0);
        add(p_radio, L"Mode", TYPE_RADIOBTN_INDEX, 0);
        add(p_float, L"Size", TYPE_FLOAT, P_RESET_DEFAULT, PB2Value::Float(2.5f));
        add(p_angle, L"Angle", TYPE_ANGLE, 0);
        add(p_pcnt, L"Amount", TYPE_PCNT_FRAC, 0);
        add(p_world, L"Radius", TYPE_WORLD, P_ANIMATABLE, PB2Value::Float(10));
        add(p_chan, L"Channel", TYPE_COLOR_CHANNEL, 0);
        add(p_point3, L"Offset", TYPE_POINT3, P_ANIMATABLE);
        add(p_rgba, L"Tint", TYPE_RGBA, 0, PB2Value::Pt3(Point3(1, 0, 0)));
        add(p_hsv, L"Hsv", TYPE_HSV, 0);
        add(p_point4, L"Quad", TYPE_POINT4, 0);
        add(p_frgba, L"Fill", TYPE_FRGBA, 0);
        add(p_matrix, L"Frame", TYPE_MATRIX3, 0);
        add(p_string, L"Label", TYPE_STRING, P_RESET_DEFAULT, PB2Value::Str(L"hello"));
        add(p_file, L"Path", TYPE_FILENAME, 0);
        add(p_floats, L"Weights", TYPE_FLOAT_TAB, P_ANIMATABLE, PB2Value::Float(1));
        add(p_names, L"Names", TYPE_STRING_TAB, 0, PB2Value::Str(L"n"));
        add(p_refs, L"Items", TYPE_REFTARG_TAB, P_SUBANIM);
        add(p_node, L"Target", TYPE_INODE, 0);
        add(p_nodes, L"Nodes", TYPE_INODE_TAB, 0);
        add(p_mtls, L"Mtls", TYPE_MTL_TAB, 0);
        add(p_temp, L"Active", TYPE_BOOL, P_TRANSIENT | P_RESET_DEFAULT, PB2Value::Int(1));
        add(p_clamped, L"Clamped", TYPE_INT, 0);
        add(p_keep, L"", TYPE_FLOAT, 0, PB2Value::Float(4)); // empty names are allowed
        add(p_anim, L"Spin", TYPE_FLOAT, P_ANIMATABLE);
        add(p_color, L"Glow", TYPE_RGBA, P_ANIMATABLE);
        desc.GetParamDefByID(p_clamped)->accessor = &accessor;
        owner = g.Maker("Owner", 2);
        pb = static_cast<ParamBlock2*>(CreateParameterBlock2(&desc, owner));
        g.Link(owner, 0, pb);
    }

    std::string Dump(IParamBlock2* b = nullptr) {
        std::ostringstream os;
        DumpParamBlock2(b ? b : pb, os, 0);
        return os.str();
    }
    int Changes() const {
        int n = 0;
        for (const HeardMessage& h : g.heard)
            if (h.receiver == "Owner" && h.message == REFMSG_CHANGE) ++n;
        return n;
    }
};

using ParamBlock2Test = Fixture;

TEST_F(ParamBlock2Test, EveryTypeFamilyKeepsWhatIsSetAndStartsAtItsDefault) {
    EXPECT_EQ(pb->GetInt(p_int), 7);
    EXPECT_FLOAT_EQ(pb->GetFloat(p_float), 2.5f);
    EXPECT_EQ(pb->GetPoint3(p_rgba), Point3(1, 0, 0));
    EXPECT_STREQ(pb->GetStr(p_string), L"hello");
    EXPECT_STREQ(pb->GetStr(p_names, 0, 1), L"n");
    EXPECT_EQ(pb->Count(p_names), 2);

    Interval iv = FOREVER;
    for (ParamID id : {p_int, p_bool, p_index, p_radio}) {
        EXPECT_TRUE(pb->SetValue(id, 0, 3 + id));
        EXPECT_EQ(pb->GetInt(id), 3 + id) << id;
    }
    for (ParamID id : {p_float, p_angle, p_pcnt, p_world, p_chan}) {
        EXPECT_TRUE(pb->SetValue(id, 0, 0.25f * id));
        EXPECT_FLOAT_EQ(pb->GetFloat(id), 0.25f * id) << id;
    }
    for (ParamID id : {p_point3, p_rgba, p_hsv}) {
        EXPECT_TRUE(pb->SetValue(id, 0, Point3(id, 2, 3)));
        EXPECT_EQ(pb->GetPoint3(id), Point3(id, 2, 3)) << id;
    }
    for (ParamID id : {p_point4, p_frgba}) {
        Point4 v;
        EXPECT_TRUE(pb->SetValue(id, 0, Point4(1, 2, 3, 0.5f)) && pb->GetValue(id, 0, v, iv));
        EXPECT_EQ(v, Point4(1, 2, 3, 0.5f)) << id;
    }
    const Matrix3 m = TransMatrix(Point3(1, 2, 3)) * RotateZMatrix(0.5f);
    Matrix3 back;
    EXPECT_TRUE(pb->SetValue(p_matrix, 0, m) && pb->GetValue(p_matrix, 0, back, iv));
    EXPECT_TRUE(back.Equals(m));
    EXPECT_TRUE(pb->SetValue(p_file, 0, L"C:\\scenes\\\x00e9t\x00e9.scene"));
    EXPECT_STREQ(pb->GetStr(p_file), L"C:\\scenes\\\x00e9t\x00e9.scene");
    EXPECT_TRUE(iv == FOREVER); // constants do not narrow validity

    // Conversions the host makes: int <-> float, colour into a four-channel colour with alpha 1.
    EXPECT_TRUE(pb->SetValue(p_int, 0, 2.6f));
    EXPECT_EQ(pb->GetInt(p_int), 3);
    EXPECT_FLOAT_EQ(pb->GetFloat(p_int), 3.0f);
    Point4 c;
    EXPECT_TRUE(pb->SetValue(p_frgba, 0, Point3(0.1f, 0.2f, 0.3f)) && pb->GetValue(p_frgba, 0, c, iv));
    EXPECT_EQ(c, Point4(0.1f, 0.2f, 0.3f, 1.0f));
    // Mismatches, unknown ids and elements out of range fail without a change.
    const std::string before = Dump();
    EXPECT_FALSE(pb->SetValue(p_float, 0, L"text") || pb->SetValue(p_string, 0, 1.0f) ||
                 pb->SetValue(p_matrix, 0, Point3()) || pb->SetValue(999, 0, 1) ||
                 pb->SetValue(p_names, 0, L"x", 2) || pb->SetValue(p_names, 0, L"x", -1));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(pb->GetParameterType(p_names), TYPE_STRING_TAB);
    EXPECT_EQ(pb->GetParameterType(999), TYPE_UNSPECIFIED);
}

TEST_F(ParamBlock2Test, TablesGrowWithDefaultsShrinkDeleteAndAppend) {
    pb->SetValue(p_names, 0, L"a", 0);
    pb->SetValue(p_names, 0, L"b", 1);
    pb->SetCount(p_names, 4);
    const int changes = Changes();
    pb->SetCount(p_names, 4); // no change, no message
    EXPECT_EQ(Changes(), changes);
    EXPECT_EQ(pb->Count(p_names), 4);
    EXPECT_STREQ(pb->GetStr(p_names, 0, 3), L"n");
    pb->SetValue(p_names, 0, L"d", 3);
    EXPECT_EQ(pb->Delete(p_names, 1, 2), 2);
    EXPECT_STREQ(pb->GetStr(p_names, 0, 0), L"a");
    EXPECT_STREQ(pb->GetStr(p_names, 0, 1), L"d");
    EXPECT_EQ(pb->Delete(p_names, 1, 5), 2); // out of range: nothing
    const MCHAR* more[] = {L"e", L"f"};
    EXPECT_EQ(pb->Append(p_names, 2, more), 2);
    EXPECT_STREQ(pb->GetStr(p_names, 0, 3), L"f");
    const float w[] = {0.5f};
    EXPECT_EQ(pb->Append(p_floats, 1, w), 2);
    EXPECT_FLOAT_EQ(pb->GetFloat(p_floats, 0, 2), 0.5f);
    EXPECT_EQ(pb->Append(p_float, 1, w), -1); // not a table
    EXPECT_EQ(pb->Count(p_float), 0);
    pb->SetCount(p_names, 0);
    EXPECT_EQ(pb->Count(p_names), 0);
}

TEST_F(ParamBlock2Test, ReferenceTablesKeepNumberingAndTargetsThroughDeletion) {
    TestTarget* a = g.Target("A");
    TestTarget* b = g.Target("B");
    TestTarget* c = g.Target("C");
    pb->SetCount(p_refs, 3);
    pb->SetValue(p_refs, 0, a, 0);
    pb->SetValue(p_refs, 0, b, 1);
    pb->SetValue(p_refs, 0, c, 2);
    // Every reference of the block is enumerable, and the sub-animatables name the elements.
    std::vector<ReferenceTarget*> refs;
    for (int i = 0; i < pb->NumRefs(); ++i)
        if (ReferenceTarget* t = pb->GetReference(i)) refs.push_back(t);
    EXPECT_EQ(refs, (std::vector<ReferenceTarget*>{a, b, c}));
    const int sub = pb->GetAnimNum(p_refs, 1);
    EXPECT_EQ(pb->SubAnim(sub), b);
    EXPECT_EQ(pb->SubAnimName(sub), WStr(L"Items[1]"));
    EXPECT_EQ(pb->GetReference(pb->SubNumToRefNum(sub)), b);

    pb->Delete(p_refs, 0, 1); // A loses its only real dependent
    EXPECT_FALSE(g.Alive("A"));
    EXPECT_EQ(pb->GetReferenceTarget(p_refs, 0, 0), b);
    EXPECT_EQ(pb->GetReferenceTarget(p_refs, 0, 1), c);
    EXPECT_EQ(pb->GetReference(pb->SubNumToRefNum(pb->GetAnimNum(p_refs, 1))), c);
    // A change inside C is a change of the block.
    const int before = Changes();
    c->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
    EXPECT_EQ(Changes(), before + 1);
    // Type checks of reference parameters.
    EXPECT_FALSE(pb->SetValue(p_mtls, 0, b, 0));
    EXPECT_FALSE(pb->SetValue(p_node, 0, b));
}

TEST_F(ParamBlock2Test, ReferenceParametersKeepTargetsAliveButNodeParametersDoNot) {
    TestMaker* scene = g.Maker("Scene", 3);
    TestTarget* kept = g.Target("Kept", 0, BASENODE_CLASS_ID);
    TestTarget* node = g.Target("Node", 0, BASENODE_CLASS_ID);
    TestTarget* listed = g.Target("Listed", 0, BASENODE_CLASS_ID);
    g.Link(scene, 0, kept);
    g.Link(scene, 1, node);
    g.Link(scene, 2, listed);
    EXPECT_TRUE(pb->SetValue(p_refs, 0, kept, 0));
    EXPECT_TRUE(pb->SetValue(p_node, 0, node));
    EXPECT_TRUE(pb->SetValue(p_nodes, 0, listed, 1));
    EXPECT_TRUE(pb->IsRealDependency(kept));
    EXPECT_FALSE(pb->IsRealDependency(node));
    EXPECT_TRUE(pb->ShouldPersistWeakRef(node)); // node values are written with the scene

    scene->DeleteReference(0);
    scene->DeleteReference(1);
    scene->DeleteReference(2);
    EXPECT_TRUE(g.Alive("Kept"));
    EXPECT_FALSE(g.Alive("Node"));
    EXPECT_FALSE(g.Alive("Listed"));
    EXPECT_EQ(pb->GetReferenceTarget(p_node), nullptr);
    EXPECT_EQ(pb->GetReferenceTarget(p_nodes, 0, 1), nullptr);
    EXPECT_EQ(pb->Count(p_nodes), 2);
    EXPECT_EQ(pb->GetReferenceTarget(p_refs, 0, 0), kept);
}

TEST_F(ParamBlock2Test, ControllersAnimateElementsAndAreTheBlocksSubAnimatables) {
    EXPECT_EQ(pb->GetController(p_world), nullptr);
    const int radiusSub = pb->GetAnimNum(p_world);
    ASSERT_GE(radiusSub, 0);
    EXPECT_EQ(pb->GetAnimNum(p_float), -1); // not animatable
    EXPECT_EQ(pb->SubAnimName(radiusSub), WStr(L"Radius"));
    EXPECT_TRUE(pb->CanAssignController(radiusSub));
    EXPECT_EQ(pb->SubAnim(radiusSub), nullptr);

    auto* ctrl = new FloatCtrl(99);
    const int before = Changes();
    EXPECT_TRUE(pb->SetController(p_world, 0, ctrl)); // keeps the value it had at frame 0
    EXPECT_EQ(Changes(), before + 1);
    EXPECT_EQ(pb->GetController(p_world), ctrl);
    EXPECT_EQ(pb->SubAnim(radiusSub), ctrl);
    EXPECT_FLOAT_EQ(ctrl->value, 10.0f);
    pb->SetValue(p_world, 0, 12.0f); // goes to the controller
    EXPECT_FLOAT_EQ(ctrl->value, 12.0f);
    ctrl->value = 13;
    Interval iv = FOREVER;
    float r = 0;
    pb->GetValue(p_world, 50, r, iv);
    EXPECT_FLOAT_EQ(r, 13.0f);
    EXPECT_TRUE(iv == Interval(0, 100)); // narrowed by the controller
    // A change inside the controller is a change of the block.
    ctrl->SetValue(0, &r, 1, CTRL_ABSOLUTE);
    EXPECT_EQ(Changes(), before + 3);

    // Table elements each have their own controller.
    auto* w1 = new FloatCtrl(0.25f);
    EXPECT_TRUE(pb->SetController(p_floats, 1, w1, FALSE));
    EXPECT_FLOAT_EQ(pb->GetFloat(p_floats, 0, 1), 0.25f);
    EXPECT_FLOAT_EQ(pb->GetFloat(p_floats, 0, 0), 1.0f);
    int tab = -1;
    EXPECT_EQ(pb->AnimNumToParamNum(pb->GetAnimNum(p_floats, 1), tab), p_floats);
    EXPECT_EQ(tab, 1);
    EXPECT_EQ(pb->SubAnimName(pb->GetAnimNum(p_floats, 1)), WStr(L"Weights[1]"));
    EXPECT_EQ(pb->AnimNumToParamNum(pb->NumSubs(), tab), -1);

    // Controllers must produce the parameter's value type.
    auto* wrongType = new Point3Ctrl();
    auto* notAnimatable = new FloatCtrl();
    EXPECT_FALSE(pb->SetController(p_world, 0, wrongType));
    EXPECT_FALSE(pb->SetController(p_string, 0, notAnimatable));
    EXPECT_FALSE(wrongType->HasDependents());
    wrongType->MaybeAutoDelete();
    notAnimatable->MaybeAutoDelete();
    auto* pc = new Point3Ctrl();
    EXPECT_TRUE(pb->AssignController(pc, pb->GetAnimNum(p_color)));
    EXPECT_EQ(pb->GetController(p_color), pc);

    // Removing the controller keeps its value at frame 0 as the constant.
    pb->RemoveController(p_world);
    EXPECT_EQ(pb->GetController(p_world), nullptr);
    EXPECT_FLOAT_EQ(pb->GetFloat(p_world), 13.0f);
}

// An integer read takes the element's own value only where nothing else gives it: a controller, the
// parameter's family or an accessor.
TEST_F(ParamBlock2Test, IntegerReadsFollowControllersFamiliesAndAccessors) {
    ParamBlockDesc2 ints{1, L"Ints", -1, &cd, 0, 0};
    ParamDef frames{.ID = 0, .int_name = L"Frames", .type = TYPE_INT, .flags = P_ANIMATABLE};
    frames.def = PB2Value::Int(3);
    ints.AddParam(frames);
    ParamDef place{.ID = 1, .int_name = L"Place", .type = TYPE_POINT3};
    ints.AddParam(place);
    auto* block = static_cast<ParamBlock2*>(CreateParameterBlock2(&ints, g.Maker("IntsOwner", 1)));
    EXPECT_EQ(block->GetInt(0), 3);
    block->SetController(0, 0, new FloatCtrl(8.6f), FALSE);
    pb->SetValue(p_clamped, 0, 50);
    const struct {
        IParamBlock2* block;
        ParamID id;
        int want;
    } reads[] = {{block, 0, 9}, {block, 1, 0}, {pb, p_float, 3}, {pb, p_clamped, 1050}, {pb, p_bool, 1}};
    for (const auto& r : reads) EXPECT_EQ(r.block->GetInt(r.id), r.want) << r.id;
    block->DeleteMe();
}

TEST_F(ParamBlock2Test, AccessorsSeeEveryChangeAndEveryRead) {
    EXPECT_TRUE(pb->SetValue(p_clamped, 0, 500));
    EXPECT_EQ(accessor.sets, 1);
    EXPECT_EQ(accessor.lastId, p_clamped);
    EXPECT_EQ(accessor.lastTab, 0);
    EXPECT_EQ(accessor.lastOwner, owner);
    EXPECT_EQ(pb->GetInt(p_clamped), 1100); // stored clamped to 100, read through Get
    EXPECT_EQ(accessor.gets, 1);
    pb->SetValue(p_clamped, 0, 5.0f);
    EXPECT_EQ(accessor.sets, 2);
    pb->GetInt(p_float); // other parameters do not call it
    EXPECT_EQ(accessor.gets, 1);
}

TEST_F(ParamBlock2Test, UndoAndRedoOfValuesTablesAndControllersGiveBackTheExactBlock) {
    TestTarget* a = g.Target("A");
    TestTarget* b = g.Target("B");
    TestTarget* c = g.Target("C");
    pb->SetCount(p_refs, 3);
    pb->SetValue(p_refs, 0, a, 1);
    pb->SetValue(p_refs, 0, b, 2);
    pb->SetValue(p_names, 0, L"x", 0);
    const std::string start = Dump();

    struct Step {
        const char* name;
        std::function<void()> edit;
    };
    auto* ctrl = new FloatCtrl(3);
    std::vector<Step> steps = {
        {"float", [&] { pb->SetValue(p_float, 0, 8.0f); }},
        {"string", [&] { pb->SetValue(p_names, 0, L"y", 1); }},
        {"matrix", [&] { pb->SetValue(p_matrix, 0, TransMatrix(Point3(4, 5, 6))); }},
        {"shrink", [&] { pb->SetCount(p_refs, 1); }},
        {"grow", [&] { pb->SetCount(p_names, 6); }},
        {"controller", [&] { pb->SetController(p_world, 0, ctrl); }},
        {"animated value", [&] { pb->SetValue(p_world, 0, 20.0f); }},
        {"remove controller", [&] { pb->RemoveController(p_world); }},
        {"reference", [&] { pb->SetValue(p_refs, 0, c, 0); }},
    };
    for (const Step& s : steps) {
        const int before = Changes();
        ExpectUndoRedoExact([&] { return Dump(); }, s.edit, s.name);
        EXPECT_GE(Changes(), before + 3) << s.name << ": the edit, its undo and its redo each notify";
    }
    EXPECT_TRUE(a->TestAFlag(A_IS_DELETED)); // dropped by the shrink, kept by the undo step
    for (size_t i = 0; i < steps.size(); ++i) ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(Dump(), start);
    EXPECT_FALSE(a->TestAFlag(A_IS_DELETED));
    EXPECT_EQ(pb->GetReferenceTarget(p_refs, 0, 1), a);
    ctrl->MaybeAutoDelete(); // undone, the block no longer holds it
}

// Registers a class for the length of a test.
struct Registered {
    ClassDesc* cd;
    explicit Registered(ClassDesc* c) : cd(c) { GetClassDirectory().AddClass(cd); }
    ~Registered() { GetClassDirectory().RemoveClass(cd); }
};

TEST_F(ParamBlock2Test, SaveAndLoadRoundTripEverythingButTransientParameters) {
    RegisterParamBlockClasses();
    Registered reg(&cd);
    TestTarget* a = g.Target("A");
    pb->SetValue(p_int, 0, 42);
    pb->SetValue(p_matrix, 0, TransMatrix(Point3(1, 2, 3)));
    pb->SetValue(p_hsv, 0, Point3(0.5f, 0.25f, 1.0f));
    pb->SetValue(p_frgba, 0, Point4(1, 2, 3, 4));
    pb->SetValue(p_file, 0, L"\x0416\x0443\x043a.scene");
    pb->SetCount(p_names, 3);
    pb->SetValue(p_names, 0, L"", 1);
    pb->SetValue(p_names, 0, L"third", 2);
    pb->SetCount(p_refs, 4);
    pb->SetValue(p_refs, 0, a, 3);
    pb->SetController(p_anim, 0, new FloatCtrl(6));
    pb->SetValue(p_temp, 0, 0); // transient: not saved
    const std::string saved = Dump();

    ChunkSave out;
    ASSERT_EQ(pb->Save(&out), IO_OK);
    ASSERT_EQ(out.Commit(), IO_OK);

    // As the scene reader does: create by class, load, then restore the references by number.
    auto* loaded = static_cast<ParamBlock2*>(
        GetClassDirectory().CreateInstance(PARAMETER_BLOCK2_CLASS_ID, PARAMBLOCK2_CLASS_ID, true));
    ASSERT_NE(loaded, nullptr);
    ChunkLoad in(out.Bytes());
    ASSERT_EQ(loaded->Load(&in), IO_OK) << loaded->LoadError();
    ASSERT_EQ(loaded->NumRefs(), pb->NumRefs());
    for (int i = 0; i < pb->NumRefs(); ++i) {
        if (ReferenceTarget* t = pb->GetReference(i)) {
            EXPECT_EQ(loaded->ReplaceReference(i, t), REF_SUCCEED);
        }
    }
    TestMaker* other = g.Maker("Other", 1);
    other->ReplaceReference(0, loaded); // the owner's reference arrives: the block adopts it
    EXPECT_EQ(loaded->GetOwner(), other);
    EXPECT_EQ(loaded->GetDesc(), &desc);
    EXPECT_EQ(loaded->GetInt(p_temp), 1);
    loaded->SetValue(p_temp, 0, 0);
    EXPECT_EQ(Dump(loaded), saved);

    // Damage is reported with its context, not read past.
    std::vector<std::uint8_t> bytes = out.Bytes();
    ASSERT_GT(bytes.size(), 40u);
    bytes.resize(bytes.size() - 3);
    auto* broken = new ParamBlock2(&desc, nullptr);
    ChunkLoad bad(bytes);
    EXPECT_EQ(broken->Load(&bad), IO_ERROR);
    EXPECT_FALSE(broken->LoadError().isNull());
    broken->MaybeAutoDelete();
}

TEST_F(ParamBlock2Test, LoadingABlockOfAnUnknownClassFailsWithItsIdentity) {
    ChunkSave out;
    pb->Save(&out);
    ParamBlock2 orphan(nullptr, nullptr);
    ChunkLoad in(out.Bytes());
    EXPECT_EQ(orphan.Load(&in), IO_ERROR);
    EXPECT_NE(orphan.LoadError().ToUTF8().find("0x7e570002"), std::string::npos) << orphan.LoadError();
}

TEST_F(ParamBlock2Test, CloneCopiesValuesAndControllersButSharesNodes) {
    TestMaker* scene = g.Maker("Scene", 2);
    TestTarget* node = g.Target("Node", 0, BASENODE_CLASS_ID);
    TestTarget* item = g.Target("Item");
    g.Link(scene, 0, node);
    pb->SetValue(p_node, 0, node);
    pb->SetValue(p_refs, 0, item, 0);
    auto* ctrl = new FloatCtrl(5);
    pb->SetController(p_world, 0, ctrl, FALSE);
    pb->SetValue(p_names, 0, L"orig", 0);

    auto* copy = static_cast<ParamBlock2*>(CloneRefHierarchy(pb));
    ASSERT_NE(copy, nullptr);
    g.Link(scene, 1, copy);
    EXPECT_EQ(Dump(copy), Dump());
    EXPECT_NE(copy->GetController(p_world), ctrl);
    EXPECT_NE(copy->GetReferenceTarget(p_refs, 0, 0), item);
    EXPECT_EQ(copy->GetReferenceTarget(p_node), node);
    copy->SetValue(p_world, 0, 1.0f);
    copy->SetValue(p_names, 0, L"copy", 0);
    EXPECT_FLOAT_EQ(ctrl->value, 5.0f);
    EXPECT_STREQ(pb->GetStr(p_names, 0, 0), L"orig");

    // Cloned together with its node, the copy points at the node's copy.
    TestTarget* holder = g.Target("Holder", 2);
    g.Link(holder, 0, pb);
    g.Link(holder, 1, node);
    auto* holderCopy = static_cast<TestTarget*>(CloneRefHierarchy(holder));
    auto* pbCopy = static_cast<ParamBlock2*>(holderCopy->GetReference(0));
    EXPECT_EQ(pbCopy->GetReferenceTarget(p_node), holderCopy->GetReference(1));
    EXPECT_NE(pbCopy->GetReferenceTarget(p_node), node);
}

TEST_F(ParamBlock2Test, AutoConstructionPutsBlocksIntoTheOwnersReferences) {
    ParamBlockDesc2 second(1, L"Second", -1, &cd, P_AUTO_CONSTRUCT, 1);
    second.AddParam(ParamDef{.ID = 0, .int_name = L"Solo", .type = TYPE_FLOAT});
    ParamBlockDesc2 manual(2, L"Manual", -1, &cd, 0, 1);
    EXPECT_EQ(cd.GetParamBlockDescByID(1), &second);
    TestMaker* obj = g.Maker("Obj", 2);
    cd.MakeAutoParamBlocks(obj);
    auto* first = dynamic_cast<IParamBlock2*>(obj->GetReference(0));
    auto* other = dynamic_cast<IParamBlock2*>(obj->GetReference(1));
    ASSERT_NE(first, nullptr);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(first->GetDesc(), &desc);
    EXPECT_EQ(other->GetDesc(), &second);
    EXPECT_EQ(other->GetOwner(), obj);
    EXPECT_THROW(second.AddParam(ParamDef{.ID = 0, .int_name = L"Again"}), MAXException);
    delete obj; // its blocks go while their descriptors still exist
}

} // namespace

// Ids index a table directly up to a bound and are hashed past it; both sides answer alike.
TEST(ParamBlockDesc2Ids, EveryIdFindsItsIndexOnBothSidesOfTheDirectTable) {
    ParamBlockDesc2 desc(0, L"Ids", -1, nullptr, 0);
    const ParamID ids[] = {7, 2000, 1023, 1024, 0, -3};
    for (ParamID id : ids) desc.AddParam(ParamDef{.ID = id});
    for (int i = 0; i < 6; ++i) EXPECT_EQ(desc.IDtoIndex(ids[i]), i) << ids[i];
    for (ParamID unknown : {1, 5000, -1}) EXPECT_EQ(desc.IDtoIndex(unknown), -1) << unknown;
    EXPECT_THROW(desc.AddParam(ParamDef{.ID = 2000}), MAXException);
}

// Controllers read by index are the sub-animatables of the same elements, however the slots moved.
TEST_F(ParamBlock2Test, ControllersByIndexAreTheSubAnimatablesThroughLayoutChanges) {
    auto agrees = [&](const char* step) {
        for (int k = 0, tab = -1; k < pb->NumSubs(); ++k) {
            const int index = pb->IDtoIndex(pb->AnimNumToParamNum(k, tab));
            if (pb->GetParamDefByIndex(static_cast<unsigned short>(index)).flags & P_ANIMATABLE) {
                EXPECT_EQ(pb->GetControllerByIndex(index, std::max(tab, 0)), pb->SubAnim(k)) << step << k;
            }
        }
    };
    pb->SetController(p_anim, 0, new FloatCtrl(1), FALSE);
    pb->SetController(p_floats, 1, new FloatCtrl(2), FALSE);
    agrees("set");
    pb->SetCount(p_floats, 5); // in front of p_anim's slot
    pb->SetController(p_floats, 4, new FloatCtrl(3), FALSE);
    agrees("grown");
    pb->SetCount(p_floats, 1);
    pb->RemoveController(p_anim);
    agrees("shrunk and removed");
    EXPECT_EQ(pb->GetControllerByIndex(pb->NumParams()), nullptr);
}
