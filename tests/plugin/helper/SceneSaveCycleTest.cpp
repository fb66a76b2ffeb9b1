// The scene save cycle with real files: what the written file holds (read back with the host's reader),
// the scene in memory after the save, save-reset-open through each reload policy, and the saves that
// write the content merged.
#include "host/io/SceneReader.h"
#include "host/scene/SceneDump.h"
#include "host/scene/controllers/PositionConstraint.h"
#include "host/scene/materials/StdMaterial.h"
#include "plugin/helper/SceneSaveCycle.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <sstream>

#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The scene as the save must leave it: every node's own dump under its parent's name (siblings sorted,
// since a node put back comes last among its parent's children), then layers and materials.
std::string SceneState() {
    std::vector<std::string> nodes;
    std::vector<INode*> stack{GetCOREInterface()->GetRootNode()};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        for (int i = 0; i < n->NumberOfChildren(); ++i) stack.push_back(n->GetChildNode(i));
        if (n->IsRootNode()) continue;
        std::string own = DumpNode(n);
        own = own.substr(0, own.find("\n  node ") + 1);
        nodes.push_back(WStr(n->GetParentNode()->GetName()).ToUTF8() + " > " + own);
    }
    std::sort(nodes.begin(), nodes.end());
    std::string s;
    for (const std::string& n : nodes) s += n;
    const std::string scene = DumpScene();
    return s + scene.substr(std::min(scene.find("\nexternal scenes\n"), scene.find("\nlayers\n")));
}

// What a written file holds: "nodes 3, materials 1, boxes 0".
std::string FileContent(const MSTR& path) {
    SceneReader reader(GetCOREInterface());
    if (reader.IndexFile(path) != IO_OK) return "unreadable: " + reader.Error().ToUTF8();
    // The material editor's default materials go with every scene; only the others tell what was written.
    const std::vector<std::int32_t>& slots = reader.EditorSlots();
    int materials = 0, boxes = 0;
    for (int id = 0; id < reader.NumObjects(); ++id) {
        materials += reader.ClassOf(id).superClassId == MATERIAL_CLASS_ID &&
                     std::find(slots.begin(), slots.end(), id) == slots.end();
        boxes += reader.ClassOf(id).name == MSTR(L"Box");
    }
    return "nodes " + std::to_string(reader.Nodes().size()) + ", materials " + std::to_string(materials) +
           ", boxes " + std::to_string(boxes);
}

class SceneSaveCycleTest : public ReferenceFileFixture {
protected:
    MSTR ScenePath() const { return WStr::FromUTF8((dir_ / "scene.max").string()); }
    // Saves and tells what the cycle left behind: the module's tables, the root's external scenes, the
    // operation code and the save-required flag.
    std::string Save(const MSTR& path) {
        ip->SetSaveRequiredFlag(TRUE);
        const bool saved = ip->SaveToFile(path.c_str());
        std::ostringstream os;
        os << (saved ? "saved" : "failed") << ", code " << GetCurrentOperation() << ", external "
           << ip->GetRootNode()->GetXRefFileCount() << ", save required " << ip->IsSaveRequired() << "\n"
           << SceneSaveCycle::Dump();
        return os.str();
    }
    static std::string Clean(bool saved, bool required) {
        return std::string(saved ? "saved" : "failed") + ", code 0 (none), external 0, save required " +
               (required ? "1" : "0") + "\nlinks 0\nheld 0\nplaceholders 0\nholder none\nparked no\nmerged no\n";
    }
    // The house loaded with local changes: Door01 moved and renamed Gate, Wall01's material changed.
    void LoadChangedHouse(OstrivansHelper* h) {
        ASSERT_EQ(h->Load(), 1);
        MoveTo(L"Door01", {7, 5, 0});
        Step([] { Node(L"Wall01")->GetMtl()->GetParamBlock(0)->SetValue(std_glossiness, 0, 0.5f); });
        Step([] { Node(L"Door01")->SetName(L"Gate"); });
    }
    // A scene node constrained to a referenced node.
    void Follow(const MCHAR* target) {
        auto* constraint = new PositionConstraint();
        b.Box("Follower").Build()->GetTMController()->SetPositionController(constraint);
        constraint->AppendTarget(Node(target), 50.0f);
    }
};

// A scene of each shape saved: the file holds the helper, the records and the user's own nodes but no
// referenced node or material (a node a scene object depends on is written as a placeholder), the scene in
// memory is as before and counts as saved. A save that fails puts everything back just the same.
TEST_F(SceneSaveCycleTest, TheFileHoldsNoReferencedContentAndTheSceneIsUnchanged) {
    const MSTR house = WriteHouse("house");
    struct Row {
        const char* what;
        std::function<void()> build;
        const char* file;
    } rows[] = {
        {"no reference", [&] { b.Box("Local").Build(); }, "nodes 1, materials 0, boxes 1"},
        {"reference", [&] { HelperFor(house)->Load(); }, "nodes 1, materials 0, boxes 0"},
        // A changed material parameter is kept by its parameter mirror: the material itself stays out.
        {"overrides", [&] { LoadChangedHouse(HelperFor(house)); }, "nodes 1, materials 0, boxes 0"},
        {"constrained to a referenced node", [&] {
             HelperFor(house)->Load();
             Follow(L"Wall01");
             Step([] { Node(L"Wall01")->Hide(TRUE); });
         },
         "nodes 3, materials 0, boxes 1"},
        {"linked under a referenced node", [&] {
             HelperFor(house)->Load();
             b.Box("Lamp").Parent(Node(L"Door01")).Pos({0, 5, 3}).Material(b.Standard("Glass")).Build();
         },
         // Door01 stays as a placeholder for the lamp's link, which waits under the root meanwhile.
         "nodes 3, materials 1, boxes 1"},
        {"persisted reference", [&] {
             OstrivansHelper* h = HelperFor(house);
             h->GetParamBlock()->SetValue(pb_persist_ref, 0, 1);
             h->Load();
         },
         "nodes 3, materials 2, boxes 2"},
    };
    for (const Row& row : rows) {
        for (bool writable : {true, false}) {
            row.build();
            ip->SelectNode(ip->GetRootNode()->GetChildNode(ip->GetRootNode()->NumberOfChildren() - 1));
            const std::string before = SceneState();
            const MSTR path = writable ? ScenePath() : WStr::FromUTF8((dir_ / "missing" / "scene.max").string());
            EXPECT_EQ(Save(path), Clean(writable, !writable)) << row.what;
            EXPECT_EQ(SceneState(), before) << row.what << (writable ? "" : ", failed save");
            if (writable) {
                EXPECT_EQ(FileContent(path), row.file) << row.what;
            }
            ip->FileReset(TRUE);
        }
    }
}

// Saved, reset and opened again: the reload policy decides whether the file is merged again; every
// override is back either way, and a manual reference keeps its records' overrides for the next reload.
TEST_F(SceneSaveCycleTest, SaveResetOpenAppliesTheReloadPolicy) {
    const MSTR house = WriteHouse("house");
    struct Row {
        bool persist, touched;
        int reloadType, loadsOnOpen;
    } rows[] = {
        {false, false, kReloadManually, 1},    {true, false, kReloadAlways, 1},
        {true, false, kReloadOnlyIfChanged, 0}, {true, true, kReloadOnlyIfChanged, 1},
        {true, true, kReloadManually, 0},
    };
    // The nodes (each once: a placeholder written for the follower gives its place to the merged node), the
    // overrides, the follower's target and the parent of the lamp linked under the door.
    const auto overrides = [] {
        std::vector<std::string> names = SceneNodeNames();
        std::sort(names.begin(), names.end());
        std::string s;
        for (const std::string& n : names) s += n + " ";
        INode* door = Node(L"Gate");
        if (!door) return s + "no Gate";
        auto* constraint = dynamic_cast<PositionConstraint*>(
            Node(L"Follower")->GetTMController()->GetPositionController());
        Mtl* brick = Node(L"Wall01")->GetMtl();
        return s + std::to_string(int(door->GetNodeTM(0).GetTrans().x)) + " " +
               (brick ? std::to_string(brick->GetParamBlock(0)->GetFloat(std_glossiness)) : "no material") + ", follows " +
               (constraint && constraint->GetNode(0) == Node(L"Wall01") ? "Wall01" : "another") + ", lamp under " +
               WStr(Node(L"Lamp")->GetParentNode()->GetName()).ToUTF8();
    };
    int i = 0;
    for (const Row& r : rows) {
        OstrivansHelper* h = HelperFor(house);
        // Through the accessor, which keeps the older ReloadIfChanged in step.
        h->GetParamBlock()->SetValue(pb_persist_ref, 0, r.persist ? 1 : 0);
        h->GetParamBlock()->SetValue(pb_persist_reload_type, 0, r.reloadType);
        LoadChangedHouse(h);
        Follow(L"Wall01");
        b.Box("Lamp").Parent(Node(L"Gate")).Pos({0, 5, 3}).Build();
        const std::string changed = overrides();
        ASSERT_EQ(changed, "Follower Gate Lamp Ostrivan01 Wall01 7 0.500000, follows Wall01, lamp under Gate");
        ASSERT_TRUE(ip->SaveToFile(ScenePath().c_str()));
        ip->FileReset(TRUE);
        if (r.touched)
            fs::last_write_time(house.ToUTF8(), fs::last_write_time(house.ToUTF8()) + std::chrono::seconds(2 + i));
        LoadCounter loads;
        ASSERT_TRUE(ip->LoadFromFile(ScenePath().c_str()));
        EXPECT_EQ(loads.count, r.loadsOnOpen) << "row " << i;
        EXPECT_EQ(overrides(), changed) << "row " << i;
        auto* opened = HelperOfNode(Node(L"Ostrivan01"));
        ASSERT_TRUE(opened);
        EXPECT_EQ(opened->Reload(), 1);
        EXPECT_EQ(overrides(), changed) << "row " << i << " after a reload";
        ip->FileReset(TRUE);
        ++i;
    }
}

// Saving with the content merged (the script switch, or the network render setting for a job file) writes
// the render-time content as plain nodes and gives the viewport content back; a save as of a helper writes
// its nodes without either step of the cycle.
TEST_F(SceneSaveCycleTest, MergedSavesAndSaveAsWriteTheContent) {
    const MSTR house = WriteHouse("house");
    const MSTR proxy = WriteFile("proxy", [&] { b.Box("Proxy01").Build(); });
    const fs::path jobs = WStr(ip->GetDir(APP_NETWORK_DIR)).ToUTF8();
    fs::create_directories(jobs);
    const MSTR job = WStr::FromUTF8((jobs / ("ostrivans-save-cycle-" + std::to_string(::getpid()) + ".max")).string());
    struct Row {
        const char* what;
        bool saveRefsAsMerged, networkSetting, toJobFolder, saveAs;
        const char* file;
    } rows[] = {
        {"switch", true, false, false, false, "nodes 2, materials 0, boxes 1"},
        {"network setting, job file", false, true, true, false, "nodes 2, materials 0, boxes 1"},
        {"network setting, other file", false, true, false, false, "nodes 1, materials 0, boxes 0"},
        {"job file without the setting", false, false, true, false, "nodes 1, materials 0, boxes 0"},
        {"save as", false, false, false, true, "nodes 2, materials 2, boxes 2"},
    };
    // The cycle's timing lines tell whether it ran.
    SetPrintTimesSetting(1);
    for (const Row& r : rows) {
        OstrivansHelper* h = HelperFor(house);
        {
            AccessorDisabler off(h);
            h->GetParamBlock()->SetValue(pb_proxy_filename, 0, proxy.c_str());
            h->GetParamBlock()->SetValue(pb_use_proxy_in_render, 0, 1);
        }
        ASSERT_EQ(h->Load(), 1);
        GetHelperModuleState().saveRefsAsMerged = r.saveRefsAsMerged;
        SetMergeForNetworkRenderSetting(r.networkSetting);
        const std::string before = SceneState();
        const MSTR path = r.toJobFolder ? job : ScenePath();
        listener.Clear();
        if (r.saveAs)
            EXPECT_EQ(h->SaveAs(path.c_str()), 1) << r.what;
        else
            EXPECT_EQ(Save(path), Clean(true, false)) << r.what;
        EXPECT_EQ(FileContent(path), r.file) << r.what;
        EXPECT_EQ(Lines().find("OV PreSave Time") == std::string::npos, r.saveAs) << r.what;
        EXPECT_EQ(SceneState(), before) << r.what;
        fs::remove(path.ToUTF8());
        ip->FileReset(TRUE);
    }
    GetHelperModuleState().saveRefsAsMerged = false;
}

} // namespace
