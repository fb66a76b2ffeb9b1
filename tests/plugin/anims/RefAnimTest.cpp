// The mirror base and its kinds: cloning of paths and state, the text dump, and when the animatable
// reference may move.
#include "host/core/Listener.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimModifierKinds.h"
#include "plugin/anims/RefAnimRefKinds.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

namespace {

class RefAnimTest : public ::testing::Test {
protected:
    void SetUp() override { AttachPluginForTests(); }
};

// A mirror freed by its maker without the host's deletion still lets go of its animatable (the host
// aborts on a maker destroyed with references left).
TEST_F(RefAnimTest, AMirrorFreedWithoutTheHostsDeletionLetsGoOfItsAnimatable) {
    auto* anim = new EmptyController(TransMatrix(Point3(1, 2, 3)));
    anim->SetAFlag(A_LOCK_TARGET); // kept from auto-deletion when the mirror lets go
    auto* mirror = new RefAnim(FALSE);
    mirror->ReplaceReference(0, anim);
    mirror->DeleteThis();
    {
        DependentIterator it(anim);
        EXPECT_EQ(it.Next(), nullptr);
    }
    anim->ClearAFlag(A_LOCK_TARGET);
    anim->DeleteMe();
}

// The copy's dump shows its path and state; kind flag, last operation and mark belong to the original's
// life, not to the copy.
TEST_F(RefAnimTest, ACloneCopiesPathAndStateAndTheAnimatableOnlyWhenItIsKept) {
    auto* anim = new EmptyController(TransMatrix(Point3(4, 5, 6)));
    RefAnimWithRefsMod mirror(FALSE);
    mirror.ReplaceReference(0, anim);
    mirror.SetPath({L"Object", L"Bend"});
    mirror.SetPathByNumber({4, 1});
    mirror.SetKindFlag(true);
    mirror.SetLastOperation(124);
    mirror.SetMark(7);
    for (BYTE state : {BYTE(0), BYTE(REFANIM_MODIFIED | REFANIM_RENAMED)}) {
        mirror.SetOverriddenState(state);
        RemapDir remap;
        auto* copy = dynamic_cast<RefAnimWithRefsMod*>(mirror.Clone(remap));
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(remap.FindMapping(&mirror), copy);
        EXPECT_EQ(copy->Describe(), MSTR(L"\nType: RefAnimWithRefsMod\nThe Anim Ref: ") +
                                        (state ? L"EmptyController" : L"NULL") +
                                        L"\nPath: Object,Bend,\nPathByN: 4,1,\nOverridden State: " +
                                        (state ? L"Modified, Renamed, " : L"None.") + L"\nLast Operation: ");
        EXPECT_FALSE(copy->GetKindFlag());
        EXPECT_EQ(copy->GetMark(), 0);
        if (state) {
            auto* animCopy = dynamic_cast<EmptyController*>(copy->GetAnim());
            ASSERT_NE(animCopy, nullptr);
            EXPECT_NE(animCopy, anim);
            EXPECT_EQ(animCopy->Dump(), anim->Dump());
        }
        copy->DeleteThis();
    }
    mirror.DeleteAllRefs();
}

// The dump: kind, animatable, where the path leads now, the path, the numbers, the state words and the
// last operation's name (which looking the path up for the dump does not change).
TEST_F(RefAnimTest, DescribeAndPrintInfoShowWhereTheMirrorStands) {
    INode* box = SceneBuilder().Box("Box01").Build();
    IParamBlock2* pb = box->GetObjectRef()->GetParamBlock(0);
    Control* height = NewDefaultFloatController();
    pb->SetController(2, 0, height);
    auto* rec = new RefNode(FALSE);
    rec->ReplaceReference(0, box);
    const MSTR blk = pb->GetDesc()->int_name;
    RefAnim* m = CreateRefAnim(rec, KIND_PLAIN, height, {L"Object", blk, L"height"}, {4, 2, 3},
                                    REFANIM_REPLACED | REFANIM_LOCDEP | REFANIM_TOGGLED);
    ASSERT_NE(m, nullptr);
    rec->AppendMirror(m);
    MSTR ctrlName, blockClass;
    height->GetClassName(ctrlName);
    pb->GetClassName(blockClass);
    EXPECT_EQ(m->Describe(), L"\nType: RefAnim\nThe Anim Ref: " + ctrlName + L"\nAnim Owner: " + blockClass +
                                 L"\nPath: Object," + blk + L",height,\nPathByN: 4,2,3,\nOverridden State: Replaced, "
                                 L"LocDep, Toggled, \nLast Operation: SetAnim");
    EXPECT_EQ(m->GetLastOperation(), 124);

    RefAnimMod loose(FALSE);
    loose.SetPath({L"Gone"});
    loose.SetPathByNumber({-2});
    EXPECT_EQ(loose.Describe(), MSTR(L"\nType: RefAnimMod\nThe Anim Ref: NULL\nPath: Gone,\nPathByN: -2,\n"
                                     L"Overridden State: None.\nLast Operation: "));
    ListenerCapture capture;
    loose.PrintInfo();
    EXPECT_EQ(capture.Text(), L"\n" + loose.Describe());
    EXPECT_GE(capture.FlushCount(), 1);
    rec->MaybeAutoDelete();
    GetCOREInterface()->DeleteNode(box);
}

// Reference 0 moves to a fresh animatable only during a load, and then not while a modified mirror's
// local users are being handed over.
TEST_F(RefAnimTest, TheAnimatableReferenceMovesOnlyDuringALoad) {
    struct Row {
        OperationCode operation;
        bool locDepTransfer;
        BYTE state;
        bool moves;
    };
    const Row rows[] = {{OperationCode::None, false, 0, false},
                        {OperationCode::Unload, false, 0, false},
                        {OperationCode::Load, false, 0, true},
                        {OperationCode::Load, false, REFANIM_MODIFIED, true},
                        {OperationCode::Load, true, 0, true},
                        {OperationCode::Load, true, REFANIM_LOCDEP, true},
                        {OperationCode::Load, true, REFANIM_MODIFIED, false}};
    RefAnim mirror(FALSE);
    for (const Row& row : rows) {
        mirror.SetOverriddenState(row.state);
        SetCurrentOperation(row.operation);
        SetLocDepTransferFlag(row.locDepTransfer);
        EXPECT_EQ(mirror.CanTransferReference(0) != FALSE, row.moves) << row.operation << row.locDepTransfer;
        EXPECT_TRUE(mirror.CanTransferReference(1));
    }
    SetCurrentOperation(OperationCode::None);
    SetLocDepTransferFlag(false);
}

} // namespace
