// A node record's modifier tracking: each edit of a referenced node's stack is recorded undoably and comes
// back in its place after a reload; a reset of the modifiers gives the file's stack back.
#include "host/core/Hold.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Modifier.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/frame/ResetMask.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <filesystem>
#include <sstream>

namespace {

// A space warp's binding: a world-space modifier of the test's own.
class WaveBinding : public WSModifier {
public:
    Class_ID ClassID() override { return Class_ID(0x5EA0, 0x7E57); }
    void GetClassName(MSTR& s, bool = false) const override { s = L"Wave Binding"; }
};

// The node's pipeline from the top, one derived object per "[...]", each modifier with its toggles unless
// all three are on and its angle unless 0, then the base object unless it is the box:
// "[Wave Binding] [Twist@45 Bend:5]".
std::string Stack(INode* node) {
    std::string s;
    Object* o = node->GetObjOrWSMRef();
    for (; o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID;) {
        auto* d = static_cast<IDerivedObject*>(o);
        s += s.empty() ? "[" : " [";
        for (int i = 0; i < d->NumModifiers(); ++i) {
            Modifier* m = d->GetModifier(i);
            s += (i ? " " : "") + WStr(m->GetName()).ToUTF8();
            float angle = 0;
            Interval valid;
            if (IParamBlock2* pb = m->GetParamBlock(0); pb && m->ClassID() != TURBOSMOOTH_MODIFIER_CLASS_ID &&
                                                        pb->GetValue(0, 0, angle, valid) && angle != 0)
                s += "@" + std::to_string(static_cast<int>(angle));
            if (m->GetEnableFlags() != 7) s += ":" + std::to_string(m->GetEnableFlags());
        }
        s += "]";
        o = d->GetObjRef();
    }
    if (o && o->ClassID() != BOX_OBJECT_CLASS_ID) s += " " + DescribeAnimatable(o).ToUTF8();
    return s;
}

IDerivedObject* Top(INode* n) {
    return static_cast<IDerivedObject*>(n->GetObjectRef());
}

Modifier* NewMod(const Class_ID& id) {
    return static_cast<Modifier*>(CreateInstance(OSM_CLASS_ID, id));
}

} // namespace

class RefNodeModifiersTest : public ReferenceFileFixture {
protected:
    // Wall01 with the stack Twist over Bend.
    MSTR WriteWall(bool withSmooth = false) {
        return WriteFile(withSmooth ? "wall-smooth" : "wall", [&] {
            INode* wall = b.Box("Wall01").Build();
            b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
            b.AddModifier(wall, TWIST_MODIFIER_CLASS_ID);
            if (withSmooth) b.AddModifier(wall, TURBOSMOOTH_MODIFIER_CLASS_ID);
        });
    }
    static RefNode* Rec(OstrivansHelper* h) { return h->GetRefNode(0); }
    // The record's modifier entries, from its dump (a toggle marks the stack changed without undo).
    static std::string Mods(RefNode* r) {
        std::istringstream in(r->DumpNode());
        std::string out, line;
        bool inMods = false;
        while (std::getline(in, line)) {
            if (line.rfind("mods ", 0) == 0) inMods = true;
            else if (inMods && line.rfind(" ", 0) == 0) out += "\n" + line;
            else if (inMods) break;
        }
        return out;
    }
};

// A stack taller than the entries' targets kept on the stack while the tables swap: every entry holds its
// modifier.
TEST_F(RefNodeModifiersTest, EveryEntryOfATallStackHoldsItsModifier) {
    INode* tall = b.Box("Tall01").Build();
    for (int i = 0; i < 10; ++i) b.AddModifier(tall, BEND_MODIFIER_CLASS_ID);
    auto* rec = new RefNode(tall, nullptr);
    EXPECT_EQ(rec->NumOSModifiers(), 10);
    for (int i = 0; i < rec->NumOSModifiers(); ++i)
        EXPECT_EQ(rec->GetOSModifier(i)->modifier, Top(tall)->GetModifier(i)) << i;
    rec->DeleteThis();
}

// Every kind of stack edit: recorded with undo (undo and redo give the record's dump back exactly), then
// kept through a reload of the file, in its place on the stack.
TEST_F(RefNodeModifiersTest, EachStackEditIsUndoableAndSurvivesTheReload) {
    struct Row {
        const char* what;
        std::function<void(INode*)> edit;
        std::string stack;
        DWORD flags = REFNODE_OVERRIDE_MODIFIERS;
    } rows[] = {
        {"added on top", [](INode* n) { Top(n)->AddModifier(NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 0); },
         "[TurboSmooth Twist Bend]"},
        {"added in the middle with local data",
         [](INode* n) {
             Top(n)->AddModifier(NewMod(EDIT_POLY_MODIFIER_CLASS_ID), nullptr, 1);
             n->EvalWorldState(0);
         },
         "[Twist Edit Poly Bend]"},
        {"added at the bottom", [](INode* n) { Top(n)->AddModifier(NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 2); },
         "[Twist Bend TurboSmooth]"},
        {"deleted", [](INode* n) { Top(n)->DeleteModifier(0); }, "[Bend]"},
        {"renamed", [](INode* n) { Top(n)->GetModifier(1)->SetName(L"Bent"); }, "[Twist Bent]"},
        {"off in viewports", [](INode* n) { Top(n)->GetModifier(0)->DisableModInViews(); }, "[Twist:5 Bend]"},
        {"switched off", [](INode* n) { Top(n)->GetModifier(1)->DisableMod(); }, "[Twist Bend:6]"},
        {"world-space added",
         [](INode* n) {
             IDerivedObject* ws = CreateWSDerivedObject(n->GetObjectRef());
             n->SetObjectRef(ws);
             ws->AddModifier(new WaveBinding, nullptr, 0);
         },
         "[Wave Binding] [Twist Bend]"},
        {"parameter changed", [](INode* n) { Top(n)->GetModifier(0)->GetParamBlock(0)->SetValue(0, 0, 45.0f); },
         "[Twist@45 Bend]", 0},
        {"object replaced",
         [](INode* n) {
             IDerivedObject* d = CreateDerivedObject(
                 static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, SPHERE_OBJECT_CLASS_ID)));
             d->AddModifier(NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 0);
             n->SetObjectRef(d);
         },
         "[TurboSmooth] Sphere", REFNODE_OVERRIDE_MODIFIERS | REFNODE_OBJECT_REPLACED},
    };
    const MSTR file = WriteWall();
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        RefNode* rec = Rec(h);
        // The entries, the replaced-object flag and the mirrors with their states (undo leaves the slots of
        // the mirrors it takes back empty).
        auto dump = [rec] {
            std::string s = Mods(rec) + "\nreplaced " + std::to_string(rec->GetOverrideFlags() & REFNODE_OBJECT_REPLACED);
            for (int i = 0; i < rec->NumMirrors(); ++i)
                if (RefAnim* m = rec->GetMirror(i)) s += "\n" + WStr(m->Describe()).ToUTF8();
            return s;
        };
        const std::string before = dump();
        Step([&] { row.edit(rec->GetNode()); });
        EXPECT_EQ(Stack(rec->GetNode()), row.stack);
        EXPECT_EQ(rec->GetOverrideFlags() & (REFNODE_OVERRIDE_MODIFIERS | REFNODE_OBJECT_REPLACED), row.flags);
        const std::string after = dump();
        EXPECT_NE(after, before);
        ASSERT_TRUE(theHold.Undo());
        EXPECT_EQ(dump(), before);
        ASSERT_TRUE(theHold.Redo());
        EXPECT_EQ(dump(), after);
        ASSERT_EQ(h->Reload(), 1);
        EXPECT_EQ(Stack(rec->GetNode()), row.stack);
        ASSERT_EQ(h->Reload(), 1);
        EXPECT_EQ(Stack(rec->GetNode()), row.stack) << "second reload";
        ip->FileReset(TRUE);
    }
}

// The file's own stack grows or shrinks between loads (TurboSmooth on top of it comes or goes): the local
// edits stay where they were counted from the bottom, the file's modifiers as the file has them now.
TEST_F(RefNodeModifiersTest, LocalEditsStayOnTheFilesChangedStack) {
    const MSTR grown = WriteWall(true);
    const MSTR plain = WriteWall();
    const MSTR file = WStr::FromUTF8((dir_ / "wall-changing.max").string());
    for (bool grows : {true, false}) {
        SCOPED_TRACE(grows ? "grows" : "shrinks");
        std::filesystem::copy_file((grows ? plain : grown).ToUTF8(), file.ToUTF8(),
                                   std::filesystem::copy_options::overwrite_existing);
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        RefNode* rec = Rec(h);
        IDerivedObject* top = Top(rec->GetNode());
        top->AddModifier(NewMod(EDIT_POLY_MODIFIER_CLASS_ID), nullptr, top->NumModifiers());
        top->GetModifier(top->NumModifiers() - 3)->DisableMod();
        top->DeleteModifier(top->NumModifiers() - 2);
        ASSERT_EQ(Stack(rec->GetNode()), grows ? "[Twist:6 Edit Poly]" : "[TurboSmooth Twist:6 Edit Poly]");
        h->GetParamBlock()->SetValue(pb_active, 0, 0);
        std::filesystem::copy_file((grows ? grown : plain).ToUTF8(), file.ToUTF8(),
                                   std::filesystem::copy_options::overwrite_existing);
        h->GetParamBlock()->SetValue(pb_active, 0, 1);
        EXPECT_EQ(Stack(rec->GetNode()), grows ? "[TurboSmooth Twist:6 Edit Poly]" : "[Twist:6 Edit Poly]");
        ip->FileReset(TRUE);
    }
}

// A reset of the modifiers: after the next reload the stack and the record are those of a bare load.
TEST_F(RefNodeModifiersTest, ResetOfTheModifiersGivesTheFilesStackBack) {
    const MSTR file = WriteWall();
    OstrivansHelper* bare = HelperFor(file);
    ASSERT_EQ(bare->Load(), 1);
    const std::string stack = Stack(Rec(bare)->GetNode());
    const std::string mods = Mods(Rec(bare));
    // Edits of the stack, or another object with a stack of its own.
    const std::function<void(INode*)> edits[] = {
        [](INode* n) {
            Top(n)->AddModifier(NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 1);
            Top(n)->GetModifier(0)->SetName(L"Turn");
            Top(n)->DeleteModifier(2);
        },
        [](INode* n) {
            IDerivedObject* d = CreateDerivedObject(
                static_cast<Object*>(CreateInstance(GEOMOBJECT_CLASS_ID, SPHERE_OBJECT_CLASS_ID)));
            d->AddModifier(NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID), nullptr, 0);
            n->SetObjectRef(d);
        },
    };
    for (const auto& edit : edits) {
        ip->FileReset(TRUE);
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        RefNode* rec = Rec(h);
        edit(rec->GetNode());
        const std::string edited = Stack(rec->GetNode());
        ASSERT_EQ(h->Reload(), 1);
        ASSERT_EQ(Stack(rec->GetNode()), edited);
        rec->Reset(RESETMASK_NODE_MODE | RESETMASK_MODIFIERS);
        ASSERT_EQ(h->Reload(), 1);
        // A record left without overrides makes way for a new one at the load.
        rec = Rec(h);
        EXPECT_EQ(Stack(rec->GetNode()), stack);
        EXPECT_EQ(Mods(rec), mods);
        EXPECT_FALSE(rec->GetOverrideFlags() & (REFNODE_OVERRIDE_MODIFIERS | REFNODE_OBJECT_REPLACED));
    }
}

// Of two modifiers of one name, the one the user deleted goes again (the nearest index decides).
TEST_F(RefNodeModifiersTest, TheDeletedOneOfTwoSameNamedModifiersGoesAgain) {
    const MSTR file = WriteFile("bends", [&] {
        INode* wall = b.Box("Wall01").Build();
        b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
        b.AddModifier(wall, TWIST_MODIFIER_CLASS_ID);
        b.AddModifier(wall, BEND_MODIFIER_CLASS_ID)->DisableModInRender();
    });
    for (int position : {0, 2}) {
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        RefNode* rec = Rec(h);
        Top(rec->GetNode())->DeleteModifier(position);
        const std::string kept = Stack(rec->GetNode());
        ASSERT_EQ(h->Reload(), 1);
        EXPECT_EQ(Stack(rec->GetNode()), kept);
        ip->FileReset(TRUE);
    }
}

// Two referenced nodes sharing one stack: a modifier added to it is put back once, and one of two Bends
// deleted from it is deleted once, on the shared stack (both records note the deletion).
TEST_F(RefNodeModifiersTest, AModifierOnAnInstancedStackStaysOneInstance) {
    OstrivansHelper* h = HelperFor(WriteFile("pair", [&] {
        INode* wall = b.Box("Wall01").Build();
        b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
        b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
        GetCOREInterface()->CreateObjectNode(wall->GetObjectRef())->SetName(L"Wall02");
    }));
    ASSERT_EQ(h->Load(), 1);
    ASSERT_EQ(Node(L"Wall01")->GetObjectRef(), Node(L"Wall02")->GetObjectRef());
    Modifier* smooth = NewMod(TURBOSMOOTH_MODIFIER_CLASS_ID);
    Top(Node(L"Wall01"))->AddModifier(smooth, nullptr, 1);
    Top(Node(L"Wall01"))->DeleteModifier(0);
    for (int reload = 0; reload < 2; ++reload) {
        ASSERT_EQ(h->Reload(), 1);
        EXPECT_EQ(Stack(Node(L"Wall01")), "[TurboSmooth Bend]");
        EXPECT_EQ(Node(L"Wall01")->GetObjectRef(), Node(L"Wall02")->GetObjectRef());
        EXPECT_EQ(Top(Node(L"Wall02"))->GetModifier(0), smooth);
    }
    // A reset of one node's modifiers is one of the shared stack's.
    RefBase::FromItem(Node(L"Wall01"))->Reset(RESETMASK_NODE_MODE | RESETMASK_MODIFIERS);
    ASSERT_EQ(h->Reload(), 1);
    EXPECT_EQ(Stack(Node(L"Wall02")), "[Bend Bend]");
}

// While the reference is out, a changed modifier stays in its mirror's holder and a local modifier with
// local data in its entry's holder, both with their contexts and through a saved scene; the load after
// opening it puts the modifiers back at their places with those contexts.
TEST_F(RefNodeModifiersTest, HoldersKeepTheUsersModifiersWhileTheContentIsOut) {
    OstrivansHelper* h = HelperFor(WriteWall());
    ASSERT_EQ(h->Load(), 1);
    INode* n = Rec(h)->GetNode();
    Step([&] { Top(n)->GetModifier(0)->GetParamBlock(0)->SetValue(0, 0, 45.0f); });
    Matrix3 tm;
    tm.SetTrans(Point3(2, 0, 1));
    *Top(n)->GetModContext(0) = ModContext(new Matrix3(tm), new Box3(Point3(0, 0, 0), Point3(1, 1, 1)), nullptr);
    const std::string context = WStr(Top(n)->GetModContext(0)->Describe()).ToUTF8();
    Top(n)->AddModifier(NewMod(EDIT_POLY_MODIFIER_CLASS_ID), nullptr, 2);
    n->EvalWorldState(0);
    h->GetParamBlock()->SetValue(pb_active, 0, 0);
    std::string whileOut = Mods(Rec(h));
    for (int i = 0; i < Rec(h)->NumMirrors(); ++i)
        if (RefAnim* m = Rec(h)->GetMirror(i); m && m->IsModified()) whileOut += WStr(m->Describe()).ToUTF8();
    EXPECT_NE(whileOut.find("\"Edit Poly\" 0 7 in holder"), std::string::npos) << whileOut;
    EXPECT_NE(whileOut.find("Path: Object,Twist,"), std::string::npos) << whileOut;
    EXPECT_NE(whileOut.find("Holder: Derived Object"), std::string::npos) << whileOut;

    SaveAndReopen("ostrivans-modifier-holders");
    if (HasFatalFailure()) return;
    auto* back = dynamic_cast<OstrivansHelper*>(Node(L"Ostrivan01")->GetObjectRef());
    ASSERT_TRUE(back && Rec(back)->GetNode());
    n = Rec(back)->GetNode();
    EXPECT_EQ(Stack(n), "[Twist@45 Bend Edit Poly]");
    EXPECT_EQ(WStr(Top(n)->GetModContext(0)->Describe()).ToUTF8(), context);
}

// A referenced node's modifier or whole stack instanced on a scene node: the scene node keeps its stack,
// the same modifiers, while the reference is out and after it is back, and the referenced node gets the
// file's stack.
TEST_F(RefNodeModifiersTest, AnInstanceOnASceneNodeKeepsTheSceneNodesStack) {
    const MSTR file = WriteWall();
    struct Row {
        const char* what;
        std::function<INode*(INode*)> instance;
        std::string stack;
    } rows[] = {
        {"modifier",
         [this](INode* wall) {
             INode* local = b.Box("Local01").Build();
             b.AddModifier(local, TWIST_MODIFIER_CLASS_ID);
             Top(local)->AddModifier(Top(wall)->GetModifier(1), nullptr, 0);
             return local;
         },
         "[Bend Twist]"},
        {"stack", [](INode* wall) { return GetCOREInterface()->CreateObjectNode(wall->GetObjectRef()); },
         "[Twist Bend]"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        OstrivansHelper* h = HelperFor(file);
        ASSERT_EQ(h->Load(), 1);
        INode* local = row.instance(Rec(h)->GetNode());
        local->SetName(L"Local01");
        auto same = [mods = std::vector<Modifier*>{Top(local)->GetModifier(0), Top(local)->GetModifier(1)}] {
            IDerivedObject* d = Top(Node(L"Local01"));
            return d->GetModifier(0) == mods[0] && d->GetModifier(1) == mods[1];
        };
        ASSERT_EQ(Stack(local), row.stack);
        h->GetParamBlock()->SetValue(pb_active, 0, 0);
        EXPECT_EQ(Stack(Node(L"Local01")), row.stack) << "while out";
        h->GetParamBlock()->SetValue(pb_active, 0, 1);
        EXPECT_EQ(Stack(Node(L"Local01")), row.stack);
        EXPECT_TRUE(same());
        EXPECT_EQ(Stack(Rec(h)->GetNode()), "[Twist Bend]");
        ASSERT_EQ(h->Reload(), 1);
        EXPECT_EQ(Stack(Node(L"Local01")), row.stack) << "second reload";
        EXPECT_TRUE(same());
        ip->FileReset(TRUE);
    }
}
