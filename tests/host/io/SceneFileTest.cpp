// Scene files: save and open round trips, what is written, merges, save nodes and failed opens.
#include "host/core/AppData.h"
#include "host/core/ChunkFields.h"
#include "host/core/ClassDirectory.h"
#include "host/io/SceneDataHandler.h"
#include "host/core/Notify.h"
#include "host/scene/ILayer.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/SceneDump.h"
#include "host/scene/objects/ObjectClasses.h"
#include "tests/support/SceneBuilder.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

namespace fs = std::filesystem;

// Collects the names of the nodes merges report.
struct NameCollector : MergeCallback {
    void NodesMerged(const INodeTab& nodes) override {
        for (int i = 0; i < nodes.Count(); ++i) names += WStr(nodes[i]->GetName()).ToUTF8() + " ";
    }
    std::string names;
};

std::string LayerPath(ILayer* l) {
    ILayer* parent = l->GetParentLayer();
    return (parent ? LayerPath(parent) + "/" : "") + l->GetName().ToUTF8();
}

// The node tree: a line per node, indented under its parent, with its layer path and material.
std::string Tree(INode* n = GetCOREInterface()->GetRootNode(), const std::string& indent = "") {
    std::string s;
    for (int i = 0; i < n->NumberOfChildren(); ++i) {
        INode* c = n->GetChildNode(i);
        s += indent + WStr(c->GetName()).ToUTF8() + " [" + LayerPath(c->GetLayer()) + "]" +
             (c->GetMtl() ? " " + c->GetMtl()->GetName().ToUTF8() : "") + "\n" + Tree(c, indent + "  ");
    }
    return s;
}

// A file in the test's own temporary folder.
class SceneFileTest : public SceneFixture {
protected:
    MSTR File(const std::string& name) const { return dir_.File(name); }
    static Interface* Ip() { return GetCOREInterface(); }

    // Saves, resets, and opens the file again; returns the dump of the opened scene.
    std::string ReOpen(const std::string& name = "scene.max") {
        EXPECT_TRUE(Ip()->SaveToFile(File(name).c_str())) << Ip()->GetLastFileError().ToUTF8();
        Ip()->FileReset(TRUE);
        EXPECT_TRUE(Ip()->LoadFromFile(File(name).c_str())) << Ip()->GetLastFileError().ToUTF8();
        return Dump();
    }

    void BuildSample() {
        Mtl* brick = b.Standard("Brick");
        INode* wall = b.Box("Wall01").Layer("Walls").Material(brick).Pos({10, 0, 0}).Build();
        b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
        b.Sphere("Ball").Parent(wall).Layer("Props").Wire(0x00FF0000).Build();
        b.Dummy("Helper").Build();
        Ip()->GetSceneMtls()->Add(brick);
    }

    ScratchDir dir_{"ostrivans-io"};
};

// Names beyond ASCII survive too: UTF-8 written as escapes, "Mauer_" a-, o-, u-umlaut, "_", U+58C1, "_",
// U+1F9F1 (beyond the basic plane, a surrogate pair on disk); the layer in Cyrillic; the material with a
// sharp s.
TEST_F(SceneFileTest, SaveAndOpenGiveTheSameScene) {
    BuildSample();
    const std::string wall = "Mauer_\xC3\xA4\xC3\xB6\xC3\xBC_\xE5\xA3\x81_\xF0\x9F\xA7\xB1";
    const std::string room = "\xD0\x9A\xD0\xBE\xD0\xBC\xD0\xBD\xD0\xB0\xD1\x82\xD0\xB0";
    INode* own = b.Box(wall).Layer(room).Material(b.Standard("Ziegel_\xC3\x9F")).Build();
    // The node's own data beside its references.
    own->Freeze(TRUE);
    own->SetUserPropBuffer(L"a=1");
    own->SetTransformLock(INODE_LOCKROT, INODE_LOCK_Y, TRUE);
    own->SetObjOffsetPos(Point3(1, 2, 3));
    own->SetSkinScale(Point3(2, 2, 2));
    own->SetGroupMember(TRUE);
    own->SetBoneFlags(0x11);
    const std::string before = Dump();
    EXPECT_NE(before.find("user properties: \"a=1\""), std::string::npos) << before;
    EXPECT_EQ(ReOpen(), before);
    EXPECT_EQ(Ip()->GetCurFileName(), MSTR(L"scene.max"));
    EXPECT_FALSE(Ip()->IsSaveRequired());
    INode* back = Ip()->GetINodeByName(WStr::FromUTF8(wall).c_str());
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(MSTR(back->GetName()), WStr(L"Mauer_\u00e4\u00f6\u00fc_\u58c1_\U0001F9F1"));
}

// Save (with the file name), open, reset and new each broadcast their pairs around their work.
TEST_F(SceneFileTest, SaveOpenResetAndNewBroadcastAroundTheirWork) {
    b.Box("A").Build();
    NotificationRecorder heard({NOTIFY_FILE_PRE_SAVE, NOTIFY_FILE_POST_SAVE, NOTIFY_FILE_PRE_OPEN,
                                NOTIFY_FILE_PRE_OPEN_PROCESS, NOTIFY_FILE_POST_OPEN, NOTIFY_FILE_OPEN_FAILED,
                                NOTIFY_SYSTEM_PRE_RESET, NOTIFY_SYSTEM_POST_RESET, NOTIFY_SYSTEM_PRE_NEW,
                                NOTIFY_SYSTEM_POST_NEW});
    static std::string saved;
    NOTIFYPROC name = [](void*, NotifyInfo* info) { saved = WStr(static_cast<const MCHAR*>(info->callParam)).ToUTF8(); };
    RegisterNotification(name, nullptr, NOTIFY_FILE_PRE_SAVE);
    Ip()->SetSaveRequiredFlag(TRUE);
    ASSERT_TRUE(Ip()->SaveToFile(File("a.max").c_str()));
    UnRegisterNotification(name, nullptr, NOTIFY_FILE_PRE_SAVE);
    EXPECT_EQ(saved, File("a.max").ToUTF8());
    EXPECT_FALSE(Ip()->IsSaveRequired());
    ASSERT_TRUE(Ip()->LoadFromFile(File("a.max").c_str()));
    Ip()->FileReset(TRUE);
    EXPECT_EQ(Ip()->GetRootNode()->NumberOfChildren(), 0);
    Ip()->FileNew();
    EXPECT_EQ(heard.Text(), "NOTIFY_FILE_PRE_SAVE, NOTIFY_FILE_POST_SAVE, NOTIFY_FILE_PRE_OPEN, "
                            "NOTIFY_FILE_PRE_OPEN_PROCESS, NOTIFY_FILE_POST_OPEN, NOTIFY_SYSTEM_PRE_RESET, "
                            "NOTIFY_SYSTEM_POST_RESET, NOTIFY_SYSTEM_PRE_NEW, NOTIFY_SYSTEM_POST_NEW");
}

TEST_F(SceneFileTest, MergingTwiceKeepsBothCopies) {
    BuildSample();
    ASSERT_TRUE(Ip()->SaveToFile(File("sample.max").c_str()));
    Ip()->FileReset(TRUE);
    for (int i = 0; i < 2; ++i)
        ASSERT_EQ(Ip()->MergeFromFile(File("sample.max").c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_MERGE, nullptr,
                                      MERGE_DUP_MTL_RENAME, 0, FALSE, 0),
                  1)
            << Ip()->GetLastFileError().ToUTF8();
    // The layers joined by name; the second material was renamed against the library.
    EXPECT_EQ(Tree(), "Wall01 [Walls] Brick\n  Ball [Props]\nHelper [0]\n"
                      "Wall01 [Walls] Brick001\n  Ball [Props]\nHelper [0]\n");
    EXPECT_EQ(Ip()->GetLayerManager()->GetLayerCount(), 3);
    EXPECT_EQ(Ip()->GetSceneMtls()->Count(), 2);
}

TEST_F(SceneFileTest, MergeReportsItsNodesAndBracketsItsWork) {
    b.Box("A").Build();
    b.Box("B").Build();
    ASSERT_TRUE(Ip()->SaveToFile(File("ab.max").c_str()));
    Ip()->FileReset(TRUE);
    NameCollector collect;
    Ip()->RegisterMergeCallback(&collect);
    NotificationRecorder merges({NOTIFY_FILE_PRE_MERGE, NOTIFY_SCENE_XREF_PRE_MERGE, NOTIFY_FILE_PRE_OPEN_PROCESS,
                                 NOTIFY_SCENE_ADDED_NODE, NOTIFY_SCENE_XREF_POST_MERGE, NOTIFY_FILE_POST_MERGE,
                                 NOTIFY_FILE_POST_MERGE_PROCESS});
    ASSERT_EQ(Ip()->MergeFromFile(File("ab.max").c_str(), TRUE), 1);
    Ip()->UnRegisterMergeCallback(&collect);
    EXPECT_EQ(collect.names, "A B ");
    EXPECT_EQ(merges.Text(), "NOTIFY_FILE_PRE_MERGE, NOTIFY_SCENE_XREF_PRE_MERGE, NOTIFY_FILE_PRE_OPEN_PROCESS, "
                              "NOTIFY_SCENE_ADDED_NODE, NOTIFY_SCENE_ADDED_NODE, NOTIFY_SCENE_XREF_POST_MERGE, "
                              "NOTIFY_FILE_POST_MERGE, NOTIFY_FILE_POST_MERGE_PROCESS");
}

TEST_F(SceneFileTest, MergeTakesOnlyTheNamedNodesAndSkipsOrRenamesDuplicates) {
    b.Box("A").Build();
    b.Box("B").Build();
    b.Box("C").Build();
    ASSERT_TRUE(Ip()->SaveToFile(File("abc.max").c_str()));
    Ip()->FileReset(TRUE);
    b.Box("A").Build();
    NameTab names{MSTR(L"a"), MSTR(L"C")};
    ASSERT_EQ(Ip()->MergeFromFile(File("abc.max").c_str(), FALSE, FALSE, FALSE, MERGE_DUPS_SKIP, &names), 1);
    EXPECT_EQ(Tree(), "A [0]\nC [0]\n");
    ASSERT_EQ(Ip()->MergeFromFile(File("abc.max").c_str(), TRUE, FALSE, FALSE, MERGE_DUPS_RENAME), 1);
    EXPECT_EQ(Tree(), "A [0]\nC [0]\nA001 [0]\nB [0]\nC001 [0]\n");
}

TEST_F(SceneFileTest, DuplicateLayerSettingDecidesBetweenJoiningAndANewLayer) {
    ILayer* parent = b.Layer("Building");
    b.Layer("Walls")->SetParentLayer(parent);
    b.Box("W").Layer("Walls").Build();
    ASSERT_TRUE(Ip()->SaveToFile(File("w.max").c_str()));
    Ip()->FileReset(TRUE);
    b.Box("Other").Layer("Walls").Build(); // "Walls" without a parent
    ILayerManager* lm = Ip()->GetLayerManager();
    lm->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
    ASSERT_EQ(Ip()->MergeFromFile(File("w.max").c_str(), TRUE), 1);
    lm->SetDuplicateLayerWithoutSameHierarchyOnMerge(false);
    ASSERT_EQ(Ip()->MergeFromFile(File("w.max").c_str(), TRUE), 1);
    EXPECT_EQ(Tree(), "Other [Walls]\nW [Building/Walls001]\nW [Walls]\n");
}

TEST_F(SceneFileTest, SaveNodesWritesOnlyThoseNodes) {
    INode* a = b.Box("A").Layer("LA").Build();
    b.Sphere("Child").Parent(a).Build();
    b.Box("B").Layer("LB").Build();
    INodeTab just{a};
    ASSERT_TRUE(Ip()->SaveNodes(&just, File("a.max").c_str()));
    Ip()->FileReset(TRUE);
    ASSERT_TRUE(Ip()->LoadFromFile(File("a.max").c_str()));
    EXPECT_EQ(Tree(), "A [LA]\n");
    EXPECT_EQ(Ip()->GetLayerManager()->GetLayer(MSTR(L"LB")), nullptr);
}

// A scene data handler that keeps one node by its id in the file, and notes what each open handed it.
struct KeptNode : SceneDataHandler {
    const wchar_t* Name() const override { return L"kept node"; }
    bool HasData() const override { return node != nullptr; }
    IOResult Save(ISave* isave) override {
        return WriteValueChunk(isave, 1, static_cast<std::int32_t>(isave->GetRefID(node)));
    }
    void Opened(ILoad* iload, const std::function<ReferenceTarget*(int)>& objectAt) override {
        node = nullptr;
        opened += iload ? "data " : "none ";
        std::int32_t id = -1;
        if (iload && iload->OpenChunk() == IO_OK && ReadValues(iload, id) == IO_OK) node = dynamic_cast<INode*>(objectAt(id));
    }
    INode* node = nullptr;
    std::string opened;
};

std::string AppText(Animatable* a, DWORD sub) {
    AppDataChunk* c = a->GetAppDataChunk(Class_ID(7, 8), 9, sub);
    return c ? std::string(static_cast<const char*>(c->data), c->length) : "-";
}
void PutAppText(Animatable* a, DWORD sub, const std::string& text) {
    void* data = MAX_malloc(text.size());
    std::memcpy(data, text.data(), text.size());
    a->AddAppDataChunk(Class_ID(7, 8), 9, sub, static_cast<DWORD>(text.size()), data);
}

// App data of objects and of the scene root, and a scene data handler's object, come back from the file;
// a file saved without the handler's data hands it none.
TEST_F(SceneFileTest, AppDataAndSceneDataComeBackFromTheFile) {
    Mtl* brick = b.Standard("Brick");
    INode* wall = b.Box("Wall").Material(brick).Build();
    PutAppText(wall, 1, "one");
    PutAppText(wall, 2, "two");
    PutAppText(brick, 1, "mtl");
    PutAppText(Ip()->GetRootNode(), 3, "root");
    KeptNode kept;
    kept.node = wall;
    RegisterSceneDataHandler(&kept);
    ReOpen();
    wall = Ip()->GetINodeByName(L"Wall");
    ASSERT_NE(wall, nullptr);
    EXPECT_EQ(kept.node, wall);
    EXPECT_EQ(AppText(wall, 1) + AppText(wall, 2) + AppText(wall->GetMtl(), 1) + AppText(Ip()->GetRootNode(), 3),
              "onetwomtlroot");
    UnRegisterSceneDataHandler(&kept);
    ASSERT_TRUE(Ip()->SaveToFile(File("without.max").c_str()));
    RegisterSceneDataHandler(&kept);
    Ip()->FileReset(TRUE);
    EXPECT_EQ(AppText(Ip()->GetRootNode(), 3), "-");
    ASSERT_TRUE(Ip()->LoadFromFile(File("without.max").c_str()));
    UnRegisterSceneDataHandler(&kept);
    EXPECT_EQ(kept.opened, "data none ");
    EXPECT_EQ(kept.node, nullptr);
}

} // namespace
