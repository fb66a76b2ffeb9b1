// The module's entry points on the static library: the description, the start-up hooks that track scene
// opening, and the string table behind every name (version and deferral are checked on the loaded module).
#include "host/core/Notify.h"
#include "host/modules/PluginModule.h"
#include "plugin/frame/StringTable.h"
#include "tests/plugin/PluginTestSupport.h"

#include <gtest/gtest.h>

#include <string>

namespace {

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

TEST(ModuleExportsTest, StringTableIsSortedAndLoadsOnlyUnderTheModuleHandle) {
    for (int i = 1; i < NumStrings(); ++i)
        EXPECT_LT(GetStringIdAt(i - 1), GetStringIdAt(i)) << i;
    EXPECT_EQ(GetStringIdAt(NumStrings()), -1);
    std::string texts;
    for (int id : {2, 7, 81, 91, 167, 0, 23})
        texts += (GetString(id) ? WStr(GetString(id)).ToUTF8() : std::string("null")) + "|";
    EXPECT_EQ(texts, "Ostrivans|OVTXR|Cleaned|Undo Cleared|Ostrivan Parameter Change|null|null|");

    SetModuleInstance(TestModuleHandle());
    // What a load returns and leaves in the buffer: another module's handle finds nothing of ours, nor an
    // unknown id; a short buffer takes what fits, terminated.
    MCHAR buf[8] = L"xxxxxxx";
    int other = 0;
    std::string seen;
    const auto load = [&](HINSTANCE module, UINT id, int size) {
        const int n = LoadStringW(module, id, buf, size);
        seen += std::to_string(n) + " " + WStr(buf).ToUTF8() + "|";
    };
    load(&other, IDS_CATEGORY, 8);
    load(TestModuleHandle(), 9999, 8);
    for (int size : {8, 1, 0}) load(TestModuleHandle(), IDS_LIBDESCRIPTION, size);
    EXPECT_EQ(seen, "0 |0 |7 Ostriva|0 |0 |");
}

TEST(ModuleLifecycleTest, InitializeHooksStartupAndShutdownLetsEverythingGo) {
    // From a module that is not initialised (whatever an earlier test did).
    EXPECT_TRUE(OstrivansLibShutdown());
    const int startupBase = NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP);
    const int preOpenBase = NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN);
    // The hooks added to the start-up and pre-open lists, and whether a scene file is being opened, after
    // each step.
    std::string seen;
    const auto step = [&](bool ok) {
        seen += std::to_string(ok) + " " + std::to_string(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP) - startupBase) +
                std::to_string(NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN) - preOpenBase) +
                std::to_string(IsSceneFileOpening()) + "|";
    };
    const auto broadcast = [](int code) {
        BroadcastNotification(code);
        return true;
    };
    step(OstrivansLibInitialize());              // nothing of the file hooks before start-up
    step(broadcast(NOTIFY_SYSTEM_STARTUP));
    step(broadcast(NOTIFY_FILE_PRE_OPEN));
    step(broadcast(NOTIFY_FILE_POST_OPEN));
    step(OstrivansLibShutdown());
    step(broadcast(NOTIFY_FILE_PRE_OPEN));
    step(OstrivansLibInitialize() && OstrivansLibInitialize()); // twice keeps one registration
    EXPECT_EQ(seen, "1 100|1 110|1 111|1 110|1 000|1 000|1 100|");
    BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
}

} // namespace
