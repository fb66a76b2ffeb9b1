// Scene files and references: real ones pull their targets into the file, weak ones are written as null,
// references come back before post-load callbacks run, and custom attributes stay with their owner.
#include "host/core/ChunkIO.h"
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/Interface.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

namespace {

constexpr Class_ID kProbeClassID(0x7E510001, 0x1);

// A custom attribute with a real reference (0) and a weak one (1) to nodes; it records what its
// post-load callback found.
class Probe : public CustAttrib {
public:
    ~Probe() override { DeleteAllRefs(); }
    Class_ID ClassID() override { return kProbeClassID; }
    void GetClassName(MSTR& s, bool = true) const override { s = L"Probe"; }
    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override { return i == 0 ? real : i == 1 ? weak : nullptr; }
    BOOL IsRealDependency(ReferenceTarget* t) override { return t == real; }
    BOOL ShouldPersistWeakRef(RefTargetHandle t) override { return persistWeak && t == weak; }
    IOResult Save(ISave* isave) override {
        isave->BeginChunk(0x10);
        isave->WriteWString(label.c_str());
        return isave->EndChunk();
    }
    IOResult Load(ILoad* iload) override {
        IOResult r;
        while ((r = iload->OpenChunk()) == IO_OK) {
            if (iload->CurChunkID() == 0x10 && iload->ReadWStringChunk(label) != IO_OK) return IO_ERROR;
            iload->CloseChunk();
        }
        if (failLoads) return IO_ERROR;
        struct Check : PostLoadCallback {
            explicit Check(Probe* p) : probe(p) {}
            void proc(ILoad*) override {
                probe->realAtPostLoad = probe->real != nullptr;
                delete this;
            }
            Probe* probe;
        };
        iload->RegisterPostLoadCallback(new Check(this));
        return r == IO_END ? IO_OK : r;
    }
    void Set(int i, ReferenceTarget* t) { ReplaceReference(i, t); }

    ReferenceTarget* real = nullptr;
    ReferenceTarget* weak = nullptr;
    MSTR label;
    bool realAtPostLoad = false;
    static inline bool persistWeak = false;
    static inline bool failLoads = false;

protected:
    void SetReference(int i, RefTargetHandle t) override { (i == 0 ? real : weak) = t; }
};

class ProbeDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 0; }
    void* Create(BOOL) override { return new Probe(); }
    const MCHAR* ClassName() override { return L"Probe"; }
    SClass_ID SuperClassID() override { return CUST_ATTRIB_CLASS_ID; }
    Class_ID ClassID() override { return kProbeClassID; }
    const MCHAR* Category() override { return L""; }
};

class SceneReferencesTest : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        static ProbeDesc desc;
        if (!GetClassDirectory().FindClass(CUST_ATTRIB_CLASS_ID, kProbeClassID)) GetClassDirectory().AddClass(&desc);
        Probe::persistWeak = false;
        Probe::failLoads = false;
    }
    static Interface* Ip() { return GetCOREInterface(); }

    // A node "Owner" carrying a probe that refers to "Real" and "Weak", both parked below an
    // external-scene tree as the save cycle parks referenced content.
    Probe* BuildParkedTargets() {
        INode* owner = b.Dummy("Owner").Build();
        INode* real = b.Box("Real").Build();
        INode* weak = b.Box("Weak").Build();
        INode* root = Ip()->GetRootNode();
        root->AddNewXRefFile(MSTR(L"OVTXR"), TRUE, TRUE);
        root->GetXRefTree(0)->AttachChild(real, FALSE);
        root->GetXRefTree(0)->AttachChild(weak, FALSE);
        auto* probe = new Probe();
        probe->label = L"tag";
        probe->Set(0, real);
        probe->Set(1, weak);
        owner->AllocCustAttribContainer();
        owner->GetCustAttribContainer()->AppendCustAttrib(probe);
        return probe;
    }
    static Probe* ProbeOf(INode* n) {
        ICustAttribContainer* c = n ? n->GetCustAttribContainer() : nullptr;
        return c && c->GetNumCustAttribs() == 1 ? dynamic_cast<Probe*>(c->GetCustAttrib(0)) : nullptr;
    }
    ScratchDir dir_{"ostrivans-io-references"};
    const MSTR path_ = dir_.File("scene.max");
};

// The real reference's target comes back at the top of the scene (its parking parent was not written),
// set before post-load callbacks run; the weak one is written as null unless it asks to persist.
TEST_F(SceneReferencesTest, ARealReferencePullsItsTargetInAndAWeakOneOnlyWhenItAsks) {
    for (bool persist : {false, true}) {
        BuildParkedTargets();
        Probe::persistWeak = persist;
        ASSERT_TRUE(Ip()->SaveToFile(path_.c_str())) << Ip()->GetLastFileError().ToUTF8();
        Ip()->FileReset(TRUE);
        ASSERT_TRUE(Ip()->LoadFromFile(path_.c_str())) << Ip()->GetLastFileError().ToUTF8();
        Probe* probe = ProbeOf(Ip()->GetINodeByName(L"Owner"));
        ASSERT_NE(probe, nullptr);
        auto name = [](ReferenceTarget* t) {
            auto* n = dynamic_cast<INode*>(t);
            return n ? WStr(n->GetName()).ToUTF8() + (n->GetParentNode() == Ip()->GetRootNode() ? " at top" : " below")
                     : t ? "?" : "null";
        };
        EXPECT_EQ(probe->label.ToUTF8() + ", real " + name(probe->real) + ", weak " + name(probe->weak) +
                      (probe->realAtPostLoad ? ", real at post-load" : "") + ", node Weak " +
                      name(Ip()->GetINodeByName(L"Weak")),
                  persist ? "tag, real Real at top, weak Weak at top, real at post-load, node Weak Weak at top"
                          : "tag, real Real at top, weak null, real at post-load, node Weak null");
        Ip()->FileReset(TRUE);
    }
}

TEST_F(SceneReferencesTest, AnObjectThatFailsToLoadLeavesTheSceneAsItWas) {
    BuildParkedTargets();
    ASSERT_TRUE(Ip()->SaveToFile(path_.c_str()));
    Ip()->FileReset(TRUE);
    b.Box("Before").Build();
    const std::string before = Dump();
    Probe::failLoads = true;
    NotificationRecorder failed({NOTIFY_FILE_OPEN_FAILED});
    EXPECT_FALSE(Ip()->LoadFromFile(path_.c_str()));
    EXPECT_EQ(Dump(), before);
    EXPECT_EQ(failed.Count(NOTIFY_FILE_OPEN_FAILED), 1);
    const std::string error = Ip()->GetLastFileError().ToUTF8();
    EXPECT_NE(error.find("Probe"), std::string::npos) << error;
    EXPECT_NE(error.find("its Load reported an error"), std::string::npos) << error;
    EXPECT_EQ(Ip()->MergeFromFile(path_.c_str(), TRUE), 0);
    EXPECT_EQ(Dump(), before);
}

} // namespace
