// The module's script globals.
#include "plugin/script/OstrivansGlobals.h"

#include "host/script/fp/FPScriptBridge.h"
#include "plugin/frame/ManagerWindowLink.h"
#include "plugin/frame/OperationNotAvailable.h"

OstrivansGlobals::OstrivansGlobals()
    : FPStaticInterface(OSTRIVANS_GLOBALS_INTERFACE_ID, L"OstrivansGlobals", 0, nullptr, FP_CORE | FP_GLOBAL_FUNCTIONS,
                        {FPFunctionDef(kOpenOstrivansManager, L"OpenOstrivansManager", TYPE_VOID)}) {}

void OstrivansGlobals::OpenOstrivansManager() {
    if (ManagerWindowLink& link = GetManagerWindowLink(); link.open) link.open();
    else ReportOperationNotAvailable(L"The manager window");
}

FPStatus OstrivansGlobals::_dispatch_fn(FunctionID fid, TimeValue, FPValue&, FPParams*) {
    if (fid != kOpenOstrivansManager) return FPS_NO_SUCH_FUNCTION;
    OpenOstrivansManager();
    return FPS_OK;
}

namespace {
// Constructed when the module loads, which registers the globals with the host.
OstrivansGlobals globals;
} // namespace
