// Derived objects: stack order, messages and broadcasts, undo, nesting, deletion, persistence, cloning.
#include "host/scene/objects/DerivedObject.h"
#include "host/core/ChunkSave.h"
#include "host/core/Notify.h"
#include "host/scene/nodes/Node.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/objects/ObjectDump.h"
#include "tests/host/scene/ControllerTestSupport.h"
#include "tests/host/scene/NodeTestSupport.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"
#include "tests/support/NotificationRecorder.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

namespace {

using Names = std::vector<std::string>;

// A modifier without parameters: its label is its class name, and it logs its evaluations and its end.
class TestMod : public Modifier {
public:
    TestMod(std::string label, Names* log) : label_(std::move(label)), log_(log) {}
    ~TestMod() override {
        DeleteAllRefs();
        if (log_) log_->push_back("freed " + label_);
    }
    Class_ID ClassID() override { return Class_ID(0x7E5A0001, 0); }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = MSTR::FromUTF8(label_); }
    void ModifyObject(TimeValue /*t*/, ModContext& /*mc*/, ObjectState* os, INode* /*node*/) override {
        if (log_) log_->push_back("eval " + label_ + (os->obj ? "" : " (no object)"));
    }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* m = new TestMod(label_ + "'", log_);
        CopyModifierState(m);
        BaseClone(this, m, remap);
        return m;
    }

private:
    std::string label_;
    Names* log_;
};

// A base object with a fixed box; its label is its class name.
class TestObj : public GeomObject {
public:
    explicit TestObj(std::string label = "TestObj") : label_(std::move(label)) {}
    ~TestObj() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return Class_ID(0x7E5A0002, 0); }
    void GetClassName(MSTR& s, bool /*localized*/ = true) const override { s = MSTR::FromUTF8(label_); }
    void GetLocalBoundBox(TimeValue /*t*/, INode* /*inode*/, Box3& box) override {
        box = Box3(Point3(-1, -2, 0), Point3(1, 2, 3));
    }
    RefTargetHandle Clone(RemapDir& remap) override {
        auto* o = new TestObj(label_);
        BaseClone(this, o, remap);
        return o;
    }

private:
    std::string label_;
};

bool Alive(AnimHandle h) {
    return Animatable::GetAnimByHandle(h) != nullptr;
}

class DerivedObjectTest : public ::testing::Test {
protected:
    void TearDown() override {
        while (theHold.GetBeginDepth() > 0)
            theHold.Cancel();
        theHold.ClearUndoBuffer();
        // Roots go first; whatever they held goes with them unless something else still holds it.
        for (AnimHandle h : roots_)
            if (auto* t = static_cast<ReferenceTarget*>(Animatable::GetAnimByHandle(h))) t->DeleteMe();
        // Modifiers whose addition was undone belong to nobody.
        for (AnimHandle h : mods_)
            if (auto* t = static_cast<ReferenceTarget*>(Animatable::GetAnimByHandle(h))) t->DeleteMe();
    }
    TestMod* Mod(const std::string& label) {
        auto* m = new TestMod(label, &log);
        mods_.push_back(Animatable::GetHandleByAnim(m));
        return m;
    }
    IDerivedObject* Stack(Object* obj) {
        IDerivedObject* d = CreateDerivedObject(obj);
        roots_.push_back(Animatable::GetHandleByAnim(d));
        return d;
    }
    void Root(ReferenceTarget* t) { roots_.push_back(Animatable::GetHandleByAnim(t)); }
    static Names Labels(IDerivedObject* d) {
        Names out;
        for (int i = 0; i < d->NumModifiers(); ++i)
            out.push_back(d->GetModifier(i)->GetName().ToUTF8());
        return out;
    }
    std::string Dump(IDerivedObject* d, ReferenceMaker* rec = nullptr) {
        std::vector<Animatable*> roots{d};
        if (rec) roots.push_back(rec);
        return DumpObjectPipeline(d) + g.Dump(roots);
    }

    GraphBuilder g;
    Names log;
    std::vector<AnimHandle> roots_;
    std::vector<AnimHandle> mods_;
};

TEST_F(DerivedObjectTest, AddModifierInsertsBeforeTheIndexAndKeepsTheHostOrder) {
    auto* obj = new TestObj();
    IDerivedObject* d = Stack(obj);
    d->AddModifier(Mod("A"));
    d->AddModifier(Mod("B"), nullptr, 0);
    d->AddModifier(Mod("C"), nullptr, 1);
    d->AddModifier(Mod("D"), nullptr, 3);
    d->AddModifier(Mod("E"), nullptr, 99); // past the bottom: the bottom
    EXPECT_EQ(Labels(d), (Names{"B", "C", "A", "D", "E"}));

    // References: the object, then the modifiers top to bottom; sub-animatables: modifiers, then object.
    ASSERT_EQ(d->NumRefs(), 6);
    EXPECT_EQ(d->GetReference(0), obj);
    EXPECT_EQ(d->GetReference(3), d->GetModifier(2));
    ASSERT_EQ(d->NumSubs(), 6);
    EXPECT_EQ(d->SubAnim(0), d->GetModifier(0));
    EXPECT_EQ(d->SubAnim(5), obj);
    EXPECT_EQ(d->SubAnimName(1).ToUTF8(), "C");
    EXPECT_EQ(d->SubAnimName(5).ToUTF8(), "TestObj");
    EXPECT_EQ(d->SubNumToRefNum(0), 1);
    EXPECT_EQ(d->SubNumToRefNum(5), 0);
    EXPECT_EQ(d->SuperClassID(), GEN_DERIVOB_CLASS_ID);
    EXPECT_EQ(d->ClassID(), DERIVOB_CLASS_ID_OS);

    // Every application has a context of its own, boxed around the object.
    EXPECT_NE(d->GetModContext(0), d->GetModContext(1));
    EXPECT_EQ(d->GetModContext(2)->Describe().ToUTF8(),
              "tm identity box (-1.0000, -2.0000, 0.0000) (1.0000, 2.0000, 3.0000)");
}

TEST_F(DerivedObjectTest, AddingAndDeletingSendTheStackMessagesInsideTheBroadcasts) {
    IDerivedObject* d = Stack(new TestObj());
    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, d);
    NotificationRecorder notes({NOTIFY_PRE_MODIFIER_ADDED, NOTIFY_POST_MODIFIER_ADDED,
                                NOTIFY_PRE_MODIFIER_DELETED, NOTIFY_POST_MODIFIER_DELETED});
    // What the stack looks like when each broadcast arrives.
    struct Seen {
        IDerivedObject* d;
        std::vector<std::string> lines;
    } seen{d, {}};
    // The context passed is the one the stack holds for the modifier (while it holds it).
    auto watch = [](void* p, NotifyInfo* info) {
        auto* s = static_cast<Seen*>(p);
        auto* param = static_cast<NotifyModAddDelParam*>(info->callParam);
        const bool stackContext = s->d->NumModifiers() > 0 && param->modContext == s->d->GetModContext(0);
        s->lines.push_back(NotificationCodeName(info->intcode).ToUTF8() + " mods " +
                           std::to_string(s->d->NumModifiers()) + " mod " + param->mod->GetName().ToUTF8() +
                           (param->node ? " node" : " no node") +
                           (stackContext        ? " stack context"
                            : param->modContext ? " context"
                                                : ""));
    };
    for (int code : {0x71, 0x72, 0x73, 0x74})
        RegisterNotification(watch, &seen, code);

    TestMod* a = Mod("A");
    d->AddModifier(a);
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Derived Object):0xf9", "Rec<-(Derived Object):0x102"}));
    EXPECT_EQ(notes.Text(), "NOTIFY_PRE_MODIFIER_ADDED, NOTIFY_POST_MODIFIER_ADDED");

    g.heard.clear();
    const AnimHandle ha = Animatable::GetHandleByAnim(a);
    d->DeleteModifier(0);
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Derived Object):0x102"}));
    EXPECT_EQ(seen.lines, (Names{"NOTIFY_PRE_MODIFIER_ADDED mods 0 mod A no node context",
                                 "NOTIFY_POST_MODIFIER_ADDED mods 1 mod A no node stack context",
                                 "NOTIFY_PRE_MODIFIER_DELETED mods 1 mod A no node stack context",
                                 "NOTIFY_POST_MODIFIER_DELETED mods 0 mod A no node context"}));
    EXPECT_EQ(notes.Events().size(), 4u);
    // Nothing else held it: it went once the broadcasts were done.
    EXPECT_FALSE(Alive(ha));
    EXPECT_EQ(log, (Names{"freed A"}));
    UnRegisterNotification(watch, &seen);
}

TEST_F(DerivedObjectTest, TogglesAndRenamesReachTheStacksDependentsFromTheStack) {
    IDerivedObject* d = Stack(new TestObj());
    TestMod* a = Mod("A");
    d->AddModifier(a);
    TestMaker* rec = g.Maker("Rec");
    TestMaker* onMod = g.Maker("OnMod");
    g.Link(rec, 0, d);
    g.Link(onMod, 0, a);
    g.heard.clear();

    a->DisableModInViews();
    // The stack is the modifier's first dependent: the message passes through it first.
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Derived Object):0x50", "OnMod<-(A):0x50"}));
    EXPECT_EQ(g.heard[0].part, PART_ALL);
    g.heard.clear();
    a->DisableModInViews(); // no change, no message
    EXPECT_TRUE(g.heard.empty());

    a->SetName(L"Wave");
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Derived Object):0xf7", "OnMod<-(A):0xf7",
                                "Rec<-(Derived Object):0x285", "OnMod<-(A):0x285"}));
    EXPECT_EQ(d->SubAnimName(0).ToUTF8(), "Wave");
}

TEST_F(DerivedObjectTest, UndoAndRedoOfEachStackEditGiveBackTheExactState) {
    IDerivedObject* d = Stack(new TestObj());
    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, d);
    d->AddModifier(Mod("A"));
    d->AddModifier(Mod("B"));
    d->GetModContext(1)->tm->SetTrans(Point3(1, 2, 3)); // comes back with its modifier
    TestMod* spare = Mod("Spare");
    Root(spare);
    spare->SetAFlag(A_LOCK_TARGET);
    auto* otherObj = new TestObj("OtherObj");
    Root(otherObj);

    struct Edit {
        const char* name;
        std::function<void()> run;
    };
    const std::vector<Edit> edits = {
        {"add in the middle", [&] { d->AddModifier(Mod("C"), nullptr, 1); }},
        {"delete the top", [&] { d->DeleteModifier(0); }},
        {"delete the bottom", [&] { d->DeleteModifier(d->NumModifiers() - 1); }},
        {"replace one", [&] { d->SetModifier(0, spare); }},
        {"toggle", [&] { d->GetModifier(0)->DisableModInRender(); }},
        {"rename", [&] { d->GetModifier(0)->SetName(L"Renamed"); }},
        {"new object", [&] { d->ReferenceObject(otherObj); }},
    };
    for (const Edit& e : edits) {
        SCOPED_TRACE(e.name);
        // Each edit starts from a stack of two.
        while (d->NumModifiers() < 2)
            d->AddModifier(Mod("Fill"), nullptr, d->NumModifiers());
        const std::string before = Dump(d, rec);
        theHold.Begin();
        e.run();
        theHold.Accept(L"Edit");
        const std::string after = Dump(d, rec);
        ASSERT_NE(after, before);
        // Undo and redo tell the stack's dependents again (renames and toggles come from the modifier).
        for (int round = 0; round < 2; ++round) {
            g.heard.clear();
            ASSERT_TRUE(theHold.Undo());
            EXPECT_EQ(Dump(d, rec), before);
            EXPECT_FALSE(g.heard.empty()) << "undo";
            g.heard.clear();
            ASSERT_TRUE(theHold.Redo());
            EXPECT_EQ(Dump(d, rec), after);
            EXPECT_FALSE(g.heard.empty()) << "redo";
        }
        ASSERT_TRUE(theHold.Undo());
        theHold.ClearUndoBuffer();
    }
}

TEST_F(DerivedObjectTest, UndoOfAnAddSendsTheStructureChangeOnceTheStackIsBack) {
    IDerivedObject* d = Stack(new TestObj());
    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, d);
    ExpectUndoRedoWithMessage(g, rec, [&] { return Dump(d); }, [&] { d->AddModifier(Mod("A")); },
                              REFMSG_SUBANIM_STRUCTURE_CHANGED);
}

TEST_F(DerivedObjectTest, NestedStacksEvaluateInnermostFirstAndPassMessagesUp) {
    auto* obj = new TestObj();
    IDerivedObject* inner = CreateDerivedObject(obj);
    inner->AddModifier(Mod("Low"));
    IDerivedObject* outer = Stack(inner);
    outer->AddModifier(Mod("Middle"));
    outer->AddModifier(Mod("High"));
    outer->AddModifier(Mod("Top"));
    outer->GetModifier(1)->DisableMod();

    EXPECT_EQ(outer->FindBaseObject(), obj);
    EXPECT_EQ(outer->NumSubs(), 4);
    EXPECT_EQ(outer->SubAnim(3), inner);
    ObjectState os = outer->Eval(0);
    EXPECT_EQ(os.obj, obj);
    // Bottom first; the disabled one is skipped.
    EXPECT_EQ(log, (Names{"eval Low", "eval Middle", "eval Top"}));

    TestMaker* rec = g.Maker("Rec");
    g.Link(rec, 0, outer);
    g.heard.clear();
    inner->GetModifier(0)->DisableMod();
    EXPECT_EQ(g.Heard(), (Names{"Rec<-(Derived Object):0x50"}));
    EXPECT_EQ(
        DumpObjectPipeline(outer),
        "Derived Object\n"
        "  modifier 0: \"Top\" Top (0x7e5a0001, 0x0) super 0x810 enabled on, views on, render on\n"
        "    context: tm identity box (-1.0000, -2.0000, 0.0000) (1.0000, 2.0000, 3.0000)\n"
        "  modifier 1: \"High\" High (0x7e5a0001, 0x0) super 0x810 enabled off, views on, render on\n"
        "    context: tm identity box (-1.0000, -2.0000, 0.0000) (1.0000, 2.0000, 3.0000)\n"
        "  modifier 2: \"Middle\" Middle (0x7e5a0001, 0x0) super 0x810 enabled on, views on, render on\n"
        "    context: tm identity box (-1.0000, -2.0000, 0.0000) (1.0000, 2.0000, 3.0000)\n"
        "  object:\n"
        "    Derived Object\n"
        "      modifier 0: \"Low\" Low (0x7e5a0001, 0x0) super 0x810 enabled off, views on, render on\n"
        "        context: tm identity box (-1.0000, -2.0000, 0.0000) (1.0000, 2.0000, 3.0000)\n"
        "      object:\n"
        "        TestObj (0x7e5a0002, 0x0) super 0x10\n");
}

TEST_F(DerivedObjectTest, AModifierHeldElsewhereSurvivesItsStackAndAnUnheldOneGoes) {
    IDerivedObject* d = CreateDerivedObject(new TestObj());
    TestMod* shared = Mod("Shared");
    TestMod* own = Mod("Own");
    d->AddModifier(shared);
    d->AddModifier(own);
    // A holder (a second stack over its own object) keeps the shared modifier; a weak watcher does not
    // keep the other one.
    IDerivedObject* holder = Stack(new TestObj());
    holder->AddModifier(shared);
    TestMaker* watcher = g.Maker("Watcher");
    watcher->SetWeak(0);
    g.Link(watcher, 0, own);
    const AnimHandle hs = Animatable::GetHandleByAnim(shared), ho = Animatable::GetHandleByAnim(own);

    d->DeleteMe();
    EXPECT_TRUE(Alive(hs));
    EXPECT_FALSE(Alive(ho));
    EXPECT_EQ(log, (Names{"freed Own"}));
    EXPECT_EQ(watcher->GetReference(0), nullptr);
    EXPECT_EQ(g.Heard(), (Names{"Watcher<-(Own):0x20"}));
    EXPECT_EQ(shared->NumDependents(), 1);
    EXPECT_EQ(holder->GetModifier(0), shared);
}

TEST_F(DerivedObjectTest, SaveLoadAndCloneKeepTheContexts) {
    IDerivedObject* d = Stack(new TestObj());
    d->AddModifier(Mod("A"));
    d->AddModifier(Mod("B"));
    Matrix3 tm;
    tm.RotateZ(0.5f);
    tm.SetTrans(Point3(4, 5, 6));
    *d->GetModContext(0)->tm = tm;
    *d->GetModContext(1)->box = Box3(Point3(-7, -8, -9), Point3(7, 8, 9));
    // A third context with neither matrix nor box.
    d->AddModifier(Mod("C"), new ModContext(), 2);

    RegisterObjectClasses();
    auto* loaded = ChunkRoundTrip(d);
    ASSERT_NE(loaded, nullptr);
    Root(loaded);
    // The slots exist before the scene reader restores the references into them.
    ASSERT_EQ(loaded->NumModifiers(), 3);
    ASSERT_EQ(loaded->NumRefs(), 4);
    EXPECT_EQ(loaded->GetModifier(0), nullptr);
    EXPECT_TRUE(loaded->GetModContext(0)->tm->Equals(tm, 1e-6f));
    EXPECT_EQ(loaded->GetModContext(0)->tm->GetIdentFlags(), tm.GetIdentFlags());
    EXPECT_EQ(loaded->GetModContext(1)->Describe(), d->GetModContext(1)->Describe());
    EXPECT_EQ(loaded->GetModContext(2)->tm, nullptr);
    EXPECT_EQ(loaded->GetModContext(2)->box, nullptr);
    for (int i = 0; i < 3; ++i)
        loaded->ReplaceReference(i + 1, d->GetModifier(i));
    EXPECT_EQ(DumpObjectPipeline(loaded).substr(0, 200), DumpObjectPipeline(d).substr(0, 200));

    // A count that claims more modifiers than follow fails the load (its value comes after the stack's and
    // the count's chunk headers).
    ChunkSave save;
    ASSERT_EQ(d->Save(&save), IO_OK);
    std::vector<std::uint8_t> bytes = save.Bytes();
    ASSERT_EQ(bytes[12], 3);
    bytes[12] = 5;
    ChunkLoad load(bytes);
    EXPECT_EQ(Stack(nullptr)->Load(&load), IO_ERROR);

    // A clone copies the modifiers with their states, each context and the object.
    d->GetModifier(1)->DisableModInViews();
    auto* copy = CloneRefHierarchy(d);
    ASSERT_NE(copy, nullptr);
    Root(copy);
    EXPECT_EQ(Labels(copy), (Names{"B'", "A'", "C'"}));
    EXPECT_FALSE(copy->GetModifier(1)->IsEnabledInViews());
    for (int i = 0; i < 3; ++i) {
        EXPECT_NE(copy->GetModContext(i), d->GetModContext(i));
        EXPECT_EQ(copy->GetModContext(i)->Describe(), d->GetModContext(i)->Describe());
    }
    EXPECT_NE(copy->GetObjRef(), d->GetObjRef());
    EXPECT_EQ(copy->GetObjRef()->ClassID(), Class_ID(0x7E5A0002, 0));
}

// Stacks inside a scene: the node hears them and the broadcasts name it.
class StackOnNodeTest : public SceneFixture {
protected:
    static void OnModifierNote(void* p, NotifyInfo* info) {
        static_cast<std::vector<INode*>*>(p)->push_back(
            static_cast<NotifyModAddDelParam*>(info->callParam)->node);
    }
    static Modifier* NewMod(const MCHAR* name) { return static_cast<Modifier*>(CreateObjectByName(name)); }
};

TEST_F(StackOnNodeTest, TheNodeHearsItsStackAndTheBroadcastsNameIt) {
    INode* node = b.Box("Box01").Build();
    IDerivedObject* os = CreateDerivedObject(node->GetObjectRef());
    node->SetObjectRef(os);
    RefListener l(node);
    std::vector<INode*> named;
    for (int code : {0x71, 0x72, 0x73, 0x74})
        RegisterNotification(&OnModifierNote, &named, code);

    os->AddModifier(NewMod(L"Bend"));
    EXPECT_EQ(l.Count(REFMSG_MODIFIER_ADDED), 1);
    EXPECT_EQ(l.Count(REFMSG_SUBANIM_STRUCTURE_CHANGED), 1);
    EXPECT_EQ(named, (std::vector<INode*>{node, node}));

    // A world-space stack, a class of its own, over the object-space one: the node is found through it.
    IDerivedObject* ws = CreateWSDerivedObject(os);
    EXPECT_TRUE(ws->IsWorldSpace() && !os->IsWorldSpace());
    EXPECT_EQ(ws->ClassID(), DERIVOB_CLASS_ID_WS);
    EXPECT_EQ(ws->FindBaseObject(), os->GetObjRef());
    node->ReplaceReference(NODE_REF_OBJ, ws);
    EXPECT_EQ(node->GetObjectRef(), os);
    named.clear();
    os->AddModifier(NewMod(L"Twist"));
    ws->AddModifier(NewMod(L"Bend"));
    os->DeleteModifier(0);
    EXPECT_EQ(named, (std::vector<INode*>(6, node)));
    l.heard.clear();
    os->GetModifier(0)->DisableMod();
    EXPECT_TRUE(l.Heard(REFMSG_CHANGE, PART_ALL)); // through both stacks
    UnRegisterNotification(&OnModifierNote, &named);
}

} // namespace
