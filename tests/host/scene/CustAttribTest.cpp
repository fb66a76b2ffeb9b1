// Custom attributes: containers owned by their animatables, structure messages and notifications, undo,
// and attribute classes defined at run time.
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Hold.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/core/RemapDir.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/materials/ParamDefBuilder.h"
#include "tests/support/GraphBuilder.h"
#include "tests/support/HostChecks.h"
#include "tests/support/NotificationRecorder.h"

#include <gtest/gtest.h>

#include <sstream>

namespace {

bool Alive(AnimHandle h) { return Animatable::GetAnimByHandle(h) != nullptr; }

CustAttribDef* PropsDef() {
    return DefineCustAttrib(L"Props", {MakeParamDef(0, L"weight", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(2.5f)),
                                       MakeParamDef(1, L"label", TYPE_STRING, 0, PB2Value::Str(L"none"))});
}

std::string Names(ICustAttribContainer* c) {
    std::string s;
    for (int i = 0; i < c->GetNumCustAttribs(); ++i) {
        CustAttrib* ca = c->GetCustAttrib(i);
        s += (i ? "," : "") + (ca ? WStr(ca->GetParamBlock(0)->GetStr(1)).ToUTF8() : std::string("null"));
    }
    return s;
}

class CustAttribTest : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterCustAttribClasses();
        RegisterParamBlockClasses();
        owner = g.Target("Box");
        watcher = g.Maker("Watcher");
        g.Link(watcher, 0, owner);
        owner->SetAFlag(A_LOCK_TARGET);
        owner->AllocCustAttribContainer();
        container = owner->GetCustAttribContainer();
        mirror = g.Maker("CacMirror");
        g.Link(mirror, 0, owner->GetCustAttribContainerTarget());
    }

    CustAttrib* Make(const wchar_t* label) {
        CustAttrib* ca = PropsDef()->CreateInstance();
        ca->GetParamBlock(0)->SetValue(1, 0, label);
        return ca;
    }

    int Heard(const std::string& receiver, RefMessage msg) const {
        int n = 0;
        for (const HeardMessage& h : g.heard) n += h.receiver == receiver && h.message == msg;
        return n;
    }

    std::string Dump() const {
        std::ostringstream os;
        DumpCustAttribs(owner, os);
        return os.str();
    }

    GraphBuilder g;
    TestTarget* owner = nullptr;
    TestMaker* watcher = nullptr;
    TestMaker* mirror = nullptr;
    ICustAttribContainer* container = nullptr;
};

} // namespace

TEST_F(CustAttribTest, TheContainerIsTheOwnersAndLooksLikeTheHostsOne) {
    ASSERT_NE(container, nullptr);
    EXPECT_EQ(container->GetOwner(), owner);
    ReferenceTarget* t = owner->GetCustAttribContainerTarget();
    EXPECT_EQ(t->ClassID(), CUSTATTRIB_CONTAINER_CLASS_ID);
    EXPECT_EQ(t->SuperClassID(), REF_MAKER_CLASS_ID);

    CustAttrib* ca = Make(L"a");
    container->AppendCustAttrib(ca);
    EXPECT_EQ(t->NumSubs(), 1);
    EXPECT_EQ(t->SubAnim(0), ca);
    EXPECT_EQ(t->SubAnimName(0), MSTR(L"Props"));
    EXPECT_EQ(ca->SuperClassID(), CUST_ATTRIB_CLASS_ID);
    EXPECT_FALSE(ca->CanCopyAnim());
    EXPECT_EQ(ca->GetParamBlock(0)->GetOwner(), ca);
    EXPECT_FLOAT_EQ(ca->GetParamBlock(0)->GetFloat(0), 2.5f);

    // A mirror letting go of the container does not end it: only its owner does.
    const AnimHandle containerHandle = Animatable::GetHandleByAnim(t);
    mirror->DeleteReference(0);
    EXPECT_TRUE(Alive(containerHandle));
    g.Link(mirror, 0, t);

    // The owner is freed: its container and the attributes nothing else holds go with it.
    const AnimHandle caHandle = Animatable::GetHandleByAnim(ca);
    owner->ClearAFlag(A_LOCK_TARGET);
    watcher->DeleteReference(0);
    EXPECT_FALSE(g.Alive("Box"));
    EXPECT_FALSE(Alive(caHandle));
    EXPECT_FALSE(Alive(containerHandle));
    EXPECT_EQ(mirror->GetReference(0), nullptr);
}

TEST_F(CustAttribTest, AppendAndRemoveSendStructureMessagesThenTheNotifications) {
    NotificationRecorder rec({NOTIFY_CUSTOM_ATTRIBUTES_ADDED, NOTIFY_CUSTOM_ATTRIBUTES_REMOVED});
    CustAttrib* ca = Make(L"a");
    const AnimHandle handle = Animatable::GetHandleByAnim(ca);
    // What a listener sees when it is told.
    struct Seen {
        int count = -1;
        bool alive = false;
        Animatable* owner = nullptr;
        CustAttrib* attrib = nullptr;
    };
    struct Listener {
        ICustAttribContainer* c;
        AnimHandle h;
        std::vector<Seen> seen;
        static void Proc(void* p, NotifyInfo* info) {
            auto* self = static_cast<Listener*>(p);
            auto* n = static_cast<NotifyCustomAttribute*>(info->callParam);
            self->seen.push_back({self->c->GetNumCustAttribs(), Alive(self->h), n->owner, n->attrib});
        }
    } listener{container, handle, {}};
    RegisterNotification(&Listener::Proc, &listener, NOTIFY_CUSTOM_ATTRIBUTES_ADDED);
    RegisterNotification(&Listener::Proc, &listener, NOTIFY_CUSTOM_ATTRIBUTES_REMOVED);

    container->AppendCustAttrib(ca);
    EXPECT_EQ(Heard("Watcher", REFMSG_SUBANIM_STRUCTURE_CHANGED), 1);
    EXPECT_EQ(Heard("CacMirror", REFMSG_SUBANIM_STRUCTURE_CHANGED), 1);
    container->AppendCustAttrib(ca); // already there
    EXPECT_EQ(container->GetNumCustAttribs(), 1);

    container->RemoveCustAttrib(0);
    EXPECT_EQ(Heard("Watcher", REFMSG_SUBANIM_STRUCTURE_CHANGED), 2);
    EXPECT_EQ(rec.Text(), "NOTIFY_CUSTOM_ATTRIBUTES_ADDED, NOTIFY_CUSTOM_ATTRIBUTES_REMOVED");
    ASSERT_EQ(listener.seen.size(), 2u);
    EXPECT_EQ(listener.seen[0].count, 1); // sent after the change
    EXPECT_EQ(listener.seen[0].owner, owner);
    EXPECT_EQ(listener.seen[0].attrib, ca);
    EXPECT_EQ(listener.seen[1].count, 0);
    EXPECT_TRUE(listener.seen[1].alive); // still readable while the listeners hear about it
    EXPECT_FALSE(Alive(handle));          // and gone afterwards
    UnRegisterNotification(&Listener::Proc, &listener);
}

TEST_F(CustAttribTest, InsertRemoveAndUndoKeepOrderAndValues) {
    container->AppendCustAttrib(Make(L"a"));
    container->AppendCustAttrib(Make(L"b"));
    g.heard.clear();
    ExpectUndoRedoExact([&] { return Dump(); }, [&] {
        container->InsertCustAttrib(1, Make(L"c"));
        container->InsertCustAttrib(0, Make(L"d"));
        container->RemoveCustAttrib(2); // c
    });
    EXPECT_GE(Heard("Watcher", REFMSG_SUBANIM_STRUCTURE_CHANGED), 3); // the edit, its undo and its redo
    EXPECT_EQ(Names(container), "d,a,b");
    for (int i = 0; i < container->GetNumCustAttribs(); ++i)
        EXPECT_EQ(owner->GetCustAttribContainerTarget()->GetReference(i), container->GetCustAttrib(i));
    // A removal undone brings back the same attribute with its values.
    CustAttrib* a = container->GetCustAttrib(1);
    a->GetParamBlock(0)->SetValue(0, 0, 9.0f);
    ExpectUndoRedoExact([&] { return Dump(); }, [&] { container->RemoveCustAttrib(1); });
    EXPECT_TRUE(a->TestAFlag(A_IS_DELETED));
    ASSERT_TRUE(theHold.Undo());
    EXPECT_EQ(container->GetCustAttrib(1), a);
    EXPECT_FALSE(a->TestAFlag(A_IS_DELETED));
}

TEST_F(CustAttribTest, DefinitionsAreFoundByNameAndIdAndRegisteredAsClasses) {
    CustAttribDef* def = PropsDef();
    EXPECT_EQ(PropsDef(), def);
    EXPECT_EQ(FindCustAttribDef(L"props"), def);
    EXPECT_EQ(FindCustAttribDef(def->ClassID()), def);
    EXPECT_EQ(FindCustAttribDef(L"Other"), nullptr);
    EXPECT_THROW(DefineCustAttrib(L"Props", {MakeParamDef(0, L"weight", TYPE_INT, 0, PB2Value::Int(1))}),
                 MAXException);

    // The derived class id depends on the name only, so scene files find the class again.
    CustAttribDef* other = DefineCustAttrib(L"Rig Data", {MakeParamDef(0, L"stiffness", TYPE_FLOAT, 0, PB2Value())});
    EXPECT_FALSE(other->ClassID() == def->ClassID());
    EXPECT_EQ(GetClassDirectory().FindClass(CUST_ATTRIB_CLASS_ID, other->ClassID()), static_cast<ClassDesc*>(other->GetClassDesc()));
    EXPECT_THROW(DefineCustAttrib(L"Taken", {}, other->ClassID()), MAXException);

    auto* loaded = static_cast<CustAttrib*>(
        GetClassDirectory().CreateInstance(CUST_ATTRIB_CLASS_ID, def->ClassID(), true));
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(loaded->GetParamBlock(0), nullptr); // the block comes back as a reference
    EXPECT_EQ(MSTR(loaded->GetName()), MSTR(L"Props"));
    loaded->MaybeAutoDelete();
}
