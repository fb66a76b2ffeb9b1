// Plug-in modules: loading registers the classes and initialises the module, faulty modules are refused
// with their path and reason and leave nothing behind, unloading shuts the module down.
#include "host/core/ClassDirectory.h"
#include "host/core/FPInterface.h"
#include "host/core/Listener.h"
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/modules/PluginModule.h"
#include "host/script/ScriptRuntime.h"
#include "tests/support/ScratchDir.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

std::string Variant(int v) { return std::string(TEST_MODULES_DIR) + "/variant" + std::to_string(v) + "/TestModule.dlo"; }

bool HelperRegistered(int variant) {
    return GetClassDirectory().FindClass(HELPER_CLASS_ID, Class_ID(0x7e57a001, 0x10 + variant)) != nullptr;
}

std::wstring RunScript(const wchar_t* text) { return ScriptRuntime::Get().Run(text).PrintForm(); }

class PluginModuleTest : public ::testing::Test {
protected:
    ListenerCapture capture;
};

} // namespace

TEST_F(PluginModuleTest, LoadRegistersClassesAndInterfacesAndUnloadShutsDown) {
    std::string error;
    auto m = PluginModule::Load(Variant(0), error);
    ASSERT_TRUE(m) << error;
    EXPECT_EQ(m->Description(), WStr(L"Test module"));
    EXPECT_EQ(m->Version(), HostVersionStamp());
    EXPECT_EQ(m->ToString(), "TestModule.dlo \"Test module\" version 0x69784200, 1 class");
    ASSERT_EQ(m->Classes().size(), 1u);
    EXPECT_TRUE(HelperRegistered(0));
    // The entry point was told the module handle before the interface ran.
    EXPECT_EQ(RunScript(L"TestModule.Describe()"), L"\"module handle known\"");
    EXPECT_EQ(RunScript(L"TestModuleHello \"you\""), L"\"hello, you\"");

    auto startups = reinterpret_cast<int (*)()>(m->Symbol("TestModuleStartups"));
    ASSERT_NE(startups, nullptr);
    EXPECT_EQ(startups(), 0);
    BroadcastNotification(NOTIFY_SYSTEM_STARTUP); // LibInitialize registered for it
    EXPECT_EQ(startups(), 1);

    m.reset();
    EXPECT_NE(capture.Text().str().find(L"TestModule: LibShutdown"), std::wstring::npos);
    EXPECT_FALSE(HelperRegistered(0));
    EXPECT_EQ(GetCOREInterfaceByName(L"TestModule"), nullptr);
    EXPECT_EQ(RunScript(L"TestModule"), L"undefined");
    EXPECT_EQ(NumRegisteredNotifications(NOTIFY_SYSTEM_STARTUP), 0);
}

TEST_F(PluginModuleTest, FaultyModulesAreRefusedWithTheirReasonAndLeaveNothingRegistered) {
    std::string error;
    EXPECT_FALSE(PluginModule::Load(Variant(1), error));
    EXPECT_EQ(error, Variant(1) + ": built for another host version: stamp 0x65904100, the host is 0x69784200");
    EXPECT_FALSE(HelperRegistered(1));

    EXPECT_FALSE(PluginModule::Load(Variant(2), error));
    EXPECT_EQ(error, Variant(2) + ": LibInitialize failed");
    EXPECT_FALSE(HelperRegistered(2)); // registered before LibInitialize, removed again

    EXPECT_FALSE(PluginModule::Load(Variant(3), error));
    EXPECT_EQ(error, Variant(3) + ": not a plug-in module: it does not export LibShutdown");
    EXPECT_FALSE(HelperRegistered(3));

    EXPECT_FALSE(PluginModule::Load("/no/such/Module.dlo", error));
    EXPECT_EQ(error.rfind("/no/such/Module.dlo: ", 0), 0u) << error;
    EXPECT_NE(error.find("No such file"), std::string::npos) << error;
}

TEST_F(PluginModuleTest, LoadingTheSameModuleTwiceIsRefusedAndTheFirstStaysWhole) {
    std::string error;
    auto first = PluginModule::Load(Variant(0), error);
    ASSERT_TRUE(first) << error;
    EXPECT_FALSE(PluginModule::Load(Variant(0), error));
    EXPECT_EQ(error.rfind(Variant(0) + ": class 0: ", 0), 0u) << error;
    EXPECT_TRUE(HelperRegistered(0));
    EXPECT_EQ(RunScript(L"TestModule.StartupCount()"), L"0");
}

TEST_F(PluginModuleTest, AFolderLoadsEveryModuleAndReportsTheOnesThatFail) {
    ScratchDir scratch("ostrivans-modules");
    const fs::path dir = scratch.Path();
    fs::copy_file(Variant(0), dir / "A.dlo");
    std::ofstream(dir / "Broken.dlo") << "not a shared library";
    std::ofstream(dir / "notes.txt") << "ignored";
    PluginModules modules;
    EXPECT_EQ(modules.LoadFolder(dir.string()), 1);
    ASSERT_EQ(modules.Count(), 1);
    EXPECT_EQ(fs::path(modules.At(0).Path()).filename(), "A.dlo");
    ASSERT_EQ(modules.Errors().size(), 1u);
    EXPECT_EQ(modules.Errors()[0].rfind((dir / "Broken.dlo").string() + ": ", 0), 0u) << modules.Errors()[0];
    EXPECT_TRUE(HelperRegistered(0));
    modules.UnloadAll();
    EXPECT_EQ(modules.Count(), 0);
    EXPECT_FALSE(HelperRegistered(0));
    // A missing folder loads nothing and is no error of a module.
    EXPECT_EQ(modules.LoadFolder((dir / "missing").string()), 0);
}
