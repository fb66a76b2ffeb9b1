// The parameter-block-2 mirror: change detection per parameter and element, the tab resize rule, the
// override by value, local dependents handed to the fresh block, persistence and the dump.
#include "plugin/anims/RefAnimPblock2.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/IParamBlock2.h"
#include "plugin/anims/RefAnimGlobals.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>
#include <limits>

namespace {

// Chunks of an entry table.
constexpr USHORT kCountChunk = 0;
constexpr USHORT kTagChunk = 1;
constexpr USHORT kEntryChunk = 2;

constexpr size_t kIndexStale = std::numeric_limits<size_t>::max();

std::int64_t EntryKey(std::int32_t id, std::int32_t tabIndex) {
    return (static_cast<std::int64_t>(id) << 32) | static_cast<std::uint32_t>(tabIndex);
}

IOResult SaveTable(ISave* isave, USHORT id, const std::vector<Pblock2Param*>& table) {
    isave->BeginChunk(id);
    IOResult res = WriteValueChunk(isave, kCountChunk, static_cast<std::int32_t>(table.size()));
    for (size_t i = 0; res == IO_OK && i < table.size(); ++i) {
        res = WriteValueChunk(isave, kTagChunk, table[i]->TypeTag());
        if (res != IO_OK) break;
        isave->BeginChunk(kEntryChunk);
        res = table[i]->Save(isave);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

IOResult LoadTable(ILoad* iload, std::vector<Pblock2Param*>& table) {
    Pblock2Param* pending = nullptr;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kCountChunk: {
            std::int32_t n = 0;
            const IOResult r = ReadValues(iload, n);
            if (r == IO_OK && n > 0) table.reserve(table.size() + std::min<size_t>(static_cast<size_t>(n), iload->StreamBytesLeft()));
            return r;
        }
        case kTagChunk: {
            std::int32_t tag = 0;
            const IOResult r = ReadValues(iload, tag);
            delete pending;
            pending = NewParamEntryForTag(tag);
            return r;
        }
        case kEntryChunk: {
            Pblock2Param* entry = pending ? pending : new Pblock2Param();
            pending = nullptr;
            table.push_back(entry);
            return entry->Load(iload);
        }
        default: return IO_OK;
        }
    });
    delete pending;
    return res;
}

const std::vector<Pblock2Param*>& NoEntries() {
    static const std::vector<Pblock2Param*> none;
    return none;
}

void AppendEntryText(MSTR& s, const Pblock2Param& e, std::int32_t second) {
    s += WStr::Format(L"%d:%d", e.paramID, second);
    if (!e.IsApplicable()) s += L" (" + e.name + L" not applied)";
    s += L",";
}

} // namespace

RefAnimPblock2::~RefAnimPblock2() {
    // The base destructor counts one reference only: the block's owner goes here.
    DropRefsUnlessDeleted();
    ClearEntries();
}

ULONG RefAnimPblock2::GetKindID() const {
    if (mode_ == 1) return KIND_PBLOCK2_WHOLE_TAB;
    if (mode_ == 2) return KIND_PBLOCK2_ELEMENTS;
    return holdOverride_ ? KIND_PBLOCK2_HELD : KIND_PBLOCK2;
}

void RefAnimPblock2::ClearEntries() {
    // The table stays: undo records of its additions point at it.
    if (!entries_) return;
    for (Pblock2Param* e : entries_->params) delete e;
    for (Pblock2Param* e : entries_->tabs) delete e;
    entries_->params.clear();
    entries_->tabs.clear();
    entries_->index.clear();
    entries_->indexedSize = 0;
}

RefAnimPblock2::Entries& RefAnimPblock2::OwnEntries() {
    if (!entries_) entries_ = std::make_unique<Entries>();
    return *entries_;
}

const std::vector<Pblock2Param*>& RefAnimPblock2::GetOverriddenParams() const {
    return entries_ ? entries_->params : NoEntries();
}

const std::vector<Pblock2Param*>& RefAnimPblock2::GetOverriddenTabs() const {
    return entries_ ? entries_->tabs : NoEntries();
}

RefAnimPblock2::Recorded* RefAnimPblock2::FindRecorded(int index) {
    auto it = std::lower_bound(recorded_.begin(), recorded_.end(), index,
                               [](const Recorded& r, int i) { return r.index < i; });
    return it != recorded_.end() && it->index == index ? &*it : nullptr;
}

IParamBlock2* RefAnimPblock2::Block() const {
    ReferenceTarget* a = GetAnim();
    return a && a->SuperClassID() == PARAMETER_BLOCK2_CLASS_ID ? static_cast<IParamBlock2*>(a) : nullptr;
}

// ---- references

RefTargetHandle RefAnimPblock2::GetReference(int i) {
    return i == 1 ? blockOwner_ : RefAnim::GetReference(i);
}

void RefAnimPblock2::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) {
        blockOwner_ = rtarg;
        return;
    }
    RefAnim::SetReference(i, rtarg);
    // A block that went (deleted with its node, most often) leaves only the old records to drop.
    if (i == 0) RecordAll();
}

BOOL RefAnimPblock2::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg == GetAnim()) return FALSE;
    return IsOverridden(REFANIM_LOCDEP);
}

void RefAnimPblock2::RecordAll() {
    recorded_.Clear();
    refsCollected_ = false;
    recordedParams_ = 0;
    IParamBlock2* pb = Block();
    if (!pb || !pb->GetOwner()) return;
    recordedParams_ = pb->NumParams();
    // Every block mirror a load makes records its block: each definition is read once, by index, and the
    // parameters seen are noted on the stack so the table is made once, at its size (a block with more of
    // them than the stack notes is read a second time).
    constexpr size_t kNoted = 32;
    std::int32_t noted[kNoted];
    size_t count = 0;
    for (int i = 0; i < recordedParams_; ++i) {
        if (!IsRecordedType(pb->GetParamDefByIndex(static_cast<unsigned short>(i)).type)) continue;
        if (count < kNoted) noted[count] = i;
        ++count;
    }
    recorded_.Reset(count);
    if (count <= kNoted) {
        for (size_t k = 0; k < count; ++k) recorded_[k].index = noted[k];
    } else {
        size_t at = 0;
        for (int i = 0; i < recordedParams_; ++i)
            if (IsRecordedType(pb->GetParamDefByIndex(static_cast<unsigned short>(i)).type)) recorded_[at++].index = i;
    }
    for (Recorded& r : recorded_) Record(pb, r);
    refsCollected_ = true;
}

void RefAnimPblock2::RecordParam(int index) {
    IParamBlock2* pb = Block();
    if (Recorded* found = pb ? FindRecorded(index) : nullptr) Record(pb, *found);
}

void RefAnimPblock2::Record(IParamBlock2* pb, Recorded& r) {
    r.targets.Clear();
    // A parameter no longer in the block has nothing to see.
    if (r.index < 0 || r.index >= pb->NumParams()) {
        r.count = 0;
        r.hasTargets = false;
        return;
    }
    const ParamDef& def = pb->GetParamDefByIndex(static_cast<unsigned short>(r.index));
    const ParamID id = def.ID;
    const int type = def.type;
    r.count = is_tab(type) ? pb->Count(id) : 0;
    r.hasTargets = IsReferenceParamType(base_type(type)) && pb->GetOwner();
    if (!r.hasTargets) return;
    const int n = is_tab(type) ? r.count : 1;
    r.targets.Reset(static_cast<size_t>(std::max(n, 0)));
    for (int k = 0; k < n; ++k) r.targets.Set(static_cast<size_t>(k), pb->GetReferenceTarget(id, 0, k));
}

// ---- change detection

RefResult RefAnimPblock2::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    // Only a change of the block is looked at: a deletion tells every mirror of a node's blocks, and is
    // answered without reading the block.
    if (message != REFMSG_CHANGE) return REF_STOP;
    IParamBlock2* pb = Block();
    if (!pb || hTarget != pb) return REF_STOP;
    int tab = -1;
    const ParamID id = pb->LastNotifyParamID(tab);
    const int index = pb->IDtoIndex(id);
    if (index < 0 || !IsUserParam(pb, id)) return REF_STOP;
    const MCHAR* internalName = pb->GetParamDef(id).int_name;
    if (!internalName || !*internalName) return REF_STOP;
    const int type = pb->GetParameterType(id);
    const bool isTab = is_tab(type);
    Recorded* rec = FindRecorded(index);
    const bool resized = isTab && rec && pb->Count(id) != rec->count;

    if (GetCurrentOperation() != OperationCode::None) {
        // A merge: the block moves under us; nothing is the user's, the records just follow.
        if (resized) {
            RecordParam(index);
        } else if (tab >= 0 && rec && rec->hasTargets) {
            const size_t el = static_cast<size_t>(isTab ? tab : 0);
            if (el < rec->targets.size()) rec->targets.Set(el, pb->GetReferenceTarget(id, 0, static_cast<int>(el)));
        }
        return REF_STOP;
    }

    const bool undoing = theHold.RestoreOrRedoing() != 0;
    if (resized && TabResized(pb, id, index, undoing)) return REF_STOP;
    if (tab < 0) return REF_STOP;
    const int el = isTab ? tab : 0;
    if (IsReferenceParamType(base_type(type))) {
        // The new target gets a mirror of its own; the block keeps no value of it.
        if (!rec || !rec->hasTargets || el >= static_cast<int>(rec->targets.size())) return REF_STOP;
        ReferenceTarget* now = pb->GetReferenceTarget(id, 0, el);
        if (now == rec->targets.Get(static_cast<size_t>(el))) return REF_STOP;
        if (!undoing) {
            SetModified();
            RecordReferenceChange(pb, id, isTab ? el : -1);
        }
        // The owner's mirror table may have changed the records: find them again.
        if (Recorded* again = FindRecorded(index); again && el < static_cast<int>(again->targets.size()))
            again->targets.Set(static_cast<size_t>(el), now);
        return REF_STOP;
    }
    // An animated element is its controller's mirror's business.
    if (pb->GetController(id, el)) return REF_STOP;
    if (!undoing) SetModified();
    RecordValue(pb, id, el, undoing);
    return REF_STOP;
}

void RefAnimPblock2::SetModified() {
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

bool RefAnimPblock2::TabResized(IParamBlock2* pb, ParamID id, int index, bool undoing) {
    if (undoing) {
        RecordParam(index);
        return false;
    }
    switch (mode_) {
    case 0:
        RecordParam(index);
        if (IRefAnimOwner* owner = GetOwner()) EscalateToParent(owner->GetRootAnim());
        return true;
    case 1: {
        std::vector<Pblock2Param*>& tabs = OwnEntries().tabs;
        auto it = std::find_if(tabs.begin(), tabs.end(), [&](Pblock2Param* t) { return t->paramID == id; });
        if (it != tabs.end()) {
            (*it)->Capture(pb);
        } else {
            auto* entry = new TabParam(ParamEntryName(pb, id), id);
            entry->Capture(pb);
            AppendEntry(tabs, entry);
        }
        const bool refs = IsReferenceParamType(base_type(pb->GetParameterType(id)));
        for (int k = 0; k < pb->Count(id); ++k) {
            if (refs) RecordReferenceChange(pb, id, k);
            else RecordValue(pb, id, k, false);
        }
        RecordParam(index);
        SetModified();
        return true;
    }
    default: RecordParam(index); return false;
    }
}

void RefAnimPblock2::RecordReferenceChange(IParamBlock2* pb, ParamID id, int tabIndex) {
    IRefAnimOwner* owner = GetOwner();
    if (!owner || !pb->GetOwner()) return;
    ReferenceTarget* target = pb->GetReferenceTarget(id, 0, std::max(tabIndex, 0));
    const int index = pb->IDtoIndex(id);
    // The target's place below the block, named as path resolution names it.
    PathNames names = GetPathNames();
    std::vector<std::int32_t> numbers = GetPathByNumber();
    MSTR step;
    GetChild(pb, nullptr, index + 1, -1, &step);
    names.emplace_back(step);
    numbers.push_back(index + 1);
    if (tabIndex >= 0) {
        GetChild(pb, nullptr, tabIndex, index, &step);
        names.emplace_back(step);
        numbers.push_back(tabIndex);
    }
    owner->MirrorReplacedAt(this, target, std::move(names), std::move(numbers));
}

void RefAnimPblock2::RecordValue(IParamBlock2* pb, ParamID id, int tabIndex, bool undoing) {
    if (Pblock2Param* entry = FindEntry(id, tabIndex)) {
        entry->Capture(pb);
        return;
    }
    if (undoing) return;
    Pblock2Param* entry = NewParamEntryForType(base_type(pb->GetParameterType(id)), ParamEntryName(pb, id), id, tabIndex);
    if (!entry) return;
    entry->Capture(pb);
    AppendEntry(OwnEntries().params, entry);
}

Pblock2Param* RefAnimPblock2::FindEntry(ParamID id, int tabIndex) {
    if (!entries_) return nullptr;
    Entries& t = *entries_;
    const auto rebuild = [&] {
        t.index.clear();
        for (size_t i = 0; i < t.params.size(); ++i)
            if (t.params[i]->IsApplicable()) t.index.emplace(EntryKey(t.params[i]->paramID, t.params[i]->tabIndex), i);
        t.indexedSize = t.params.size();
    };
    if (t.indexedSize != t.params.size()) rebuild();
    for (int attempt = 0; attempt < 2; ++attempt) {
        const auto it = t.index.find(EntryKey(id, tabIndex));
        if (it == t.index.end()) return nullptr;
        if (it->second < t.params.size()) {
            Pblock2Param* e = t.params[it->second];
            if (e->paramID == id && e->tabIndex == tabIndex) return e;
        }
        rebuild();
    }
    return nullptr;
}

void RefAnimPblock2::AppendEntry(std::vector<Pblock2Param*>& table, Pblock2Param* entry) {
    if (theHold.Holding())
        theHold.Put(new Param2ArrayRestore<Pblock2Param>(&table, entry, Param2ArrayRestore<Pblock2Param>::kAddition, this));
    Entries& t = OwnEntries();
    const bool indexed = &table == &t.params && t.indexedSize == t.params.size();
    table.push_back(entry);
    if (indexed) {
        t.index.emplace(EntryKey(entry->paramID, entry->tabIndex), t.params.size() - 1);
        t.indexedSize = t.params.size();
    }
}

// ---- the operations

void RefAnimPblock2::CollectLocDep(DWORD stamp) {
    RefAnim::CollectLocDep(stamp);
    IParamBlock2* pb = Block();
    if (!pb) return;
    if (IsOverridden(REFANIM_LOCDEP)) {
        ReferenceMaker* owner = pb->GetOwner();
        if (owner && owner->IsRefTarget() && owner != blockOwner_) ReplaceReference(1, static_cast<ReferenceTarget*>(owner));
    }
    if (!refsCollected_ || !pb->GetOwner() || recordedParams_ < pb->NumParams()) return;
    // Reference changes that reached no message (made while messages were off) are found by comparison.
    // The record is found again after each change: recording it may record the block anew. Until one, it
    // is the one the loop stands on.
    for (size_t r = 0; r < recorded_.size(); ++r) {
        const int i = recorded_[r].index;
        if (i >= pb->NumParams()) break;
        if (!recorded_[r].hasTargets) continue;
        const ParamID id = pb->IndextoID(i);
        const bool isTab = is_tab(pb->GetParameterType(id));
        const int n = isTab ? pb->Count(id) : 1;
        Recorded* rec = &recorded_[r];
        for (int k = 0; k < n; ++k) {
            if (!rec || k >= static_cast<int>(rec->targets.size())) break;
            ReferenceTarget* now = pb->GetReferenceTarget(id, 0, k);
            if (now == rec->targets.Get(static_cast<size_t>(k))) continue;
            SetModified();
            RecordReferenceChange(pb, id, isTab ? k : -1);
            rec = FindRecorded(i);
            if (rec && k < static_cast<int>(rec->targets.size())) rec->targets.Set(static_cast<size_t>(k), now);
        }
    }
}

void RefAnimPblock2::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (!r.anim || r.anim->SuperClassID() != PARAMETER_BLOCK2_CLASS_ID) return;
    auto* fresh = static_cast<IParamBlock2*>(r.anim);
    if (IsOverridden(REFANIM_MODIFIED)) {
        const bool begin = holdOverride_ && !theHold.Holding();
        if (begin) theHold.Begin();
        // Counts first, so the elements they bring exist when the values arrive.
        if (entries_) {
            for (Pblock2Param* e : entries_->tabs)
                if (e->IsApplicable()) e->Apply(fresh);
            for (Pblock2Param* e : entries_->params)
                if (e->IsApplicable()) e->Apply(fresh);
            // Entries found under another id, or marked, are indexed again at the next change.
            entries_->indexedSize = kIndexStale;
        }
        if (begin) theHold.Accept(L"Override");
    }
    SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

void RefAnimPblock2::OverrideLocDep(ReferenceTarget* newAnim) {
    ReferenceTarget* old = GetAnim();
    if (!IsOverridden(REFANIM_LOCDEP) || !old || !newAnim || newAnim == old || old->ClassID() != newAnim->ClassID()) return;
    ReferenceMaker* oldOwner = static_cast<IParamBlock2*>(old)->GetOwner();
    SetLocDepTransferFlag(true);
    std::vector<ReferenceMaker*> dependents;
    DependentIterator it(old);
    while (ReferenceMaker* m = it.Next()) dependents.push_back(m);
    for (ReferenceMaker* dep : dependents) {
        if (dep == oldOwner) continue;
        for (int j = 0; j < dep->NumRefs(); ++j)
            if (dep->GetReference(j) == old && dep->CanTransferReference(j)) dep->ReplaceReference(j, newAnim, FALSE);
    }
    newAnim->NotifyDependents(FOREVER, REFANIM_TRANSFER_PARTS, REFMSG_SUBANIM_STRUCTURE_CHANGED);
    newAnim->NotifyDependents(FOREVER, REFANIM_TRANSFER_PARTS, REFMSG_CHANGE);
    SetLocDepTransferFlag(false);
    SetLastOperation(IDS_OP_OVERRIDE_LOCDEP);
}

// ---- clone, persistence, dump

RefTargetHandle RefAnimPblock2::Clone(RemapDir& remap) {
    auto* copy = new RefAnimPblock2(FALSE, mode_, holdOverride_);
    BaseClone(this, copy, remap);
    if (entries_) {
        Entries& to = copy->OwnEntries();
        for (Pblock2Param* e : entries_->params) to.params.push_back(e->Clone());
        for (Pblock2Param* e : entries_->tabs) to.tabs.push_back(e->Clone());
    }
    return copy;
}

IOResult RefAnimPblock2::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = SaveTable(isave, kParamsChunk, GetOverriddenParams());
    if (res == IO_OK) res = SaveTable(isave, kTabsChunk, GetOverriddenTabs());
    if (res == IO_OK) res = WriteValueChunk(isave, kModeChunk, static_cast<std::uint8_t>(mode_));
    if (res == IO_OK) res = WriteValueChunk(isave, kHoldChunk, static_cast<std::int32_t>(holdOverride_ ? 1 : 0));
    return res;
}

IOResult RefAnimPblock2::Load(ILoad* iload) {
    ClearEntries();
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kParamsChunk: return LoadTable(iload, OwnEntries().params);
        case kTabsChunk: return LoadTable(iload, OwnEntries().tabs);
        case kModeChunk: {
            std::uint8_t mode = 0;
            const IOResult r = ReadValues(iload, mode);
            mode_ = mode;
            return r;
        }
        case kHoldChunk: {
            std::int32_t hold = 0;
            const IOResult r = ReadValues(iload, hold);
            holdOverride_ = hold != 0;
            return r;
        }
        default: return LoadKindChunk(iload);
        }
    });
    if (entries_) {
        if (res != IO_OK) {
            for (Pblock2Param* e : entries_->params) delete e;
            entries_->params.clear();
        }
        entries_->indexedSize = kIndexStale;
    }
    return res;
}

MSTR RefAnimPblock2::Describe() {
    MSTR s = RefAnim::Describe();
    s += WStr::Format(L"\nTabResizeOverride: %d", mode_);
    s += L"\nOverridden Params: ";
    for (const Pblock2Param* e : GetOverriddenParams()) AppendEntryText(s, *e, e->tabIndex);
    s += L"\nOverridden Tabs: ";
    for (const Pblock2Param* e : GetOverriddenTabs()) {
        const auto* tab = dynamic_cast<const TabParam*>(e);
        AppendEntryText(s, *e, tab ? tab->count : 0);
    }
    return s;
}
