// The helper's class descriptor: owns the parameter block descriptor "OstrivansHelper_Parameters".
#pragma once

#include "host/scene/IParamBlock2.h"
#include "plugin/frame/OstrivansClassDesc.h"
#include "plugin/helper/OstrivansHelperAccessor.h"

#include <memory>

class FPInterfaceDesc;

constexpr Class_ID OSTRIVANS_HELPER_CLASS_ID(0x8663dfa5, 0x3f273879);

// The helper's one parameter block.
constexpr BlockID kOstrivansHelperParams = 0;

// Its parameters, by id.
enum OstrivansHelperParamID : ParamID {
    pb_active = 0,
    pb_filename = 1,
    pb_proxy_filename = 2,
    pb_use_proxy_in_viewport = 3,
    pb_use_proxy_in_render = 4,
    pb_use_name_prefix = 5,
    pb_persist_ref = 6,
    pb_reload_if_changed = 7,
    pb_selected_in_manager = 8,
    pb_other = 9,                   // no internal name
    pb_hide_dup_names_warning = 10, // no internal name: the per-reference choice to hide the warning
    pb_overlay = 11,
    pb_persist_reload_type = 12,
};

// How a reference reloads (pb_persist_reload_type).
enum OstrivansReloadType { kReloadAlways = 0, kReloadOnlyIfChanged = 1, kReloadManually = 2 };

// Rollup of the block: dialog template and title string.
constexpr int kOstrivansHelperRollupTemplate = 101;
// Asset kind of the two file names.
constexpr int kOstrivansSceneAssetType = 7;

// Owns the parameter block descriptor, its accessor and the "OstrivansHelper" interface description.
class OstrivansHelperClassDesc : public OstrivansClassDesc {
public:
    OstrivansHelperClassDesc();
    ~OstrivansHelperClassDesc() override;
    ParamBlockDesc2& ParamDesc() { return params_; }
    FPInterfaceDesc* HelperInterface() { return interface_.get(); }

private:
    OstrivansHelperAccessor accessor_;
    ParamBlockDesc2 params_;
    // Made after the block descriptor and gone before it; it detaches itself from this descriptor.
    std::unique_ptr<FPInterfaceDesc> interface_;
};

// The module's one helper descriptor (registry index 0).
OstrivansHelperClassDesc& GetOstrivansHelperClassDesc();
