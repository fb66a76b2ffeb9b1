// The mirror base: identity, references, path resolution, the change monitor, local dependency, the
// script interface and the dump.
#include "plugin/anims/RefAnim.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/INode.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/LocDepPass.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/InterfaceProperty.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/StringTable.h"

#include <algorithm>

namespace {

constexpr Class_ID kCustAttribContainerClass(0x5DDB3626, 0x23B708DB);
constexpr Class_ID kLocDepWrapperClass(0x2222, 0);
constexpr Class_ID kLocDepSkippedClass(0x55293BB4, 0x4AD13DAD);
// Classes whose animatables count as locally used whenever a (0x2222, 0) maker depends on them.
constexpr Class_ID kWrappedByLocDepWrapper[] = {Class_ID(0xC80, 0), Class_ID(0xEE448B23, 0),
                                               Class_ID(0x8D73B8AA, 0x90F2EE71), Class_ID(0x17356912, 0)};

std::vector<ReferenceMaker*> DependentsOf(ReferenceTarget* t) {
    std::vector<ReferenceMaker*> out;
    DependentIterator it(t);
    while (ReferenceMaker* m = it.Next()) out.push_back(m);
    return out;
}

} // namespace

bool IsMirroredNode(INode* node) {
    DependentIterator it(node);
    while (ReferenceMaker* m = it.Next()) {
        // A node has many dependents and few are records: the super class sorts them before asking.
        if (m->SuperClassID() != REFANIM_OWNER_SUPER_CLASS_ID) continue;
        if (IRefAnimOwner* record = GetRefAnimOwner(m); record && record->GetItem() == node) return true;
    }
    return false;
}

bool PassesTargetChecks(Animatable* anim) {
    return anim && anim->IsRefTarget() && !anim->TestAFlag(A_IS_DELETED);
}

RefAnim::RefAnim(BOOL) {
    // Attaches the interface to the mirror descriptors before any script can ask a mirror for it.
    GetRefAnimInterfaceDesc();
}

namespace {

// Owners given to SetOwner for mirrors their owner does not reference yet. A record makes its mirrors
// one after the other and references each a moment after making it, so the list holds one or two
// entries, and the entry asked for or dropped is almost always the last.
struct PendingOwner {
    const RefAnim* mirror;
    IRefAnimOwner* owner;
};
// Set up before any code runs (an empty table needs no construction), so it is read without the check a
// local static costs on each of the two calls every new mirror makes.
constinit std::vector<PendingOwner> gPendingOwners;
std::vector<PendingOwner>::iterator FindPending(const RefAnim* mirror) {
    for (auto it = gPendingOwners.end(); it != gPendingOwners.begin();)
        if ((--it)->mirror == mirror) return it;
    return gPendingOwners.end();
}

} // namespace

RefAnim::~RefAnim() {
    if (ownerPending_) OwnerAttached();
    DropRefsUnlessDeleted();
}

IRefAnimOwner* RefAnim::GetOwner() const {
    if (ownerPending_) return FindPending(this)->owner;
    DependentIterator it(const_cast<RefAnim*>(this));
    while (ReferenceMaker* m = it.Next())
        if (IRefAnimOwner* owner = GetRefAnimOwner(m)) return owner;
    return nullptr;
}

void RefAnim::SetOwner(IRefAnimOwner* owner) {
    if (ownerPending_) {
        FindPending(this)->owner = owner;
        return;
    }
    gPendingOwners.push_back({this, owner});
    ownerPending_ = 1;
}

void RefAnim::OwnerAttached() {
    if (!ownerPending_) return;
    if (gPendingOwners.back().mirror == this)
        gPendingOwners.pop_back();
    else
        gPendingOwners.erase(FindPending(this));
    ownerPending_ = 0;
}

void RefAnim::GetClassName(MSTR& s, bool) const {
    const MCHAR* name = GetKindName();
    s = name ? name : L"";
}

const MCHAR* RefAnim::GetKindName() const {
    return GetString(IDS_REFANIM);
}

BOOL RefAnim::IsRealDependency(ReferenceTarget*) {
    return IsModified() || IsOverridden(REFANIM_REPLACED | REFANIM_LOCDEP);
}

BOOL RefAnim::CanTransferReference(int i) {
    if (i != 0) return TRUE;
    if (GetCurrentOperation() != OperationCode::Load) return FALSE;
    return !GetLocDepTransferFlag() || !IsModified();
}

RefResult RefAnim::NotifyRefChanged(const Interval&, RefTargetHandle, PartID& partID, RefMessage message, BOOL) {
    if (IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing()) return REF_STOP;
    if (message != REFMSG_CHANGE || IsIgnorablePart(partID)) return REF_STOP;
    SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

bool RefAnim::IsUserChangeOfAnim(RefTargetHandle hTarget, RefMessage message) const {
    return anim_ && hTarget == anim_ && message == REFMSG_CHANGE && !IsOverridden(REFANIM_REPLACED) &&
           GetCurrentOperation() == OperationCode::None;
}

bool RefAnim::IsIgnorablePart(PartID partMask) const {
    if (partMask != 0 && (partMask == REFANIM_ALL_BUT_CHANGE_PARTS || (partMask & ~REFANIM_IGNORABLE_PARTS) == 0))
        return true;
    return GetIgnoreAllChanges();
}

namespace {

class RefAnimInterfaceProperty final : public AnimProperty, public RefAnimInterface {
public:
    static constexpr DWORD kPropertyId = REFANIM_INTERFACE_ID.PartB();

    explicit RefAnimInterfaceProperty(RefAnim* mirror) : mirror_(mirror) {}
    DWORD ID() override { return kPropertyId; }

    int GetPathSize() override { return mirror_->GetPathSize(); }
    void SetPathSize(int size) override { mirror_->SetPathSize(size); }
    MSTR GetPathItem(int index) override { return mirror_->GetPathItem(index); }
    void SetPathItem(int index, const MCHAR* name) override { mirror_->SetPathItem(index, name); }
    int GetPathByNumberItem(int index) override { return mirror_->GetPathByNumberItem(index); }
    void SetPathByNumberItem(int index, int number) override { mirror_->SetPathByNumberItem(index, number); }

private:
    RefAnim* mirror_;
};

} // namespace

BaseInterface* RefAnim::GetInterface(Interface_ID id) {
    if (id == REFANIM_INTERFACE_ID) return InterfaceProperty<RefAnimInterfaceProperty>(this);
    return ReferenceTarget::GetInterface(id);
}

RefTargetHandle RefAnim::Clone(RemapDir& remap) {
    auto* copy = new RefAnim(FALSE);
    BaseClone(this, copy, remap);
    return copy;
}

void RefAnim::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnim*>(from);
    auto* dst = dynamic_cast<RefAnim*>(to);
    if (src && dst) {
        dst->path_ = src->path_;
        dst->state_ = src->state_;
        if (src->anim_ && src->IsRealDependency(src->anim_))
            dst->ReplaceReference(0, remap.CloneRef(src->anim_));
    }
    ReferenceTarget::BaseClone(from, to, remap);
}

RefResult RefAnim::SetAnim(ReferenceTarget* anim) {
    OverrideLocDep(anim);
    const RefResult res = ReplaceReference(0, anim);
    lastOperation_ = IDS_OP_SET_ANIM;
    return res;
}

void RefAnim::SetPathByNumber(const std::vector<std::int32_t>& numbers, bool recordUndo) {
    if (recordUndo) HoldPathByNumber();
    path_.AssignNumbers(numbers);
}

void RefAnim::SetPaths(const PathNames& names, const std::vector<std::int32_t>& numbers, bool recordUndo) {
    if (recordUndo) HoldPathByNumber();
    path_.Assign(names, numbers);
}

void RefAnim::HoldPathByNumber() {
    if (theHold.Holding()) theHold.Put(new PathByNumberRestore(this));
}

BYTE RefAnim::SetOverriddenFlag(BYTE bit, bool on, bool undoable) {
    return SetFlagBits(state_, bit, on, undoable, this);
}

// ---- owner

DWORD RefAnim::GetHelperStamp() const {
    IRefAnimOwner* owner = GetOwner();
    return owner ? owner->GetHelperStamp() : 0;
}

void RefAnim::RegisterWithHelper() {
    if (IRefAnimOwner* owner = GetOwner()) owner->RegisterChangedMirror(this);
}

void RefAnim::ForgetNameInHelper(const WStr& name) {
    if (IRefAnimOwner* owner = GetOwner()) owner->ForgetNodeToDelete(name);
}

// ---- path resolution

bool RefAnim::GetAnimByPath(Animatable* root, PathResolution& out) {
    lastOperation_ = IDS_OP_GET_ANIM_BY_PATH;
    return ResolvePath(root, path_.Names(), path_.Numbers(), out);
}

bool RefAnim::ResolvePath(Animatable* root, const std::vector<WStr>& names, const std::vector<std::int32_t>& numbers,
                          PathResolution& out) {
    return ResolvePath(root, ToPathNames(names), numbers, out);
}

bool RefAnim::ResolvePath(Animatable* root, const PathNames& names, const std::vector<std::int32_t>& numbers,
                          PathResolution& out) {
    const size_t n = names.size();
    out = PathResolution();
    out.newNumbers.assign(n, 0);
    if (n != numbers.size() || n == 0 || !root) return false;
    out.anim = root;
    for (size_t i = 0; i < n; ++i) {
        const bool last = i + 1 == n;
        out.childNumber = numbers[i];
        Animatable* child = nullptr;
        const int k = FindChild(out.anim, out.parent, numbers[i], names[i], out.tabIndex, child);
        out.parent = out.anim;
        if (k < 0) {
            out.anim = nullptr;
            out.childNumber = -1;
            if (!last) out.parent = nullptr;
            return false;
        }
        out.newNumbers[i] = k;
        out.childNumber = k;
        if (child == out.anim) {
            // A table parameter of a parameter block 2: the next step picks one of its elements.
            out.tabIndex = k - 1;
        } else {
            if (!last) out.tabIndex = -1;
            out.anim = child;
        }
    }
    if (!out.anim) return true;
    return !HasTwinOnPath(out.anim, out.newNumbers);
}

bool RefAnim::HasTwinOnPath(Animatable* anim, const std::vector<std::int32_t>& numbers) const {
    if (!anim || !anim->IsRefTarget()) return false;
    for (ReferenceMaker* m : DependentsOf(static_cast<ReferenceTarget*>(anim))) {
        if (m == this || m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* other = static_cast<RefAnim*>(m);
        if (other->GetAnim() != anim || other->path_.Numbers() != numbers) continue;
        if (other->GetOwner() == GetOwner()) return true;
    }
    return false;
}

// ---- state operations

void RefAnim::CollectLocDep(DWORD stamp) {
    if (!anim_ || !IsUntouched()) return;
    // Not undoable, and set on every mirror of every collection: written in place.
    if (IsLocDepIn(stamp, anim_))
        state_ |= REFANIM_LOCDEP;
    else
        state_ &= static_cast<BYTE>(~REFANIM_LOCDEP);
}

int RefAnim::Evaluate(DWORD) {
    if (IsPassive()) {
        state_ = 0;
        return kVerdictKeep;
    }
    if (!anim_) return kVerdictDelete;
    return IsLocDep(anim_) ? kVerdictRenew : kVerdictDelete;
}

void RefAnim::MarkTwinsModified() {
    if (!anim_) {
        if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
        return;
    }
    for (ReferenceMaker* m : DependentsOf(anim_)) {
        if (m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* twin = static_cast<RefAnim*>(m);
        if (twin->GetAnim() == anim_ && !twin->IsOverridden(REFANIM_MODIFIED))
            twin->SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    }
}

void RefAnim::MarkModified() {
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    // This mirror now carries the whole animatable: the mirrors at its place and below it have nothing
    // left to restore of their own.
    if (IRefAnimOwner* owner = GetOwner()) owner->DeleteMirrorsBelow(this);
}

// ---- local dependency

bool RefAnim::IsLocDep(Animatable* anim) {
    return anim && IsLocDepIn(GetHelperStamp(), anim);
}

bool RefAnim::IsLocDepIn(DWORD stamp, Animatable* anim) {
    const AnimHandle handle = Animatable::GetHandleByAnim(anim);
    // Answered "no" before looking further, so a loop in the graph meets the provisional answer.
    const LocDepPass::Answer known = LocDepPass::Of(stamp).FindOrMarkNo(handle);
    if (known != LocDepPass::Answer::Unknown) return known == LocDepPass::Answer::Yes;
    const bool yes = IsLocDepWalk(stamp, anim);
    if (yes) LocDepPass::Of(stamp).Store(handle, true);
    return yes;
}

bool RefAnim::IsLocDepWalk(DWORD stamp, Animatable* anim) {
    if (!anim->IsRefTarget()) return false;
    // Read in place: the questions below leave every dependents list as it is (a walk's positions hold).
    DependentIterator it(static_cast<ReferenceTarget*>(anim));
    while (ReferenceMaker* dep = it.Next()) {
        // The asking mirror's own reference is what LocDep decides about, never a reason for it.
        if (dep == this) continue;
        const SClass_ID sc = dep->SuperClassID();
        const Class_ID cls = dep->ClassID();
        if (sc == BASENODE_CLASS_ID) {
            if (!IsMirroredNode(static_cast<INode*>(dep))) return true;
        } else if (cls == kCustAttribContainerClass) {
            Animatable* wrapped = static_cast<ICustAttribContainer*>(dep)->GetOwner();
            if (PassesTargetChecks(wrapped) && IsLocDepIn(stamp, wrapped)) return true;
        } else if (cls == kLocDepWrapperClass) {
            if (std::find(std::begin(kWrappedByLocDepWrapper), std::end(kWrappedByLocDepWrapper), anim->ClassID()) !=
                std::end(kWrappedByLocDepWrapper))
                return true;
        } else if (cls == kLocDepSkippedClass) {
            continue;
        } else if (sc == REFANIM_SUPER_CLASS_ID || sc == REFANIM_OWNER_SUPER_CLASS_ID) {
            if (dep->IsRealDependency(static_cast<ReferenceTarget*>(anim))) return true;
        } else if (dep->IsRefTarget()) {
            if (IsLocDepIn(stamp, dep)) return true;
        }
    }
    return false;
}

// ---- the "RefAnim" interface

void RefAnim::SetPathSize(int size) {
    if (size < 0) return;
    PathNames names = path_.Names();
    std::vector<std::int32_t> numbers = path_.Numbers();
    names.resize(static_cast<size_t>(size), PathName());
    numbers.resize(static_cast<size_t>(size), 0);
    path_.Assign(names, numbers);
}

MSTR RefAnim::GetPathItem(int index) {
    return index >= 0 && index < static_cast<int>(path_.Names().size()) ? path_.Names()[static_cast<size_t>(index)] : MSTR();
}

void RefAnim::SetPathItem(int index, const MCHAR* name) {
    if (index >= 0 && index < static_cast<int>(path_.Names().size())) {
        PathNames names = path_.Names();
        names[static_cast<size_t>(index)] = PathName(WStr(name ? name : L""));
        path_.AssignNames(names);
    }
}

int RefAnim::GetPathByNumberItem(int index) {
    return index >= 0 && index < static_cast<int>(path_.Numbers().size()) ? path_.Numbers()[static_cast<size_t>(index)]
                                                                         : -1;
}

void RefAnim::SetPathByNumberItem(int index, int number) {
    if (index >= 0 && index < static_cast<int>(path_.Numbers().size())) {
        std::vector<std::int32_t> numbers = path_.Numbers();
        numbers[static_cast<size_t>(index)] = number;
        path_.AssignNumbers(numbers);
    }
}

// ---- dump

MSTR DescribeAnimatable(Animatable* anim) {
    if (!anim) return L"NULL";
    MSTR cls;
    anim->GetClassName(cls);
    MSTR name;
    if (anim->SuperClassID() == BASENODE_CLASS_ID)
        name = static_cast<INode*>(anim)->GetName();
    else if (auto* mtl = dynamic_cast<MtlBase*>(anim))
        name = mtl->GetName();
    else if (auto* mod = dynamic_cast<Modifier*>(anim); mod && mod->HasOwnName())
        name = mod->GetName();
    return name.Length() ? cls + L" (" + name + L")" : cls;
}

MSTR RefAnim::Describe() {
    const MCHAR* kind = GetKindName();
    MSTR s = MSTR(L"\nType: ") + (kind ? kind : L"");
    s += L"\nThe Anim Ref: " + DescribeAnimatable(anim_);
    const int savedLast = lastOperation_;
    if (IRefAnimOwner* owner = GetOwner()) {
        try {
            PathResolution r;
            GetAnimByPath(owner->GetRootAnim(), r);
            if (r.parent) s += L"\nAnim Owner: " + DescribeAnimatable(r.parent);
        } catch (...) {
            s += L"\nGetAnimByPath failed.";
        }
    }
    lastOperation_ = savedLast;
    s += L"\nPath: ";
    for (const PathName& name : path_.Names()) s += name.Str() + L",";
    s += L"\nPathByN: ";
    for (std::int32_t n : path_.Numbers()) s += WStr::Format(L"%d", n) + L",";
    s += L"\nOverridden State: ";
    s += state_ ? WStr::FromUTF8(OverriddenStateText(state_)) : MSTR(L"None.");
    s += L"\nLast Operation: ";
    if (lastOperation_ >= 0) {
        const MCHAR* op = GetString(lastOperation_);
        if (op) s += op;
    }
    return s;
}

void RefAnim::PrintInfo() {
    mputs(L"\n");
    mputs(Describe().data());
    mflush();
}

std::string OverriddenStateText(BYTE state) {
    static const char* const kWords[] = {"Replaced, ", "Modified, ", "LocDep, ", "Added, ",
                                         "Removed, ",  "Renamed, ",  "Toggled, "};
    std::string s;
    for (int bit = 0; bit < 7; ++bit)
        if (state & (1u << bit)) s += kWords[bit];
    return s;
}
