// Merging a reference's file: the nodes it reports, the circular check, what the merge leaves as it found
// it (layer setting, material library, merge stack) however it ends, and re-parenting into the helper's tree.
#include "plugin/helper/HelperMergeFile.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/HostServices.h"
#include "host/scene/IFileResolutionManager.h"
#include "host/scene/ILayer.h"
#include "host/scene/Mtl.h"
#include "plugin/helper/MakeUniqueName.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <filesystem>
#include <fstream>
#include <functional>
#include <stdexcept>

namespace fs = std::filesystem;

namespace {

// Each node's name, after its parent's name and "/" when the parent is a node, with " (tree)" when it hangs
// from an external-scene tree.
std::vector<std::string> Names(const INodeTab& nodes) {
    std::vector<std::string> names;
    for (int i = 0; i < nodes.Count(); ++i) {
        INode* parent = nodes[i]->GetParentNode();
        const std::string name = WStr(nodes[i]->GetName()).ToUTF8();
        names.push_back(parent == GetCOREInterface()->GetRootNode() ? name
                        : parent->IsRootNode()                      ? name + " (tree)"
                                                                    : WStr(parent->GetName()).ToUTF8() + "/" + name);
    }
    return names;
}

std::vector<std::string> LibraryNames() {
    MtlBaseLib* lib = GetCOREInterface()->GetSceneMtls();
    std::vector<std::string> names;
    for (int i = 0; i < lib->Count(); ++i)
        names.push_back((*lib)[i] ? (*lib)[i]->GetName().ToUTF8() : "empty");
    return names;
}

bool LayerSetting() {
    return GetCOREInterface()->GetLayerManager()->GetDuplicateLayerWithoutSameHierarchyOnMerge();
}

// Calls a function once from inside the next merge, at the host's notification code.
class DuringMerge {
public:
    DuringMerge(int code, std::function<void()> f) : code_(code), f_(std::move(f)) {
        RegisterNotification(Proc, this, code_);
    }
    ~DuringMerge() { UnRegisterNotification(Proc, this, code_); }

private:
    static void Proc(void* param, NotifyInfo*) {
        auto* self = static_cast<DuringMerge*>(param);
        UnRegisterNotification(Proc, self, self->code_);
        self->f_();
    }
    int code_;
    std::function<void()> f_;
};

class ThrowingCallback : public MergeCallback {
public:
    explicit ThrowingCallback(bool hostError) : hostError_(hostError) {}
    void NodesMerged(const INodeTab&) override {
        if (hostError_) throw MAXException(L"boom");
        throw std::runtime_error("bad");
    }

private:
    bool hostError_;
};

} // namespace

class HelperMergeFileTest : public HelperFileFixture {
protected:
    // Writes a file holding Wall01 (material "Brick", layer "Walls") with its child Door01, and any extra
    // nodes given, then empties the scene again.
    MSTR WriteReferenceFile(const std::string& stem, std::vector<std::string> extra = {}) {
        INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
        b.Box("Door01").Parent(wall).Build();
        for (const std::string& n : extra)
            b.Box(n).Build();
        const MSTR path = Path(stem);
        EXPECT_TRUE(ip->SaveToFile(path.c_str(), false, false)) << ip->GetLastFileError();
        ip->FileReset(TRUE);
        // A reset puts the host's setting back to its default (off): on, it tells whether a merge restores
        // it.
        ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
        return path;
    }
    MSTR Path(const std::string& stem) const { return WStr::FromUTF8((dir_ / (stem + ".max")).string()); }

    // The scene's own material in the library, on a scene node.
    void AddSceneMaterial(const std::string& name) {
        Mtl* m = b.Standard(name);
        b.Box("Local" + name).Material(m).Build();
        ip->GetSceneMtls()->Add(m);
    }

    // The message boxes shown since the last call: "title | text | style", one a line.
    std::string Shown() {
        std::string s;
        for (const auto& box : ip->Services().Shown())
            s += box.title.ToUTF8() + " | " + box.text.ToUTF8() + " | " + std::to_string(box.style) + "\n";
        ip->Services().ClearRecord();
        return s;
    }
    std::string Circular(const MSTR& file) {
        return "Error | There is a circular scene dependency. The Ostrivan file " +
               ResolveReferencePath(file).ToUTF8() + " was not loaded. | " +
               std::to_string(MB_OK | MB_ICONEXCLAMATION) + "\n";
    }
    // One merge as text: its result and the nodes it reported, then the host's layer setting, the scene
    // library and the depth of the merge stack as the merge left them, then the boxes shown.
    std::string Merge(OstrivansHelper* h, const MSTR& file, INodeTab& merged) {
        std::string s = "result " + std::to_string(h->MergeFile(file, merged)) + ":";
        for (const std::string& n : Names(merged)) s += " " + n;
        s += std::string("; setting ") + (LayerSetting() ? "on" : "off") + ", library";
        for (const std::string& n : LibraryNames()) s += " " + n;
        return s + ", stack " + std::to_string(GetHelperModuleState().mergeStack.size()) + "\n" + Shown();
    }
    std::string Merge(OstrivansHelper* h, const MSTR& file) {
        INodeTab merged;
        return Merge(h, file, merged);
    }

};

TEST_F(HelperMergeFileTest, MergesTheFileAndReportsItsNodesWithTheSceneSettingsPutBack) {
    const MSTR file = WriteReferenceFile("walls");
    AddSceneMaterial("Brick");
    AddSceneMaterial("Glass");
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");

    // What the host sees while it merges.
    bool settingDuring = true;
    std::vector<WStr> stackDuring;
    int libraryDuring = -1;
    DuringMerge probe(NOTIFY_FILE_PRE_MERGE, [&] {
        settingDuring = LayerSetting();
        stackDuring = GetHelperModuleState().mergeStack;
        libraryDuring = ip->GetSceneMtls()->Count();
    });
    GetHelperModuleState().nestingCounter = 5;
    INodeTab merged;
    // The setting, the library and the stack are given back.
    EXPECT_EQ(Merge(h, file, merged), "result 1: Wall01 Wall01/Door01; setting on, library Brick Glass, stack 0\n");
    EXPECT_FALSE(settingDuring);
    EXPECT_EQ(stackDuring, std::vector<WStr>{ResolveReferencePath(file)});
    EXPECT_EQ(libraryDuring, 0);
    // The counter was reset before the merge and followed its notifications.
    EXPECT_EQ(GetHelperModuleState().nestingCounter, 0);
    // The merged "Brick" did not meet the scene's "Brick" (no renaming) and is not in the library: the
    // load names and adds the merged materials itself.
    ASSERT_EQ(merged.Count(), 2);
    EXPECT_EQ(merged[0]->GetMtl()->GetName(), MSTR(L"Brick"));
    EXPECT_EQ(ip->GetSceneMtls()->FindMtl(merged[0]->GetMtl()), -1);
    EXPECT_EQ(h->GetHeldMtlLib(), nullptr);
    EXPECT_TRUE(Lines().empty());

    // The setting is put back as it was, also when it was off.
    ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(false);
    EXPECT_EQ(Merge(h, file), "result 1: Wall01 Wall01/Door01; setting off, library Brick Glass, stack 0\n");
}

// A helper of the merged file loads its own file inside the outer merge: its nodes belong to the outer
// merge too, less what it deletes; a file already being merged further up is not merged again.
TEST_F(HelperMergeFileTest, NestedMergesReportTheirNodesAndCannotRecurse) {
    const MSTR inner = WriteReferenceFile("inner", {"Doomed01"});
    const MSTR outer = WriteReferenceFile("outer", {"Lamp01"});
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    OstrivansHelper* nested = NewHelperNode(L"Nested01");
    INodeTab nestedMerged;
    INodeTab recursed;
    std::vector<WStr> stackInside;
    std::vector<std::string> nestedNames;
    int recursedResult = -1;
    DuringMerge nestedLoad(NOTIFY_FILE_POST_MERGE_PROCESS, [&] {
        DuringMerge probe(NOTIFY_FILE_PRE_MERGE, [&] { stackInside = GetHelperModuleState().mergeStack; });
        ASSERT_EQ(nested->MergeFile(inner, nestedMerged), 1);
        nestedNames = Names(nestedMerged);
        // The nested load deletes what its user deleted.
        ip->DeleteNode(nestedMerged[2]);
        recursedResult = nested->MergeFile(outer, recursed);
    });
    EXPECT_EQ(Merge(h, outer), "result 1: Wall01 Wall01/Door01 Lamp01 Wall01 Wall01/Door01; setting on, library, "
                               "stack 0\n" + Circular(outer));
    EXPECT_EQ(stackInside, (std::vector<WStr>{ResolveReferencePath(outer), ResolveReferencePath(inner)}));
    EXPECT_EQ(nestedNames, (std::vector<std::string>{"Wall01", "Wall01/Door01", "Doomed01"}));
    EXPECT_EQ(recursedResult, 0);
    EXPECT_EQ(recursed.Count(), 0);
}

// The open scene's own file, or one on the merge stack, however reached (another spelling, a symbolic
// link): the user is told (unless the host is quiet) and nothing is merged.
TEST_F(HelperMergeFileTest, ACircularDependencyMergesNothing) {
    const MSTR file = WriteReferenceFile("loop");
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    ASSERT_TRUE(ip->SaveToFile(file.c_str()));
    fs::create_directory(dir_ / "sub");
    fs::create_symlink(dir_ / "loop.max", dir_ / "sub" / "link.max");
    const std::string folder = dir_.string();
    const MSTR spellings[] = {WStr::FromUTF8(folder + "/sub/../loop.max"), WStr::FromUTF8(folder + "//./loop.max"),
                              WStr::FromUTF8(folder + "/sub/link.max")};
    struct Case {
        const char* what;
        bool onStack;
        bool quiet;
    };
    for (const MSTR& spelling : spellings)
        for (const Case& c : {Case{"open scene", false, false}, Case{"open scene, quiet", false, true},
                              Case{"on the stack", true, false}}) {
            SCOPED_TRACE(spelling.ToUTF8() + ": " + c.what);
            ip->SetQuietMode(c.quiet);
            ASSERT_TRUE(ip->SaveToFile((c.onStack ? Path("other") : file).c_str()));
            if (c.onStack) GetHelperModuleState().mergeStack = {L"/somewhere/else.max", ResolveReferencePath(file)};
            EXPECT_EQ(Merge(h, spelling), std::string("result 0:; setting on, library, stack ") +
                                              (c.onStack ? "2" : "0") + "\n" + (c.quiet ? "" : Circular(spelling)));
            EXPECT_EQ(ip->GetINodeByName(L"Wall01"), nullptr);
            GetHelperModuleState().mergeStack.clear();
        }
    ip->SetQuietMode(FALSE);
    EXPECT_EQ(Merge(h, L""), "result 0:; setting on, library, stack 0\n");
}

// A relative file name is looked for in the open scene's folder, then in the project folders, never in the
// working folder while there is either; found nowhere, it names the first place looked at.
TEST_F(HelperMergeFileTest, ARelativeNameResolvesLikeTheScenesAssets) {
    fs::create_directories(dir_ / "scene");
    fs::create_directories(dir_ / "project");
    for (const char* f : {"scene/walls.max", "project/walls.max", "project/doors.max", "doors.max"})
        std::ofstream(dir_ / f) << "x";
    ASSERT_TRUE(ip->SaveToFile(WStr::FromUTF8((dir_ / "scene/main.max").string()).c_str()));
    IFileResolutionManager::GetInstance()->SetProjectFolders({WStr::FromUTF8((dir_ / "project").string())});
    const fs::path cwd = fs::current_path();
    fs::current_path(dir_);
    const std::pair<const char*, const char*> cases[] = {{"walls.max", "scene/walls.max"},
                                                         {"doors.max", "project/doors.max"},
                                                         {"../project/walls.max", "project/walls.max"},
                                                         {"windows.max", "scene/windows.max"}};
    for (const auto& [typed, found] : cases)
        EXPECT_EQ(ResolveReferencePath(WStr::FromUTF8(typed)).ToUTF8(), (dir_ / found).string()) << typed;
    fs::current_path(cwd);
    IFileResolutionManager::GetInstance()->SetProjectFolders({});
}

// A file the host refuses merges nothing; an exception on the way is raised with the step it broke at. In
// every case the scene is given back its setting, library and stack, and nothing of the merge stays hooked.
TEST_F(HelperMergeFileTest, FailuresAndExceptionsPutEverythingBack) {
    const MSTR file = WriteReferenceFile("walls");
    const MSTR damaged = Path("damaged");
    std::ofstream(damaged.ToUTF8(), std::ios::binary) << "not a scene file at all";
    AddSceneMaterial("Brick");
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");

    for (const MSTR& bad : {Path("missing"), damaged}) {
        SCOPED_TRACE(bad.ToUTF8());
        EXPECT_EQ(Merge(h, bad), "result 0:; setting on, library Brick, stack 0\n");
        EXPECT_FALSE(ip->GetLastFileError().isNull());
    }

    struct Case {
        bool hostError;
        const wchar_t* text;
    };
    for (const Case& c : {Case{true, L"Error Merging File\nLastOperation: Scene Mtls\n\nboom"},
                          Case{false, L"Unknown Error Merging File\nLastOperation: Scene Mtls\n\nbad"}}) {
        ThrowingCallback thrower(c.hostError);
        ip->RegisterMergeCallback(&thrower);
        INodeTab merged;
        try {
            h->MergeFile(file, merged);
            ADD_FAILURE() << "the merge did not raise the exception";
        } catch (const MAXException& e) {
            EXPECT_EQ(e.Message(), WStr(c.text));
        }
        ip->UnRegisterMergeCallback(&thrower);
        EXPECT_TRUE(LayerSetting());
        EXPECT_EQ(LibraryNames(), std::vector<std::string>{"Brick"});
        EXPECT_TRUE(GetHelperModuleState().mergeStack.empty());
        EXPECT_EQ(h->GetHeldMtlLib(), nullptr);
    }
    // A plain merge afterwards reaches no callback or handler of the broken ones, and the library keeps
    // what it is given.
    ASSERT_EQ(ip->MergeFromFile(file.c_str(), TRUE), 1);
    EXPECT_EQ(LibraryNames(), (std::vector<std::string>{"Brick", "Brick001"}));
}

// A helper that lives in an external-scene tree brings its content into that tree: nodes the merge put on
// a root node move under the top of the helper's tree; their children stay where they are.
TEST_F(HelperMergeFileTest, ContentFollowsTheHelperIntoAnotherSceneTree) {
    const MSTR file = WriteReferenceFile("walls", {"Lamp01"});
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    INode* root = ip->GetRootNode();
    ASSERT_TRUE(root->AddNewXRefFile(L"parked.max"));
    INode* tree = root->GetXRefTree(0);
    INode* group = b.Dummy("Group01").Build();
    tree->AttachChild(group);
    group->AttachChild(h->GetHelperNode());

    EXPECT_EQ(Merge(h, file), "result 1: Wall01 (tree) Wall01/Door01 Lamp01 (tree); setting on, library, stack 0\n");
}

TEST(MakeUniqueNameTest, CountsTrailingDigitsUpKeepingTheirWidth) {
    const std::pair<const wchar_t*, const wchar_t*> cases[] = {
        {L"Mat", L"Mat001"},
        {L"Mat9", L"Mat010"},
        {L"Mat0999", L"Mat1000"},
        {L"Mat001", L"Mat002"},
        {L"Mat999", L"Mat1000"},
        {L"Mat00", L"Mat001"},
        {L"", L"001"},
        {L"7", L"008"},
        {L"Brick 12a", L"Brick 12a001"},
        {L"A99999999999999999999", L"A100000000000000000000"},
    };
    for (const auto& [in, out] : cases) {
        MSTR name(in);
        MakeUniqueName(name);
        EXPECT_EQ(name, WStr(out)) << WStr(in);
    }
}
