// Remap directory: mappings, cloning through it, deferred pointer patches and post-patch procedures.
#include "host/core/RemapDir.h"

RemapDir::~RemapDir() { Clear(); }

RefTargetHandle RemapDir::FindMapping(RefTargetHandle from) {
    if (!from) return nullptr;
    auto it = map_.find(from);
    return it == map_.end() ? nullptr : it->second;
}

void RemapDir::AddEntry(RefTargetHandle hfrom, RefTargetHandle hto) {
    if (hfrom) map_[hfrom] = hto;
}

RefTargetHandle RemapDir::CloneRef(RefTargetHandle oldTarg) {
    if (!oldTarg) return nullptr;
    if (RefTargetHandle done = FindMapping(oldTarg)) return done;
    RefTargetHandle copy = oldTarg->Clone(*this);
    if (copy) AddEntry(oldTarg, copy);
    return copy;
}

void RemapDir::PatchPointer(RefTargetHandle* patchThis, RefTargetHandle oldTarg) {
    if (!patchThis || !oldTarg) return;
    if (RefTargetHandle copy = FindMapping(oldTarg)) {
        *patchThis = copy;
        return;
    }
    patches_.emplace_back(patchThis, oldTarg);
}

void RemapDir::AddPostPatchProc(PostPatchProc* proc, bool toDelete) {
    if (proc) procs_.emplace_back(proc, toDelete);
}

void RemapDir::Backpatch() {
    std::vector<std::pair<RefTargetHandle*, RefTargetHandle>> patches;
    patches.swap(patches_);
    for (auto& [where, old] : patches)
        if (RefTargetHandle copy = FindMapping(old)) *where = copy;
    // A procedure may add further procedures; they run in this same pass.
    for (size_t i = 0; i < procs_.size(); ++i) procs_[i].first->Proc(*this);
    std::vector<std::pair<PostPatchProc*, bool>> procs;
    procs.swap(procs_);
    for (auto& [proc, owned] : procs)
        if (owned) delete proc;
}

void RemapDir::Clear() {
    map_.clear();
    patches_.clear();
    std::vector<std::pair<PostPatchProc*, bool>> procs;
    procs.swap(procs_);
    for (auto& [proc, owned] : procs)
        if (owned) delete proc;
}

RemapDir* NewRemapDir(bool /*use_A_WORK2_flag*/) { return new RemapDir; }

RefTargetHandle CloneRefHierarchy(RefTargetHandle obj) {
    if (!obj) return nullptr;
    RemapDir* remap = NewRemapDir();
    RefTargetHandle copy = remap->CloneRef(obj);
    remap->Backpatch();
    remap->DeleteThis();
    return copy;
}
