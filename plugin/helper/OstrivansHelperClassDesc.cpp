// The helper's class descriptor and its parameter block descriptor.
#include "plugin/helper/OstrivansHelperClassDesc.h"

#include "host/core/FPInterface.h"
#include "host/core/PlugApi.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/OstrivansHelperInterface.h"

namespace {

ParamDef Bool(ParamID id, const MCHAR* name, int localName, bool def, int flags = 0,
              PBAccessor* acc = nullptr) {
    ParamDef d;
    d.accessor = acc;
    d.ID = id;
    d.int_name = name;
    d.type = TYPE_BOOL;
    d.flags = P_RESET_DEFAULT | flags;
    d.local_name = localName;
    d.def = PB2Value::Int(def ? 1 : 0);
    return d;
}

ParamDef FileName(ParamID id, const MCHAR* name, int localName, const MCHAR* caption, PBAccessor* acc) {
    ParamDef d;
    d.accessor = acc;
    d.ID = id;
    d.int_name = name;
    d.type = TYPE_FILENAME;
    d.flags = P_RESET_DEFAULT;
    d.local_name = localName;
    d.def = PB2Value::Str(L"");
    d.asset_type = kOstrivansSceneAssetType;
    d.caption = caption;
    d.file_types = IDS_MAX_FILE_FILTER;
    return d;
}

} // namespace

OstrivansHelperClassDesc::OstrivansHelperClassDesc()
    : OstrivansClassDesc(IDS_CLASS_NAME, L"OstrivansHelper", HELPER_CLASS_ID, OSTRIVANS_HELPER_CLASS_ID,
                         &CreateWithLoadingFlag<OstrivansHelper>),
      params_(kOstrivansHelperParams, L"OstrivansHelper_Parameters", -1, this, P_AUTO_CONSTRUCT | P_AUTO_UI,
              OstrivansHelper::kParamBlockRef) {
    params_.dlg_template = kOstrivansHelperRollupTemplate;
    params_.title = IDS_PARAMETERS;

    // Active is never saved: a reference opens as its reload policy decides.
    // UseProxyInRender, PersistRef and the parameters after ReloadIfChanged (but the reload type) have no
    // accessor: changing them does nothing at once.
    PBAccessor* acc = &accessor_;
    params_.AddParam(Bool(pb_active, L"Active", IDS_ACTIVE, true, P_TRANSIENT, acc));
    params_.AddParam(FileName(pb_filename, L"FileName", IDS_FILENAME, L"Main File Path", acc));
    params_.AddParam(
        FileName(pb_proxy_filename, L"ProxyFileName", IDS_PROXY_FILE_NAME, L"Proxy File Name", acc));
    params_.AddParam(
        Bool(pb_use_proxy_in_viewport, L"UseProxyInViewport", IDS_USE_PROXY_IN_VIEWPORT, false, 0, acc));
    params_.AddParam(Bool(pb_use_proxy_in_render, L"UseProxyInRender", IDS_USE_PROXY_IN_RENDER, false));
    params_.AddParam(Bool(pb_use_name_prefix, L"UseNamePrefix", IDS_USE_NAME_PREFIX, false, 0, acc));
    params_.AddParam(Bool(pb_persist_ref, L"PersistRef", IDS_PERSIST_REFERENCE, false));
    params_.AddParam(Bool(pb_reload_if_changed, L"ReloadIfChanged", IDS_RELOAD_IF_CHANGED, false, 0, acc));
    params_.AddParam(Bool(pb_selected_in_manager, L"SelectedInManager", IDS_SELECTED_IN_MANAGER, true));

    ParamDef other;
    other.ID = pb_other;
    other.int_name = L"";
    other.type = TYPE_REFTARG;
    other.flags = P_RESET_DEFAULT;
    other.local_name = IDS_OTHER;
    params_.AddParam(other);

    params_.AddParam(Bool(pb_hide_dup_names_warning, L"", IDS_HIDE_DUP_NAMES_WARNING, false));
    params_.AddParam(Bool(pb_overlay, L"Overlay", IDS_OVERLAY, false));

    ParamDef reloadType;
    reloadType.ID = pb_persist_reload_type;
    reloadType.int_name = L"PersistReloadType";
    reloadType.type = TYPE_INT;
    reloadType.flags = P_RESET_DEFAULT;
    reloadType.local_name = IDS_PERSIST_RELOAD_TYPE;
    reloadType.def = PB2Value::Int(kReloadOnlyIfChanged);
    reloadType.has_range = true;
    reloadType.range_low = PB2Value::Int(kReloadAlways);
    reloadType.range_high = PB2Value::Int(kReloadManually);
    reloadType.accessor = acc;
    params_.AddParam(reloadType);

    interface_.reset(MakeOstrivansHelperInterfaceDesc(this));
}

OstrivansHelperClassDesc::~OstrivansHelperClassDesc() = default;

OstrivansHelperClassDesc& GetOstrivansHelperClassDesc() {
    static OstrivansHelperClassDesc desc;
    return desc;
}
