// The module's script globals: the functions scripts call by name alone ("OpenOstrivansManager()").
#pragma once

#include "host/core/FPInterface.h"

constexpr Interface_ID OSTRIVANS_GLOBALS_INTERFACE_ID(0x9663dfa5, 0x4f273882);

// A core interface whose functions the host publishes as script globals; one static instance, registered
// when the module loads. A call with arguments raises the script engine's argument-count error.
class OstrivansGlobals : public FPStaticInterface {
public:
    enum : FunctionID { kOpenOstrivansManager = 0 };
    OstrivansGlobals();

    // Creates or shows the manager window and refills its list. Without the host's GUI the call says so on
    // the listener and changes nothing.
    void OpenOstrivansManager();

protected:
    FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p) override;
};
