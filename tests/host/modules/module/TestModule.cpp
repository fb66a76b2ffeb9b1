// A tiny plug-in module for the loader and the host program's tests. TEST_MODULE_VARIANT picks a faulty
// build: 1 carries another host's version stamp, 2 fails LibInitialize, 3 lacks LibShutdown.
#include "host/core/ClassDesc.h"
#include "host/core/FPInterface.h"
#include "host/core/Listener.h"
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/core/ReferenceTarget.h"
#include "host/modules/PluginModule.h"
#include "host/script/fp/FPScriptBridge.h"

#ifndef TEST_MODULE_VARIANT
#define TEST_MODULE_VARIANT 0
#endif

#define TEST_MODULE_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

HINSTANCE gModule = nullptr;
int gStartups = 0;

// Each variant has its own class id, so several variants can be loaded into one process.
constexpr Class_ID kHelperClassID(0x7e57a001, 0x10 + TEST_MODULE_VARIANT);

class TestHelper : public ReferenceTarget {
public:
    Class_ID ClassID() override { return kHelperClassID; }
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
    void GetClassName(MSTR& s, bool) const override { s = L"TestModuleHelper"; }
};

class TestHelperClassDesc : public ClassDesc2 {
public:
    int IsPublic() override { return 1; }
    void* Create(BOOL) override { return new TestHelper(); }
    const MCHAR* ClassName() override { return L"TestModuleHelper"; }
    SClass_ID SuperClassID() override { return HELPER_CLASS_ID; }
    Class_ID ClassID() override { return kHelperClassID; }
    const MCHAR* Category() override { return L"Test"; }
    HINSTANCE HInstance() override { return gModule; }
};

TestHelperClassDesc gHelperDesc;

#if TEST_MODULE_VARIANT == 0
// The module's script interface: reachable as TestModule.StartupCount() and, being published for global
// access too, as the global function TestModuleHello.
enum { kStartupCount, kDescribe, kHello };

class TestModuleInterface : public FPStaticInterface {
public:
    TestModuleInterface()
        : FPStaticInterface(Interface_ID(0x7e57a002, 0x1), L"TestModule", 0, nullptr,
                            FP_CORE | FP_GLOBAL_FUNCTIONS,
                            {FPFunctionDef(kStartupCount, L"StartupCount", TYPE_INT),
                             FPFunctionDef(kDescribe, L"Describe", TYPE_TSTR),
                             FPFunctionDef(kHello, L"TestModuleHello", TYPE_STRING, {FPParamDef(L"who", TYPE_STRING)})}) {}

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue, FPValue& result, FPParams* p) override {
        switch (fid) {
        case kStartupCount: result.Load(TYPE_INT, gStartups); return FPS_OK;
        case kDescribe:
            result.Load(TYPE_TSTR, WStr(L"module handle ") + (gModule ? L"known" : L"unknown"));
            return FPS_OK;
        case kHello: result.Load(TYPE_STRING, WStr(L"hello, ") + FPArg(p, 0).GetStr()); return FPS_OK;
        default: return FPS_NO_SUCH_FUNCTION;
        }
    }
};

TestModuleInterface gInterface;
#endif

void OnStartup(void*, NotifyInfo*) { ++gStartups; }
void OnShutdown(void*, NotifyInfo*) { mputs(L"TestModule: system shutdown\n"); }

} // namespace

TEST_MODULE_EXPORT BOOL DllMain(HINSTANCE module, ULONG reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) gModule = module;
    return TRUE;
}

TEST_MODULE_EXPORT const MCHAR* LibDescription() { return L"Test module"; }
TEST_MODULE_EXPORT int LibNumberClasses() { return 1; }
TEST_MODULE_EXPORT ClassDesc* LibClassDesc(int i) { return i == 0 ? &gHelperDesc : nullptr; }

TEST_MODULE_EXPORT ULONG LibVersion() {
#if TEST_MODULE_VARIANT == 1
    return (26000u << 16) | (65u << 8);
#else
    return HostVersionStamp();
#endif
}

TEST_MODULE_EXPORT int LibInitialize() {
    RegisterNotification(OnStartup, nullptr, NOTIFY_SYSTEM_STARTUP);
    RegisterNotification(OnShutdown, nullptr, NOTIFY_SYSTEM_SHUTDOWN);
#if TEST_MODULE_VARIANT == 2
    UnRegisterNotification(OnStartup, nullptr);
    UnRegisterNotification(OnShutdown, nullptr);
    return FALSE;
#else
    return TRUE;
#endif
}

#if TEST_MODULE_VARIANT != 3
TEST_MODULE_EXPORT int LibShutdown() {
    UnRegisterNotification(OnStartup, nullptr);
    UnRegisterNotification(OnShutdown, nullptr);
    mputs(L"TestModule: LibShutdown\n");
    return TRUE;
}
#endif

// For the loader's tests: how many start-up notifications reached the module.
TEST_MODULE_EXPORT int TestModuleStartups() { return gStartups; }
