// Controllers from script: .value at the current time, list controllers (.count, .active, .weight,
// .available, getName/setName/setActive...), constraints (appendTarget, getWeight ...), sub-controllers by
// index, and compound controllers' parts by name ($Box01.controller.position).
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/ControllerKeys.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

TimeValue Now() { return GetCOREInterface()->GetTime(); }

IListControl* AsList(Control* c) {
    return static_cast<IListControl*>(c->GetInterface(LIST_CONTROLLER_INTERFACE));
}

LookAtConstraint* AsLookAt(Control* c) {
    return c->ClassID() == LOOKAT_CONSTRAINT_CLASS_ID ? static_cast<LookAtConstraint*>(c) : nullptr;
}

bool SameWord(const std::wstring& subName, const std::wstring& wanted) {
    if (subName.size() != wanted.size()) return false;
    for (size_t i = 0; i < subName.size(); ++i) {
        wchar_t a = subName[i] == L' ' ? L'_' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(subName[i])));
        if (a != wanted[i]) return false;
    }
    return true;
}

constexpr double kDegToRad = 3.14159265358979323846 / 180.0;

// The angle sub-controllers of a rotation controller (X Rotation ...), which scripts read in degrees.
bool IsAnglePart(Control* parent, Animatable* sub) {
    return parent->SuperClassID() == CTRL_ROTATION_CLASS_ID && sub && sub->SuperClassID() == CTRL_FLOAT_CLASS_ID;
}

Control* ArgController(const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a || !IsControllerSuperClass(a->SuperClassID())) ThrowConvertError(v, L"Controller");
    return static_cast<Control*>(a);
}

// list.available: the empty slot after the last item; assigning its controller appends one.
class AvailableSlot : public HostObject {
public:
    explicit AvailableSlot(Control* list) : list_(Animatable::GetHandleByAnim(list)) {}
    std::wstring ClassName() const override { return L"SubAnim"; }
    std::wstring PrintForm() const override { return L"SubAnim:Available"; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name != L"controller") return false;
        out = Value();
        return true;
    }
    bool SetProperty(Interpreter&, const std::wstring& name, const Value& value) override {
        if (name != L"controller") return false;
        auto* list = static_cast<Control*>(Animatable::GetAnimByHandle(list_));
        if (!list) ThrowDeleted(L"controller");
        Control* c = ArgController(value);
        if (c->SuperClassID() != list->SuperClassID())
            throw ScriptError(L"Runtime error: a " + value.PrintForm() + L" cannot go into " +
                              MakeAnimValue(list).PrintForm());
        AsList(list)->AppendItem(c, MSTR());
        return true;
    }

private:
    AnimHandle list_;
};

} // namespace

Value ControllerValue(Control* c) { return ControllerValueAt(c, Now()); }
void SetControllerValue(Control* c, const Value& v) { SetControllerValueAt(c, Now(), v); }

Value ControllerValueAt(Control* c, TimeValue t) {
    Interval iv = FOREVER;
    switch (c->SuperClassID()) {
    case CTRL_FLOAT_CLASS_ID: {
        float f = 0;
        c->GetValue(t, &f, iv);
        return Value::Float(f);
    }
    case CTRL_POINT3_CLASS_ID:
    case CTRL_POSITION_CLASS_ID: {
        Point3 p;
        c->GetValue(t, &p, iv);
        return Value::Point(p);
    }
    case CTRL_ROTATION_CLASS_ID: {
        Quat q;
        c->GetValue(t, &q, iv);
        return Value::Object(std::make_shared<QuatValue>(q));
    }
    case CTRL_SCALE_CLASS_ID: {
        ScaleValue s;
        c->GetValue(t, &s, iv);
        return Value::Point(s.s);
    }
    default:
        return Value();
    }
}

void SetControllerValueAt(Control* c, TimeValue t, const Value& v) {
    switch (c->SuperClassID()) {
    case CTRL_FLOAT_CLASS_ID: {
        float f = static_cast<float>(ArgFloat(v));
        c->SetValue(t, &f);
        return;
    }
    case CTRL_POINT3_CLASS_ID:
    case CTRL_POSITION_CLASS_ID: {
        Point3 p = ArgPoint(v);
        c->SetValue(t, &p);
        return;
    }
    case CTRL_ROTATION_CLASS_ID: {
        Quat q = ArgRotation(v);
        c->SetValue(t, &q);
        return;
    }
    case CTRL_SCALE_CLASS_ID: {
        ScaleValue s(ArgPoint(v));
        c->SetValue(t, &s);
        return;
    }
    default:
        throw ScriptError(L"Runtime error: cannot set the value of " + MakeAnimValue(c).PrintForm());
    }
}

bool GetControllerProperty(Interpreter&, Control* c, const std::wstring& name, Value& out) {
    if (name == L"value") {
        out = ControllerValue(c);
        return true;
    }
    if (name == L"keys") {
        out = MakeKeyArray(c);
        return true;
    }
    if (name == L"numkeys") {
        out = Value::Int(c->NumKeys());
        return true;
    }
    if (name == L"isanimated") {
        out = Value::Bool(IsAnimatedTrack(c));
        return true;
    }
    if (GetNoiseControllerProperty(c, name, out) || GetLookAtUpProperty(c, name, out)) return true;
    if (auto* lookAt = AsLookAt(c); lookAt && (name == L"target_axis" || name == L"target_axisflip")) {
        const LookAtConstraint::Axis& axis = lookAt->GetAxis();
        out = name == L"target_axis" ? Value::Int(axis.axis) : Value::Bool(axis.flip);
        return true;
    }
    if (name == L"weight" && AsList(c)) {
        IListControl* list = AsList(c);
        std::vector<Value> weights;
        // Weights read in percent, as the list's rollout shows them.
        for (int i = 0; i < list->GetListCount(); ++i) weights.push_back(Value::Float(list->GetSubCtrlWeight(i) * 100.0));
        out = Value::Array(std::move(weights));
        return true;
    }
    if (IListControl* list = AsList(c)) {
        if (name == L"count") {
            out = Value::Int(list->GetListCount());
            return true;
        }
        if (name == L"active") {
            out = Value::Int(list->GetActive() + 1);
            return true;
        }
        if (name == L"available") {
            out = Value::Object(std::make_shared<AvailableSlot>(c));
            return true;
        }
    }
    // Parts of compound controllers by name read as their values; the angles of a rotation in degrees.
    for (int i = 0; i < c->NumSubs(); ++i)
        if (SameWord(c->SubAnimName(i).str(), name)) {
            Animatable* sub = c->SubAnim(i);
            out = sub && IsControllerSuperClass(sub->SuperClassID()) ? ControllerValue(static_cast<Control*>(sub))
                                                                     : MakeAnimValue(sub);
            if (IsAnglePart(c, sub)) out = Value::Float(out.Number() / kDegToRad);
            return true;
        }
    return false;
}

bool SetControllerProperty(Interpreter&, Control* c, const std::wstring& name, const Value& v) {
    if (name == L"value") {
        SetControllerValue(c, v);
        return true;
    }
    if (SetNoiseControllerProperty(c, name, v) || SetLookAtUpProperty(c, name, v)) return true;
    // target_axis 0 (X), 1 (Y) or 2 (Z) and target_axisFlip: the axis a look-at turns towards its targets.
    if (auto* lookAt = AsLookAt(c); lookAt && (name == L"target_axis" || name == L"target_axisflip")) {
        LookAtConstraint::Axis axis = lookAt->GetAxis();
        if (name == L"target_axisflip") {
            axis.flip = ArgBool(v);
        } else {
            const std::int64_t a = ArgInt(v);
            if (a < 0 || a > 2)
                throw ScriptError(L"Runtime error: target_axis must be 0 (X), 1 (Y) or 2 (Z), got: " + v.PrintForm());
            axis.axis = static_cast<int>(a);
        }
        lookAt->SetAxis(axis);
        return true;
    }
    if (IListControl* list = AsList(c); list && name == L"weight") {
        // list.weight[i] = w writes the whole array back.
        const std::vector<Value>& w = ArgArray(v);
        if (static_cast<int>(w.size()) != list->GetListCount())
            throw ScriptError(L"Runtime error: weight needs " + std::to_wstring(list->GetListCount()) +
                              L" values, got: " + std::to_wstring(w.size()));
        for (int i = 0; i < list->GetListCount(); ++i) {
            const float weight = static_cast<float>(ArgFloat(w[static_cast<size_t>(i)]) / 100.0);
            if (weight != list->GetSubCtrlWeight(i)) list->SetSubCtrlWeight(i, weight);
        }
        return true;
    }
    if (IListControl* list = AsList(c); list && name == L"active") {
        std::int64_t i = ArgInt(v);
        if (i < 1 || i > list->GetListCount())
            throw ScriptError(L"Runtime error: active index out of range: " + std::to_wstring(i) + L" (" +
                              std::to_wstring(list->GetListCount()) + L" items)");
        list->SetActive(static_cast<int>(i - 1));
        return true;
    }
    for (int i = 0; i < c->NumSubs(); ++i)
        if (SameWord(c->SubAnimName(i).str(), name)) {
            Animatable* sub = c->SubAnim(i);
            if (!sub || !IsControllerSuperClass(sub->SuperClassID())) return false;
            SetControllerValue(static_cast<Control*>(sub), IsAnglePart(c, sub) ? Value::Float(ArgFloat(v) * kDegToRad) : v);
            return true;
        }
    return false;
}

bool GetControllerIndex(Interpreter&, Control*, const Value&, Value&) {
    return false; // sub-animatables: list items and compound parts
}

namespace {

// A 1-based item or target index checked against count; name says whose.
int ItemIndex(const Value& v, int count, const wchar_t* what) {
    std::int64_t i = ArgInt(v);
    if (i < 1 || i > count)
        throw ScriptError(std::wstring(L"Runtime error: ") + what + L" index out of range: " + std::to_wstring(i) +
                          L" (" + std::to_wstring(count) + L")");
    return static_cast<int>(i - 1);
}

bool CallListMethod(IListControl* list, const std::wstring& name, CallArgs& a, Value& out) {
    const int count = list->GetListCount();
    if (name == L"getcount") {
        CheckArgCount(L"getCount", a, 0);
        out = Value::Int(count);
    } else if (name == L"getname") {
        CheckArgCount(L"getName", a, 1);
        out = Value::String(list->GetName(ItemIndex(a[0], count, L"list")).str());
    } else if (name == L"setname") {
        CheckArgCount(L"setName", a, 2);
        list->SetName(ItemIndex(a[0], count, L"list"), MSTR(ArgString(a[1]).c_str()));
        out = Value::Ok();
    } else if (name == L"getactive") {
        CheckArgCount(L"getActive", a, 0);
        out = Value::Int(list->GetActive() + 1);
    } else if (name == L"setactive") {
        CheckArgCount(L"setActive", a, 1);
        list->SetActive(ItemIndex(a[0], count, L"list"));
        out = Value::Ok();
    } else if (name == L"delete") {
        CheckArgCount(L"delete", a, 1);
        list->DeleteItem(ItemIndex(a[0], count, L"list"));
        out = Value::Ok();
    } else if (name == L"cut") {
        CheckArgCount(L"cut", a, 1);
        list->CutItem(ItemIndex(a[0], count, L"list"));
        out = Value::Ok();
    } else if (name == L"paste") {
        CheckArgCount(L"paste", a, 1);
        list->PasteItem(ItemIndex(a[0], count + 1, L"list"));
        out = Value::Ok();
    } else {
        return false;
    }
    return true;
}

bool CallConstraintMethod(IConstraintTargets* targets, const std::wstring& name, CallArgs& a, Value& out) {
    const int count = targets->GetNumTargets();
    if (name == L"getnumtargets") {
        CheckArgCount(L"getNumTargets", a, 0);
        out = Value::Int(count);
    } else if (name == L"appendtarget") {
        CheckArgCount(L"appendTarget", a, 2);
        INode* n = NodeFromValue(a[0]);
        if (!n) ThrowConvertError(a[0], L"Node");
        out = Value::Bool(targets->AppendTarget(n, static_cast<float>(ArgFloat(a[1]))) != FALSE);
    } else if (name == L"deletetarget") {
        CheckArgCount(L"deleteTarget", a, 1);
        out = Value::Bool(targets->DeleteTarget(ItemIndex(a[0], count, L"target")) != FALSE);
    } else if (name == L"getweight") {
        CheckArgCount(L"getWeight", a, 1);
        out = Value::Float(targets->GetTargetWeight(ItemIndex(a[0], count, L"target")));
    } else if (name == L"setweight") {
        CheckArgCount(L"setWeight", a, 2);
        out = Value::Bool(targets->SetTargetWeight(ItemIndex(a[0], count, L"target"), static_cast<float>(ArgFloat(a[1]))) !=
                          FALSE);
    } else if (name == L"getnode") {
        CheckArgCount(L"getNode", a, 1);
        out = MakeNodeValue(targets->GetNode(ItemIndex(a[0], count, L"target")));
    } else {
        return false;
    }
    return true;
}

} // namespace

bool CallControllerMethod(Interpreter&, Control* c, const std::wstring& name, CallArgs& args, Value& out) {
    if (IListControl* list = AsList(c)) return CallListMethod(list, name, args, out);
    if (IConstraintTargets* targets = GetConstraintTargets(c)) return CallConstraintMethod(targets, name, args, out);
    return false;
}
