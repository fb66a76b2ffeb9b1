// The mirror protocol on host scenes: the change monitor and its undo, following a fresh animatable,
// putting the user's animatable back (transfer, block slots, node slots), keeping it alive while its
// content is gone, local dependency and the mirrors a whole-animatable change makes redundant.
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimDerivObj.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr ParamID kLength = 0, kWidth = 1, kHeight = 2;

// An animatable of a chosen class with one reference: the classes the local-dependency walk tells apart.
class Classed : public ReferenceTarget {
public:
    explicit Classed(Class_ID id) : id_(id) {}
    ~Classed() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return id_; }
    SClass_ID SuperClassID() override { return 0x7e58; }
    int NumRefs() override { return 1; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? target_ : nullptr; }

protected:
    void SetReference(int i, RefTargetHandle t) override {
        if (i == 0) target_ = t;
    }

private:
    Class_ID id_;
    ReferenceTarget* target_ = nullptr;
};

class RefAnimProtocolTest : public PluginSceneFixture {
protected:
    void SetUp() override {
        PluginSceneFixture::SetUp();
        SetCurrentOperation(OperationCode::None);
        SetIgnoreAllChanges(false);
        box = b.Box("Box01").Build();
        pb = Block(box);
        blockName = pb->GetDesc()->int_name;
        rec = Record<RefNode>(box);
    }
    void TearDown() override {
        SetCurrentOperation(OperationCode::None);
        PluginSceneFixture::TearDown();
    }
    static IParamBlock2* Block(INode* n) { return n->GetObjectRef()->GetParamBlock(0); }
    RefAnim* Mirror(ReferenceTarget* anim, std::vector<WStr> names, std::vector<std::int32_t> numbers, BYTE state = 0,
                    DWORD kind = KIND_PLAIN) {
        return PluginSceneFixture::Mirror(rec, anim, std::move(names), std::move(numbers), state, kind);
    }
    std::vector<WStr> HeightPath() const { return {L"Object", blockName, L"height"}; }
    static Control* Animate(IParamBlock2* block, ParamID id, float value) {
        Control* c = NewDefaultFloatController();
        block->SetController(id, 0, c);
        block->SetValue(id, 0, value);
        return c;
    }
    // The record's item becomes a fresh copy of the node, as a reload merges it again.
    INode* Reload() {
        INode* fresh = b.Box("Box01").Build();
        rec->ReplaceReference(0, fresh);
        return fresh;
    }

    INode* box = nullptr;
    IParamBlock2* pb = nullptr;
    MSTR blockName;
    RefNode* rec = nullptr;
};

TEST_F(RefAnimProtocolTest, ChangeMessagesMarkModifiedUnlessIgnorableOrBusy) {
    Control* height = Animate(pb, kHeight, 30.0f);
    struct Row {
        const char* what;
        PartID part;
        RefMessage message;
        OperationCode operation;
        bool ignoreAll;
        BYTE before;
        BYTE after;
    };
    const Row rows[] = {
        {"mask 0", 0, REFMSG_CHANGE, OperationCode::None, false, 0, REFANIM_MODIFIED},
        {"geometry", PART_GEOM, REFMSG_CHANGE, OperationCode::None, false, 0, REFANIM_MODIFIED},
        {"selection and display", 0x70, REFMSG_CHANGE, OperationCode::None, false, 0, 0},
        {"selection", 0x10, REFMSG_CHANGE, OperationCode::None, false, 0, 0},
        {"display with topology", 0x71, REFMSG_CHANGE, OperationCode::None, false, 0, REFANIM_MODIFIED},
        {"all but change", 0x80003FFF, REFMSG_CHANGE, OperationCode::None, false, 0, 0},
        {"structure message", PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED, OperationCode::None, false, 0, 0},
        {"during a load", PART_ALL, REFMSG_CHANGE, OperationCode::Load, false, 0, 0},
        {"during another operation", PART_ALL, REFMSG_CHANGE, OperationCode::Record, false, 0, 0},
        {"ignore switch", 0, REFMSG_CHANGE, OperationCode::None, true, 0, 0},
        {"already replaced", PART_ALL, REFMSG_CHANGE, OperationCode::None, false, REFANIM_REPLACED, REFANIM_REPLACED},
        {"locdep only", PART_ALL, REFMSG_CHANGE, OperationCode::None, false, REFANIM_LOCDEP, REFANIM_LOCDEP | REFANIM_MODIFIED},
    };
    RefAnim* m = Mirror(height, HeightPath(), {4, 2, 3});
    for (const Row& row : rows) {
        m->SetOverriddenState(row.before);
        SetCurrentOperation(row.operation);
        SetIgnoreAllChanges(row.ignoreAll);
        height->NotifyDependents(FOREVER, row.part, row.message);
        SetCurrentOperation(OperationCode::None);
        SetIgnoreAllChanges(false);
        EXPECT_EQ(int(m->GetOverriddenState()), int(row.after)) << row.what;
    }
}

// The mark is part of the user's edit: undo takes both back, redo both again, and the restored value's
// own message during undo marks nothing.
TEST_F(RefAnimProtocolTest, UndoOfAnEditTakesTheModifiedMarkBack) {
    RefAnim* m = Mirror(pb, {L"Object", blockName}, {4, 2});
    theHold.ClearUndoBuffer();
    // The length, the mirror's state and numbers after each step.
    std::vector<std::string> seen;
    const auto look = [&](bool ok) {
        const std::string row = MirrorRow(m);
        seen.push_back(std::to_string(ok) + " " + std::to_string(int(pb->GetFloat(kLength))) + " state " +
                       std::to_string(m->GetOverriddenState()) + " " + row.substr(row.find('#')));
    };
    Step([&] { pb->SetValue(kLength, 0, 40.0f); }, L"Length");
    look(true);
    look(theHold.Undo());
    look(theHold.Redo());
    // Setting a bit that is already set and undoing it leaves it set.
    Step([&] { m->SetOverriddenFlag(REFANIM_MODIFIED, true, true); });
    look(true);
    look(theHold.Undo());
    // Numbers come back exactly, their count included.
    Step([&] { m->SetPathByNumber({7, 8, 9}, true); });
    look(true);
    look(theHold.Undo());
    look(theHold.Redo());
    EXPECT_EQ(seen, (std::vector<std::string>{"1 40 state 2 #4.2", "1 25 state 0 #4.2", "1 40 state 2 #4.2",
                                              "1 40 state 2 #4.2", "1 40 state 2 #4.2", "1 40 state 2 #7.8.9",
                                              "1 40 state 2 #4.2", "1 40 state 2 #7.8.9"}));
    // Without undo no record is made.
    const int steps = theHold.NumUndoSteps();
    Step([&] { m->SetPathByNumber({1}, false); });
    EXPECT_EQ(theHold.NumUndoSteps(), steps);
}

// Only a mirror that carries a change (Replaced, Modified, LocDep) keeps its animatable when the node that
// held it goes; every other state bit leaves it to the node.
TEST_F(RefAnimProtocolTest, AnOverriddenMirrorKeepsItsAnimatableAliveWhenTheNodeIsDeleted) {
    for (int state : {0, 1, 2, 4, 8, 16, 32, 64, 128, 0x12}) {
        INode* n = b.Box("Gone").Build();
        Control* c = Animate(Block(n), kHeight, 50.0f);
        RefAnim* m = Mirror(c, HeightPath(), {4, 2, 3}, static_cast<BYTE>(state));
        const AnimHandle h = Animatable::GetHandleByAnim(c);
        GetCOREInterface()->DeleteNode(n);
        const bool kept = state & (REFANIM_MODIFIED | REFANIM_REPLACED | REFANIM_LOCDEP);
        EXPECT_EQ(Animatable::GetAnimByHandle(h) != nullptr, kept) << state;
        EXPECT_EQ(m->GetAnim() == c, kept) << state;
    }
}

// What Override under a load leaves, as one text: who stands in the slot ("mine" the user's, "fresh" what
// the reload brought), what the mirror holds, its numbers, its last operation (120 taken, 122 and 123
// refused), and for the height its value and whether the fresh controller is still alive. A block-2 slot
// takes a controller of the parameter's type only; a node's transform slot takes a modified controller of
// the fresh one's class by transfer, a replaced one of any class by assignment.
TEST_F(RefAnimProtocolTest, OverrideUnderALoadPutsTheUsersAnimatableBackOrFollowsTheFreshOne) {
    enum Slot { Height, Width, Transform };
    struct Row {
        const char* what;
        Slot slot;
        BYTE state;
        std::vector<std::int32_t> numbers;
        std::function<Control*(INode*)> mine;
        const char* expected;
        DWORD kind = KIND_PLAIN;
    };
    const auto height = [&](INode* n) { return Animate(Block(n), kHeight, 77.0f); };
    const Row rows[] = {
        // A stale number: the mirror finds its place again by name.
        {"unchanged", Height, 0, {4, 2, 1}, height, "slot fresh, mirror fresh, #4.2.3, op 120, value 12, fresh kept"},
        {"modified", Height, REFANIM_MODIFIED, {4, 2, 3}, height,
         "slot mine, mirror mine, #4.2.3, op 120, value 77, fresh gone"},
        // A modifier mirror whose animatable is not in a stack takes the general way.
        {"modified, modifier kind", Height, REFANIM_MODIFIED, {4, 2, 3}, height,
         "slot mine, mirror mine, #4.2.3, op 120, value 77, fresh gone", KIND_MOD},
        {"replaced float", Width, REFANIM_REPLACED, {4, 2, 9}, [](INode*) { return NewDefaultFloatController(); },
         "slot mine, mirror mine, #4.2.2, op 120"},
        {"replaced point3", Width, REFANIM_REPLACED, {4, 2, 9}, [](INode*) { return NewDefaultPoint3Controller(); },
         "slot none, mirror mine, #4.2.9, op 122"},
        {"modified, same class", Transform, REFANIM_MODIFIED, {3},
         [](INode*) { return NewDefaultMatrix3Controller(); }, "slot mine, mirror mine, #3, op 120"},
        {"replaced, other class", Transform, REFANIM_REPLACED, {3},
         [](INode*) { return new EmptyController(); }, "slot mine, mirror mine, #3, op 120"},
        {"modified, other class", Transform, REFANIM_MODIFIED, {3},
         [](INode*) { return new EmptyController(); }, "slot fresh, mirror mine, #3, op 123"},
    };
    for (const Row& row : rows) {
        INode* old = Reload();
        Control* mine = row.mine(old);
        const std::vector<WStr> path = row.slot == Transform ? std::vector<WStr>{L"Transform"}
                                       : row.slot == Width   ? std::vector<WStr>{L"Object", blockName, L"width"}
                                                             : HeightPath();
        RefAnim* m = Mirror(mine, path, row.numbers, row.state, row.kind);
        GetCOREInterface()->DeleteNode(old);
        INode* fresh = Reload();
        Control* freshOne = row.slot == Height      ? Animate(Block(fresh), kHeight, 12.0f)
                            : row.slot == Transform ? fresh->GetTMController()
                                                    : nullptr;
        const AnimHandle freshHandle = Animatable::GetHandleByAnim(freshOne);
        {
            OperationCodeGuard load(OperationCode::Load);
            m->Override(fresh);
        }
        const auto who = [&](Animatable* a) {
            return std::string(a == mine ? "mine" : a && a == freshOne ? "fresh" : a ? "other" : "none");
        };
        Animatable* slot = row.slot == Transform ? fresh->GetTMController()
                                                 : Block(fresh)->GetController(row.slot == Height ? kHeight : kWidth);
        std::string got = "slot " + who(slot) + ", mirror " + who(m->GetAnim()) + ", " +
                          MirrorRow(m).substr(MirrorRow(m).find('#')) + ", op " + std::to_string(m->GetLastOperation());
        if (row.slot == Height)
            got += ", value " + std::to_string(int(Block(fresh)->GetFloat(kHeight))) + ", fresh " +
                   (Animatable::GetAnimByHandle(freshHandle) ? "kept" : "gone");
        EXPECT_EQ(got, row.expected) << row.what;
    }
}

// Local dependency: something outside the referenced content uses the animatable. The first pass of a
// fresh helper looks, the answer is kept for that pass, and a LocDep mirror hands the local users over to
// the fresh animatable.
TEST_F(RefAnimProtocolTest, LocalDependentsAreFoundOncePerPassAndHandedOver) {
    Control* shared = Animate(pb, kHeight, 30.0f);
    INode* local = b.Box("Local").Build();
    RefAnim* m = Mirror(shared, HeightPath(), {4, 2, 3});
    // Two helpers, each in its first pass: neither takes the other's answer for its own.
    for (bool used : {false, true}) {
        if (used) Block(local)->SetController(kHeight, 0, shared);
        auto* helper = new OstrivansHelper(FALSE);
        rec->SetHelper(helper);
        EXPECT_EQ(m->IsLocDep(shared), used);
        rec->SetHelper(nullptr);
        helper->MaybeAutoDelete();
    }
    auto* helper = new OstrivansHelper(FALSE);
    rec->SetHelper(helper);
    // Taking the controller over sets its value, which the monitor counts as a change; only the local use
    // matters here.
    m->SetOverriddenState(0);
    m->CollectLocDep(m->GetHelperStamp());
    EXPECT_EQ(int(m->GetOverriddenState()), int(REFANIM_LOCDEP));
    EXPECT_TRUE(m->IsRealDependency(shared));
    // The same pass keeps its first answer; the next ones look again.
    Block(local)->SetController(kHeight, 0, NewDefaultFloatController());
    std::string answers = std::to_string(m->IsLocDep(shared));
    helper->IncrementStamp();
    answers += std::to_string(m->IsLocDep(shared));
    Block(local)->SetController(kHeight, 0, shared);
    helper->IncrementStamp();
    EXPECT_EQ(answers + std::to_string(m->IsLocDep(shared)), "101");

    INode* fresh = Reload();
    Control* freshHeight = Animate(Block(fresh), kHeight, 12.0f);
    {
        OperationCodeGuard load(OperationCode::Load);
        m->Override(fresh);
    }
    EXPECT_EQ(m->GetAnim(), freshHeight);
    EXPECT_EQ(Block(local)->GetController(kHeight), freshHeight);
    EXPECT_EQ(m->GetLastOperation(), 120);

    rec->SetHelper(nullptr);
    helper->MaybeAutoDelete();
}

// Each collection sets the local mark afresh: it goes once the local use has gone.
TEST_F(RefAnimProtocolTest, EachCollectionSetsTheLocalMarkAfresh) {
    Control* shared = Animate(pb, kHeight, 30.0f);
    INode* local = b.Box("Local").Build();
    Block(local)->SetController(kHeight, 0, shared);
    RefAnim* m = Mirror(shared, HeightPath(), {4, 2, 3});
    auto* helper = new OstrivansHelper(FALSE);
    rec->SetHelper(helper);
    m->CollectLocDep(m->GetHelperStamp());
    const std::string first = std::to_string(m->GetOverriddenState());
    Block(local)->SetController(kHeight, 0, NewDefaultFloatController());
    helper->IncrementStamp();
    m->CollectLocDep(m->GetHelperStamp());
    EXPECT_EQ(first + " " + std::to_string(m->GetOverriddenState()), std::to_string(REFANIM_LOCDEP) + " 0");
    rec->SetHelper(nullptr);
    helper->MaybeAutoDelete();
}

// The (0x2222, 0) maker makes the classes it wraps locally used and nothing else; a maker of another class
// counts only through its own users (here none).
TEST_F(RefAnimProtocolTest, AWrapperMakesOnlyTheClassesItWrapsLocallyUsed) {
    auto* helper = new OstrivansHelper(FALSE);
    rec->SetHelper(helper);
    const struct {
        Class_ID wrapper, wrapped;
        bool used;
    } kCases[] = {{Class_ID(0x2222, 0), Class_ID(0xC80, 0), true},
                  {Class_ID(0x2222, 0), Class_ID(0x17356912, 0), true},
                  {Class_ID(0x2222, 0), Class_ID(0x7e58, 1), false},
                  {Class_ID(0x7e58, 2), Class_ID(0xC80, 0), false}};
    for (const auto& c : kCases) {
        auto* wrapped = new Classed(c.wrapped);
        auto* wrapper = new Classed(c.wrapper);
        wrapper->ReplaceReference(0, wrapped);
        RefAnim* m = Mirror(wrapped, HeightPath(), {4, 2, 3});
        helper->IncrementStamp();
        EXPECT_EQ(m->IsLocDep(wrapped), c.used) << std::hex << c.wrapper.PartA() << " over " << c.wrapped.PartA();
        wrapper->DeleteMe();
    }
    rec->SetHelper(nullptr);
    helper->MaybeAutoDelete();
}

TEST_F(RefAnimProtocolTest, MarkingTheWholeAnimatableDropsTheMirrorsBelowIt) {
    Control* height = Animate(pb, kHeight, 30.0f);
    Object* obj = box->GetObjectRef();
    RefAnim* objectMirror = Mirror(obj, {L"Object"}, {4});
    Mirror(pb, {L"Object", blockName}, {4, 2});
    RefAnim* heightMirror = Mirror(height, HeightPath(), {4, 2, 3});
    Mirror(height, HeightPath(), {4, 2, 5});
    RefAnim* tm = Mirror(box->GetTMController(), {L"Transform"}, {3});
    RefAnim* sameNameOtherNumber = Mirror(obj, {L"Object"}, {5});

    const std::string block = "RefAnim Object/" + WStr(blockName).ToUTF8();
    heightMirror->MarkTwinsModified();
    EXPECT_EQ(MirrorTable(rec), "RefAnim Object #4\n" + block + " #4.2\n" + block + "/height #4.2.3 state 2\n" + block +
                                    "/height #4.2.5 state 2\nRefAnim Transform #3\nRefAnim Object #5\n");
    objectMirror->MarkModified();
    EXPECT_EQ(MirrorTable(rec), "RefAnim Object #4 state 2\nnull\nnull\nnull\nRefAnim Transform #3\nRefAnim Object #5\n");
    EXPECT_TRUE(rec->GetMirror(0) == objectMirror && rec->GetMirror(4) == tm && rec->GetMirror(5) == sameNameOtherNumber);
}

// A modified modifier goes back into the fresh stack at its place, with the context it had where it was
// kept while its content was away.
TEST_F(RefAnimProtocolTest, AModifiedModifierReturnsToItsPlaceInTheFreshStack) {
    Modifier* bend = b.AddModifier(box, BEND_MODIFIER_CLASS_ID);
    auto* derived = static_cast<IDerivedObject*>(box->GetObjectRef());
    ModContext* ctx = derived->GetModContext(0);
    Matrix3 tm;
    tm.SetTrans(Point3(2, 0, 1));
    delete ctx->tm;
    ctx->tm = new Matrix3(tm);
    const MSTR ctxText = ctx->Describe();
    RefAnim* m = Mirror(bend, {L"Object", bend->GetName()}, {4, 1}, REFANIM_MODIFIED);
    EXPECT_EQ(m->GetModContext(box), ctx);

    ModContext* used = nullptr;
    IDerivedObject* holder = m->CreateModifierHolder(box, &used);
    ASSERT_TRUE(holder && used);
    // Kept on an empty object with the context it had.
    EXPECT_TRUE(holder->GetModifier(0) == bend && holder->GetObjRef()->ClassID() == EMPTY_BASE_OBJECT_CLASS_ID);
    EXPECT_EQ(used->Describe(), ctxText);

    GetCOREInterface()->DeleteNode(box);
    AnimHandle freshHandle = 0;
    INode* fresh = Reload();
    {
        // The merge brings the fresh stack (its record does not take the modifier as a local one).
        OperationCodeGuard load(OperationCode::Load);
        Modifier* freshBend = b.AddModifier(fresh, BEND_MODIFIER_CLASS_ID);
        freshHandle = Animatable::GetHandleByAnim(freshBend);
        m->OverrideModifier(fresh, holder, nullptr);
    }
    auto* fd = static_cast<IDerivedObject*>(fresh->GetObjectRef());
    ASSERT_EQ(fd->NumModifiers(), 1);
    EXPECT_TRUE(fd->GetModifier(0) == bend && m->GetModContext(fresh) == fd->GetModContext(0) &&
                !Animatable::GetAnimByHandle(freshHandle));
    EXPECT_EQ(fd->GetModContext(0)->Describe(), ctxText);
    holder->MaybeAutoDelete();
}

// A nested stack's mirror takes its shape (names and switches over the chain) and turns Modified when a
// switch differs from it or a modifier comes or goes; a rename only refreshes the names.
TEST_F(RefAnimProtocolTest, TheDerivedObjectMirrorWatchesTheShapeOfItsStack) {
    struct Row {
        const char* what;
        std::function<void(IDerivedObject*)> edit;
        bool modified;
        std::string names;
    } rows[] = {
        {"switched off", [](IDerivedObject* d) { d->GetModifier(0)->DisableMod(); }, true, "Bend, "},
        {"off and on again",
         [](IDerivedObject* d) {
             d->GetModifier(0)->DisableModInViews();
             d->GetModifier(0)->EnableModInViews();
         },
         true, "Bend, "},
        {"renamed", [](IDerivedObject* d) { d->GetModifier(0)->SetName(L"Bent"); }, false, "Bent, "},
        {"added",
         [](IDerivedObject* d) {
             d->AddModifier(static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, TWIST_MODIFIER_CLASS_ID)));
         },
         true, "Bend, "},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        INode* node = b.Box("Nested01").Build();
        b.AddModifier(node, BEND_MODIFIER_CLASS_ID);
        auto* nested = static_cast<IDerivedObject*>(node->GetObjectRef());
        IDerivedObject* top = CreateDerivedObject(nested);
        node->SetObjectRef(top);
        auto* m = new RefAnimDerivObj(FALSE);
        m->ReplaceReference(0, nested);
        EXPECT_EQ(WStr(m->Describe()).ToUTF8().substr(WStr(m->Describe()).ToUTF8().find("NumMods")),
                  "NumMods: 1\nNumNestedDerivObj: 0\nModNames: Bend, \nModToggles: 7, ");
        row.edit(nested);
        EXPECT_EQ(m->IsModified(), row.modified);
        EXPECT_EQ(m->GetModifierNames().empty() ? std::string() : m->GetModifierNames()[0].ToUTF8() + ", ", row.names);
        m->DeleteAllRefs();
        delete m;
    }
}

TEST_F(RefAnimProtocolTest, EscalatingHandsTheChangeToAMirrorOfTheParent) {
    Control* height = Animate(pb, kHeight, 30.0f);
    RefAnim* m = Mirror(height, HeightPath(), {4, 2, 3}, REFANIM_MODIFIED);
    const int before = rec->NumMirrors();
    m->EscalateToParent(box);
    EXPECT_EQ(m->GetAnim(), nullptr);
    const std::string block = "RefAnim Object/" + WStr(blockName).ToUTF8();
    EXPECT_EQ(MirrorTable(rec), block + "/height #4.2.3 state 2\n" + block + " #4.2 state 2\n");
    EXPECT_EQ(rec->GetMirror(before)->GetAnim(), pb);
}

// The older block: a replaced controller goes in when it fits the parameter's type, else nothing changes.
TEST_F(RefAnimProtocolTest, TheOlderBlockTakesControllersOfItsParameterTypes) {
    const ParamBlockDesc layout[] = {{TYPE_FLOAT_PB1, true}, {TYPE_POINT3_PB1, true}};
    IParamBlock* old = CreateParameterBlock(layout, 2, nullptr);
    MSTR floatName, pointName;
    GetChild(old, nullptr, 1, -1, floatName);
    GetChild(old, nullptr, 2, -1, pointName);
    Control* mine = NewDefaultFloatController();
    RefAnim* fits = Mirror(mine, {floatName}, {1}, REFANIM_REPLACED);
    RefAnim* wrong = Mirror(NewDefaultFloatController(), {pointName}, {2}, REFANIM_REPLACED);
    {
        OperationCodeGuard load(OperationCode::Load);
        fits->Override(old);
        wrong->Override(old);
    }
    EXPECT_TRUE(old->GetController(0) == mine && !old->GetController(1));
    EXPECT_EQ(std::to_string(fits->GetLastOperation()) + " " + std::to_string(wrong->GetLastOperation()), "120 121");
    old->MaybeAutoDelete();
}

} // namespace

// A mirror reaches its helper's table of locally deleted names: forgetting one is undoable, and a name
// the table does not hold changes nothing.
TEST_F(RefAnimProtocolTest, ForgettingADeletedNameGoesThroughTheHelperAndUndoes) {
    auto* helper = new OstrivansHelper(FALSE);
    rec->SetHelper(helper);
    helper->AddNodeToDelete(L"Box01");
    helper->AddNodeToDelete(L"Sph\u00e8re");
    RefAnim* m = Mirror(Animate(pb, kHeight, 30.0f), HeightPath(), {4, 2, 3});
    Step([&] { m->ForgetNameInHelper(L"Box01"); });
    EXPECT_EQ(helper->GetNodesToDelete(), (std::vector<WStr>{L"Sph\u00e8re"}));
    m->ForgetNameInHelper(L"Cone");
    EXPECT_EQ(helper->GetNodesToDelete().size(), 1u);
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(helper->GetNodesToDelete(), (std::vector<WStr>{L"Box01", L"Sph\u00e8re"}));
    rec->SetHelper(nullptr);
    helper->MaybeAutoDelete();
}
