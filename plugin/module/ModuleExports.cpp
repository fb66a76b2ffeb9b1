// The module's entry points: description, class registry access, version and start-up hooks.
#include "plugin/module/ModuleExports.h"

#include "host/core/Notify.h"
#include "host/scene/IParamBlock2.h"
#include "plugin/frame/ModuleState.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/module/ClassRegistry.h"
#include "plugin/ui/ManagerWindow.h"

namespace {

MCHAR gDescription[kLibDescriptionBufferSize];

void OnFilePreOpen(void*, NotifyInfo*) {
    SetSceneFileOpening(true);
}
void OnFilePostOpen(void*, NotifyInfo*) {
    SetSceneFileOpening(false);
}

// Parameter labels are string resources of the module that owns the block's class; other modules' blocks
// keep their internal names.
MSTR ResolveParamBlockString(ClassDesc2* cd, StringResID id) {
    HINSTANCE module = GetModuleInstance();
    MCHAR buf[kLibDescriptionBufferSize];
    if (cd && module && cd->HInstance() == module &&
        LoadStringW(module, static_cast<UINT>(id), buf, kLibDescriptionBufferSize) > 0)
        return MSTR(buf);
    return MSTR();
}

} // namespace

const MCHAR* OstrivansLibDescription() {
    HINSTANCE module = GetModuleInstance();
    if (!module) return nullptr;
    return LoadStringW(module, IDS_LIBDESCRIPTION, gDescription, kLibDescriptionBufferSize) > 0 ? gDescription
                                                                                                : nullptr;
}

int OstrivansLibNumberClasses() {
    return NumRegisteredClasses();
}

ClassDesc* OstrivansLibClassDesc(int i) {
    return GetRegisteredClassDesc(i);
}

ULONG OstrivansLibVersion() {
    return kOstrivansLibVersion;
}

int OstrivansLibInitialize() {
    RegisterNotification(OstrivansOnSystemStartup, nullptr, NOTIFY_SYSTEM_STARTUP);
    SetParamBlockStringResolver(&ResolveParamBlockString);
    InstallManagerWindow();
    return TRUE;
}

int OstrivansLibShutdown() {
    UnRegisterNotification(OstrivansOnSystemStartup, nullptr);
    UnRegisterNotification(OnFilePreOpen, nullptr);
    UnRegisterNotification(OnFilePostOpen, nullptr);
    // The helpers' module-wide handlers and the pending auto-load pass live in this module's code too.
    EndHelperSession();
    UnregisterAutoLoadHandler();
    SetParamBlockStringResolver(nullptr);
    DestroyManagerWindow();
    return TRUE;
}

ULONG OstrivansCanAutoDefer() {
    return FALSE;
}

void OstrivansOnSystemStartup(void*, NotifyInfo*) {
    RegisterNotification(OnFilePreOpen, nullptr, NOTIFY_FILE_PRE_OPEN);
    RegisterNotification(OnFilePostOpen, nullptr, NOTIFY_FILE_POST_OPEN);
}
