// The standard lights' shadow switch: undo, persistence and dump.
#include "host/scene/objects/StandardLight.h"

namespace {

class ShadowRestore : public RestoreObj {
public:
    ShadowRestore(StandardLight* l, BOOL before) : handle_(Animatable::GetHandleByAnim(l)), before_(before) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(!before_); }
    MSTR Description() override { return L"Cast Shadows"; }

private:
    void Apply(BOOL on) {
        if (auto* l = dynamic_cast<StandardLight*>(Animatable::GetAnimByHandle(handle_))) l->ApplyShadow(on);
    }
    AnimHandle handle_;
    BOOL before_;
};

} // namespace

void StandardLight::SetShadow(BOOL on) {
    on = on ? TRUE : FALSE;
    if (on == shadow_) return;
    if (theHold.Holding()) theHold.Put(new ShadowRestore(this, shadow_));
    ApplyShadow(on);
}

void StandardLight::ApplyShadow(BOOL on) {
    shadow_ = on ? TRUE : FALSE;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

IOResult StandardLight::SaveOwn(ISave* isave) {
    return WriteValueChunk(isave, kShadowChunk, static_cast<int>(shadow_));
}

IOResult StandardLight::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != kShadowChunk) return IO_OK;
    int on = 0;
    const IOResult res = ReadValues(iload, on);
    shadow_ = on ? TRUE : FALSE;
    return res;
}

void StandardLight::DumpOwn(std::ostream& os, int indent) {
    if (shadow_) os << std::string(static_cast<size_t>(indent), ' ') << "casts shadows\n";
}
