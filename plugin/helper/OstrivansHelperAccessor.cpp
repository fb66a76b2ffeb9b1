// The helper's parameter accessor.
#include "plugin/helper/OstrivansHelperAccessor.h"

#include "host/scene/Interface.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/OstrivansHelper.h"

namespace {

// The block calls the accessor before it stores the value, but the operations below read the block:
// store the value first (the accessor is disabled for that) so they see the new one.
void Commit(IParamBlock2* pb, ParamID id, TimeValue t, const PB2Value& v) {
    if (pb->GetParameterType(id) == TYPE_FILENAME)
        pb->SetValue(id, t, v.s.c_str());
    else
        pb->SetValue(id, t, v.i);
}

} // namespace

void OstrivansHelperAccessor::Set(PB2Value& v, ReferenceMaker* owner, ParamID id, int, TimeValue t) {
    auto* helper = dynamic_cast<OstrivansHelper*>(owner);
    if (!helper || !helper->IsAccessorEnabled()) return;
    IParamBlock2* pb = helper->GetParamBlock();
    if (!pb) return;
    // The manager's table shows the parameters; its refresh waits for the event loop, after this change.
    if (HelperModuleState& state = GetHelperModuleState(); state.managerRefresh) state.managerRefresh();
    switch (id) {
    case pb_active: {
        {
            AccessorDisabler off(helper);
            Commit(pb, id, t, v);
        }
        if (v.i) {
            helper->Load();
        } else {
            helper->Unload();
            GetCOREInterface()->RedrawViews(GetCOREInterface()->GetTime());
        }
        break;
    }
    case pb_filename: {
        AccessorDisabler off(helper);
        Commit(pb, id, t, v);
        helper->Reload();
        break;
    }
    case pb_proxy_filename:
        if (pb->GetInt(pb_use_proxy_in_viewport, t)) {
            AccessorDisabler off(helper);
            Commit(pb, id, t, v);
            helper->Reload();
        }
        break;
    case pb_use_proxy_in_viewport: {
        AccessorDisabler off(helper);
        Commit(pb, id, t, v);
    }
        helper->Reload();
        break;
    case pb_use_name_prefix: {
        AccessorDisabler off(helper);
        Commit(pb, id, t, v);
    }
        helper->ApplyNamePrefix(v.i != 0);
        break;
    case pb_reload_if_changed: {
        AccessorDisabler off(helper);
        pb->SetValue(pb_persist_reload_type, t, v.i ? kReloadOnlyIfChanged : kReloadAlways);
        break;
    }
    case pb_persist_reload_type: {
        AccessorDisabler off(helper);
        pb->SetValue(pb_reload_if_changed, t, v.i == kReloadOnlyIfChanged ? 1 : 0);
        break;
    }
    default:
        break;
    }
}
