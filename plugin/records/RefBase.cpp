// The record base.
#include "plugin/records/RefBase.h"

#include "host/core/MaxException.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/StringTable.h"

#include <algorithm>

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

// ---- What the owning helper asks of its records.

bool RefBase::HasOverrides() const {
    for (RefAnim* m : mirrors_)
        if (m && m->GetOverriddenState() != 0) return true;
    return false;
}

// ---- What the mirrors ask of their owner.

Animatable* RefBase::GetRootAnim() {
    return item_;
}

namespace {
template <class T> bool BeginsWith(const std::vector<T>& v, const std::vector<T>& prefix) {
    return v.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), v.begin());
}
} // namespace

void RefBase::DeleteMirrorsBelow(RefAnim* mirror) {
    if (!mirror) return;
    for (int i = NumMirrors() - 1; i >= 0; --i) {
        RefAnim* other = mirrors_[static_cast<size_t>(i)];
        if (!other || other == mirror) continue;
        if (BeginsWith(other->GetPath(), mirror->GetPath()) &&
            BeginsWith(other->GetPathByNumber(), mirror->GetPathByNumber()))
            DeleteReference(i + 1);
    }
}

RefAnim* RefBase::CreateRefAnim(DWORD kind, ReferenceTarget* anim, std::vector<WStr> names,
                                std::vector<std::int32_t> numbers, BYTE initialState) {
    RefAnim* mirror = CreateMirror(kind);
    if (!mirror) return nullptr;
    // Codes with flag bits (0x110013, the node code) make classes that report their plain kind: what
    // counts is whether binding the animatable changed the kind the new mirror reports.
    const ULONG madeKind = mirror->GetKindID();
    mirror->SetOwner(this);
    mirror->SetOverriddenState(initialState);
    mirror->SetPath(std::move(names));
    mirror->SetPathByNumber(std::move(numbers), true);
    mirror->SetKindFlag((kind & REFANIM_KIND_FLAG_BIT) != 0);
    try {
        mirror->SetAnim(anim);
    } catch (const MAXException& e) {
        MSTR text = MSTR(L"Error setting anim while creating RefAnim\n") + mirror->Describe() + L"\n\n" + e.Message();
        mirror->MaybeAutoDelete();
        throw MAXException(text);
    } catch (...) {
        MSTR text = MSTR(L"Unknown Error setting anim while creating RefAnim\n") + mirror->Describe();
        mirror->MaybeAutoDelete();
        throw MAXException(text);
    }
    if (mirror->GetKindID() != madeKind) {
        mirror->MaybeAutoDelete();
        return nullptr;
    }
    return mirror;
}

RefAnim* RefBase::MirrorAt(ReferenceTarget* anim, Animatable* parentOfAnim, std::vector<WStr> names,
                           std::vector<std::int32_t> numbers, BYTE initialState) {
    DWORD kind = ResolveKind(anim, parentOfAnim);
    if (!(kind & KIND_CREATES_MIRROR)) kind = REFANIM_BASE_KIND_ID;
    RefAnim* mirror = CreateRefAnim(kind, anim, std::move(names), std::move(numbers), initialState);
    if (mirror) AppendMirror(mirror);
    return mirror;
}

int RefBase::AppendMirror(RefAnim* mirror) {
    const int ref = AppendMirrorSlot();
    ReplaceReference(ref, mirror);
    return ref - 1;
}
