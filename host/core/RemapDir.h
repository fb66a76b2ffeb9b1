// The map from originals to their copies while a reference hierarchy is cloned.
#pragma once

#include "host/core/ReferenceTarget.h"

#include <unordered_map>
#include <utility>
#include <vector>

class RemapDir;

// Runs after every object of a clone exists and plain pointers are patched (Backpatch).
class PostPatchProc {
public:
    virtual ~PostPatchProc() = default;
    virtual int Proc(RemapDir& remap) = 0;
};

class RemapDir {
public:
    RemapDir() = default;
    virtual ~RemapDir();
    RemapDir(const RemapDir&) = delete;
    RemapDir& operator=(const RemapDir&) = delete;

    // The copy made of `from` in this clone, or null.
    virtual RefTargetHandle FindMapping(RefTargetHandle from);
    template <class T> T* FindMapping(T* from) {
        return static_cast<T*>(FindMapping(static_cast<RefTargetHandle>(from)));
    }
    virtual void AddEntry(RefTargetHandle hfrom, RefTargetHandle hto);
    // The copy of oldTarg: the one already made in this clone (so shared targets stay shared), or a
    // fresh Clone, recorded. Null for null or for a class that cannot be cloned.
    virtual RefTargetHandle CloneRef(RefTargetHandle oldTarg);
    template <class T> T* CloneRef(T* oldTarg) {
        return static_cast<T*>(CloneRef(static_cast<RefTargetHandle>(oldTarg)));
    }
    // For a plain pointer (not a reference) to something that may be cloned: points *patchThis at the
    // copy of oldTarg, now if it exists, else in Backpatch; left unchanged if oldTarg is never cloned.
    virtual void PatchPointer(RefTargetHandle* patchThis, RefTargetHandle oldTarg);
    // Runs in Backpatch, in the order added; deleted afterwards when toDelete.
    virtual void AddPostPatchProc(PostPatchProc* proc, bool toDelete);
    // Patches the pending pointers, then runs the post-patch procedures.
    virtual void Backpatch();
    // Forgets every mapping, pending patch and procedure (deleting the owned procedures).
    virtual void Clear();
    virtual void DeleteThis() { delete this; }

    int NumEntries() const { return static_cast<int>(map_.size()); }

private:
    std::unordered_map<RefTargetHandle, RefTargetHandle> map_;
    std::vector<std::pair<RefTargetHandle*, RefTargetHandle>> patches_;
    std::vector<std::pair<PostPatchProc*, bool>> procs_;
};

RemapDir* NewRemapDir(bool use_A_WORK2_flag = false);

// Clones obj and everything it references that its Clone copies, with a fresh remap directory, then
// backpatches. Null when obj cannot be cloned.
RefTargetHandle CloneRefHierarchy(RefTargetHandle obj);
template <class T> T* CloneRefHierarchy(T* obj) {
    return static_cast<T*>(CloneRefHierarchy(static_cast<RefTargetHandle>(obj)));
}
