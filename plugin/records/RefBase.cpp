// The record base.
#include "plugin/records/RefBase.h"

#include "plugin/anims/RefAnim.h"
#include "plugin/frame/StringTable.h"

RefBase::RefBase(BOOL) {}

RefBase::~RefBase() {
    DeleteAllRefs();
}

void RefBase::GetClassName(MSTR& s, bool) const {
    const MCHAR* name = GetRecordName();
    s = name ? name : L"";
}

const MCHAR* RefBase::GetRecordName() const {
    return GetString(IDS_REFBASE);
}

RefTargetHandle RefBase::GetReference(int i) {
    if (i == 0) return item_;
    return i >= 1 && i <= NumMirrors() ? mirrors_[static_cast<size_t>(i - 1)] : nullptr;
}

void RefBase::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 0) {
        item_ = rtarg;
    } else if (i >= 1 && i <= NumMirrors()) {
        // A damaged file may name any object here: only a mirror is taken.
        mirrors_[static_cast<size_t>(i - 1)] = dynamic_cast<RefAnim*>(rtarg);
    }
}

RefAnim* RefBase::GetMirror(int i) const {
    return i >= 0 && i < NumMirrors() ? mirrors_[static_cast<size_t>(i)] : nullptr;
}

int RefBase::AppendMirrorSlot() {
    mirrors_.push_back(nullptr);
    return NumMirrors();
}

std::string RefBase::Describe() {
    const MCHAR* name = GetRecordName();
    std::string s = (name ? WStr(name).ToUTF8() : std::string("?")) + " item " + (item_ ? "<set>" : "null") +
                    " mirrors " + std::to_string(mirrors_.size());
    for (size_t i = 0; i < mirrors_.size(); ++i) {
        s += i == 0 ? ": " : ", ";
        const MCHAR* kind = mirrors_[i] ? mirrors_[i]->GetKindName() : nullptr;
        s += mirrors_[i] ? (kind ? WStr(kind).ToUTF8() : std::string("?")) : std::string("null");
    }
    return s;
}
