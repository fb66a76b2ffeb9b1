// The reload policy a helper applies after an open or a save: PersistRef, auto-loading of overlays, the
// reload type and the last-write time of the file a load would take against the stored one.
#include "host/core/FileTime.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#include <unistd.h>

namespace {

namespace fs = std::filesystem;

enum class File { Missing, Same, Touched };

struct PolicyRow {
    bool persistRef;
    bool overlay;
    bool merging; // a merge is in progress
    int reloadType;
    File file;
    bool proxy; // the viewport uses the proxy, a missing file
    const char* operation; // "" for none
};

class ReloadPolicyTest : public HelperFixture {
protected:
    void SetUp() override {
        HelperFixture::SetUp();
        // One file per process: the fixture's tests run side by side, and one's TearDown must not remove
        // the other's file.
        path_ = fs::temp_directory_path() / ("ostrivans-reload-policy-" + std::to_string(::getpid()) + ".max");
        std::ofstream(path_) << "scene";
    }
    void TearDown() override {
        fs::remove(path_);
        HelperFixture::TearDown();
    }
    // Which operation the policy ran, told by its broadcasts whether the helper was loaded or not (the
    // test file is no scene, so nothing is merged): a reload unloads and loads, an unload only unloads, and
    // a load of a loaded helper is refused before its broadcast.
    std::string PolicyOutcome(OstrivansHelper* h, FileTime64 mergedTime) {
        auto run = [&](bool loaded) {
            h->SetLoaded(loaded);
            h->SetFileTime(mergedTime);
            LoadCounter loads;
            LoadCounter unloads(NOTIFY_OSTRIVANS_PRE_UNLOAD);
            h->ApplyReloadPolicy();
            return std::to_string(unloads.count) + std::to_string(loads.count);
        };
        const std::string unloaded = run(false);
        const std::string loaded = run(true);
        h->SetLoaded(false);
        if (unloaded == "11" && loaded == "11") return "Reload";
        if (unloaded == "10" && loaded == "10") return "Unload";
        if (unloaded == "01" && loaded == "00") return "Load";
        if (unloaded == "00" && loaded == "00") return "";
        return "unloaded " + unloaded + ", loaded " + loaded;
    }
    fs::path path_;
};

TEST_F(ReloadPolicyTest, DecidesByPersistRefOverlayReloadTypeAndFileTime) {
    const PolicyRow rows[] = {
        {false, false, false, kReloadManually, File::Same, false, "Load"},
        {false, true, false, kReloadAlways, File::Same, false, "Load"}, // an overlay in the open scene loads
        {false, true, true, kReloadAlways, File::Same, false, ""},      // but not inside a referenced file
        {true, true, true, kReloadAlways, File::Same, false, "Unload"},
        {true, false, false, kReloadAlways, File::Same, false, "Reload"},
        {true, false, false, kReloadAlways, File::Missing, false, ""},
        {true, false, false, kReloadOnlyIfChanged, File::Same, false, ""},
        {true, false, false, kReloadOnlyIfChanged, File::Touched, false, "Reload"},
        {true, false, false, kReloadOnlyIfChanged, File::Missing, false, "Reload"}, // time 0 against a stored one
        // The file looked at is the one a load would take: the proxy when the viewport uses it.
        {true, false, false, kReloadOnlyIfChanged, File::Same, true, "Reload"},
        {true, false, true, kReloadManually, File::Touched, false, ""},
        {true, false, false, kReloadManually, File::Touched, false, ""},
    };
    const WStr path = WStr::FromUTF8(path_.string());
    const FileTime64 stored = GetFileLastWriteTime(path);
    ASSERT_NE(stored, 0u);
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    IParamBlock2* pb = h->GetParamBlock();
    int row = 0;
    for (const PolicyRow& r : rows) {
        {
            AccessorDisabler off(h);
            pb->SetValue(pb_persist_ref, 0, r.persistRef ? 1 : 0);
            pb->SetValue(pb_overlay, 0, r.overlay ? 1 : 0);
            pb->SetValue(pb_persist_reload_type, 0, r.reloadType);
            pb->SetValue(pb_filename, 0, r.file == File::Missing ? L"/no/such/file.max" : path.c_str());
            pb->SetValue(pb_proxy_filename, 0, L"/no/such/proxy.max");
            pb->SetValue(pb_use_proxy_in_viewport, 0, r.proxy ? 1 : 0);
        }
        // The time of the last merge; touching the file afterwards makes it differ.
        const FileTime64 merged = GetFileLastWriteTime(path);
        if (r.file == File::Touched)
            fs::last_write_time(path_, fs::last_write_time(path_) + std::chrono::seconds(1));
        if (r.merging) GetHelperModuleState().mergeStack.push_back(L"/refs/outer.max");
        EXPECT_EQ(PolicyOutcome(h, merged), r.operation) << "row " << row;
        GetHelperModuleState().mergeStack.clear();
        ++row;
    }
}

// An overlay is auto-loaded only when its helper node's tree hangs from the scene root.
TEST_F(ReloadPolicyTest, AnOverlayQualifiesOnlyBelowTheSceneRoot) {
    OstrivansHelper* h = NewHelperNode(L"Ostrivan01");
    EXPECT_TRUE(h->QualifiesForAutoLoading());
    h->GetParamBlock()->SetValue(pb_overlay, 0, 1);
    INode* parent = b.Dummy("Parent").Build();
    parent->AttachChild(h->GetHelperNode());
    EXPECT_TRUE(h->QualifiesForAutoLoading());
    auto* loose = new OstrivansHelper(FALSE); // no node
    loose->GetParamBlock()->SetValue(pb_overlay, 0, 1);
    EXPECT_FALSE(loose->QualifiesForAutoLoading());
    loose->DeleteThis();
}

} // namespace
