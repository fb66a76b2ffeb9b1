// What a change of one of the helper's parameters does to the reference.
#pragma once

#include "host/scene/IParamBlock2.h"

// Active loads or unloads; FileName reloads; ProxyFileName reloads while the proxy is used in the
// viewport; UseProxyInViewport reloads; UseNamePrefix adds or removes the prefix; ReloadIfChanged and
// PersistReloadType keep each other in step. Ignored while the owning helper has its accessor disabled
// (it is then setting one parameter from another) or has no block.
class OstrivansHelperAccessor : public PBAccessor {
public:
    void Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int tabIndex, TimeValue t) override;
};
