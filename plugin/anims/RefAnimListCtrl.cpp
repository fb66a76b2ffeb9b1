// The list controller mirror: the user's renames, deletions, additions and active item, detected from the
// list's messages, replayed on the fresh list; undo records, persistence and the dump.
#include "plugin/anims/RefAnimListCtrl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/RefMessages.h"
#include "host/scene/Control.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>

namespace {

using Tables = RefAnimListCtrl::Tables;

// The four tables before a change (undo) and as an undo found them (redo).
class ListCtrlRestore : public OwnedStateRestore {
public:
    explicit ListCtrlRestore(RefAnimListCtrl* mirror)
        : OwnedStateRestore(mirror), mirror_(mirror), undo_(mirror->GetTables()) {}
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = mirror_->GetTables();
        mirror_->ApplyTables(undo_);
    }
    void Redo() override {
        if (OwnerAlive()) mirror_->ApplyTables(redo_);
    }
    int Size() override {
        const auto size = [](const Tables& t) {
            return 24 * t.renamed.size() + 16 * (t.deleted.size() + t.added.size() + t.monitored.size());
        };
        return static_cast<int>(size(undo_) + size(redo_));
    }

private:
    RefAnimListCtrl* mirror_;
    Tables undo_;
    Tables redo_;
};

IListControl* ListInterface(Animatable* a) {
    if (!a) return nullptr;
    return static_cast<IListControl*>(a->GetInterface(LIST_CONTROLLER_INTERFACE));
}

void ListenerError(const MCHAR* text) { the_listener->edit_stream->puts(text); }

int Tag(const void* p) { return static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p))); }

// A record of a table saved as one chunk holding nested chunks; records append as they come.
template <class Record, class Part> IOResult LoadNested(ILoad* iload, std::vector<Record>& table, Part&& part) {
    Record r;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) { return part(id, r); });
    if (res == IO_OK) table.push_back(std::move(r));
    return res;
}

} // namespace

RefAnimListCtrl::~RefAnimListCtrl() {
    // The base destructor counts one reference only: the weights and the held controllers go here.
    DropRefsUnlessDeleted();
}

IListControl* RefAnimListCtrl::List() const { return ListInterface(GetAnim()); }

// ---- references

RefTargetHandle RefAnimListCtrl::GetReference(int i) {
    if (i == 1) return weights_;
    if (i >= 2) return i - 2 < static_cast<int>(held_.size()) ? held_[static_cast<size_t>(i - 2)] : nullptr;
    return RefAnim::GetReference(i);
}

void RefAnimListCtrl::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) {
        weights_ = rtarg;
    } else if (i >= 2) {
        const auto k = static_cast<size_t>(i - 2);
        if (k >= held_.size()) held_.resize(k + 1, nullptr);
        auto* c = rtarg && rtarg->IsRefTarget() ? dynamic_cast<Control*>(rtarg) : nullptr;
        held_[k] = c;
        if (k < tables_.added.size()) tables_.added[k].ctrl = c;
    } else {
        RefAnim::SetReference(i, rtarg);
    }
}

void RefAnimListCtrl::SyncHeld() {
    const size_t want = tables_.added.size();
    if (held_.size() < want) held_.resize(want, nullptr);
    // Without auto-delete: a controller the tables let go of still belongs to the list or to an undo record.
    for (size_t k = 0; k < held_.size(); ++k) {
        Control* c = k < want ? tables_.added[k].ctrl : nullptr;
        if (held_[k] != c) ReplaceReference(2 + static_cast<int>(k), c, FALSE);
    }
    held_.resize(want);
}

void RefAnimListCtrl::ApplyTables(const Tables& t) {
    tables_ = t;
    SyncHeld();
}

BOOL RefAnimListCtrl::IsRealDependency(ReferenceTarget* rtarg) {
    if (!rtarg) return FALSE;
    if (rtarg != GetAnim() && rtarg != weights_) return TRUE;
    return IsOverridden(REFANIM_REPLACED | REFANIM_LOCDEP);
}

BOOL RefAnimListCtrl::CanTransferReference(int i) {
    if (i != 0) return FALSE;
    // A changed list stays with the mirror while the node's dependents move to the fresh node: the override
    // compares the fresh list with its own to replay the changes there (IsModified answers false for this
    // kind, so the base rule would let it go).
    if (IsOverridden(REFANIM_MODIFIED)) return FALSE;
    return RefAnim::CanTransferReference(i);
}

bool RefAnimListCtrl::IsItemUntouched(int index) const {
    if (index < 0 || index >= static_cast<int>(tables_.monitored.size())) return true;
    return tables_.monitored[static_cast<size_t>(index)].added < 0;
}

// ---- snapshot

void RefAnimListCtrl::ReadActive(IListControl* list) {
    activeIndex_ = list->GetActive();
    activeName_ = activeIndex_ >= 0 && activeIndex_ < list->GetListCount() ? WStr(list->GetName(activeIndex_)) : WStr();
}

void RefAnimListCtrl::Monitor(IListControl* list) {
    tables_.monitored.clear();
    for (int i = 0; i < list->GetListCount(); ++i)
        tables_.monitored.push_back({WStr(list->GetName(i)), i, list->GetSubCtrl(i), -1, -1});
    ReadActive(list);
}

void RefAnimListCtrl::RebindAfterLoad::proc(ILoad*) {
    if (IListControl* list = mirror->List()) mirror->Rebind(list);
}

void RefAnimListCtrl::Rebind(IListControl* list) {
    const int n = std::min(list->GetListCount(), static_cast<int>(tables_.monitored.size()));
    for (int i = 0; i < n; ++i) {
        MonitoredCtrl& m = tables_.monitored[static_cast<size_t>(i)];
        m.name = WStr(list->GetName(i));
        m.ctrl = list->GetSubCtrl(i);
    }
}

RefAnimListCtrl* RefAnimListCtrl::ModifiedTwin(ReferenceTarget* list) const {
    DependentIterator it(list);
    while (ReferenceMaker* m = it.Next()) {
        if (m == this || m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* other = static_cast<RefAnim*>(m);
        if (other->GetAnim() == list && other->GetKindID() == KIND_LIST_CTRL && other->IsOverridden(REFANIM_MODIFIED))
            return static_cast<RefAnimListCtrl*>(other);
    }
    return nullptr;
}

void RefAnimListCtrl::CopyFrom(const RefAnimListCtrl& other) {
    ApplyTables(other.tables_);
    activeIndex_ = other.activeIndex_;
    activeName_ = other.activeName_;
    activeChanged_ = other.activeChanged_;
}

RefResult RefAnimListCtrl::SetAnim(ReferenceTarget* anim) {
    IListControl* list = ListInterface(anim);
    if (!anim || !list) return ReplaceReference(0, anim);
    if (RefAnimListCtrl* twin = ModifiedTwin(anim)) {
        CopyFrom(*twin);
        SetOverriddenFlag(REFANIM_MODIFIED, true, false);
    } else {
        Monitor(list);
    }
    const int subs = anim->NumSubs();
    Animatable* last = subs > 0 ? anim->SubAnim(subs - 1) : nullptr;
    ReplaceReference(1, last && last->IsRefTarget() ? static_cast<ReferenceTarget*>(last) : nullptr);
    return RefAnim::SetAnim(anim);
}

// ---- change monitor

void RefAnimListCtrl::SetModified(bool undoable) {
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, undoable);
}

void RefAnimListCtrl::Hold() {
    if (theHold.Holding()) theHold.Put(new ListCtrlRestore(this));
}

RefResult RefAnimListCtrl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID,
                                            RefMessage message, BOOL) {
    if (GetCurrentOperation() != OperationCode::None || !hTarget) return REF_STOP;
    IListControl* list = List();
    const bool fromList = list && hTarget == GetAnim();
    if (theHold.RestoreOrRedoing()) {
        if (fromList && message == REFMSG_SUBANIM_STRUCTURE_CHANGED) NameCheck(list);
        return REF_STOP;
    }
    if (hTarget == weights_ && hTarget != GetAnim()) {
        if (GetOverriddenState() == 0 && message == REFMSG_CHANGE) SetModified(true);
        return REF_STOP;
    }
    if (!fromList) return REF_STOP;
    if (message == REFMSG_CHANGE && partID == 0 && !IsOverridden(REFANIM_REPLACED)) {
        const int active = list->GetActive();
        if (active != activeIndex_) {
            activeIndex_ = active;
            if (active < 0 || active >= list->GetListCount()) {
                activeName_ = WStr();
            } else {
                // Only the current item matters; an undo record of the choice would outlive the list's own.
                SetModified(false);
                activeChanged_ = 1;
                activeName_ = WStr(list->GetName(active));
            }
        }
    } else if (message == REFMSG_NODE_NAMECHANGE) {
        NameCheck(list);
    } else if (message == REFMSG_SUBANIM_STRUCTURE_CHANGED) {
        StructureCheck(list);
    }
    return REF_STOP;
}

void RefAnimListCtrl::RecordRename(int i, const WStr& name) {
    MonitoredCtrl& m = tables_.monitored[static_cast<size_t>(i)];
    if (m.name == name) return;
    Hold();
    if (m.added >= 0) {
        if (m.added < static_cast<int>(tables_.added.size())) {
            tables_.added[static_cast<size_t>(m.added)].name = name;
        } else {
            ListenerError(L"\nError overriding name in list controller. missing added ctrl item\n");
            m.added = -1;
        }
    } else if (m.renamed >= 0) {
        if (m.renamed < static_cast<int>(tables_.renamed.size())) {
            tables_.renamed[static_cast<size_t>(m.renamed)].name = name;
        } else {
            ListenerError(L"\nError overriding name in list controller. missing renamed ctrl item\n");
            m.renamed = -1;
        }
    } else {
        tables_.renamed.push_back({m.name, m.index, name});
        m.renamed = static_cast<std::int32_t>(tables_.renamed.size()) - 1;
    }
    m.name = name;
    SetModified(false);
}

void RefAnimListCtrl::StructureCheck(IListControl* list) {
    if (IsOverridden(REFANIM_REPLACED)) return;
    const int n = list->GetListCount();
    const int m = static_cast<int>(tables_.monitored.size());
    if (n == m) {
        for (int i = 0; i < n; ++i) {
            MonitoredCtrl& rec = tables_.monitored[static_cast<size_t>(i)];
            if (list->GetSubCtrl(i) == rec.ctrl) continue;
            // A rename holds the tables itself before it changes them.
            const WStr name(list->GetName(i));
            if (name == rec.name) Hold();
            RecordRename(i, name);
            SetModified(false);
            tables_.monitored[static_cast<size_t>(i)].ctrl = list->GetSubCtrl(i);
            return;
        }
        NameCheck(list);
    } else if (n == m + 1) {
        ItemAdded(list);
    } else if (n == m - 1) {
        ItemDeleted(list);
    } else if (!IsOverridden(REFANIM_REPLACED)) {
        SetOverriddenFlag(REFANIM_REPLACED, true, true);
    }
}

void RefAnimListCtrl::ItemAdded(IListControl* list) {
    Hold();
    const int m = static_cast<int>(tables_.monitored.size());
    int at = m;
    for (int i = 0; i < m; ++i)
        if (list->GetSubCtrl(i) != tables_.monitored[static_cast<size_t>(i)].ctrl) {
            at = i;
            break;
        }
    AddedCtrl a{WStr(list->GetName(at)), -1, list->GetSubCtrl(at)};
    size_t slot = tables_.added.size();
    if (at < m) {
        a.index = tables_.monitored[static_cast<size_t>(at)].index;
        const auto it = std::find_if(tables_.added.begin(), tables_.added.end(),
                                     [&](const AddedCtrl& e) { return e.index > a.index || e.index < 0; });
        slot = static_cast<size_t>(it - tables_.added.begin());
    }
    tables_.added.insert(tables_.added.begin() + static_cast<std::ptrdiff_t>(slot), a);
    for (MonitoredCtrl& r : tables_.monitored)
        if (r.added >= static_cast<int>(slot)) ++r.added;
    tables_.monitored.insert(tables_.monitored.begin() + at,
                             MonitoredCtrl{a.name, a.index, a.ctrl, static_cast<std::int32_t>(slot), -1});
    SyncHeld();
    SetModified(true);
}

void RefAnimListCtrl::ItemDeleted(IListControl* list) {
    Hold();
    const int m = static_cast<int>(tables_.monitored.size());
    int at = m - 1;
    for (int i = 0; i < m - 1; ++i)
        if (list->GetSubCtrl(i) != tables_.monitored[static_cast<size_t>(i)].ctrl) {
            at = i;
            break;
        }
    const MonitoredCtrl gone = tables_.monitored[static_cast<size_t>(at)];
    if (gone.added >= 0 && gone.added < static_cast<int>(tables_.added.size())) {
        tables_.added.erase(tables_.added.begin() + gone.added);
        for (MonitoredCtrl& r : tables_.monitored)
            if (r.added > gone.added) --r.added;
    } else {
        tables_.deleted.push_back({gone.name, gone.index});
        if (gone.renamed >= 0 && gone.renamed < static_cast<int>(tables_.renamed.size())) {
            tables_.renamed.erase(tables_.renamed.begin() + gone.renamed);
            for (MonitoredCtrl& r : tables_.monitored)
                if (r.renamed > gone.renamed) --r.renamed;
        }
    }
    tables_.monitored.erase(tables_.monitored.begin() + at);
    SyncHeld();
    SetModified(true);
}

void RefAnimListCtrl::NameCheck(IListControl* list) {
    if (IsOverridden(REFANIM_REPLACED)) return;
    int n = list->GetListCount();
    if (n != static_cast<int>(tables_.monitored.size())) {
        StructureCheck(list);
        if (IsOverridden(REFANIM_REPLACED)) return;
        n = std::min(n, static_cast<int>(tables_.monitored.size()));
    }
    for (int i = 0; i < n; ++i) {
        const WStr now(list->GetName(i));
        if (now != tables_.monitored[static_cast<size_t>(i)].name) RecordRename(i, now);
    }
}

// ---- override

void RefAnimListCtrl::Override(Animatable* root) {
    if (IsOverridden(REFANIM_REPLACED)) {
        RefAnim::Override(root);
        return;
    }
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    IListControl* list = ListInterface(r.anim);
    if (!list || !r.anim->IsRefTarget()) return;
    auto* fresh = static_cast<ReferenceTarget*>(r.anim);
    if (!IsOverridden(REFANIM_MODIFIED)) {
        SetAnim(fresh);
        SetPathByNumber(r.newNumbers);
        return;
    }
    if (fresh == GetAnim()) {
        SetOverriddenFlag(REFANIM_REPLACED, true, false);
        SetPathByNumber(r.newNumbers);
        return;
    }
    if (RefAnimListCtrl* twin = ModifiedTwin(fresh)) {
        CopyFrom(*twin);
    } else {
        // The snapshot of the fresh list, with the user's renames, deletions and additions replayed on it.
        tables_.monitored.clear();
        for (int i = 0; i < list->GetListCount(); ++i)
            tables_.monitored.push_back({WStr(list->GetName(i)), i, list->GetSubCtrl(i), -1, -1});
        for (size_t k = 0; k < tables_.renamed.size(); ++k) {
            const RenamedCtrl& rn = tables_.renamed[k];
            if (rn.index < 0 || rn.index >= list->GetListCount() || WStr(list->GetName(rn.index)) != rn.former)
                continue;
            list->SetName(rn.index, rn.name);
            MonitoredCtrl& rec = tables_.monitored[static_cast<size_t>(rn.index)];
            rec.name = rn.name;
            rec.renamed = static_cast<std::int32_t>(k);
        }
        // Deletions by their recorded index: the records move along with the items they stand for.
        for (const DeletedCtrl& d : tables_.deleted) {
            const auto it =
                std::find_if(tables_.monitored.begin(), tables_.monitored.end(),
                             [&](const MonitoredCtrl& rec) { return rec.index == d.index && rec.name == d.name; });
            if (it == tables_.monitored.end()) continue;
            list->DeleteItem(static_cast<int>(it - tables_.monitored.begin()));
            tables_.monitored.erase(it);
        }
        for (size_t k = 0; k < tables_.added.size(); ++k) {
            const AddedCtrl& a = tables_.added[k];
            if (!a.ctrl) {
                ListenerError(L"\nError overriding insertion of controller in list controller. AddedCtrl missing.\n");
                continue;
            }
            // Before the first surviving item of the fresh file at or past the recorded index; at the end
            // for an appended controller or one whose place is gone.
            int at = static_cast<int>(tables_.monitored.size());
            if (a.index >= 0)
                for (size_t i = 0; i < tables_.monitored.size(); ++i)
                    if (tables_.monitored[i].added < 0 && tables_.monitored[i].index >= a.index) {
                        at = static_cast<int>(i);
                        break;
                    }
            list->AppendItem(a.ctrl, a.name);
            const int last = list->GetListCount() - 1;
            if (last < 0 || list->GetSubCtrl(last) != a.ctrl) {
                ListenerError(L"\nError overriding insertion of controller in list controller. AddedCtrl missing.\n");
                continue;
            }
            if (at < last) {
                list->CutItem(last);
                list->PasteItem(at);
            }
            list->SetName(at, a.name);
            tables_.monitored.insert(tables_.monitored.begin() + at,
                                     MonitoredCtrl{a.name, a.index, a.ctrl, static_cast<std::int32_t>(k), -1});
        }
    }
    // The item the user made active: by name when the fresh list still has it, else by its index.
    if (activeChanged_) {
        int at = activeIndex_ < list->GetListCount() ? activeIndex_ : -1;
        for (int i = 0; i < list->GetListCount(); ++i)
            if (WStr(list->GetName(i)) == activeName_) {
                at = i;
                break;
            }
        if (at >= 0) list->SetActive(at);
    }
    ReadActive(list);
    DependentIterator it(fresh);
    std::vector<RefAnimListCtrl*> others;
    while (ReferenceMaker* m = it.Next()) {
        if (m == this || m->SuperClassID() != REFANIM_SUPER_CLASS_ID) continue;
        auto* other = static_cast<RefAnim*>(m);
        if (other->GetAnim() == fresh && other->GetKindID() == KIND_LIST_CTRL &&
            !other->IsOverridden(REFANIM_MODIFIED | REFANIM_REPLACED))
            others.push_back(static_cast<RefAnimListCtrl*>(other));
    }
    for (RefAnimListCtrl* o : others) {
        o->CopyFrom(*this);
        o->SetOverriddenFlag(REFANIM_MODIFIED, true, false);
    }
    const int subs = fresh->NumSubs();
    Animatable* last = subs > 0 ? fresh->SubAnim(subs - 1) : nullptr;
    ReplaceReference(1, last && last->IsRefTarget() ? static_cast<ReferenceTarget*>(last) : nullptr);
    RefAnim::SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

// ---- clone, persistence, dump

void RefAnimListCtrl::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimListCtrl*>(from);
    auto* dst = dynamic_cast<RefAnimListCtrl*>(to);
    if (!src || !dst) return;
    // The added controllers are the user's: the copy holds copies of them, and its records point there.
    Tables t = src->tables_;
    for (AddedCtrl& a : t.added)
        if (a.ctrl) {
            Control* copy = dynamic_cast<Control*>(remap.CloneRef(a.ctrl));
            for (MonitoredCtrl& m : t.monitored)
                if (m.ctrl == a.ctrl) m.ctrl = copy;
            a.ctrl = copy;
        }
    dst->ApplyTables(t);
    dst->activeIndex_ = src->activeIndex_;
    dst->activeName_ = src->activeName_;
    dst->activeChanged_ = src->activeChanged_;
}

IOResult RefAnimListCtrl::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kActiveChunk, activeIndex_, activeChanged_);
    if (res == IO_OK) res = WriteStringChunk(isave, kActiveNameChunk, activeName_);
    const auto nested = [&](USHORT id, auto&& body) {
        isave->BeginChunk(id);
        IOResult r = body();
        const IOResult end = isave->EndChunk();
        return r == IO_OK ? end : r;
    };
    if (res == IO_OK)
        res = WriteValueChunk(isave, kRenamedCountChunk, static_cast<std::int32_t>(tables_.renamed.size()));
    for (size_t k = 0; res == IO_OK && k < tables_.renamed.size(); ++k)
        res = nested(kRenamedChunk, [&] {
            const RenamedCtrl& r = tables_.renamed[k];
            IOResult x = WriteStringChunk(isave, 0, r.former);
            if (x == IO_OK) x = WriteValueChunk(isave, 1, r.index);
            if (x == IO_OK) x = WriteStringChunk(isave, 2, r.name);
            return x;
        });
    if (res == IO_OK)
        res = WriteValueChunk(isave, kDeletedCountChunk, static_cast<std::int32_t>(tables_.deleted.size()));
    for (size_t k = 0; res == IO_OK && k < tables_.deleted.size(); ++k)
        res = nested(kDeletedChunk, [&] {
            IOResult x = WriteStringChunk(isave, 0, tables_.deleted[k].name);
            return x == IO_OK ? WriteValueChunk(isave, 1, tables_.deleted[k].index) : x;
        });
    if (res == IO_OK) res = WriteValueChunk(isave, kAddedCountChunk, static_cast<std::int32_t>(tables_.added.size()));
    for (size_t k = 0; res == IO_OK && k < tables_.added.size(); ++k)
        res = nested(kAddedChunk, [&] {
            IOResult x = WriteStringChunk(isave, 0, tables_.added[k].name);
            return x == IO_OK ? WriteValueChunk(isave, 1, tables_.added[k].index) : x;
        });
    if (res == IO_OK)
        res = WriteValueChunk(isave, kMonitoredCountChunk, static_cast<std::int32_t>(tables_.monitored.size()));
    for (size_t k = 0; res == IO_OK && k < tables_.monitored.size(); ++k) {
        const MonitoredCtrl& m = tables_.monitored[k];
        res = WriteValueChunk(isave, kMonitoredChunk, m.index, m.added, m.renamed);
    }
    return res;
}

IOResult RefAnimListCtrl::Load(ILoad* iload) {
    tables_ = Tables();
    held_.clear();
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kActiveChunk: return ReadValues(iload, activeIndex_, activeChanged_);
        case kActiveNameChunk: return iload->ReadWStringChunk(activeName_);
        case kRenamedChunk:
            return LoadNested(iload, tables_.renamed, [&](USHORT part, RenamedCtrl& r) -> IOResult {
                if (part == 0) return iload->ReadWStringChunk(r.former);
                if (part == 1) return ReadValues(iload, r.index);
                if (part == 2) return iload->ReadWStringChunk(r.name);
                return IO_OK;
            });
        case kDeletedChunk:
            return LoadNested(iload, tables_.deleted, [&](USHORT part, DeletedCtrl& r) -> IOResult {
                if (part == 0) return iload->ReadWStringChunk(r.name);
                if (part == 1) return ReadValues(iload, r.index);
                return IO_OK;
            });
        case kAddedChunk: {
            // The controller comes back as reference 2 + its place, which the host may set before or after.
            const size_t k = tables_.added.size();
            const IOResult res = LoadNested(iload, tables_.added, [&](USHORT part, AddedCtrl& r) -> IOResult {
                if (part == 0) return iload->ReadWStringChunk(r.name);
                if (part == 1) return ReadValues(iload, r.index);
                return IO_OK;
            });
            if (res == IO_OK && k < held_.size()) tables_.added[k].ctrl = held_[k];
            return res;
        }
        case kMonitoredChunk: {
            MonitoredCtrl m;
            const IOResult res = ReadValues(iload, m.index, m.added, m.renamed);
            if (res == IO_OK) tables_.monitored.push_back(std::move(m));
            return res;
        }
        // The counts repeat what the records say; the records are read as they come.
        case kRenamedCountChunk:
        case kDeletedCountChunk:
        case kAddedCountChunk:
        case kMonitoredCountChunk: return IO_OK;
        default: return LoadKindChunk(iload);
        }
    });
    if (res == IO_OK) {
        rebind_.mirror = this;
        iload->RegisterPostLoadCallback(&rebind_);
    }
    return res;
}

MSTR RefAnimListCtrl::Describe() {
    MSTR s = RefAnim::Describe();
    s += L"\nMonitored Ctrls: ";
    for (const MonitoredCtrl& m : tables_.monitored)
        s += WStr::Format(L"%s(%d), %d, %d, %d, ", m.name.c_str(), m.index, Tag(m.ctrl), m.added, m.renamed);
    s += L"\nRenamed Ctrls: ";
    for (const RenamedCtrl& r : tables_.renamed)
        s += WStr::Format(L"%s(%d)->%s, ", r.former.c_str(), r.index, r.name.c_str());
    s += L"\nDeleted Ctrls: ";
    for (const DeletedCtrl& d : tables_.deleted) s += WStr::Format(L"%s(%d), ", d.name.c_str(), d.index);
    s += L"\nAdded Ctrls: ";
    for (const AddedCtrl& a : tables_.added) s += WStr::Format(L"%s(%d), (%d), ", a.name.c_str(), a.index, Tag(a.ctrl));
    return s;
}
