// The older parameter block: typed values by index, controllers as sub-animatables, messages, undo,
// persistence and cloning.
#include "host/scene/ParamBlock.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "tests/host/scene/TestValueControl.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

struct ParamBlockTest : ::testing::Test {
    // float, int (fixed), colour, point3, bool
    const ParamBlockDesc layout[5] = {{TYPE_FLOAT_PB1, true},
                                      {TYPE_INT_PB1, false},
                                      {TYPE_RGBA_PB1, true},
                                      {TYPE_POINT3_PB1, true},
                                      {TYPE_BOOL_PB1, true}};
    GraphBuilder g;
    TestMaker* owner = nullptr;
    ParamBlock* pb = nullptr;

    ParamBlockTest() {
        owner = g.Maker("Owner", 1);
        pb = static_cast<ParamBlock*>(CreateParameterBlock(layout, 5, owner));
        g.Link(owner, 0, pb);
    }
    std::string Dump(IParamBlock* b = nullptr) {
        std::ostringstream os;
        DumpParamBlock(b ? b : pb, os, 2);
        return os.str();
    }
    int Changes() const {
        int n = 0;
        for (const HeardMessage& h : g.heard)
            if (h.message == REFMSG_CHANGE) ++n;
        return n;
    }
};

// Values by index, each change a change message to the owner; an int reads as a float too. A value of
// another type or an index out of range is refused without a change.
TEST_F(ParamBlockTest, TypedValuesByIndexWithTheHostsConversions) {
    EXPECT_EQ(pb->SuperClassID(), PARAMETER_BLOCK_CLASS_ID);
    EXPECT_TRUE(pb->SetValue(0, 0, 1.5f));
    EXPECT_TRUE(pb->SetValue(1, 0, 7));
    EXPECT_TRUE(pb->SetValue(2, 0, Point3(0.5f, 0.25f, 1.0f)));
    EXPECT_TRUE(pb->SetValue(3, 0, Point3(1, 2, 3)));
    EXPECT_TRUE(pb->SetValue(4, 0, 1));
    EXPECT_FALSE(pb->SetValue(3, 0, 1.0f));
    EXPECT_FALSE(pb->SetValue(0, 0, Point3()));
    EXPECT_FALSE(pb->SetValue(5, 0, 1));
    EXPECT_FALSE(pb->SetValue(-1, 0, 1));
    EXPECT_EQ(Changes(), 5);
    EXPECT_EQ(Dump(), "  ParamBlock (5 params)\n"
                      "    0 TYPE_FLOAT = 1.5\n"
                      "    1 TYPE_INT (fixed) = 7\n"
                      "    2 TYPE_RGBA = (0.5, 0.25, 1)\n"
                      "    3 TYPE_POINT3 = (1, 2, 3)\n"
                      "    4 TYPE_BOOL = 1\n");
    // What scripts read, through each type's accessor.
    Interval iv = FOREVER;
    float f = 0;
    int i = 0;
    Point3 p;
    EXPECT_TRUE(pb->GetValue(1, 0, f, iv) && f == 7.0f);
    EXPECT_TRUE(pb->GetValue(4, 0, i, iv) && i == 1);
    EXPECT_TRUE(pb->GetValue(2, 0, p, iv) && p == Point3(0.5f, 0.25f, 1.0f));
    EXPECT_FALSE(pb->GetValue(0, 0, p, iv));
}

TEST_F(ParamBlockTest, ControllersAreTheSubAnimatablesOfAnimatableParametersNamedByTheOwner) {
    // The fixed int parameter has no sub-animatable; the numbering skips it.
    EXPECT_EQ(pb->NumSubs(), 4);
    EXPECT_EQ(pb->GetAnimNum(0), 0);
    EXPECT_EQ(pb->GetAnimNum(1), -1);
    EXPECT_EQ(pb->GetAnimNum(2), 1);
    EXPECT_EQ(pb->AnimNumToParamNum(1), 2);
    EXPECT_EQ(pb->AnimNumToParamNum(3), 4);
    EXPECT_EQ(pb->AnimNumToParamNum(4), -1);
    EXPECT_EQ(pb->SubNumToRefNum(3), 4);
    // Their names are the owner's answers.
    EXPECT_EQ(pb->SubAnimName(1), WStr(L"Parameter 3"));
    owner->onMessage = [](RefTargetHandle, PartID& part, RefMessage msg) {
        if (msg != REFMSG_GET_PARAM_NAME) return;
        auto* gpn = reinterpret_cast<GetParamName*>(part);
        gpn->name = WStr::Format(L"Colour %d", gpn->index);
    };
    EXPECT_EQ(pb->SubAnimName(1), WStr(L"Colour 2"));
    EXPECT_EQ(pb->SubAnimName(9), WStr());

    pb->SetValue(0, 0, 2.0f);
    auto* fc = new FloatCtrl(9);
    pb->SetController(0, fc); // takes the current value at frame 0
    EXPECT_EQ(pb->GetController(0), fc);
    EXPECT_EQ(pb->SubAnim(0), fc);
    EXPECT_EQ(pb->GetReference(0), fc);
    EXPECT_FLOAT_EQ(fc->value, 2.0f);
    fc->value = 4;
    Interval iv = FOREVER;
    float f = 0;
    pb->GetValue(0, 0, f, iv);
    EXPECT_FLOAT_EQ(f, 4.0f);
    pb->SetValue(0, 0, 5.0f);
    EXPECT_FLOAT_EQ(fc->value, 5.0f);
    const int before = Changes();
    float six = 6;
    fc->SetValue(0, &six, 1, CTRL_ABSOLUTE);
    EXPECT_EQ(Changes(), before + 1); // a change inside the controller is a change of the block

    auto* pc = new Point3Ctrl(Point3(1, 2, 3));
    EXPECT_TRUE(pb->AssignController(pc, pb->GetAnimNum(2)));
    EXPECT_EQ(pb->GetController(2), pc);
    auto* wrong = new FloatCtrl();
    pb->SetController(3, wrong); // a float controller cannot drive a point3
    pb->SetController(1, wrong); // nor can a fixed parameter be animated
    EXPECT_EQ(pb->GetController(3), nullptr);
    EXPECT_EQ(pb->GetController(1), nullptr);
    wrong->MaybeAutoDelete();

    pb->RemoveController(0); // the value at frame 0 stays
    EXPECT_EQ(pb->GetController(0), nullptr);
    pb->GetValue(0, 0, f, iv);
    EXPECT_FLOAT_EQ(f, 6.0f);
}

// Each edit is one undo step that tells the owner again when it is undone and redone.
TEST_F(ParamBlockTest, UndoAndRedoGiveBackValuesAndControllers) {
    pb->SetValue(0, 0, 1.0f);
    auto* fc = new FloatCtrl(8);
    const std::pair<const char*, std::function<void()>> steps[] = {
        {"values", [&] { pb->SetValue(0, 0, 2.0f), pb->SetValue(3, 0, Point3(4, 5, 6)); }},
        {"assign", [&] { pb->SetController(0, fc, FALSE); }},
        {"remove", [&] { pb->RemoveController(0); }},
    };
    for (const auto& [what, edit] : steps) {
        const int before = Changes();
        ExpectUndoRedoExact([&] { return Dump(); }, edit, what);
        EXPECT_GE(Changes(), before + 3) << what;
    }
}

TEST_F(ParamBlockTest, SaveLoadAndCloneKeepLayoutValuesAndControllers) {
    RegisterParamBlockClasses();
    pb->SetValue(0, 0, 0.125f);
    pb->SetValue(1, 0, -3);
    pb->SetValue(2, 0, Point3(0.1f, 0.2f, 0.3f));
    pb->SetValue(4, 0, 1);
    auto* fc = new FloatCtrl(6);
    pb->SetController(0, fc, FALSE);
    ChunkSave out;
    ASSERT_EQ(pb->Save(&out), IO_OK);
    auto* loaded = static_cast<ParamBlock*>(
        GetClassDirectory().CreateInstance(PARAMETER_BLOCK_CLASS_ID, PARAMBLOCK_CLASS_ID, true));
    ASSERT_NE(loaded, nullptr);
    ChunkLoad in(out.Bytes());
    ASSERT_EQ(loaded->Load(&in), IO_OK) << loaded->LoadError();
    TestMaker* holder = g.Maker("Holder", 2);
    g.Link(holder, 0, loaded);
    ASSERT_EQ(loaded->NumRefs(), 5);
    EXPECT_EQ(loaded->ReplaceReference(0, fc), REF_SUCCEED);
    EXPECT_EQ(Dump(loaded), Dump());

    auto* copy = static_cast<ParamBlock*>(CloneRefHierarchy(pb));
    g.Link(holder, 1, copy);
    EXPECT_EQ(Dump(copy), Dump());
    EXPECT_NE(copy->GetController(0), fc);
    copy->SetValue(1, 0, 100);
    int i = 0;
    Interval iv = FOREVER;
    pb->GetValue(1, 0, i, iv);
    EXPECT_EQ(i, -3);

    // A layout that does not match its values is refused with the sizes found.
    std::vector<std::uint8_t> bytes = out.Bytes();
    bytes[6] = 9; // parameter count
    ParamBlock damaged(nullptr, 0, nullptr);
    ChunkLoad bad(bytes);
    EXPECT_EQ(damaged.Load(&bad), IO_ERROR);
    EXPECT_NE(damaged.LoadError().ToUTF8().find("9 parameters"), std::string::npos) << damaged.LoadError();
}

} // namespace

namespace {

// The block names the parameter each change message is about: an edit of a value, and a change inside
// the controller that animates another.
TEST_F(ParamBlockTest, TheLastNotifiedParameterIsTheOneThatChanged) {
    auto* fc = new FloatCtrl(1);
    pb->SetController(4, fc, FALSE);
    std::string seen = std::to_string(pb->LastNotifyParamNum());
    pb->SetValue(3, 0, Point3(1, 2, 3));
    seen += " " + std::to_string(pb->LastNotifyParamNum());
    float v = 5;
    fc->SetValue(0, &v, 1, CTRL_ABSOLUTE);
    seen += " " + std::to_string(pb->LastNotifyParamNum());
    EXPECT_EQ(seen, "4 3 4");
}

} // namespace
