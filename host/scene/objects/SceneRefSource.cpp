// Loading the item of a scene reference: by file and item name, once per change of either, with a limit
// on references that lead back into each other.
#include "host/scene/objects/SceneRefSource.h"

#include "host/core/HoldSuspend.h"
#include "host/core/Listener.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/Interface.h"
#include "host/scene/objects/ObjectClasses.h"

namespace {

MSTR StrOf(IParamBlock2* pb, ParamID id) {
    const MCHAR* s = pb->GetStr(id);
    return s ? MSTR(s) : MSTR();
}

BOOL BoolOf(IParamBlock2* pb, ParamID id) {
    int v = 0;
    Interval valid = FOREVER;
    return pb->GetValue(id, 0, v, valid) && v ? TRUE : FALSE;
}

} // namespace

SceneRefSettings ReadSceneRefSettings(IParamBlock2* pb) {
    SceneRefSettings s;
    if (!pb) return s;
    s.fileName = StrOf(pb, xref_fileName);
    s.itemName = StrOf(pb, xref_itemName);
    s.proxyFileName = StrOf(pb, xref_proxyFileName);
    s.proxyItemName = StrOf(pb, xref_proxyItemName);
    s.displayProxy = BoolOf(pb, xref_displayProxy);
    s.renderProxy = BoolOf(pb, xref_renderProxy);
    if (pb->IDtoIndex(xref_useLocal) >= 0) s.useLocal = BoolOf(pb, xref_useLocal);
    return s;
}

std::vector<ParamDef> SceneRefParams(bool material) {
    std::vector<ParamDef> params = {
        MakeParam(xref_fileName, L"fileName", TYPE_FILENAME, PB2Value::Str(L""), 0),
        MakeParam(xref_itemName, L"itemName", TYPE_STRING, PB2Value::Str(L""), 0),
        MakeParam(xref_proxyFileName, L"proxyFileName", TYPE_FILENAME, PB2Value::Str(L""), 0),
        MakeParam(xref_proxyItemName, L"proxyItemName", TYPE_STRING, PB2Value::Str(L""), 0),
        MakeBoolParam(xref_displayProxy, L"displayProxy", false),
        MakeBoolParam(xref_renderProxy, L"renderProxy", false),
    };
    if (material) params.push_back(MakeBoolParam(xref_useLocal, L"useLocal", false));
    return params;
}

ReferenceTarget* SceneRefSource::Loaded(int k) const { return owner_->GetReference(firstRef_ + k); }

void SceneRefSource::Drop(int k) {
    slots_[k] = Slot();
    if (!Loaded(k)) return;
    // Loading is no edit of the user's: no undo record. The item goes unless something took it since.
    const HoldSuspend suspended;
    owner_->DeleteReference(firstRef_ + k);
}

void SceneRefSource::Reload() {
    Drop(0);
    Drop(1);
}

bool SceneRefSource::IsCurrent(const SceneRefSettings& s, bool render) const {
    const Slot& slot = slots_[render ? 1 : 0];
    // An item deleted since by someone else is read again.
    if (slot.error.isNull() && !slot.file.isNull() && !slot.item.isNull() && !Loaded(render ? 1 : 0)) return false;
    return slot.tried && slot.file == s.FileFor(render) && slot.item == s.ItemFor(render);
}

ReferenceTarget* SceneRefSource::Get(const SceneRefSettings& s, bool render) {
    // Rendering shares the viewport's item when both choose the same file and item.
    if (render && s.FileFor(true) == s.FileFor(false) && s.ItemFor(true) == s.ItemFor(false)) {
        Drop(1);
        ReferenceTarget* shown = Get(s, false);
        slots_[1].error = slots_[0].error;
        return shown;
    }
    const int k = render ? 1 : 0;
    Slot& slot = slots_[k];
    if (IsCurrent(s, render)) return Loaded(k);
    Drop(k);
    slot.file = s.FileFor(render);
    slot.item = s.ItemFor(render);
    slot.tried = true;
    if (slot.file.isNull()) return nullptr;
    const MCHAR* what = material_ ? L"material" : L"object";
    if (slot.item.isNull()) {
        slot.error = WStr::Format(L"no %s name given for \"%s\"", what, slot.file.c_str());
    } else {
        MSTR why;
        ReferenceTarget* loaded = GetCOREInterface()->LoadSceneItem(slot.file.c_str(), slot.item.c_str(), material_, why);
        if (loaded) {
            const HoldSuspend suspended;
            owner_->ReplaceReference(firstRef_ + k, loaded);
        }
        if (loaded && !Loaded(k)) loaded->MaybeAutoDelete();
        if (!Loaded(k))
            slot.error = WStr::Format(L"cannot load %s \"%s\" from \"%s\": %s", what, slot.item.c_str(),
                                      slot.file.c_str(), why.c_str());
    }
    if (!slot.error.isNull()) mprintf(L"-- Scene reference: %s\n", slot.error.c_str());
    return Loaded(k);
}
