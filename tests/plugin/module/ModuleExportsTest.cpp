// The module's entry points on the static library: description, version, deferral, the start-up hooks
// that track scene opening, and the string table behind every name.
#include "host/core/Notify.h"
#include "host/modules/PluginModule.h"
#include "host/scene/Interface.h"
#include "plugin/frame/StringTable.h"
#include "tests/plugin/PluginTestSupport.h"
#include "tests/support/SceneBuilder.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

namespace {

namespace fs = std::filesystem;

TEST(ModuleExportsTest, DescriptionNeedsTheModuleHandle) {
    SetModuleInstance(nullptr);
    EXPECT_EQ(OstrivansLibDescription(), nullptr);
    SetModuleInstance(TestModuleHandle());
    const MCHAR* text = OstrivansLibDescription();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, L"Ostrivans Node");
    // The same module-static buffer every time.
    EXPECT_EQ(OstrivansLibDescription(), text);
}

TEST(ModuleExportsTest, VersionIsTheHostsStampAndLoadingIsNeverDeferred) {
    EXPECT_EQ(OstrivansLibVersion(), 0x69784200u);
    EXPECT_EQ(OstrivansLibVersion(), HostVersionStamp());
    EXPECT_EQ(OstrivansCanAutoDefer(), 0u);
}

TEST(ModuleExportsTest, StringTableIsSortedAndLoadsOnlyUnderTheModuleHandle) {
    for (int i = 1; i < NumStrings(); ++i)
        EXPECT_LT(GetStringIdAt(i - 1), GetStringIdAt(i)) << i;
    EXPECT_EQ(GetStringIdAt(NumStrings()), -1);
    EXPECT_STREQ(GetString(2), L"Ostrivans");
    EXPECT_STREQ(GetString(7), L"OVTXR");
    EXPECT_STREQ(GetString(81), L"Cleaned");
    EXPECT_STREQ(GetString(91), L"Undo Cleared");
    EXPECT_STREQ(GetString(167), L"Ostrivan Parameter Change");
    EXPECT_EQ(GetString(0), nullptr);
    EXPECT_EQ(GetString(23), nullptr);

    SetModuleInstance(TestModuleHandle());
    MCHAR buf[8] = L"xxxxxxx";
    // Another module's handle finds nothing of ours.
    int other = 0;
    EXPECT_EQ(LoadStringW(&other, IDS_CATEGORY, buf, 8), 0);
    EXPECT_STREQ(buf, L"");
    EXPECT_EQ(LoadStringW(TestModuleHandle(), 9999, buf, 8), 0);
    // A short buffer takes what fits, terminated.
    EXPECT_EQ(LoadStringW(TestModuleHandle(), IDS_LIBDESCRIPTION, buf, 8), 7);
    EXPECT_STREQ(buf, L"Ostriva");
    EXPECT_EQ(LoadStringW(TestModuleHandle(), IDS_LIBDESCRIPTION, buf, 1), 0);
    EXPECT_EQ(LoadStringW(TestModuleHandle(), IDS_LIBDESCRIPTION, buf, 0), 0);
}

// Between the pre-open and post-open notifications the module knows that a scene file is being opened.
class FileOpeningFlagTest : public SceneFixture {
protected:
    static void Probe(void*, NotifyInfo*) { seenWhileOpening = IsSceneFileOpening(); }
    static inline bool seenWhileOpening = false;
};

TEST_F(FileOpeningFlagTest, StartupHooksTrackSceneOpening) {
    AttachPluginForTests();
    EXPECT_GE(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP), 1);
    const fs::path file = fs::temp_directory_path() / "ostrivans-frame-flag.max";
    b.Box("Box01").Build();
    ASSERT_TRUE(GetCOREInterface()->SaveToFile(WStr::FromUTF8(file.string()).c_str()));

    RegisterNotification(Probe, nullptr, NOTIFY_FILE_PRE_OPEN_PROCESS);
    seenWhileOpening = false;
    ASSERT_TRUE(GetCOREInterface()->LoadFromFile(WStr::FromUTF8(file.string()).c_str()));
    UnRegisterNotification(Probe, nullptr);
    EXPECT_TRUE(seenWhileOpening);
    EXPECT_FALSE(IsSceneFileOpening());
    fs::remove(file);
}

TEST(ModuleLifecycleTest, InitializeHooksStartupAndShutdownLetsEverythingGo) {
    // From a module that is not initialised (whatever an earlier test did).
    EXPECT_TRUE(OstrivansLibShutdown());
    const int startupBase = NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP);
    const int preOpenBase = NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN);

    EXPECT_TRUE(OstrivansLibInitialize());
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP), startupBase + 1);
    // Nothing of the file hooks before start-up.
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN), preOpenBase);
    BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN), preOpenBase + 1);
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    EXPECT_TRUE(IsSceneFileOpening());
    BroadcastNotification(NOTIFY_FILE_POST_OPEN);
    EXPECT_FALSE(IsSceneFileOpening());

    EXPECT_TRUE(OstrivansLibShutdown());
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP), startupBase);
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN), preOpenBase);
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    EXPECT_FALSE(IsSceneFileOpening());
    // Initialising twice keeps one registration.
    EXPECT_TRUE(OstrivansLibInitialize());
    EXPECT_TRUE(OstrivansLibInitialize());
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP), startupBase + 1);
    BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
}

} // namespace
