// The material library: weak entries, a name index, the structure message on every add and removal.
#include "host/scene/materials/MtlLibrary.h"

#include "host/core/ChunkIO.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"

#include <algorithm>

namespace {
constexpr USHORT kCountChunk = 0x4100;
} // namespace

MtlBaseLib* NewMtlBaseLib() { return new MtlLibrary(); }

MtlLibrary::MtlLibrary() : table_(this, this) {}

MtlLibrary::~MtlLibrary() {
    if (NumLiveRefs() > 0) {
        // Freed outside the undo system: its references must not become undo records of a dead maker.
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void MtlLibrary::GetClassName(MSTR& s, bool /*localized*/) const { s = L"MtlBaseLib"; }

MtlBase* MtlLibrary::operator[](int i) { return static_cast<MtlBase*>(table_.Get(i)); }

MSTR MtlLibrary::SubAnimName(int i, bool /*localized*/) {
    MtlBase* m = (*this)[i];
    return m ? m->GetName() : MSTR();
}

void MtlLibrary::SetReference(int i, RefTargetHandle rtarg) {
    if (!table_.HoldsRef(i)) return;
    MtlBase* m = RefAs<MtlBase>(rtarg);
    UnindexName(i);
    table_.Store(i, m);
    IndexName(i, m);
}

void MtlLibrary::IndexName(int i, MtlBase* m) {
    if (!m) return;
    indexedName_[i] = m->GetName();
    byName_[m->GetName()].push_back(i);
}

void MtlLibrary::UnindexName(int i) {
    auto it = indexedName_.find(i);
    if (it == indexedName_.end()) return;
    auto byIt = byName_.find(it->second);
    if (byIt != byName_.end()) {
        auto& v = byIt->second;
        v.erase(std::remove(v.begin(), v.end(), i), v.end());
        if (v.empty()) byName_.erase(byIt);
    }
    indexedName_.erase(it);
}

int MtlLibrary::FindMtlByName(const MSTR& name) {
    auto it = byName_.find(name);
    if (it == byName_.end() || it->second.empty()) return -1;
    return *std::min_element(it->second.begin(), it->second.end());
}

void MtlLibrary::StructureChanged() { NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED); }

int MtlLibrary::Add(MtlBase* mtl) {
    if (!mtl) return -1;
    const int at = table_.IndexOf(mtl);
    if (at >= 0) return at;
    const int n = table_.Count();
    // Weak entries: the library never deletes what it drops.
    if (!table_.Append(mtl)) return -1;
    StructureChanged();
    return n;
}

void MtlLibrary::Remove(MtlBase* mtl) {
    std::vector<int> where = table_.IndicesOf(mtl);
    if (where.empty()) return;
    std::sort(where.begin(), where.end());
    for (auto it = where.rbegin(); it != where.rend(); ++it) table_.Remove(*it, FALSE);
    StructureChanged();
}

void MtlLibrary::RemoveDuplicates() {
    bool removed = false;
    for (int i = table_.Count() - 1; i > 0; --i) {
        ReferenceTarget* t = table_.Get(i);
        if (t && table_.IndexOf(t) < i) {
            table_.Remove(i, FALSE);
            removed = true;
        }
    }
    if (removed) StructureChanged();
}

void MtlLibrary::Empty() {
    if (table_.Count() == 0) return;
    table_.Clear(FALSE);
    StructureChanged();
}

void MtlLibrary::SetEntry(int i, MtlBase* mtl) { table_.Set(i, mtl, FALSE); }

RefResult MtlLibrary::NotifyRefChanged(const Interval& /*changeInt*/, RefTargetHandle hTarget, PartID& /*partID*/,
                                       RefMessage message, BOOL /*propagate*/) {
    if (message == REFMSG_NODE_NAMECHANGE && hTarget) {
        auto* m = static_cast<MtlBase*>(hTarget);
        for (int i : table_.IndicesOf(hTarget)) {
            auto it = indexedName_.find(i);
            if (it != indexedName_.end() && it->second == m->GetName()) continue;
            UnindexName(i);
            IndexName(i, m);
        }
    }
    // What happens inside the materials is no news to the library's own dependents.
    return REF_STOP;
}

void MtlLibrary::RefTableRestored(RefTable& /*table*/) { StructureChanged(); }

IOResult MtlLibrary::Save(ISave* isave) { return table_.SaveCount(isave, kCountChunk); }

IOResult MtlLibrary::Load(ILoad* iload) { return table_.LoadCount(iload, kCountChunk); }
