// RefHolder: sizing through its "RefHolder" interface, reference bookkeeping and undo, cloning, and a
// round trip through the host's scene files.
#include "plugin/records/RefHolder.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/ClassDirectory.h"
#include "host/core/FPInterface.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/core/RemapDir.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/records/RecordClassDescs.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

namespace {

class RefHolderTest : public PluginSceneFixture {
protected:
    static FPInterface* Iface(RefHolder* h) {
        return static_cast<FPInterface*>(h->GetInterface(REFHOLDER_INTERFACE_ID));
    }
    static FPStatus SetNumRefs(RefHolder* h, int n) {
        FPParams p{FPValue(TYPE_INT, n)};
        return Iface(h)->Invoke(RefHolderInterface::kSetNumRefs, &p);
    }
    static std::wstring NameOf(ReferenceTarget* t) {
        if (auto* m = dynamic_cast<Mtl*>(t)) return m->GetName().data();
        if (auto* n = dynamic_cast<INode*>(t)) return n->GetName();
        return t ? L"?" : L"null";
    }
    // The holder's slots by the names of what they hold, and how many hold something.
    static std::string Slots(RefHolder* h) {
        std::string s;
        for (int i = 0; i < h->NumRefs(); ++i) s += (i ? "," : "") + WStr(NameOf(h->GetReference(i)).c_str()).ToUTF8();
        return s + " live " + std::to_string(h->NumLiveRefs());
    }
};

TEST_F(RefHolderTest, PublishesSetNumRefsUnderTheClassesOwnNumbers) {
    FPInterfaceDesc* desc = GetRefHolderInterfaceDesc();
    ASSERT_NE(desc, nullptr);
    EXPECT_EQ(desc->ID, Interface_ID(0x8663dfa5, 0x3f273890));
    EXPECT_EQ(desc->internal_name, MSTR(L"RefHolder"));
    EXPECT_EQ(desc->cd, static_cast<ClassDesc*>(GetRefHolderClassDesc()));
    EXPECT_EQ(GetRefHolderClassDesc()->GetInterface(Interface_ID(0x8663dfa5, 0x3f273890)),
              desc);
    EXPECT_EQ(desc->GetFnDef(L"SetNumRefs")->ToString(), "0 SetNumRefs(NumRefs: TYPE_INT) -> TYPE_VOID");

    RefHolder* h = NewRefHolderNode(L"Holder");
    FPInterface* fpi = Iface(h);
    ASSERT_NE(fpi, nullptr);
    EXPECT_TRUE(fpi->GetDesc() == desc && h->GetInterface(FPMIXININTERFACE_ID) == static_cast<BaseInterface*>(fpi));
    EXPECT_EQ(SetNumRefs(h, 3), FPS_OK);
    EXPECT_EQ(h->Dump(), "RefHolder 3 refs: [0] null, [1] null, [2] null");
    EXPECT_EQ(fpi->Invoke(7), FPS_NO_SUCH_FUNCTION);
    try {
        fpi->Invoke(RefHolderInterface::kSetNumRefs);
        ADD_FAILURE() << "a missing argument must throw";
    } catch (const MaxSDK::Util::OutOfRangeException& e) {
        EXPECT_EQ(e.Message(), MSTR(kArrayRangeErrorText));
    }
}

// Resizing keeps the first slots and lets the dropped references go; undo of a shrink brings the exact
// slots back, a target the holder alone held included, and redo shrinks again.
TEST_F(RefHolderTest, ResizingKeepsTheFirstSlotsAndUndoOfAShrinkBringsTheRestBack) {
    Mtl* red = b.Standard("Red");
    Mtl* blue = b.Standard("Blue"); // held by the holder only
    b.Box("UsesRed").Material(red).Build();
    RefHolder* h = NewRefHolderNode(L"Holder");
    SetNumRefs(h, 3);
    h->ReplaceReference(0, red);
    h->ReplaceReference(2, blue);
    EXPECT_EQ(h->ReplaceReference(5, red), REF_FAIL);
    EXPECT_EQ(h->GetReference(-1), nullptr);
    EXPECT_EQ(h->GetReference(3), nullptr);
    const auto state = [&] { return Slots(h) + ", Blue's users " + std::to_string(blue->NumDependents()); };
    std::vector<std::string> seen = {state()};
    Step([&] { SetNumRefs(h, 1); }, L"Shrink");
    seen.push_back(state());
    ASSERT_TRUE(theHold.Undo());
    seen.push_back(state());
    ASSERT_TRUE(theHold.Redo());
    seen.push_back(Slots(h));
    SetNumRefs(h, 2);
    seen.push_back(Slots(h));
    SetNumRefs(h, 0);
    seen.push_back(Slots(h));
    EXPECT_EQ(seen, (std::vector<std::string>{"Red,null,Blue live 2, Blue's users 1", "Red live 1, Blue's users 0",
                                              "Red,null,Blue live 2, Blue's users 1", "Red live 1",
                                              "Red,null live 1", " live 0"}));
}

TEST_F(RefHolderTest, CloneHoldsTheRemappedTargetsInTheSameSlots) {
    RefHolder h(FALSE);
    h.SetNumRefs(3);
    auto* a = new EmptyController(TransMatrix(Point3(1, 0, 0)));
    auto* c = new EmptyController(TransMatrix(Point3(3, 0, 0)));
    h.ReplaceReference(0, a);
    h.ReplaceReference(2, c);
    RemapDir remap;
    auto* copy = static_cast<RefHolder*>(h.Clone(remap));
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->Dump(),
              "RefHolder 3 refs: [0] EmptyController (0x9008), [1] null, [2] EmptyController (0x9008)");
    // Copies of the targets, with their values.
    auto* ca = dynamic_cast<EmptyController*>(copy->GetReference(0));
    auto* cc = dynamic_cast<EmptyController*>(copy->GetReference(2));
    ASSERT_TRUE(ca && cc && ca != a && cc != c);
    EXPECT_EQ((std::vector<Point3>{ca->GetMatrix().GetTrans(), cc->GetMatrix().GetTrans()}),
              (std::vector<Point3>{Point3(1, 0, 0), Point3(3, 0, 0)}));
    copy->DeleteThis();
    h.DeleteAllRefs();
}

TEST_F(RefHolderTest, ASavedHolderReopensWithItsReferencesInOrder) {
    Mtl* red = b.Standard("Red");
    Mtl* blue = b.Standard("Blue");
    INode* a = b.Box("A").Build();
    RefHolder* h = NewRefHolderNode(L"Holder");
    SetNumRefs(h, 4);
    h->ReplaceReference(0, blue);
    h->ReplaceReference(2, a);
    h->ReplaceReference(3, red);
    // One chunk, 0x0000, holding the count; the host writes the references.
    ChunkSave body;
    ASSERT_EQ(h->Save(&body), IO_OK);
    EXPECT_EQ(ChunkLoad::Dump(body.Bytes()), "0x0000 data @0 len 4: 04 00 00 00\n");

    SaveAndReopen("ostrivans-refholder");
    if (HasFatalFailure()) return;
    auto* back = dynamic_cast<RefHolder*>(GetCOREInterface()->GetINodeByName(L"Holder")->GetObjectRef());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(Slots(back), "Blue,null,A,Red live 3");
    EXPECT_EQ(back->GetReference(2), GetCOREInterface()->GetINodeByName(L"A"));
}

} // namespace
