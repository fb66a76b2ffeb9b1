// The built Ostrivans.dlo loaded as the host loads it: exports, the 53 classes in the class directory, the
// start-up hooks, and a clean unload.
#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/Notify.h"
#include "host/modules/PluginModule.h"
#include "host/scene/Interface.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

#include <memory>
#include <string>

namespace {

std::unique_ptr<PluginModule> LoadOstrivans() {
    GetCOREInterface();
    std::string error;
    std::unique_ptr<PluginModule> m = PluginModule::Load(OSTRIVANS_MODULE_PATH, error);
    EXPECT_NE(m, nullptr) << error;
    return m;
}

TEST(OstrivansModuleTest, LoadsWithItsDescriptionVersionAndClasses) {
    std::unique_ptr<PluginModule> m = LoadOstrivans();
    ASSERT_NE(m, nullptr);
    EXPECT_EQ(m->Description(), WStr(L"Ostrivans Node"));
    EXPECT_EQ(m->Version(), 0x69784200u);
    EXPECT_EQ(m->ToString(), "Ostrivans.dlo \"Ostrivans Node\" version 0x69784200, 53 classes");
    auto canAutoDefer = reinterpret_cast<CanAutoDeferProc>(m->Symbol("CanAutoDefer"));
    auto classDesc = reinterpret_cast<LibClassDescProc>(m->Symbol("LibClassDesc"));
    ASSERT_TRUE(canAutoDefer && classDesc);
    EXPECT_TRUE(canAutoDefer() == 0u && classDesc(53) == nullptr && classDesc(-1) == nullptr);

    // Each descriptor is in the class directory and knows the handle the host's loader got for the module
    // (what each row holds and makes is the class registry's test).
    ASSERT_EQ(m->Classes().size(), 53u);
    for (ClassDesc* cd : m->Classes()) {
        EXPECT_EQ(cd->HInstance(), m->Handle()) << WStr(cd->ClassName()).ToUTF8();
        EXPECT_EQ(GetClassDirectory().FindClass(cd->SuperClassID(), cd->ClassID()), cd);
    }
}

TEST(OstrivansModuleTest, StartupHooksComeAndGoWithTheModule) {
    GetCOREInterface(); // the host's own classes are registered before any module loads
    // What the module adds to the start-up, pre-open and post-open lists and to the class directory.
    const auto added = [startup = NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP),
                        preOpen = NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN),
                        postOpen = NumRegisteredNotifications(NOTIFY_FILE_POST_OPEN), classes = GetClassDirectory().Count()] {
        return std::to_string(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP) - startup) + " " +
               std::to_string(NumRegisteredNotifications(NOTIFY_FILE_PRE_OPEN) - preOpen) + " " +
               std::to_string(NumRegisteredNotifications(NOTIFY_FILE_POST_OPEN) - postOpen) + " " +
               std::to_string(GetClassDirectory().Count() - classes);
    };
    {
        std::unique_ptr<PluginModule> m = LoadOstrivans();
        ASSERT_NE(m, nullptr);
        EXPECT_EQ(added(), "1 0 0 53");
        BroadcastNotification(NOTIFY_SYSTEM_STARTUP);
        EXPECT_EQ(added(), "1 1 1 53");
    }
    // Nothing of the unloaded module is left for the host to call.
    EXPECT_EQ(added(), "0 0 0 0");
    BroadcastNotification(NOTIFY_FILE_PRE_OPEN);
    BroadcastNotification(NOTIFY_FILE_POST_OPEN);

    // And it loads again.
    std::unique_ptr<PluginModule> again = LoadOstrivans();
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(again->Classes().size(), 53u);
}

// Mapping the module is enough for it to know its handle: the description needs no entry-point call.
TEST(OstrivansModuleTest, TheModuleKnowsItsHandleAsSoonAsItIsMapped) {
    void* handle = dlopen(OSTRIVANS_MODULE_PATH, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr) << dlerror();
    auto description = reinterpret_cast<LibDescriptionProc>(dlsym(handle, "LibDescription"));
    ASSERT_NE(description, nullptr);
    const MCHAR* text = description();
    ASSERT_NE(text, nullptr);
    EXPECT_STREQ(text, L"Ostrivans Node");
    auto classDesc = reinterpret_cast<LibClassDescProc>(dlsym(handle, "LibClassDesc"));
    EXPECT_EQ(classDesc(0)->HInstance(), handle);
    dlclose(handle);
}

} // namespace
