// The three-axis controllers: each axis is a float sub-controller of its own.
#include "host/scene/controllers/XYZControl.h"

#include <algorithm>

template <class Info> XYZControl<Info>::XYZControl(BOOL loading) {
    if (loading) return;
    for (int i = 0; i < 3; ++i) ReplaceReference(i, BezierFloat::Create(Info::kDefault));
}

template <class Info>
void XYZControl<Info>::GetValue(TimeValue t, void* val, Interval& valid, GetSetMethod method) {
    float f[3];
    for (int i = 0; i < 3; ++i) {
        f[i] = Info::kDefault;
        if (Control* a = GetAxis(i)) a->GetValue(t, &f[i], valid, CTRL_ABSOLUTE);
    }
    const T v = Info::Compose(f);
    if (method == CTRL_RELATIVE) Traits::ApplyRelative(v, *static_cast<T*>(val));
    else *static_cast<T*>(val) = v;
}

template <class Info> void XYZControl<Info>::SetValue(TimeValue t, void* val, int commit, GetSetMethod method) {
    T v = *static_cast<const T*>(val);
    if (method == CTRL_RELATIVE) {
        T cur;
        Interval iv = FOREVER;
        GetValue(t, &cur, iv, CTRL_ABSOLUTE);
        Traits::ApplyRelative(v, cur);
        v = cur;
    }
    float f[3];
    Info::Decompose(v, f);
    for (int i = 0; i < 3; ++i) {
        Control* a = GetAxis(i);
        if (!a) continue;
        float old = 0.0f;
        Interval iv = FOREVER;
        a->GetValue(t, &old, iv, CTRL_ABSOLUTE);
        if (old != f[i]) a->SetValue(t, &f[i], commit, CTRL_ABSOLUTE);
    }
}

template <class Info> void XYZControl<Info>::Copy(Control* from) {
    if (!from || from == this || from->SuperClassID() != SuperClassID()) return;
    if (from->ClassID() != ClassID()) {
        Control::Copy(from);
        return;
    }
    // Same layout: each axis takes over the other's axis, keys included.
    auto* other = static_cast<XYZControl*>(from);
    for (int i = 0; i < 3; ++i)
        if (GetAxis(i) && other->GetAxis(i)) GetAxis(i)->Copy(other->GetAxis(i));
}

template <class Info> std::vector<TimeValue> XYZControl<Info>::KeyTimes() {
    std::vector<TimeValue> times;
    for (int i = 0; i < 3; ++i)
        if (Control* a = GetAxis(i))
            for (int k = 0; k < a->NumKeys(); ++k) times.push_back(a->GetKeyTime(k));
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return times;
}

template <class Info> TimeValue XYZControl<Info>::GetKeyTime(int index) {
    const std::vector<TimeValue> times = KeyTimes();
    return index >= 0 && index < static_cast<int>(times.size()) ? times[static_cast<size_t>(index)] : 0;
}

template <class Info> void XYZControl<Info>::AddNewKey(TimeValue t, DWORD flags) {
    for (int i = 0; i < 3; ++i)
        if (Control* a = GetAxis(i)) a->AddNewKey(t, flags);
}

template <class Info> void XYZControl<Info>::DeleteKeyByIndex(int index) {
    const std::vector<TimeValue> times = KeyTimes();
    if (index < 0 || index >= static_cast<int>(times.size())) return;
    const TimeValue t = times[static_cast<size_t>(index)];
    for (int i = 0; i < 3; ++i) {
        Control* a = GetAxis(i);
        if (!a) continue;
        for (int k = 0; k < a->NumKeys(); ++k)
            if (a->GetKeyTime(k) == t) {
                a->DeleteKeyByIndex(k);
                break;
            }
    }
}

template <class Info> void XYZControl<Info>::DeleteKeys(DWORD flags) {
    for (int i = 0; i < 3; ++i)
        if (Control* a = GetAxis(i)) a->DeleteKeys(flags);
}

template <class Info> BOOL XYZControl<Info>::AssignController(Animatable* control, int subAnim) {
    if (!CanAssignController(subAnim)) return FALSE;
    auto* c = static_cast<ReferenceTarget*>(nullptr);
    if (control) {
        if (!control->GetInterface(I_CONTROL) || control->SuperClassID() != CTRL_FLOAT_CLASS_ID) return FALSE;
        c = static_cast<Control*>(control);
    }
    return ReplaceControllerRef(this, subAnim, c, {kControlRefNote, kValueChangeNote}) == REF_SUCCEED;
}

template <class Info> RefTargetHandle XYZControl<Info>::Clone(RemapDir& remap) {
    auto* c = new XYZControl(TRUE);
    for (int i = 0; i < 3; ++i) c->ReplaceReference(i, remap.CloneRef(axes_[i]));
    BaseClone(this, c, remap);
    return c;
}

template class XYZControl<EulerXYZInfo>;
template class XYZControl<PositionXYZInfo>;
template class XYZControl<Point3XYZInfo>;
template class XYZControl<ScaleXYZInfo>;
