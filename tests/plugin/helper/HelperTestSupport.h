// A fixture for the helper's tests: the plug-in attached, a fresh helper session per test, the listener
// captured (operations the plug-in does not offer say so there), and helper nodes made in one line.
#pragma once

#include "host/core/Listener.h"
#include "host/core/Notify.h"
#include "host/scene/HostDialogs.h"
#include "host/scene/HostServices.h"
#include "host/scene/ILayer.h"
#include "host/scene/objects/ObjectClasses.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/script/ScriptRuntime.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "plugin/settings/OstrivansSettings.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

// Counts the loads that start (their pre-load broadcasts), refused ones included; or, given the pre-unload
// code, the unloads.
class LoadCounter {
public:
    explicit LoadCounter(int code = NOTIFY_OSTRIVANS_PRE_LOAD) { RegisterNotification(Proc, this, code); }
    ~LoadCounter() { UnRegisterNotification(Proc, this); }
    LoadCounter(const LoadCounter&) = delete;
    LoadCounter& operator=(const LoadCounter&) = delete;
    int count = 0;

private:
    static void Proc(void* param, NotifyInfo*) { ++static_cast<LoadCounter*>(param)->count; }
};

// The names of the scene's nodes, depth first.
inline std::vector<std::string> SceneNodeNames() {
    std::vector<std::string> names;
    std::function<void(INode*)> walk = [&](INode* n) {
        for (int i = 0; i < n->NumberOfChildren(); ++i) {
            names.push_back(WStr(n->GetChildNode(i)->GetName()).ToUTF8());
            walk(n->GetChildNode(i));
        }
    };
    walk(GetCOREInterface()->GetRootNode());
    return names;
}

// A helper's records as rows, node records first: the record's name, its item's name ("-" for none, with
// "(unloaded)" after it for a node record that does not count its node as loaded), its number of mirrors,
// and whether it is bound to the helper, to its item (which finds it again) and to every one of its mirrors.
inline std::vector<std::string> RecordRows(OstrivansHelper* helper) {
    std::vector<std::string> rows;
    const auto row = [&](RefBase* r, const WStr& name, const MCHAR* item, const char* unloaded = "") {
        bool bound = r->GetHelper() == helper && RefBase::FromItem(r->GetItem()) == r;
        for (int k = 0; k < r->NumMirrors(); ++k) bound = bound && r->GetMirror(k) && r->GetMirror(k)->GetOwner() == r;
        rows.push_back(name.ToUTF8() + " " + (item ? WStr(item).ToUTF8() : std::string("-")) + unloaded + " " +
                       std::to_string(r->NumMirrors()) + (bound ? " bound" : " loose"));
    };
    for (int i = 0; i < helper->NumRefNodes(); ++i) {
        RefNode* r = helper->GetRefNode(i);
        if (r)
            row(r, r->GetReferencedName(), r->GetNode() ? r->GetNode()->GetName() : nullptr,
                r->IsNodeLoaded() ? "" : "(unloaded)");
        else rows.push_back("null");
    }
    for (int i = 0; i < helper->NumRefMaterials(); ++i) {
        RefMaterial* r = helper->GetRefMaterial(i);
        if (r) row(r, r->GetReferencedName(), r->GetMaterial() ? r->GetMaterial()->GetName().data() : nullptr);
        else rows.push_back("null");
    }
    return rows;
}

class HelperFixture : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        AttachPluginForTests();
        EndHelperSession();
        GetHelperModuleState().Clear();
        listener.Clear();
    }
    void TearDown() override {
        SceneFixture::TearDown();
        // Every helper of the test went with its node: none may stay in the module's tables.
        EXPECT_EQ(GetHelperModuleState().registry.size(), 0u);
        EXPECT_EQ(GetHelperModuleState().pendingAutoLoad.size(), 0u);
        EndHelperSession();
        GetHelperModuleState().Clear();
    }

    // A fresh helper (or one made as for loading, given its block) on a node of that name.
    OstrivansHelper* NewHelperNode(const MCHAR* name, BOOL loading = FALSE) {
        auto* h = new OstrivansHelper(loading);
        if (loading) GetOstrivansHelperClassDesc().MakeAutoParamBlocks(h);
        INode* node = GetCOREInterface()->CreateObjectNode(h);
        node->SetName(name);
        return h;
    }

    std::string Lines() const { return listener.Text().ToUTF8(); }

    ListenerCapture listener;
};

// The helper fixture for tests with files: a folder of the test's own (removed afterwards), the host out of
// quiet mode with what it showed cleared, and the settings in an INI file of that folder.
class HelperFileFixture : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        const auto* test = ::testing::UnitTest::GetInstance()->current_test_info();
        dir_ = std::filesystem::temp_directory_path() /
               ("ostrivans-" + std::string(test->test_suite_name()) + "-" + test->name());
        std::filesystem::remove_all(dir_);
        std::filesystem::create_directories(dir_);
        ip = GetCOREInterface();
        ip->SetQuietMode(FALSE);
        ip->Services().ClearRecord();
        GetHostDialogs().ClearRecord();
        iniWas_ = ScriptRuntime::Get().Interp().Paths().iniFile;
        ScriptRuntime::Get().Interp().Paths().iniFile = (dir_ / "ostrivans.ini").wstring();
        ResetPrintTimesCache();
    }
    void TearDown() override {
        HelperFixture::TearDown();
        ScriptRuntime::Get().Interp().Paths().iniFile = iniWas_;
        ResetPrintTimesCache();
        std::filesystem::remove_all(dir_);
    }

    Interface* ip = nullptr;
    std::filesystem::path dir_;
    std::wstring iniWas_;
};

// The file fixture with referenced files made in the test.
class ReferenceFileFixture : public HelperFileFixture {
protected:
    // Builds a scene with build(), saves it as stem.max and starts a new scene; the layer-duplication
    // setting is left on, so a load that does not put it back shows.
    MSTR WriteFile(const std::string& stem, const std::function<void()>& build) {
        build();
        const MSTR path = WStr::FromUTF8((dir_ / (stem + ".max")).string());
        EXPECT_TRUE(ip->SaveToFile(path.c_str(), false, false)) << ip->GetLastFileError();
        ip->FileReset(TRUE);
        ip->GetLayerManager()->SetDuplicateLayerWithoutSameHierarchyOnMerge(true);
        return path;
    }
    // Wall01 (box, bend, material Brick, layer Walls) with its child Door01 (material Wood).
    MSTR WriteWalls(const std::string& stem) {
        return WriteFile(stem, [&] {
            INode* wall = b.Box("Wall01").Layer("Walls").Material(b.Standard("Brick")).Build();
            b.AddModifier(wall, BEND_MODIFIER_CLASS_ID);
            b.Box("Door01").Parent(wall).Material(b.Standard("Wood")).Build();
        });
    }
    // A helper for the file that has not loaded it yet.
    OstrivansHelper* HelperFor(const MSTR& file, const MCHAR* name = L"Ostrivan01") {
        OstrivansHelper* h = NewHelperNode(name);
        AccessorDisabler off(h);
        h->GetParamBlock()->SetValue(pb_filename, 0, file.c_str());
        return h;
    }
};
