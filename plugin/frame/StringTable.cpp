// The module's string resources as one sorted table, looked up by id with a binary search.
#include "plugin/frame/StringTable.h"

#include "plugin/frame/ModuleState.h"

#include <algorithm>
#include <cwchar>
#include <iterator>

namespace {

struct StringEntry {
    int id;
    const MCHAR* text;
};

// Sorted by id; a unit test checks the order and that no id repeats.
constexpr StringEntry kStrings[] = {
    {IDS_LIBDESCRIPTION, L"Ostrivans Node"},
    {IDS_CATEGORY, L"Ostrivans"},
    {IDS_CLASS_NAME, L"OstrivansHelper"},
    {IDS_PARAMETERS, L"Parameters"},
    {IDS_FILENAME, L"Main File Path"},
    {IDS_REFANIMMULTISUBMTL, L"RefAnimMultiSubMtl"},
    {IDS_XREF_SCENE_FILE, L"OVTXR"},
    {IDS_MAX_FILE_FILTER, L"Scene Files (*.max)|*.max|"},
    {IDS_REFANIMSTDMAT, L"RefAnimStdMat"},
    {IDS_REFANIMREACTION, L"RefAnimReaction"},
    {IDS_REFANIMBASEOBJ, L"RefAnimBaseObj"},
    {IDS_REFANIMCATBRANCH, L"RefAnimCATBranch"},
    {IDS_REFANIMCONFORM, L"RefAnimConform"},
    {IDS_REFANIMINDEPREFS, L"RefAnimIndepRefs"},
    {IDS_REFNODE, L"RefNode"},
    {IDS_USE_PROXY_IN_VIEWPORT, L"Use Proxy in Viewport"},
    {IDS_USE_PROXY_IN_RENDER, L"Use Proxy in Render"},
    {IDS_REFANIMREREF, L"RefAnimReRef"},
    {IDS_REFANIMCA, L"RefAnimCA"},
    {IDS_REFANIMLISTCTRL, L"RefAnimListCtrl"},
    {IDS_REFANIMMODIFIER, L"RefAnimModifier"},
    {IDS_REFBIP, L"RefBip"},
    {IDS_REFBASE, L"RefBase"},
    {IDS_REFANIMBEVELPROFILE, L"RefAnimBevelProfile"},
    {IDS_REFMATERIAL, L"RefMaterial"},
    {IDS_REFHOLDER, L"RefHolder"},
    {IDS_REFANIMWITHREFS, L"RefAnimWithRefs"},
    {IDS_REFANIMLOCDEP, L"RefAnimLocDep"},
    {IDS_REFANIMLINKCTRL, L"RefAnimLinkCtrl"},
    {IDS_REFANIMEULER, L"RefAnimEuler"},
    {IDS_REFANIMBIP, L"RefAnimBip"},
    {IDS_BIP_DATA_FILE, L"OstrivansBipData.bip"},
    {IDS_REFANIMPOINTOBJ, L"RefAnimPointObj"},
    {IDS_REFANIMSTDLIGHT, L"RefAnimStdLight"},
    {IDS_REFANIMPOINTMOD, L"RefAnimPointMod"},
    {IDS_ACTIVE, L"Active"},
    {IDS_REFANIMMOD, L"RefAnimMod"},
    {IDS_REFANIMWITHREFSMOD, L"RefAnimWithRefsMod"},
    {IDS_PERSIST_REFERENCE, L"Persist Reference"},
    {IDS_RELOAD_IF_CHANGED, L"Reload only if file has changed"},
    {IDS_USE_NAME_PREFIX, L"Use Name Prefix"},
    {IDS_REFANIMSKIN, L"RefAnimSkin"},
    {IDS_REFANIMMORPHER, L"RefAnimMorpher"},
    {IDS_REFANIMPRS, L"RefAnimPRS"},
    {IDS_REFANIMRWMS, L"RefAnimRWMS"},
    {IDS_REFANIMTEXT, L"RefAnimText"},
    {IDS_REFANIMLINKEDXFORM, L"RefAnimLinkedXForm"},
    {IDS_REFANIMCLOTH, L"RefAnimCloth"},
    {IDS_REFANIMCONSTRAINT, L"RefAnimConstraint"},
    {IDS_REFANIMCAT, L"RefAnimCAT"},
    {IDS_SELECTED_IN_MANAGER, L"SelectedInManager"},
    {IDS_REFANIMCAM, L"RefAnimCam"},
    {IDS_REFANIMBOOLEAN, L"RefAnimBoolean"},
    {IDS_REFANIMTEXTPLUS, L"RefAnimTextPlus"},
    {IDS_REFANIMDERIVOBJ, L"RefAnimDerivObj"},
    {IDS_REFANIMLAYERCTRL, L"RefAnimLayerCtrl"},
    {IDS_REFANIMXREF, L"RefAnimXRef"},
    {IDS_REFANIMCONTAINER, L"RefAnimContainer"},
    {IDS_REFANIMCATCTRL, L"RefAnimCATCtrl"},
    {IDS_REFANIMDATACHANNEL, L"RefAnimDataChannel"},
    {IDS_HIDE_DUP_NAMES_WARNING, L"Hide Duplicated Names Warning"},
    {IDS_STEP_LOAD_CLEANED, L"Cleaned"},
    {IDS_STEP_LOAD_MERGED, L"Merged"},
    {IDS_STEP_LAYERS_COLLECTED, L"Layers Collected"},
    {IDS_STEP_LAYERS_PARENT_COLLECTED, L"Layers Parent Collected"},
    {IDS_STEP_MATERIALS_MONITORED, L"Materials Monitored"},
    {IDS_STEP_NODES_TO_DELETE_COLLECTED, L"Nodes To Delete Collected"},
    {IDS_STEP_NODES_MONITORED, L"Nodes Monitored"},
    {IDS_STEP_MATERIALS_ADDED_TO_SCENE, L"Materials Added To Scene"},
    {IDS_STEP_LOAD_NODES_DELETED, L"Nodes Deleted"},
    {IDS_STEP_PRELOADED, L"PreLoaded"},
    {IDS_STEP_LOAD_UNDO_CLEARED, L"Undo Cleared"},
    {IDS_STEP_UNDO_CLEARED, L"Undo Cleared"},
    {IDS_STEP_HOLD_CHECKED, L"Hold Checked"},
    {IDS_STEP_UNLOAD_REMEMBERED, L"Remembered"},
    {IDS_STEP_LIGHTENED, L"Lightened"},
    {IDS_STEP_UNLOAD_NODES_DELETED, L"Nodes Deleted"},
    {IDS_STEP_LIGHTING2, L"Lighting2"},
    {IDS_STEP_LIGHTING_NORMAL, L"Lighting Normal"},
    {IDS_STEP_PRESAVE_CLEANED, L"Cleaned"},
    {IDS_STEP_PRESAVE_REMEMBERED, L"Remembered"},
    {IDS_STEP_LINKING, L"Linking"},
    {IDS_STEP_LOCDEP_COLLECT, L"LocDep Collect"},
    {IDS_STEP_LIGHTING_2, L"Lighting 2"},
    {IDS_STEP_LIGHTING_RESTORE, L"Lighting Restore"},
    {IDS_STEP_LINKING_RESTORE, L"Linking Restore"},
    {IDS_STEP_RESTORE, L"Restore"},
    {IDS_STEP_LAYERS_CLEANED, L"Cleaned"},
    {IDS_STEP_LAYERS_STORED, L"Stored"},
    {IDS_STEP_INITIALIZED, L"Initialized"},
    {IDS_STEP_SCENE_MTLS, L"Scene Mtls"},
    {IDS_STEP_FILE_MERGED, L"Merged"},
    {IDS_STEP_XREF_CHECK, L"XRef Check"},
    {IDS_STEP_EXISTED_CHECK, L"Existed Check"},
    {IDS_STEP_NEW_LAYER_NAME, L"New Layer Name"},
    {IDS_STEP_RENAMING, L"Renaming"},
    {IDS_STEP_LIGHTING_RESTORE_2, L"Lighting Restore 2"},
    {IDS_OP_OVERRIDE_LOCDEP, L"Override LocDep"},
    {IDS_OP_GET_ANIM_BY_PATH, L"GetAnimByPath"},
    {IDS_OP_DEFAULT_OVERRIDE, L"Default Override"},
    {IDS_OP_PBLOCK1_PREOVERRIDE, L"Pblock1 PreOverride"},
    {IDS_OP_PBLOCK2_PREOVERRIDE, L"Pblock2 PreOverride"},
    {IDS_OP_DEFAULT_OVERRIDE_2, L"Default Override"},
    {IDS_OP_SET_ANIM, L"SetAnim"},
    {IDS_OP_PRETRANSFER, L"PreTransfer"},
    {IDS_OP_POSTTRANSFER, L"PostTransfer"},
    {IDS_OP_TRANSFER, L"Transfer"},
    {IDS_OP_CLEANED, L"Cleaned"},
    {IDS_OP_OVERRIDE_REF, L"Override Ref"},
    {IDS_OTHER, L"Other"},
    {IDS_OVERLAY, L"Overlay"},
    {IDS_REFANIMPFTEST, L"RefAnimPFTest"},
    {IDS_FILE_HISTORY, L"Ostrivans"},
    {IDS_EMPTYSHAPE, L"EmptyShape"},
    {IDS_REFANIMRAILCLONE, L"RefAnimRailClone"},
    {IDS_OVERRIDE_NAME, L"Override Name"},
    {IDS_OVERRIDE_MATERIAL, L"Override Material"},
    {IDS_OVERRIDE_PARENT, L"Override Parent"},
    {IDS_OVERRIDE_GROUPING, L"Override Grouping"},
    {IDS_OVERRIDE_LAYER, L"Override Layer"},
    {IDS_OVERRIDE_OBJECT_OFFSET_TM, L"Override Object Offset TM"},
    {IDS_OVERRIDE_SKIN_POSE, L"Override Skin Pose"},
    {IDS_OVERRIDE_WIRE_COLOR, L"Override Wire Color"},
    {IDS_OVERRIDE_HIDDEN, L"Override Hidden"},
    {IDS_OVERRIDE_FROZEN, L"Override Frozen"},
    {IDS_OVERRIDE_PROPS_DISPLAY, L"Override Props Display"},
    {IDS_OVERRIDE_PROPS_RENDER, L"Override Props Render"},
    {IDS_OVERRIDE_PROPS_USER, L"Override Props User"},
    {IDS_OVERRIDE_PROPS_BONE, L"Override Props Bone"},
    {IDS_OVERRIDE_TM_LOCKS_FLAGS, L"Override TM Locks Flags"},
    {IDS_OVERRIDE_EXCL_LIST, L"Override Excl List"},
    {IDS_OVERRIDE_OBJ_LOC_DEP, L"Override Obj Loc Dep"},
    {IDS_OVERRIDE_CHILDREN, L"Override Children"},
    {IDS_PERSIST_RELOAD_TYPE, L"Persist Reload Type"},
    {IDS_REFANIMBIPCTRL, L"RefAnimBipCtrl"},
    {IDS_REFANIMFOREST, L"RefAnimForest"},
    {IDS_OVERRIDE_SELECTION_SETS, L"Override Selection Sets"},
    {IDS_BIP_MIXER_DATA_FILE, L"OstrivansBipMixerData.mix"},
    {IDS_REFANIMLINKTM, L"RefAnimLinkTM"},
    {IDS_OVERRIDE_EXCL_LIST_MISC, L"Override Excl List Misc"},
    {IDS_UNDO_PARAMETER_CHANGE, L"Ostrivan Parameter Change"},
    {IDS_UNDO_SELECTION_CHANGE, L"Ostrivan Selection Change"},
    {IDS_PROXY_FILE_NAME, L"Proxy File Name"},
    {IDS_REFANIM, L"RefAnim"},
    {IDS_REFANIMPBLOCK, L"RefAnimPblock"},
    {IDS_REFANIMPBLOCK2, L"RefAnimPblock2"},
    {IDS_EMPTYBASEOBJECT, L"EmptyBaseObject"},
    {IDS_EMPTYCONTROLLER, L"EmptyController"},
    {IDS_REFANIMPFSOURCE, L"RefAnimPFSource"},
    {IDS_REFANIMMTL, L"RefAnimMtl"},
    {IDS_REFANIMTEXMAP, L"RefAnimTexmap"},
};

const StringEntry* Find(int id) {
    auto it = std::lower_bound(std::begin(kStrings), std::end(kStrings), id,
                               [](const StringEntry& e, int key) { return e.id < key; });
    return it != std::end(kStrings) && it->id == id ? it : nullptr;
}

} // namespace

const MCHAR* GetString(int id) {
    const StringEntry* e = Find(id);
    return e ? e->text : nullptr;
}

int LoadStringW(HINSTANCE module, UINT id, MCHAR* buf, int bufMax) {
    if (!buf || bufMax <= 0) return 0;
    buf[0] = L'\0';
    if (!module || module != GetModuleInstance() || id > 0x7FFFFFFFu) return 0;
    const StringEntry* e = Find(static_cast<int>(id));
    if (!e) return 0;
    const size_t len = std::min(std::wcslen(e->text), static_cast<size_t>(bufMax - 1));
    std::wmemcpy(buf, e->text, len);
    buf[len] = L'\0';
    return static_cast<int>(len);
}

int NumStrings() {
    return static_cast<int>(std::size(kStrings));
}

int GetStringIdAt(int i) {
    return i >= 0 && i < NumStrings() ? kStrings[i].id : -1;
}
