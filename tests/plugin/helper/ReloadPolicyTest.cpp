// The reload policy a helper applies after an open or a save: PersistRef, auto-loading of overlays, the
// reload type and the last-write time of the file a load would take against the stored one.
#include "host/core/FileTime.h"
#include "tests/plugin/helper/HelperTestSupport.h"

#include <chrono>
#include <filesystem>
#include <fstream>

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
        path_ = fs::temp_directory_path() / "ostrivans-reload-policy.max";
        std::ofstream(path_) << "scene";
    }
    void TearDown() override {
        fs::remove(path_);
        HelperFixture::TearDown();
    }
    // Which operation the policy ran. Load and reload both load an unloaded helper (the test file is no
    // scene, so the helper stays unloaded); on a loaded helper a load is refused without a trace, an unload
    // broadcasts (counted in tens), and a reload of loaded content says it is not available.
    std::string PolicyOutcome(OstrivansHelper* h, FileTime64 mergedTime) {
        auto run = [&](bool loaded) {
            h->SetLoaded(loaded);
            h->SetFileTime(mergedTime);
            listener.Clear();
            LoadCounter loads;
            LoadCounter unloads(NOTIFY_OSTRIVANS_PRE_UNLOAD);
            h->ApplyReloadPolicy();
            return std::make_pair(loads.count + 10 * unloads.count, Lines());
        };
        const auto [loadsWhenUnloaded, unloadedLines] = run(false);
        const auto [loadsWhenLoaded, loadedLines] = run(true);
        h->SetLoaded(false);
        EXPECT_EQ(loadsWhenLoaded % 10, 0);
        if (loadedLines == NotAvailable("Reload of loaded content", "Ostrivan01"))
            return loadsWhenUnloaded == 1 && unloadedLines.empty() ? "Reload" : "inconsistent reload";
        if (loadsWhenLoaded == 10)
            return loadsWhenUnloaded == 10 && unloadedLines.empty() ? "Unload" : "inconsistent unload";
        if (!loadedLines.empty()) return loadedLines;
        if (loadsWhenUnloaded == 1) return unloadedLines.empty() ? "Load" : unloadedLines;
        return unloadedLines;
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
