// Controllers configured by identity and capability answers.
#include "host/scene/controllers/GenericControl.h"

#include "host/core/ClassDirectory.h"
#include "host/core/PlugApi.h"
#include "host/core/RefKind.h"
#include "host/scene/ConfiguredClassRegistry.h"
#include "host/core/ChunkFields.h"
#include "host/scene/controllers/ControlRestore.h"

#include <deque>

namespace {
constexpr USHORT kValueChunk = 0x0600;

Control* NewDefaultFor(SClass_ID s) {
    switch (s) {
    case CTRL_FLOAT_CLASS_ID: return NewDefaultFloatController();
    case CTRL_POINT3_CLASS_ID: return NewDefaultPoint3Controller();
    case CTRL_POSITION_CLASS_ID: return NewDefaultPositionController();
    case CTRL_ROTATION_CLASS_ID: return NewDefaultRotationController();
    case CTRL_SCALE_CLASS_ID: return NewDefaultScaleController();
    case CTRL_MATRIX3_CLASS_ID: return NewDefaultMatrix3Controller();
    default: return nullptr;
    }
}

bool SameConfig(const GenericControlConfig& a, const GenericControlConfig& b) {
    if (a.superClassId != b.superClassId || !(a.classId == b.classId) || !(a.className == b.className) ||
        a.replaceable != b.replaceable || a.canCopyAnim != b.canCopyAnim || a.canCopyTrack != b.canCopyTrack ||
        a.interfaces != b.interfaces || a.subs.size() != b.subs.size())
        return false;
    for (size_t i = 0; i < a.subs.size(); ++i)
        if (!(a.subs[i].name == b.subs[i].name) || a.subs[i].superClassId != b.subs[i].superClassId ||
            !(a.subs[i].classId == b.subs[i].classId))
            return false;
    return true;
}

class GenericControlClassDesc : public ClassDesc2 {
public:
    explicit GenericControlClassDesc(GenericControlConfig config) : config_(std::move(config)) {}
    int IsPublic() override { return TRUE; }
    void* Create(BOOL loading) override { return new GenericControl(&config_, loading); }
    const MCHAR* ClassName() override { return config_.className.c_str(); }
    SClass_ID SuperClassID() override { return config_.superClassId; }
    Class_ID ClassID() override { return config_.classId; }
    const MCHAR* Category() override { return L"Controllers"; }
    const GenericControlConfig& Config() const { return config_; }

private:
    GenericControlConfig config_;
};

// Descriptors live as long as the process: controllers keep pointers to their configuration.
std::deque<GenericControlClassDesc>& Descs() {
    static std::deque<GenericControlClassDesc> descs;
    return descs;
}
} // namespace

GenericControl::GenericControl(const GenericControlConfig* config, BOOL loading)
    : config_(config), value_(config->superClassId), subs_(config->subs.size(), nullptr) {
    for (const Interface_ID& id : config_->interfaces) answers_.push_back(std::make_unique<Answer>(id));
    if (loading) return;
    for (size_t i = 0; i < config_->subs.size(); ++i) {
        const GenericControlConfig::Sub& s = config_->subs[i];
        Control* c = nullptr;
        if (s.classId == Class_ID()) c = NewDefaultFor(s.superClassId);
        else c = static_cast<Control*>(GetClassDirectory().CreateInstance(s.superClassId, s.classId));
        if (c) ReplaceReference(static_cast<int>(i), c);
    }
}

BaseInterface* GenericControl::GetInterface(Interface_ID id) {
    for (auto& a : answers_)
        if (a->GetID() == id) return a.get();
    return Control::GetInterface(id);
}

void GenericControl::GetValue(TimeValue /*t*/, void* val, Interval& /*valid*/, GetSetMethod method) {
    ControlValue v = value_;
    if (!v.Valid() || !val) return;
    std::visit(
        [&](auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (!std::is_same_v<T, std::monostate>) {
                if (method == CTRL_RELATIVE) ControlValueTraits<T>::ApplyRelative(x, *static_cast<T*>(val));
                else *static_cast<T*>(val) = x;
            }
        },
        v.Variant());
}

void GenericControl::SetValue(TimeValue /*t*/, void* val, int /*commit*/, GetSetMethod method) {
    if (!value_.Valid() || !val) return;
    ControlValue after = value_;
    std::visit(
        [&](auto& x) {
            using T = std::decay_t<decltype(x)>;
            if constexpr (!std::is_same_v<T, std::monostate>) {
                const T v = *static_cast<const T*>(val);
                if (method == CTRL_RELATIVE) ControlValueTraits<T>::ApplyRelative(v, x);
                else x = v;
            }
        },
        after.Variant());
    if (!(after == value_)) ChangeState(this, value_, after, kValueChangeNote);
}

RefTargetHandle GenericControl::GetReference(int i) {
    return i >= 0 && i < NumRefs() ? subs_[static_cast<size_t>(i)] : nullptr;
}

void GenericControl::SetReference(int i, RefTargetHandle t) {
    // Each sub holds a controller of the super class its configuration names.
    if (i >= 0 && i < NumRefs())
        subs_[static_cast<size_t>(i)] =
            RefAs<Control>(RefOfSuperClass(t, config_->subs[static_cast<size_t>(i)].superClassId));
}

MSTR GenericControl::SubAnimName(int i, bool /*localized*/) {
    return i >= 0 && i < NumSubs() ? config_->subs[static_cast<size_t>(i)].name : MSTR();
}

BOOL GenericControl::AssignController(Animatable* control, int subAnim) {
    if (!CanAssignController(subAnim)) return FALSE;
    ReferenceTarget* c = nullptr;
    if (control) {
        if (!control->GetInterface(I_CONTROL) ||
            control->SuperClassID() != config_->subs[static_cast<size_t>(subAnim)].superClassId)
            return FALSE;
        c = static_cast<Control*>(control);
    }
    return ReplaceControllerRef(this, subAnim, c, {kControlRefNote, kValueChangeNote}) == REF_SUCCEED;
}

RefTargetHandle GenericControl::Clone(RemapDir& remap) {
    auto* c = new GenericControl(config_, TRUE);
    c->value_ = value_;
    for (int i = 0; i < NumRefs(); ++i) c->ReplaceReference(i, remap.CloneRef(subs_[static_cast<size_t>(i)]));
    BaseClone(this, c, remap);
    return c;
}

IOResult GenericControl::Save(ISave* isave) {
    if (!value_.Valid()) return IO_OK;
    isave->BeginChunk(kValueChunk);
    if (value_.Write(isave) != IO_OK) return IO_ERROR;
    return isave->EndChunk();
}

IOResult GenericControl::Load(ILoad* iload) {
    return ForEachChunk(iload, [this, iload](USHORT id) { return id == kValueChunk ? value_.Read(iload) : IO_OK; });
}

ClassDesc* RegisterGenericControlClass(const GenericControlConfig& config) {
    return RegisterConfiguredClass(Descs(), config, SameConfig);
}

GenericControl* CreateGenericControl(const GenericControlConfig& config) {
    ClassDesc* cd = RegisterGenericControlClass(config);
    return cd ? static_cast<GenericControl*>(cd->Create(FALSE)) : nullptr;
}
