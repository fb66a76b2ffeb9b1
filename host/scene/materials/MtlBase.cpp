// What every material and map shares: name, flags, effects channel and active viewport map, with their
// messages, undo records, persistence and cloning.
#include "host/scene/Mtl.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/RemapDir.h"

namespace {

constexpr USHORT kNameChunk = 0x4000;
constexpr USHORT kFlagsChunk = 0x4001;
constexpr USHORT kGBufChunk = 0x4002;
constexpr USHORT kActiveMapChunk = 0x4003;

MtlBase* LiveMtlBase(AnimHandle h) {
    Animatable* a = Animatable::GetAnimByHandle(h);
    if (!a || a->TestAFlag(A_IS_DELETED)) return nullptr;
    const SClass_ID s = a->SuperClassID();
    return s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID ? static_cast<MtlBase*>(a) : nullptr;
}

// One edit of a material's own state; the material is held by handle, so a record that outlives it
// does nothing.
class MtlBaseRestore : public RestoreObj {
public:
    enum class Field { Name, Flags, GBuf, ActiveMap };

    MtlBaseRestore(MtlBase* m, Field f) : handle_(Animatable::GetHandleByAnim(m)), field_(f) {}

    static MtlBaseRestore* Name(MtlBase* m, MSTR before, MSTR after) {
        auto* r = new MtlBaseRestore(m, Field::Name);
        r->sBefore_ = std::move(before);
        r->sAfter_ = std::move(after);
        return r;
    }
    static MtlBaseRestore* Value(MtlBase* m, Field f, AnimHandle before, AnimHandle after) {
        auto* r = new MtlBaseRestore(m, f);
        r->before_ = before;
        r->after_ = after;
        return r;
    }

    void Restore(int /*isUndo*/) override { Apply(sBefore_, before_); }
    void Redo() override { Apply(sAfter_, after_); }
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Material Edit"; }

private:
    void Apply(const MSTR& s, AnimHandle v) {
        MtlBase* m = LiveMtlBase(handle_);
        if (!m) return;
        switch (field_) {
        case Field::Name: m->RestoreName(s); break;
        case Field::Flags: m->RestoreFlags(static_cast<ULONG>(v)); break;
        case Field::GBuf: m->RestoreGBufID(static_cast<ULONG>(v)); break;
        case Field::ActiveMap: m->RestoreActiveTexmap(v); break;
        }
    }

    AnimHandle handle_;
    Field field_;
    MSTR sBefore_, sAfter_;
    AnimHandle before_ = 0, after_ = 0;
};

// Points a clone's active map at the copy of the original's once every object of the clone exists.
class ActiveMapPatch : public PostPatchProc {
public:
    ActiveMapPatch(MtlBase* copy, MtlBase* map) : copy_(copy), map_(map) {}
    int Proc(RemapDir& remap) override {
        auto* to = static_cast<MtlBase*>(remap.FindMapping(map_));
        copy_->RestoreActiveTexmap(Animatable::GetHandleByAnim(to ? to : map_));
        return 1;
    }

private:
    MtlBase* copy_;
    MtlBase* map_;
};

} // namespace

void MtlBase::SetName(const MSTR& name) {
    if (name == name_) return;
    if (theHold.Holding()) theHold.Put(MtlBaseRestore::Name(this, name_, name));
    RestoreName(name);
}

void MtlBase::RestoreName(const MSTR& name) {
    name_ = name;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_NODE_NAMECHANGE);
}

void MtlBase::SetMtlFlag(ULONG mask, BOOL val) {
    const ULONG next = val ? (flags_ | mask) : (flags_ & ~mask);
    if (next == flags_) return;
    if (theHold.Holding())
        theHold.Put(MtlBaseRestore::Value(this, MtlBaseRestore::Field::Flags, flags_, next));
    RestoreFlags(next);
}

void MtlBase::RestoreFlags(ULONG flags) {
    flags_ = flags;
    NotifyDependents(FOREVER, PART_MTL, REFMSG_CHANGE);
}

void MtlBase::SetGBufID(ULONG id) {
    if (id == gbufID_) return;
    if (theHold.Holding()) theHold.Put(MtlBaseRestore::Value(this, MtlBaseRestore::Field::GBuf, gbufID_, id));
    RestoreGBufID(id);
}

void MtlBase::RestoreGBufID(ULONG id) {
    gbufID_ = id;
    NotifyDependents(FOREVER, PART_MTL, REFMSG_CHANGE);
}

MtlBase* MtlBase::GetActiveTexmap() const {
    if (loadedActive_) {
        // A patched pointer is the object as the file made it; a damaged file may name something else.
        auto* m = dynamic_cast<MtlBase*>(static_cast<Animatable*>(loadedActive_));
        loadedActive_ = nullptr;
        const_cast<MtlBase*>(this)->activeTexmap_ = Animatable::GetHandleByAnim(m);
    }
    return LiveMtlBase(activeTexmap_);
}

void MtlBase::SetActiveTexmap(MtlBase* txt) {
    GetActiveTexmap(); // settles a map read from a file
    const AnimHandle next = txt ? Animatable::GetHandleByAnim(txt) : 0;
    if (next == activeTexmap_) return;
    if (theHold.Holding())
        theHold.Put(MtlBaseRestore::Value(this, MtlBaseRestore::Field::ActiveMap, activeTexmap_, next));
    RestoreActiveTexmap(next);
}

void MtlBase::RestoreActiveTexmap(AnimHandle map) {
    loadedActive_ = nullptr;
    activeTexmap_ = map;
    // Display only: exactly PART_DISPLAY, which the material's mirror looks for.
    NotifyDependents(FOREVER, PART_DISPLAY, REFMSG_CHANGE);
}

void MtlBase::CopyMtlBaseState(MtlBase* to) const {
    to->name_ = name_;
    to->flags_ = flags_;
    to->gbufID_ = gbufID_;
}

void MtlBase::CopyMtlBaseState(MtlBase* to, RemapDir& remap) const {
    CopyMtlBaseState(to);
    if (MtlBase* map = GetActiveTexmap()) {
        if (auto* copy = static_cast<MtlBase*>(remap.FindMapping(map))) to->activeTexmap_ = Animatable::GetHandleByAnim(copy);
        else remap.AddPostPatchProc(new ActiveMapPatch(to, map), true);
    }
}

IOResult MtlBase::Save(ISave* isave) {
    // A failed write is sticky: the stream's owner reports it when it commits.
    WriteStringChunk(isave, kNameChunk, name_);
    WriteValueChunk(isave, kFlagsChunk, flags_);
    WriteValueChunk(isave, kGBufChunk, gbufID_);
    if (MtlBase* map = GetActiveTexmap()) {
        const int id = isave->GetRefID(map);
        if (id >= 0) WriteValueChunk(isave, kActiveMapChunk, static_cast<ULONG>(id));
    }
    return IO_OK;
}

IOResult MtlBase::Load(ILoad* iload) {
    // Reads its own chunks while they come first; a subclass goes on with the next ones.
    IOResult res = IO_OK;
    for (;;) {
        const USHORT next = iload->PeekNextChunkID();
        if (next != kNameChunk && next != kFlagsChunk && next != kGBufChunk && next != kActiveMapChunk) break;
        if ((res = iload->OpenChunk()) != IO_OK) return res;
        ULONG v = 0;
        switch (iload->CurChunkID()) {
        case kNameChunk: res = iload->ReadWStringChunk(name_); break;
        case kFlagsChunk:
            res = ReadValues(iload, v);
            flags_ = v;
            break;
        case kGBufChunk:
            res = ReadValues(iload, v);
            gbufID_ = v;
            break;
        case kActiveMapChunk:
            res = ReadValues(iload, v);
            if (res == IO_OK) iload->RecordBackpatch(static_cast<int>(v), &loadedActive_);
            break;
        default: break;
        }
        if (res != IO_OK) return res;
        if ((res = iload->CloseChunk()) != IO_OK) return res;
    }
    return IO_OK;
}
