// Controllers from script: .value at the current time, list controllers (.count, .active, .available,
// sub-controllers by index), and compound controllers' parts by name ($Box01.controller.position).
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

TimeValue Now() { return GetCOREInterface()->GetTime(); }

IListControl* AsList(Control* c) {
    return static_cast<IListControl*>(c->GetInterface(LIST_CONTROLLER_INTERFACE));
}

bool SameWord(const std::wstring& subName, const std::wstring& wanted) {
    if (subName.size() != wanted.size()) return false;
    for (size_t i = 0; i < subName.size(); ++i) {
        wchar_t a = subName[i] == L' ' ? L'_' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(subName[i])));
        if (a != wanted[i]) return false;
    }
    return true;
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

Value ControllerValue(Control* c) {
    Interval iv = FOREVER;
    switch (c->SuperClassID()) {
    case CTRL_FLOAT_CLASS_ID: {
        float f = 0;
        c->GetValue(Now(), &f, iv);
        return Value::Float(f);
    }
    case CTRL_POINT3_CLASS_ID:
    case CTRL_POSITION_CLASS_ID: {
        Point3 p;
        c->GetValue(Now(), &p, iv);
        return Value::Point(p);
    }
    case CTRL_ROTATION_CLASS_ID: {
        Quat q;
        c->GetValue(Now(), &q, iv);
        return Value::Object(std::make_shared<QuatValue>(q));
    }
    case CTRL_SCALE_CLASS_ID: {
        ScaleValue s;
        c->GetValue(Now(), &s, iv);
        return Value::Point(s.s);
    }
    default:
        return Value();
    }
}

void SetControllerValue(Control* c, const Value& v) {
    switch (c->SuperClassID()) {
    case CTRL_FLOAT_CLASS_ID: {
        float f = static_cast<float>(ArgFloat(v));
        c->SetValue(Now(), &f);
        return;
    }
    case CTRL_POINT3_CLASS_ID:
    case CTRL_POSITION_CLASS_ID: {
        Point3 p = ArgPoint(v);
        c->SetValue(Now(), &p);
        return;
    }
    case CTRL_ROTATION_CLASS_ID: {
        Quat q = ArgRotation(v);
        c->SetValue(Now(), &q);
        return;
    }
    case CTRL_SCALE_CLASS_ID: {
        ScaleValue s(ArgPoint(v));
        c->SetValue(Now(), &s);
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
    if (name == L"keys" || name == L"numkeys") {
        out = Value::Int(c->NumKeys());
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
    // Parts of compound controllers by name read as their values.
    for (int i = 0; i < c->NumSubs(); ++i)
        if (SameWord(c->SubAnimName(i).str(), name)) {
            Animatable* sub = c->SubAnim(i);
            out = sub && IsControllerSuperClass(sub->SuperClassID()) ? ControllerValue(static_cast<Control*>(sub))
                                                                     : MakeAnimValue(sub);
            return true;
        }
    return false;
}

bool SetControllerProperty(Interpreter&, Control* c, const std::wstring& name, const Value& v) {
    if (name == L"value") {
        SetControllerValue(c, v);
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
            SetControllerValue(static_cast<Control*>(sub), v);
            return true;
        }
    return false;
}

bool GetControllerIndex(Interpreter&, Control*, const Value&, Value&) {
    return false; // sub-animatables: list items and compound parts
}
