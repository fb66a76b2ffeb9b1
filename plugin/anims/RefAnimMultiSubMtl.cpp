// The Multi/Sub-Object material mirror: slot changes detected from the material's block, re-applied to
// the fresh material, persistence and the dump.
#include "plugin/anims/RefAnimMultiSubMtl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>

namespace {

int SlotsSize(const RefAnimMultiSubMtl::Slots& undo, const RefAnimMultiSubMtl::Slots& redo) {
    const auto size = [](const RefAnimMultiSubMtl::Slots& s) {
        return s.ids.size() * 8 + s.states.size() * 8 + s.names.size() * 40;
    };
    return static_cast<int>(16 + size(undo) + size(redo));
}

using SlotsRestore = TableSnapshotRestore<RefAnimMultiSubMtl::Slots, SlotsSize>;

// A record of a table by slot, or null.
template <class Record> Record* FindSlot(std::vector<Record>& table, int slot) {
    auto it = std::find_if(table.begin(), table.end(), [&](const Record& r) { return r.slot == slot; });
    return it == table.end() ? nullptr : &*it;
}

// One record of a table saved as a count and then one chunk per record: records append as they come.
template <class Record, class ReadRecord> IOResult LoadRecord(std::vector<Record>& table, ReadRecord&& read) {
    Record r;
    const IOResult res = read(r);
    if (res == IO_OK) table.push_back(std::move(r));
    return res;
}

int MaterialTag(const void* p) {
    return static_cast<int>(static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(p)));
}

} // namespace

RefAnimMultiSubMtl::~RefAnimMultiSubMtl() {
    // The base destructor counts one reference only: the block and the held sub-materials go here.
    DropRefsUnlessDeleted();
}

IParamBlock2* RefAnimMultiSubMtl::Block() const {
    return block_;
}

// ---- references

RefTargetHandle RefAnimMultiSubMtl::GetReference(int i) {
    if (i == 1) return block_;
    if (i >= 2 && i - 2 < static_cast<int>(mtls_.size())) return mtls_[static_cast<size_t>(i - 2)].mtl;
    return RefAnim::GetReference(i);
}

void RefAnimMultiSubMtl::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) {
        block_ = rtarg && rtarg->SuperClassID() == PARAMETER_BLOCK2_CLASS_ID ? static_cast<IParamBlock2*>(rtarg) : nullptr;
    } else if (i >= 2) {
        if (i - 2 < static_cast<int>(mtls_.size()))
            mtls_[static_cast<size_t>(i - 2)].mtl = rtarg && rtarg->SuperClassID() == MATERIAL_CLASS_ID ? static_cast<Mtl*>(rtarg) : nullptr;
    } else {
        RefAnim::SetReference(i, rtarg);
    }
}

BOOL RefAnimMultiSubMtl::IsRealDependency(ReferenceTarget* rtarg) {
    if (!rtarg) return FALSE;
    if (rtarg == block_ && rtarg != GetAnim()) return FALSE;
    for (const ChangedMtl& c : mtls_)
        if (c.mtl == rtarg) return TRUE;
    return RefAnim::IsRealDependency(rtarg);
}

// ---- change detection

RefResult RefAnimMultiSubMtl::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    auto* m = anim && anim->ClassID() == MULTI_MATERIAL_CLASS_ID ? static_cast<Mtl*>(anim) : nullptr;
    ReplaceReference(1, m ? m->GetParamBlock(0) : nullptr);
    snapshot_.clear();
    if (IParamBlock2* pb = Block())
        for (int k = 0; k < pb->Count(multi_mtls); ++k) snapshot_.push_back(pb->GetMtl(multi_mtls, 0, k));
    return res;
}

void RefAnimMultiSubMtl::SetModified() {
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimMultiSubMtl::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message, BOOL) {
    IParamBlock2* pb = Block();
    if (!pb || hTarget != pb || message != REFMSG_CHANGE || GetCurrentOperation() != OperationCode::None) return REF_STOP;
    int slot = -1;
    const ParamID id = pb->LastNotifyParamID(slot);
    if (id < 0) return REF_STOP;
    const bool undoing = theHold.RestoreOrRedoing() != 0;
    if (id == multi_mtls)
        SubMaterialChanged(pb, slot, undoing);
    else if (slot >= 0 && (id == multi_ons || id == multi_names || id == multi_ids))
        SlotValueChanged(pb, id, slot, undoing);
    return REF_STOP;
}

void RefAnimMultiSubMtl::SubMaterialChanged(IParamBlock2* pb, int slot, bool undoing) {
    const int count = pb->Count(multi_mtls);
    if (count != static_cast<int>(snapshot_.size())) {
        snapshot_.resize(static_cast<size_t>(count), nullptr);
        if (!undoing) {
            if (theHold.Holding()) theHold.Put(new SlotsRestore(&slots_, this));
            slots_.count = count;
            SetModified();
        }
    }
    if (slot < 0 || slot >= count) return;
    Mtl* now = pb->GetMtl(multi_mtls, 0, slot);
    if (now == snapshot_[static_cast<size_t>(slot)]) return;
    snapshot_[static_cast<size_t>(slot)] = now;
    ChangedMtl* held = FindSlot(mtls_, slot);
    if (!held && undoing) return;
    if (!held) {
        // The table grows before the reference, so the new reference index exists when it is set.
        mtls_.push_back({slot, nullptr});
        held = &mtls_.back();
    }
    ReplaceReference(2 + static_cast<int>(held - mtls_.data()), now);
    if (!undoing) SetModified();
}

void RefAnimMultiSubMtl::SlotValueChanged(IParamBlock2* pb, ParamID id, int slot, bool undoing) {
    if (slot >= pb->Count(id)) return;
    if (undoing) {
        // Undo puts the record tables back itself; the values it restores in the block need no record.
        return;
    }
    if (theHold.Holding()) theHold.Put(new SlotsRestore(&slots_, this));
    if (id == multi_names) {
        const MCHAR* s = pb->GetStr(id, 0, slot);
        if (ChangedName* r = FindSlot(slots_.names, slot)) r->name = s ? s : L"";
        else slots_.names.push_back({WStr(s ? s : L""), slot});
    } else {
        std::vector<ChangedValue>& table = id == multi_ids ? slots_.ids : slots_.states;
        const std::int32_t value = pb->GetInt(id, 0, slot);
        if (ChangedValue* r = FindSlot(table, slot)) r->value = value;
        else table.push_back({value, slot});
    }
    SetModified();
}

// ---- override

void RefAnimMultiSubMtl::Override(Animatable* root) {
    if (IsOverridden(REFANIM_REPLACED)) {
        RefAnim::Override(root);
        return;
    }
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    if (!r.anim || r.anim->ClassID() != MULTI_MATERIAL_CLASS_ID) return;
    auto* fresh = static_cast<Mtl*>(r.anim);
    IParamBlock2* pb = fresh->GetParamBlock(0);
    if (IsOverridden(REFANIM_MODIFIED) && pb) {
        // The count first, so the slots the records name exist; records past it wait in the table.
        if (slots_.count >= 0 && slots_.count != pb->Count(multi_mtls)) pb->SetCount(multi_mtls, slots_.count);
        const int count = pb->Count(multi_mtls);
        for (const ChangedMtl& c : mtls_)
            if (c.slot < count) pb->SetValue(multi_mtls, 0, static_cast<ReferenceTarget*>(c.mtl), c.slot);
        for (const ChangedValue& c : slots_.ids)
            if (c.slot < count) pb->SetValue(multi_ids, 0, static_cast<int>(c.value), c.slot);
        for (const ChangedName& c : slots_.names)
            if (c.slot < count) pb->SetValue(multi_names, 0, c.name.c_str(), c.slot);
        for (const ChangedValue& c : slots_.states)
            if (c.slot < count) pb->SetValue(multi_ons, 0, static_cast<int>(c.value), c.slot);
    }
    SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

// ---- clone, persistence, dump

void RefAnimMultiSubMtl::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    RefAnim::BaseClone(from, to, remap);
    auto* src = dynamic_cast<RefAnimMultiSubMtl*>(from);
    auto* dst = dynamic_cast<RefAnimMultiSubMtl*>(to);
    if (!src || !dst) return;
    dst->slots_ = src->slots_;
    for (const ChangedMtl& c : src->mtls_) {
        dst->mtls_.push_back({c.slot, nullptr});
        dst->ReplaceReference(2 + static_cast<int>(dst->mtls_.size()) - 1, c.mtl);
    }
}

IOResult RefAnimMultiSubMtl::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK && slots_.count >= 0) res = WriteValueChunk(isave, kSlotCountChunk, slots_.count);
    if (res == IO_OK) res = WriteValueChunk(isave, kMtlCountChunk, static_cast<std::int32_t>(mtls_.size()));
    for (size_t k = 0; res == IO_OK && k < mtls_.size(); ++k) res = WriteValueChunk(isave, kMtlChunk, mtls_[k].slot);
    if (res == IO_OK) res = WriteValueChunk(isave, kIDCountChunk, static_cast<std::int32_t>(slots_.ids.size()));
    for (size_t k = 0; res == IO_OK && k < slots_.ids.size(); ++k)
        res = WriteValueChunk(isave, kIDChunk, slots_.ids[k].value, slots_.ids[k].slot);
    if (res == IO_OK) res = WriteValueChunk(isave, kNameCountChunk, static_cast<std::int32_t>(slots_.names.size()));
    for (size_t k = 0; res == IO_OK && k < slots_.names.size(); ++k) {
        isave->BeginChunk(kNameChunk);
        res = WriteStringChunk(isave, 0, slots_.names[k].name);
        if (res == IO_OK) res = WriteValueChunk(isave, 1, slots_.names[k].slot);
        const IOResult end = isave->EndChunk();
        if (res == IO_OK) res = end;
    }
    if (res == IO_OK) res = WriteValueChunk(isave, kStateCountChunk, static_cast<std::int32_t>(slots_.states.size()));
    for (size_t k = 0; res == IO_OK && k < slots_.states.size(); ++k)
        res = WriteValueChunk(isave, kStateChunk, slots_.states[k].value, slots_.states[k].slot);
    return res;
}

IOResult RefAnimMultiSubMtl::Load(ILoad* iload) {
    mtls_.clear();
    slots_ = Slots();
    const auto readValue = [&](ChangedValue& r) { return ReadValues(iload, r.value, r.slot); };
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kSlotCountChunk: return ReadValues(iload, slots_.count);
        case kMtlChunk: return LoadRecord(mtls_, [&](ChangedMtl& r) { return ReadValues(iload, r.slot); });
        case kIDChunk: return LoadRecord(slots_.ids, readValue);
        case kStateChunk: return LoadRecord(slots_.states, readValue);
        case kNameChunk:
            return LoadRecord(slots_.names, [&](ChangedName& r) {
                return ForEachChunk(iload, [&](USHORT part) -> IOResult {
                    if (part == 0) return iload->ReadWStringChunk(r.name);
                    if (part == 1) return ReadValues(iload, r.slot);
                    return IO_OK;
                });
            });
        // The counts repeat what the records say; the records are read as they come.
        case kMtlCountChunk:
        case kIDCountChunk:
        case kNameCountChunk:
        case kStateCountChunk: return IO_OK;
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimMultiSubMtl::Describe() {
    MSTR s = RefAnim::Describe();
    s += WStr::Format(L"\nNumMtls: %d", slots_.count);
    s += L"\nChanged Mtls: ";
    for (const ChangedMtl& c : mtls_) s += WStr::Format(L"%d(%d), ", MaterialTag(c.mtl), c.slot);
    s += L"\nChanged IDs: ";
    for (const ChangedValue& c : slots_.ids) s += WStr::Format(L"%d(%d), ", c.value, c.slot);
    s += L"\nChanged Names: ";
    for (const ChangedName& c : slots_.names) s += WStr::Format(L"%s(%d), ", c.name.c_str(), c.slot);
    s += L"\nChanged States: ";
    for (const ChangedValue& c : slots_.states) s += WStr::Format(L"%d(%d), ", c.value, c.slot);
    return s;
}
