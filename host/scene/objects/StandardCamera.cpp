// The standard cameras' switches: undo, persistence and dump.
#include "host/scene/objects/StandardCamera.h"

namespace {

class CameraFlagsRestore : public RestoreObj {
public:
    CameraFlagsRestore(StandardCamera* c, int before, int after)
        : handle_(Animatable::GetHandleByAnim(c)), before_(before), after_(after) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Camera Settings"; }

private:
    void Apply(int flags) {
        if (auto* c = dynamic_cast<StandardCamera*>(Animatable::GetAnimByHandle(handle_))) c->ApplyFlags(flags);
    }
    AnimHandle handle_;
    int before_, after_;
};

} // namespace

void StandardCamera::SetFlag(Flag f, bool on) {
    const int next = on ? (flags_ | f) : (flags_ & ~f);
    if (next == flags_) return;
    if (theHold.Holding()) theHold.Put(new CameraFlagsRestore(this, flags_, next));
    ApplyFlags(next);
}

void StandardCamera::ApplyFlags(int flags) {
    flags_ = flags;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

IOResult StandardCamera::SaveOwn(ISave* isave) {
    return WriteValueChunk(isave, kFlagsChunk, flags_);
}

IOResult StandardCamera::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kFlagsChunk) return IO_OK;
    int flags = 0;
    const IOResult res = ReadValues(iload, flags);
    flags_ = flags & (kClipManually | kOrthographic | kShowCone | kShowHorizon | kShowRanges);
    return res;
}

void StandardCamera::DumpOwn(std::ostream& os, int indent) {
    if (!flags_) return;
    os << std::string(static_cast<size_t>(indent), ' ') << "camera" << (GetFlag(kClipManually) ? " clips manually" : "")
       << (GetFlag(kOrthographic) ? " orthographic" : "") << (GetFlag(kShowCone) ? " shows cone" : "")
       << (GetFlag(kShowHorizon) ? " shows horizon" : "") << (GetFlag(kShowRanges) ? " shows ranges" : "") << "\n";
}
