// The shared module's exported entry points, with C linkage, and its attach hook. Only the module
// target compiles this file; everything it calls lives in the static plug-in library.
#include "host/modules/PluginModule.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/module/ModuleExports.h"

#include <dlfcn.h>

#define OSTRIVANS_EXPORT extern "C" __attribute__((visibility("default")))

namespace {

// Stands in for the process-attach entry point: runs when the system loader maps the module, before the
// host calls any export, and finds the module's own handle (the one the host's dlopen answers) from an
// address inside the module.
__attribute__((constructor)) void AttachModule() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&AttachModule), &info) || !info.dli_fname) return;
    void* self = dlopen(info.dli_fname, RTLD_NOW | RTLD_NOLOAD | RTLD_LOCAL);
    if (!self) return;
    SetModuleInstance(self);
    // NOLOAD took a reference of its own; give it back so the host's dlclose really unloads the module.
    dlclose(self);
}

} // namespace

// The host's loader also tells the entry point about attach and detach: only attach matters.
OSTRIVANS_EXPORT BOOL DllMain(HINSTANCE module, ULONG reason, void*) {
    if (reason == DLL_PROCESS_ATTACH) SetModuleInstance(module);
    return TRUE;
}

OSTRIVANS_EXPORT const MCHAR* LibDescription() {
    return OstrivansLibDescription();
}
OSTRIVANS_EXPORT int LibNumberClasses() {
    return OstrivansLibNumberClasses();
}
OSTRIVANS_EXPORT ClassDesc* LibClassDesc(int i) {
    return OstrivansLibClassDesc(i);
}
OSTRIVANS_EXPORT ULONG LibVersion() {
    return OstrivansLibVersion();
}
OSTRIVANS_EXPORT int LibInitialize() {
    return OstrivansLibInitialize();
}
OSTRIVANS_EXPORT int LibShutdown() {
    return OstrivansLibShutdown();
}
OSTRIVANS_EXPORT ULONG CanAutoDefer() {
    return OstrivansCanAutoDefer();
}
