// The standard lights' shadow switch and settings: undo, persistence and dump.
#include "host/scene/objects/StandardLight.h"

namespace {

class LightStateRestore : public RestoreObj {
public:
    LightStateRestore(StandardLight* l, const StandardLight::State& before, const StandardLight::State& after)
        : handle_(Animatable::GetHandleByAnim(l)), before_(before), after_(after) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Light Settings"; }

private:
    void Apply(const StandardLight::State& s) {
        if (auto* l = dynamic_cast<StandardLight*>(Animatable::GetAnimByHandle(handle_))) l->ApplyState(s);
    }
    AnimHandle handle_;
    StandardLight::State before_, after_;
};

bool Same(const StandardLight::State& a, const StandardLight::State& b) {
    return a.shadow == b.shadow && a.flags == b.flags && a.decay == b.decay;
}

} // namespace

void StandardLight::SetShadow(BOOL on) {
    State s = state_;
    s.shadow = on ? TRUE : FALSE;
    SetState(s);
}

void StandardLight::SetFlag(Flag f, bool on) {
    State s = state_;
    s.flags = on ? (s.flags | f) : (s.flags & ~f);
    SetState(s);
}

bool StandardLight::SetDecay(int decay) {
    if (decay < 0 || decay > 2) return false;
    State s = state_;
    s.decay = decay;
    SetState(s);
    return true;
}

void StandardLight::SetState(const State& s) {
    if (Same(s, state_)) return;
    if (theHold.Holding()) theHold.Put(new LightStateRestore(this, state_, s));
    ApplyState(s);
}

void StandardLight::ApplyState(const State& s) {
    state_ = s;
    NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
}

IOResult StandardLight::SaveOwn(ISave* isave) {
    IOResult res = WriteValueChunk(isave, kShadowChunk, static_cast<int>(state_.shadow));
    if (res == IO_OK && state_.flags) res = WriteValueChunk(isave, kFlagsChunk, state_.flags);
    if (res == IO_OK && state_.decay) res = WriteValueChunk(isave, kDecayChunk, state_.decay);
    return res;
}

IOResult StandardLight::LoadOwnChunk(ILoad* iload) {
    switch (iload->CurChunkID()) {
    case kShadowChunk: {
        int on = 0;
        const IOResult res = ReadValues(iload, on);
        state_.shadow = on ? TRUE : FALSE;
        return res;
    }
    case kFlagsChunk: return ReadValues(iload, state_.flags);
    case kDecayChunk: {
        const IOResult res = ReadValues(iload, state_.decay);
        // The reader reports the failing object with its class.
        return res == IO_OK && (state_.decay < 0 || state_.decay > 2) ? IO_ERROR : res;
    }
    default: return IO_OK;
    }
}

void StandardLight::DumpOwn(std::ostream& os, int indent) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    if (state_.shadow) os << pad << "casts shadows\n";
    if (state_.flags) os << pad << "settings " << state_.flags << "\n";
    if (state_.decay) os << pad << "decay " << state_.decay << "\n";
}
