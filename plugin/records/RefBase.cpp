// The record base.
#include "plugin/records/RefBase.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/core/SlabPool.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/frame/InterfaceProperty.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/frame/StringTable.h"

#include <algorithm>
#include <typeinfo>
#include <utility>
#include <vector>

namespace {

// Animatables whose children the walk names in the remembered tree besides attribute containers.
constexpr Interface_ID kNamedChildrenInterface(0x444E7687, 0x722E6E36);

// The item owns its properties and deletes them with itself, so the record hangs a small link on it
// rather than itself: the record's life is the helper's business, not the item's. Every record of a load
// makes one and its reload frees them all: links share the host's slabs instead of a heap block each (the
// item deletes a link through the property's virtual destructor, which passes the link's own size).
class RecordLink final : public AnimProperty {
public:
    explicit RecordLink(RefBase* record) : record_(record) {}
    static void* operator new(std::size_t size) { return SlabPool::Allocate(size); }
    static void operator delete(void* p, std::size_t size) noexcept { SlabPool::Free(p, size); }
    DWORD ID() override { return REFBASE_SUPER_CLASS_ID; }
    RefBase* Record() const { return record_; }

private:
    RefBase* record_;
};


// Mirrors made by a reset pass carry its mark; fresh mirrors carry 0, so the first pass starts at 1.
int gCurrentMark = 1;

template <class T> bool BeginsWith(const std::vector<T>& v, const std::vector<T>& prefix) {
    return v.size() >= prefix.size() && std::equal(prefix.begin(), prefix.end(), v.begin());
}

ReferenceTarget* AsTarget(Animatable* anim) {
    return anim && anim->IsRefTarget() ? static_cast<ReferenceTarget*>(anim) : nullptr;
}

bool IsAttribContainer(Animatable* anim) {
    return anim && anim->ClassID() == CUSTATTRIB_CONTAINER_CLASS_ID;
}

// The mirrors referencing anim as their animatable, each once.
std::vector<RefAnim*> MirrorsOf(ReferenceTarget* anim) {
    std::vector<RefAnim*> out;
    DependentIterator it(anim);
    while (ReferenceMaker* m = it.Next()) {
        if (m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* mirror = static_cast<RefAnim*>(static_cast<ReferenceTarget*>(m));
        if (mirror->GetAnim() == anim && std::find(out.begin(), out.end(), mirror) == out.end()) out.push_back(mirror);
    }
    return out;
}

int IndexInTable(RefBase* owner, RefAnim* mirror) {
    for (int i = 0; i < owner->NumMirrors(); ++i)
        if (owner->GetMirror(i) == mirror) return i;
    return -1;
}

} // namespace

RefBase::RefBase(BOOL) {
    // Attaches the interface to the record descriptors before any script can ask a record for it.
    GetRefBaseInterfaceDesc();
}

RefBase::~RefBase() {
    StopWaiting();
    DetachFromItem(item_);
    DeleteAllRefs();
}

void RefBase::GetClassName(MSTR& s, bool) const {
    const MCHAR* name = GetRecordName();
    s = name ? name : L"";
}

const MCHAR* RefBase::GetRecordName() const {
    return GetString(IDS_REFBASE);
}

// ---- the property on the item

RefBase* RefBase::FromItem(Animatable* item) {
    if (!item) return nullptr;
    AnimProperty* p = item->GetAProp(REFBASE_SUPER_CLASS_ID);
    // The link's class has no subclasses: its exact type is told without the cast's walk of the hierarchy
    // (a deletion asks this for every record's item).
    return p && typeid(*p) == typeid(RecordLink) ? static_cast<RecordLink*>(p)->Record() : nullptr;
}

void RefBase::AttachToItem(ReferenceTarget* item) {
    if (item && item != this) item->AddAProp(new RecordLink(this));
}

void RefBase::DetachFromItem(ReferenceTarget* item) {
    // Another record may have hung itself on the item since: its link stays.
    if (item && FromItem(item) == this) item->RemoveAProp(REFBASE_SUPER_CLASS_ID);
}

// ---- references

RefTargetHandle RefBase::GetReference(int i) {
    if (i == 0) return item_;
    return i >= 1 && i <= NumMirrors() ? mirrors_[static_cast<size_t>(i - 1)] : nullptr;
}

void RefBase::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 0) {
        if (rtarg == item_) return;
        DetachFromItem(item_);
        item_ = rtarg;
        AttachToItem(item_);
        // The remembered tree described the old item.
        structure_.Clear();
    } else if (i >= 1 && i <= NumMirrors()) {
        // A damaged file may name any object here: only a mirror is taken. From now on the mirror finds
        // this record among its dependents.
        RefAnim* mirror = rtarg && rtarg->SuperClassID() == REFANIM_SUPER_CLASS_ID ? static_cast<RefAnim*>(rtarg) : nullptr;
        mirrors_[static_cast<size_t>(i - 1)] = mirror;
        if (mirror) mirror->OwnerAttached();
    }
}

RefResult RefBase::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                    BOOL) {
    const bool fromItem = item_ && hTarget == item_;
    const OperationCode op = GetCurrentOperation();
    if (op != OperationCode::None) {
        // A load changes the item's structure on purpose: take the tree again once the whole operation
        // is over, not in the middle of it.
        if (op == OperationCode::Load && fromItem && message == REFMSG_SUBANIM_STRUCTURE_CHANGED && !waiting_ && !busy_)
            WaitForOperationEnd();
        return REF_STOP;
    }
    if (theHold.RestoreOrRedoing()) {
        // The undo records put the mirrors' numbers back themselves; only the tree must follow.
        if (fromItem && message == REFMSG_SUBANIM_STRUCTURE_CHANGED) RememberStructure();
        return REF_STOP;
    }
    if (!fromItem) {
        if (message == REFMSG_OSTRIVANS_GET_OWNER_ITEM && partID)
            *reinterpret_cast<ReferenceTarget**>(partID) = item_;
        return REF_STOP;
    }
    if (message != REFMSG_CONTROLREF_CHANGE && message != REFMSG_SUBANIM_STRUCTURE_CHANGED &&
        message != REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED)
        return REF_STOP;
    if (busy_ || partID == REFBASE_PART_IGNORED) return REF_STOP;
    if (partID == REFBASE_PART_DEFERRED) {
        structureChanged_ = 1;
        return REF_STOP;
    }
    UpdateStructure();
    return REF_STOP;
}

BOOL RefBase::IsRealDependency(ReferenceTarget* rtarg) {
    if (helper_ && helper_->PersistsReferences()) return TRUE;
    const OperationCode op = GetCurrentOperation();
    if (op != OperationCode::Unload && op != OperationCode::PreSave && op != OperationCode::PreSaveCollect && op != OperationCode::Duplicate) return TRUE;
    if (rtarg == item_) return FALSE;
    if (!rtarg || rtarg->SuperClassID() != REFANIM_SUPER_CLASS_ID) return TRUE;
    return static_cast<RefAnim*>(rtarg)->GetOverriddenState() != 0 ? TRUE : FALSE;
}

RefTargetHandle RefBase::Clone(RemapDir& remap) {
    auto* copy = new RefBase(FALSE);
    BaseClone(this, copy, remap);
    return copy;
}

void RefBase::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefBase*>(from);
    auto* dst = dynamic_cast<RefBase*>(to);
    if (src && dst && src != dst) {
        for (int i = dst->NumMirrors() - 1; i >= 0; --i)
            if (dst->mirrors_[static_cast<size_t>(i)]) dst->DeleteReference(i + 1);
        dst->mirrors_.assign(src->mirrors_.size(), nullptr);
        for (int i = 0; i < src->NumMirrors(); ++i) {
            RefAnim* m = src->mirrors_[static_cast<size_t>(i)];
            if (!m || m->GetOverriddenState() == 0) continue;
            auto* copy = dynamic_cast<RefAnim*>(remap.CloneRef(m));
            if (!copy) continue;
            copy->SetOwner(dst);
            dst->ReplaceReference(i + 1, copy);
        }
    }
    ReferenceTarget::BaseClone(from, to, remap);
}

namespace {

class RefBaseInterfaceProperty final : public AnimProperty, public RefBaseInterface {
public:
    static constexpr DWORD kPropertyId = REFBASE_INTERFACE_ID.PartB();

    explicit RefBaseInterfaceProperty(RefBase* record) : record_(record) {}
    DWORD ID() override { return kPropertyId; }

    int NumRefAnims() override { return record_->NumRefAnims(); }
    ReferenceTarget* GetRefAnim(int index) override { return record_->GetRefAnim(index); }

private:
    RefBase* record_;
};

} // namespace

BaseInterface* RefBase::GetInterface(Interface_ID id) {
    if (id == REFBASE_INTERFACE_ID) return InterfaceProperty<RefBaseInterfaceProperty>(this);
    return ReferenceTarget::GetInterface(id);
}

void* RefBase::GetInterface(ULONG id) {
    if (id == I_REFANIM_OWNER) return static_cast<IRefAnimOwner*>(this);
    return ReferenceTarget::GetInterface(id);
}

// ---- the record's operations

bool RefBase::IsResetTarget(RefAnim*, DWORD) {
    return true;
}

MSTR RefBase::ComposeMirrorError(const MCHAR* what, RefAnim* mirror, const MAXException* hostError) {
    MSTR text = MSTR(hostError ? L"Error " : L"Unknown Error ") + what + L"\n";
    if (mirror) {
        try {
            text += mirror->Describe();
        } catch (...) {
            const MCHAR* kind = mirror->GetKindName();
            text += kind ? kind : L"RefAnim";
        }
    }
    if (hostError) text += MSTR(L"\n\n") + hostError->Message();
    return text;
}

void RefBase::PrefetchMirrors() const {
    for (const RefAnim* m : mirrors_)
        if (m) __builtin_prefetch(m);
}

void RefBase::PrefetchAnims() const {
    for (const RefAnim* m : mirrors_)
        if (m)
            if (const ReferenceTarget* anim = m->GetAnim()) {
                __builtin_prefetch(anim);
                __builtin_prefetch(reinterpret_cast<const char*>(anim) + sizeof(ReferenceTarget) - 1);
            }
}

void RefBase::Collect() {
    if (structureChanged_) UpdateStructure();
    const DWORD stamp = GetHelperStamp();
    // By index: a mirror may add or drop mirrors of this record while it collects.
    for (int i = 0; i < NumMirrors(); ++i) {
        RefAnim* m = mirrors_[static_cast<size_t>(i)];
        if (!m) continue;
        try {
            m->CollectLocDep(stamp);
        } catch (const MAXException& e) {
            throw MAXException(ComposeMirrorError(L"Collecting RefAnim", m, &e), 0);
        } catch (...) {
            throw MAXException(ComposeMirrorError(L"Collecting RefAnim", m, nullptr), 0);
        }
    }
    if (structureChanged_) UpdateStructure();
}

void RefBase::Override() {
    BusyScope busy(this);
    Animatable* root = GetRootAnim();
    if (!root) return;
    for (int i = 0; i < NumMirrors(); ++i) {
        RefAnim* m = mirrors_[static_cast<size_t>(i)];
        if (!m) continue;
        try {
            m->Override(root);
        } catch (const MAXException& e) {
            throw MAXException(ComposeMirrorError(L"Overriding RefAnim", m, &e), 0);
        } catch (...) {
            throw MAXException(ComposeMirrorError(L"Overriding RefAnim", m, nullptr), 0);
        }
    }
}

void RefBase::Update(ReferenceTarget* newItem) {
    ReplaceReference(0, newItem);
    if (!item_) return;
    Clean(0);
    Override();
    StoreDefaults();
    CollectMirrors();
}

void RefBase::CollectIfLoaded() {
    if (item_) Collect();
}

void RefBase::ApplyVerdict(RefBase* owner, int i, RefAnim* mirror, int verdict) {
    if (verdict == kVerdictDelete) {
        owner->DeleteReference(i + 1);
    } else if (verdict == kVerdictRenew) {
        mirror->SetOverriddenFlag(0xFF, false, true);
        RefAnim* copy = owner->CreateRefAnimAt(mirror->GetKindID(), mirror->GetAnim(), mirror->GetPathNames(),
                                               mirror->GetPathByNumber(), 0);
        if (!copy) return;
        copy->SetMark(GetCurrentMark());
        owner->ReplaceReference(i + 1, copy);
    }
}

void RefBase::Reset(DWORD resetMask) {
    const int mark = GetCurrentMark();
    for (int i = 0; i < NumMirrors(); ++i) {
        RefAnim* m = mirrors_[static_cast<size_t>(i)];
        if (!m || m->GetMark() == mark || !IsResetTarget(m, resetMask)) continue;
        if (ReferenceTarget* anim = m->GetAnim()) {
            // Mirrors of other places (or other records) that stand for the same animatable go with it.
            for (RefAnim* twin : MirrorsOf(anim)) {
                if (twin == m) continue;
                const int verdict = twin->Evaluate(resetMask);
                auto* owner = static_cast<RefBase*>(twin->GetOwner());
                const int at = owner ? IndexInTable(owner, twin) : -1;
                if (at >= 0) ApplyVerdict(owner, at, twin, verdict);
            }
        }
        if (GetMirror(i) == m) ApplyVerdict(this, i, m, m->Evaluate(resetMask));
    }
}

MSTR RefBase::GetNamePrefix() {
    return helper_ ? helper_->GetRecordNamePrefix() : MSTR(L"");
}

DWORD RefBase::GetHelperStamp() const {
    return helper_ ? helper_->GetStamp() : 0;
}

bool RefBase::KeepsItemThroughSave() const {
    return helper_ && helper_->PersistsReferences();
}

INode* RefBase::GetHelperNode() const {
    return helper_ ? helper_->GetHelperNode() : nullptr;
}

void RefBase::RegisterChangedMirror(RefAnim* mirror) {
    if (helper_) helper_->RegisterChangedMirror(mirror);
}

void RefBase::ForgetNodeToDelete(const WStr& name) {
    if (helper_) helper_->ForgetNodeToDelete(name);
}

bool RefBase::HasOverrides() const {
    for (RefAnim* m : mirrors_)
        if (m && m->GetOverriddenState() != 0) return true;
    return false;
}

Animatable* RefBase::GetRootAnim() {
    return item_;
}

void RefBase::PrintData(int detail) {
    mputs(L"RefAnims: ");
    mflush();
    if (detail != 1) {
        mprintf(L"%d", NumMirrors());
        mflush();
    } else {
        for (int i = 0; i < NumMirrors(); ++i) {
            mprintf(L"\n\nRefAnim: %d", i);
            mflush();
            if (RefAnim* m = mirrors_[static_cast<size_t>(i)])
                m->PrintInfo();
            else
                mputs(L"\nNULL\n");
            mflush();
        }
    }
    mputs(L"\n");
    mflush();
}

MSTR RefBase::GetDescription() {
    return WStr::Format(L"RefAnims: %d", NumMirrors());
}

void RefBase::Clean(int mode) {
    if (mode != 0) return;
    for (int i = NumMirrors() - 1; i >= 0; --i) {
        RefAnim* m = mirrors_[static_cast<size_t>(i)];
        if (m && m->GetOverriddenState() != 0) continue;
        if (m) DeleteReference(i + 1);
        mirrors_.erase(static_cast<size_t>(i));
    }
}

// ---- the mirror table

RefAnim* RefBase::GetMirror(int i) const {
    return i >= 0 && i < NumMirrors() ? mirrors_[static_cast<size_t>(i)] : nullptr;
}

int RefBase::AppendMirrorSlot() {
    mirrors_.push_back(nullptr);
    return NumMirrors();
}

int RefBase::AppendMirror(RefAnim* mirror) {
    const int ref = AppendMirrorSlot();
    ReplaceReference(ref, mirror);
    return ref - 1;
}

ReferenceTarget* RefBase::GetRefAnim(int index) {
    return GetMirror(index);
}

// ---- mirror collection

int RefBase::WalkChildCount(Animatable* anim, Animatable* parent, int tabIndex, DWORD kind) {
    // A mirror that does not descend keeps its children to itself; only the attribute container below
    // it is walked.
    return kind == KIND_UNDECIDED || (kind & KIND_DESCENDS) ? ChildCount(anim, parent, tabIndex) : 1;
}

namespace {

// Paths are rarely deeper than this.
constexpr size_t kUsualDepth = 16;

// A load walks twice for each of 100k records, and walks nest only while a collection mirrors a new
// child: the path tables of finished walks serve the next ones, so they are allocated a few times per
// session rather than a few times per record.
template <class T> std::vector<std::vector<T>>& SpareTables() {
    static auto* spare = new std::vector<std::vector<T>>;
    return *spare;
}

template <class T> std::vector<T> TakeTable() {
    std::vector<std::vector<T>>& spare = SpareTables<T>();
    std::vector<T> table;
    if (!spare.empty()) {
        table = std::move(spare.back());
        spare.pop_back();
    }
    table.reserve(kUsualDepth);
    return table;
}

template <class T> void GiveBack(std::vector<T>& table) {
    table.clear();
    SpareTables<T>().push_back(std::move(table));
}

} // namespace

RefBase::WalkPath::WalkPath(PathNames& names, std::vector<std::int32_t>& numbers)
    : names_(names), numbers_(numbers), steps_(TakeTable<Step>()) {
    steps_.assign(numbers.size(), Step{nullptr, nullptr, -1});
    names_.reserve(kUsualDepth);
    numbers_.reserve(kUsualDepth);
}

RefBase::WalkPath::~WalkPath() {
    GiveBack(steps_);
}

const PathNames& RefBase::WalkPath::Names() {
    for (size_t k = names_.size(); k < numbers_.size(); ++k)
        names_.push_back(ChildName(steps_[k].parent, numbers_[k], steps_[k].tab));
    return names_;
}

void RefBase::WalkPath::Push(int i, Animatable* parent, Animatable* grandparent, int tab, const MSTR* name) {
    if (name && names_.size() == numbers_.size()) names_.emplace_back(*name);
    numbers_.push_back(i);
    steps_.push_back(Step{parent, grandparent, tab});
}

void RefBase::WalkPath::Pop() {
    numbers_.pop_back();
    steps_.pop_back();
    if (names_.size() > numbers_.size()) names_.pop_back();
}

void RefBase::Visit(const Walk& walk, Animatable* anim, Animatable* parent, RefSubAnimWalk& tree,
                    RefSubAnimWalk::Index parentEntry, int slot, WalkPath& path, int tabIndex) {
    if (path.Depth() > REFBASE_MAX_PATH_DEPTH - 1) return;
    if (!anim) return; // the position stays empty
    const RefSubAnimWalk::Index here = tree.SetChild(parentEntry, slot, anim);
    DWORD kind = KIND_UNDECIDED;
    RefAnim* mirror = nullptr;
    if (tabIndex < 0) {
        kind = ResolveKind(anim, parent);
        ReferenceTarget* target = AsTarget(anim);
        if ((kind & KIND_CREATES_MIRROR) && target) {
            // A walk that only takes the tree asks for the mirror where the mirror may keep children.
            if (walk.mayHaveMirrors && (walk.createMirrors || (kind & KIND_DESCENDS)))
                mirror = FindMirror(anim, path.Numbers());
            if (!mirror && walk.createMirrors) {
                mirror = CreateRefAnimAt(kind, target, path.Names(), path.Numbers(), walk.initialState);
                if (mirror) AppendMirror(mirror);
            }
        }
    }
    const int count = WalkChildCount(anim, parent, tabIndex, kind);
    const bool recordNames = IsAttribContainer(anim) || anim->GetInterface(kNamedChildrenInterface) != nullptr;
    VisitChildren(walk, anim, parent, tree, here, count, path, tabIndex, recordNames, mirror);
}

void RefBase::VisitChildren(const Walk& walk, Animatable* anim, Animatable* parent, RefSubAnimWalk& tree,
                            RefSubAnimWalk::Index here, int count, WalkPath& path, int tabIndex,
                            bool recordNames, const RefAnim* mirror) {
    // Below the deepest step nothing is remembered, not even empty positions.
    if (path.Depth() + 1 <= REFBASE_MAX_PATH_DEPTH - 1) tree.MakeChildren(here, count);
    // An empty position stays empty in the tree: there is nothing to visit.
    auto visitChild = [&](int i, Animatable* child, const MSTR* name) {
        if (i >= 1 && mirror && !mirror->DescendsIntoChild(i - 1)) {
            // The mirror keeps this child to itself: it is remembered as a leaf, with nothing mirrored.
            if (path.Depth() + 1 <= REFBASE_MAX_PATH_DEPTH - 1) tree.SetChild(here, i, child);
            return;
        }
        path.Push(i, anim, parent, tabIndex, name);
        Visit(walk, child, anim, tree, here, i, path, child == anim ? i - 1 : -1);
        path.Pop();
    };
    if (count > 0 && !recordNames && anim->SuperClassID() == PARAMETER_BLOCK2_CLASS_ID) {
        // Blocks are most of the positions a walk meets, and most of their parameters hold nothing: the
        // block's description says which parameters (and which tables' elements) never can, so those are
        // passed over without asking the block, and the others are read by index with their definition
        // in hand.
        auto* pb = static_cast<IParamBlock2*>(anim);
        const int params = pb->NumParams();
        if (tabIndex >= 0) {
            if (tabIndex >= params) return;
            const ParamDef& def = pb->GetParamDefByIndex(static_cast<unsigned short>(tabIndex));
            if (!(def.type & TYPE_TAB) || !ElementMayHoldChild(def)) return;
            const int elements = std::min(count, pb->Count(def.ID));
            for (int e = 0; e < elements; ++e)
                if (Animatable* child = TableElementChild(pb, tabIndex, def, e)) visitChild(e, child, nullptr);
            return;
        }
        if (Animatable* attribs = GetChild(pb, parent, 0, -1, static_cast<MSTR*>(nullptr)))
            visitChild(0, attribs, nullptr);
        for (int k = 0, n = std::min(count - 1, params); k < n; ++k) {
            const ParamDef& def = pb->GetParamDefByIndex(static_cast<unsigned short>(k));
            if (!ParamMayHoldChild(def)) continue;
            if (Animatable* child = BlockParamChild(pb, k, def)) visitChild(k + 1, child, nullptr);
        }
        return;
    }
    MSTR name;
    for (int i = 0; i < count; ++i) {
        Animatable* child = GetChild(anim, parent, i, tabIndex, recordNames ? &name : nullptr);
        if (recordNames) tree.AppendName(here, name);
        if (child) visitChild(i, child, recordNames ? &name : nullptr);
    }
}

void RefBase::WalkRoot(const Walk& walk) {
    Animatable* root = GetRootAnim();
    if (!root) return;
    structure_.Clear();
    RefSubAnimWalk tree(root);
    PathNames names = TakeTable<PathName>();
    std::vector<std::int32_t> numbers = TakeTable<std::int32_t>();
    {
        WalkPath path(names, numbers);
        // The root's children are named through the root itself, with no parent above it.
        VisitChildren(walk, root, nullptr, tree, 0, ChildCount(root, nullptr, -1), path, -1, false);
    }
    GiveBack(names);
    GiveBack(numbers);
    structure_ = tree.Finish();
}

namespace {

// Records of one scene tend to have as many mirrors as the last one made: room for that many at once.
size_t gMirrorsHint = 0;

} // namespace

void RefBase::NoteMirrorCount() {
    gMirrorsHint = mirrors_.size();
    mirrors_.Fit();
}

void RefBase::CollectMirrors() {
    BusyScope busy(this);
    const bool fresh = mirrors_.empty();
    if (fresh) mirrors_.reserve(gMirrorsHint);
    WalkRoot(Walk{true, 0, !fresh});
    // Only noted: a kind may mirror more before its table is fitted.
    if (fresh) gMirrorsHint = mirrors_.size();
}

void RefBase::CollectMirrorsBelow(Animatable* anim, Animatable* parent, const PathNames& names,
                                  const std::vector<std::int32_t>& numbers) {
    if (!anim || numbers.empty() || names.size() != numbers.size()) return;
    BusyScope busy(this);
    // The walk grows the paths below the place given: tables of finished walks take them.
    PathNames walkNames = TakeTable<PathName>();
    std::vector<std::int32_t> walkNumbers = TakeTable<std::int32_t>();
    walkNames.assign(names.begin(), names.end());
    walkNumbers.assign(numbers.begin(), numbers.end());
    {
        // The walk hangs what it takes on a tree of its own, thrown away afterwards.
        RefSubAnimWalk scratch(parent);
        scratch.MakeChildren(0, 1);
        WalkPath path(walkNames, walkNumbers);
        Visit(Walk{true, 0}, anim, parent, scratch, 0, 0, path, -1);
    }
    GiveBack(walkNames);
    GiveBack(walkNumbers);
}

void RefBase::RememberStructure() {
    BusyScope busy(this);
    if (!GetRootAnim()) {
        structure_.Clear();
        return;
    }
    WalkRoot(Walk{false, 0});
}

RefAnim* RefBase::FindMirror(Animatable* anim, const std::vector<std::int32_t>& numbers) const {
    ReferenceTarget* target = AsTarget(anim);
    if (!target) return nullptr;
    // Asked for every animatable a walk meets: the dependents are read in place, nothing is gathered.
    DependentIterator it(target);
    while (ReferenceMaker* m = it.Next()) {
        if (m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* mirror = static_cast<RefAnim*>(static_cast<ReferenceTarget*>(m));
        if (mirror->GetAnim() == target && mirror->GetOwner() == this && mirror->GetPathByNumber() == numbers)
            return mirror;
    }
    return nullptr;
}

RefAnim* RefBase::CreateRefAnimAt(DWORD kind, ReferenceTarget* anim, const PathNames& names,
                                  const std::vector<std::int32_t>& numbers, BYTE initialState) {
    RefAnim* mirror = CreateMirror(kind);
    if (!mirror) return nullptr;
    // Codes with flag bits (0x110013, the node code) make classes that report their plain kind: what
    // counts is whether binding the animatable changed the kind the new mirror reports.
    const ULONG madeKind = mirror->GetKindID();
    mirror->SetOwner(this);
    mirror->SetOverriddenState(initialState);
    mirror->SetPaths(names, numbers, true);
    mirror->SetKindFlag((kind & KIND_FLAG) != 0);
    try {
        mirror->SetAnim(anim);
    } catch (const MAXException& e) {
        MSTR text = ComposeMirrorError(L"setting anim while creating RefAnim", mirror, &e);
        mirror->MaybeAutoDelete();
        throw MAXException(text, 0);
    } catch (...) {
        MSTR text = ComposeMirrorError(L"setting anim while creating RefAnim", mirror, nullptr);
        mirror->MaybeAutoDelete();
        throw MAXException(text, 0);
    }
    if (mirror->GetKindID() != madeKind) {
        mirror->MaybeAutoDelete();
        return nullptr;
    }
    return mirror;
}

RefAnim* RefBase::MirrorOnDemandAt(RefAnim* asking, Animatable* anim, PathNames names,
                                   std::vector<std::int32_t> numbers) {
    return MirrorSingleAt(asking, anim, std::move(names), std::move(numbers), REFANIM_MODIFIED);
}

RefAnim* RefBase::MirrorReplacedAt(RefAnim* asking, Animatable* target, PathNames names,
                                   std::vector<std::int32_t> numbers) {
    RefAnim* mirror = MirrorSingleAt(asking, target, std::move(names), std::move(numbers), REFANIM_REPLACED);
    if (mirror) RememberStructure();
    return mirror;
}

RefAnim* RefBase::MirrorSingleAt(RefAnim* asking, Animatable* anim, PathNames names,
                                 std::vector<std::int32_t> numbers, BYTE initialState) {
    ReferenceTarget* target = AsTarget(anim);
    // Emptying a slot is a replacement too: its mirror stands for the empty slot.
    if (!target && (anim || initialState != REFANIM_REPLACED)) return nullptr;
    DeleteMirrorsAt(names, numbers, asking);
    const SClass_ID sc = target ? target->SuperClassID() : 0;
    const DWORD kind = sc == OSM_CLASS_ID || sc == WSM_CLASS_ID ? KIND_MOD : KIND_PLAIN;
    RefAnim* mirror = CreateRefAnimAt(kind, target, names, numbers, initialState);
    if (mirror) AppendMirror(mirror);
    return mirror;
}

void RefBase::DeleteMirrorsAt(const PathNames& names, const std::vector<std::int32_t>& numbers,
                              const RefAnim* keep) {
    for (int i = NumMirrors() - 1; i >= 0; --i) {
        RefAnim* other = mirrors_[static_cast<size_t>(i)];
        if (!other || other == keep) continue;
        if (BeginsWith(other->GetPathByNumber(), numbers) && BeginsWith(other->GetPathNames(), names))
            DeleteReference(i + 1);
    }
}

void RefBase::DeleteMirrorsBelow(RefAnim* mirror) {
    if (!mirror) return;
    // Copies: the mirror's own paths must not change under the walk.
    const PathNames names = mirror->GetPathNames();
    const std::vector<std::int32_t> numbers = mirror->GetPathByNumber();
    DeleteMirrorsAt(names, numbers, mirror);
}

// ---- structure tracking

void RefBase::UpdateStructure() {
    BusyScope busy(this);
    OperationCodeGuard code(OperationCode::Record);
    structureChanged_ = 0;
    Animatable* root = GetRootAnim();
    if (!structure_.Empty() && root && structure_.Root().StandsFor(root)) {
        PathNames names;
        std::vector<std::int32_t> numbers;
        CompareEntry(structure_.Root(), root, nullptr, names, numbers, -1);
    }
    if (root)
        WalkRoot(Walk{false, 0});
    else
        structure_.Clear();
}

void RefBase::RenumberThrough(const std::vector<std::int32_t>& numbers, int from, int delta) {
    const size_t depth = numbers.size();
    for (RefAnim* m : mirrors_) {
        if (!m || m->IsOverridden(REFANIM_REMOVED)) continue;
        const std::vector<std::int32_t>& own = m->GetPathByNumber();
        if (own.size() <= depth || !BeginsWith(own, numbers) || own[depth] < from) continue;
        std::vector<std::int32_t> moved = own;
        moved[depth] += delta;
        m->SetPathByNumber(std::move(moved), true);
    }
}

void RefBase::MirrorNewChild(Animatable* container, Animatable* child, PathNames& names,
                             std::vector<std::int32_t>& numbers, int tabIndex) {
    DeleteMirrorsAt(names, numbers);
    if (IsAttribContainer(container)) {
        if (ReferenceTarget* attrib = AsTarget(child))
            if (RefAnim* m = CreateRefAnimAt(KIND_CA, attrib, names, numbers, REFANIM_ADDED))
                AppendMirror(m);
        return;
    }
    // The walk of a collection from the new child; the tree it takes is thrown away, since the whole tree
    // is taken again once the comparison is over.
    RefSubAnimWalk scratch(container);
    scratch.MakeChildren(0, 1);
    WalkPath path(names, numbers);
    Visit(Walk{true, REFANIM_REPLACED}, child, container, scratch, 0, 0, path, tabIndex);
}

void RefBase::CompareEntry(const RefSubAnim& entry, Animatable* anim, Animatable* parent,
                           PathNames& names, std::vector<std::int32_t>& numbers, int tabIndex) {
    const bool isRoot = numbers.empty();
    int live = 0;
    const RefAnim* mirror = nullptr;
    if (isRoot) {
        live = ChildCount(anim, nullptr, -1);
    } else {
        const DWORD kind = tabIndex < 0 ? ResolveKind(anim, parent) : KIND_UNDECIDED;
        // A mirror that does not descend watches its own children.
        if ((kind & KIND_CREATES_MIRROR) && !(kind & KIND_DESCENDS) && kind != KIND_NODE_MIRROR) return;
        live = WalkChildCount(anim, parent, tabIndex, kind);
        // Children the mirror keeps to itself were remembered as leaves; they are not compared.
        if (kind & KIND_CREATES_MIRROR) mirror = FindMirror(anim, numbers);
    }
    // The walk never went below this depth, so nothing was remembered there.
    if (static_cast<int>(names.size()) + 1 > REFBASE_MAX_PATH_DEPTH - 1) return;

    const int remembered = entry.NumChildren();
    std::vector<Animatable*> children(static_cast<size_t>(live));
    std::vector<MSTR> childNames(static_cast<size_t>(live));
    for (int j = 0; j < live; ++j)
        children[static_cast<size_t>(j)] = GetChild(anim, parent, j, tabIndex, childNames[static_cast<size_t>(j)]);
    auto same = [&](int r, Animatable* child) {
        const RefSubAnim* old = entry.GetChild(r);
        return old ? old->StandsFor(child) : child == nullptr;
    };

    // The first position where the live children part from the remembered ones.
    int p = 0;
    const int common = std::min(live, remembered);
    while (p < common && same(p, children[static_cast<size_t>(p)])) ++p;
    int shift = 0;
    if (live == remembered + 1) {
        shift = 1;
        RenumberThrough(numbers, p, 1);
    } else if (live == remembered - 1) {
        shift = -1;
        // The mirrors of the removed child keep their numbers: their own path resolution finds them out.
        RenumberThrough(numbers, p + 1, -1);
    }

    for (int j = 0; j < live; ++j) {
        Animatable* child = children[static_cast<size_t>(j)];
        if (!child || (j >= 1 && mirror && !mirror->DescendsIntoChild(j - 1))) continue;
        int r = j;
        if (shift == 1)
            r = j < p ? j : (j == p ? -1 : j - 1);
        else if (shift == -1)
            r = j < p ? j : j + 1;
        const RefSubAnim* old = r >= 0 ? entry.GetChild(r) : nullptr;
        names.emplace_back(childNames[static_cast<size_t>(j)]);
        numbers.push_back(j);
        const int childTab = child == anim ? j - 1 : -1;
        if (old && old->StandsFor(child))
            CompareEntry(*old, child, anim, names, numbers, childTab);
        else
            MirrorNewChild(anim, child, names, numbers, childTab);
        names.pop_back();
        numbers.pop_back();
    }
}

// ---- the end-of-operation notification

void RefBase::WaitForOperationEnd() {
    if (waiting_) return;
    waiting_ = 1;
    RegisterNotification(&RefBase::OnOperationEnd, this, NOTIFY_OSTRIVANS_BATCH_CLOSING);
}

void RefBase::StopWaiting() {
    if (!waiting_) return;
    UnRegisterNotification(&RefBase::OnOperationEnd, this, NOTIFY_OSTRIVANS_BATCH_CLOSING);
    waiting_ = 0;
}

void RefBase::OnOperationEnd(void* param, NotifyInfo*) {
    auto* record = static_cast<RefBase*>(param);
    record->StopWaiting();
    record->RememberStructure();
}

// ---- reset marks

int RefBase::GetCurrentMark() {
    return gCurrentMark;
}

int RefBase::NextMark() {
    return ++gCurrentMark;
}

// ---- dumps

std::string RefBase::Describe() {
    const MCHAR* name = GetRecordName();
    std::string s = (name ? WStr(name).ToUTF8() : std::string("?")) + " item " +
                    (item_ ? DescribeAnimatable(item_).ToUTF8() : std::string("null")) + " mirrors " +
                    std::to_string(mirrors_.size());
    for (size_t i = 0; i < mirrors_.size(); ++i) {
        s += i == 0 ? ": " : ", ";
        const MCHAR* kind = mirrors_[i] ? mirrors_[i]->GetKindName() : nullptr;
        s += mirrors_[i] ? (kind ? WStr(kind).ToUTF8() : std::string("?")) : std::string("null");
    }
    return s;
}

std::string RefBase::Dump() {
    std::string s = Describe() + "\nbusy " + std::to_string(busy_) + " waiting " + std::to_string(waiting_) +
                    " structureChanged " + std::to_string(structureChanged_) + "\n";
    for (size_t i = 0; i < mirrors_.size(); ++i) {
        RefAnim* m = mirrors_[i];
        s += "[" + std::to_string(i) + "] ";
        if (!m) {
            s += "null\n";
            continue;
        }
        const MCHAR* kind = m->GetKindName();
        s += (kind ? WStr(kind).ToUTF8() : std::string("?")) + " ";
        const auto& path = m->GetPath();
        for (size_t k = 0; k < path.size(); ++k) s += (k ? "/" : "") + path[k].ToUTF8();
        s += " #";
        const auto& numbers = m->GetPathByNumber();
        for (size_t k = 0; k < numbers.size(); ++k) s += (k ? "." : "") + std::to_string(numbers[k]);
        s += " state " + std::to_string(m->GetOverriddenState()) + "\n";
    }
    s += !structure_.Empty() ? "structure:\n" + structure_.Root().Dump(1) : std::string("structure: none\n");
    return s;
}
