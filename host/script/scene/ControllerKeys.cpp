// Controller keys from script: the key array and key values, numKeys, addNewKey, deleteKeys, deleteKey,
// getKeyTime, and the tracks behind "obj.prop.controller".
#include "host/script/scene/ControllerKeys.h"

#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/ParamAccess.h"
#include "host/script/scene/SceneProperties.h"

#include <unordered_set>

TimeValue ArgTime(const Value& v) {
    const std::int64_t ticks = TimeTicks(v);
    if (ticks < TIME_NegInfinity || ticks > TIME_PosInfinity)
        throw ScriptError(L"Runtime error: time out of range: " + FormatTime(ticks));
    return static_cast<TimeValue>(ticks);
}

namespace {

Control* LiveControl(AnimHandle h) {
    auto* c = static_cast<Control*>(Animatable::GetAnimByHandle(h));
    if (!c) ThrowDeleted(L"controller");
    return c;
}

Control* ArgControl(const Value& v, const wchar_t* fn) {
    Animatable* a = AnimFromValue(v);
    if (!a || !IsControllerSuperClass(a->SuperClassID())) {
        if (v.ObjAs<AnimValue>() || v.ObjAs<SubAnimValue>()) {
            if (!a) ThrowDeleted(L"controller");
        }
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a controller, got: " + v.PrintForm());
    }
    return static_cast<Control*>(a);
}

int KeyIndex(Control* c, const Value& index) {
    std::int64_t i = ArgInt(index);
    if (i < 1 || i > c->NumKeys())
        throw ScriptError(L"Runtime error: key index out of range: " + std::to_wstring(i) + L" (" +
                          std::to_wstring(c->NumKeys()) + L" keys)");
    return static_cast<int>(i - 1);
}

std::wstring ClassDisplayName(Control* c) {
    MSTR name;
    c->GetClassName(name);
    return name.str();
}

// The sub-animatable of parent whose pointer is sub.
Value SubAnimOf(Animatable* parent, Animatable* sub) {
    for (int i = 0; sub && i < parent->NumSubs(); ++i)
        if (parent->SubAnim(i) == sub) return Value::Object(std::make_shared<SubAnimValue>(parent, i));
    return Value();
}

// The track of anim named prop: a sub-animatable by name, or a parameter's slot in its block.
bool TrackOf(Animatable* anim, const std::wstring& prop, Value& out) {
    out = SubAnimByIndex(anim, Value::Name(prop));
    if (!out.IsUndefined()) return true;
    ParamRef p;
    if (!FindParam(anim, prop, p)) return false;
    if (p.pb2) {
        int tab = 0;
        for (int n = 0; n < p.pb2->NumSubs(); ++n)
            if (p.pb2->AnimNumToParamNum(n, tab) == p.id && tab == 0) {
                out = Value::Object(std::make_shared<SubAnimValue>(p.pb2, n));
                return true;
            }
        return false;
    }
    int n = p.pb1 ? p.pb1->GetAnimNum(p.id) : -1;
    if (n < 0) return false;
    out = Value::Object(std::make_shared<SubAnimValue>(p.pb1, n));
    return true;
}

bool ResolveTrack(Interpreter&, const Value& owner, const std::wstring& prop, Value& out) {
    Animatable* anim = AnimFromValue(owner);
    if (!anim) return false;
    if (INode* n = NodeFromValue(owner)) {
        Control* tm = n->GetTMController();
        if (tm && (prop == L"pos" || prop == L"position")) out = SubAnimOf(tm, tm->GetPositionController());
        else if (tm && prop == L"rotation") out = SubAnimOf(tm, tm->GetRotationController());
        else if (tm && prop == L"scale") out = SubAnimOf(tm, tm->GetScaleController());
        else if (prop == L"transform") out = Value::Object(std::make_shared<SubAnimValue>(n, NODE_SUBANIM_TRANSFORM));
        else if (prop == L"visibility") out = Value::Object(std::make_shared<SubAnimValue>(n, NODE_SUBANIM_VISIBILITY));
        if (!out.IsUndefined()) return true;
        // Other properties of a node are its object's.
        Object* o = n->GetObjectRef();
        anim = o ? o->FindBaseObject() : nullptr;
        if (!anim) return false;
    }
    return TrackOf(anim, prop, out);
}

bool AnimatedBelow(Animatable* a, std::unordered_set<Animatable*>& seen) {
    if (!a || !seen.insert(a).second) return false;
    if (a->SuperClassID() == BASENODE_CLASS_ID && seen.size() > 1) return false; // another node's own tracks
    if (IsControllerSuperClass(a->SuperClassID()) && static_cast<Control*>(a)->NumKeys() > 0) return true;
    for (int i = 0; i < a->NumSubs(); ++i)
        if (AnimatedBelow(a->SubAnim(i), seen)) return true;
    return false;
}

} // namespace

bool IsAnimatedTrack(Animatable* anim) {
    std::unordered_set<Animatable*> seen;
    return AnimatedBelow(anim, seen);
}

// ---- KeyArrayValue ---------------------------------------------------------------------------------------

KeyArrayValue::KeyArrayValue(Control* c) : ctrl_(Animatable::GetHandleByAnim(c)) {}

std::wstring KeyArrayValue::PrintForm() const {
    auto* c = static_cast<Control*>(Animatable::GetAnimByHandle(ctrl_));
    if (!c) return L"#keys(<deleted>)";
    std::wstring s = L"#keys(";
    for (int i = 0; i < c->NumKeys(); ++i) s += (i ? L", " : L"") + FormatTime(c->GetKeyTime(i));
    return s + L")";
}

bool KeyArrayValue::GetProperty(Interpreter&, const std::wstring& name, Value& out) {
    if (name != L"count") return false;
    out = Value::Int(LiveControl(ctrl_)->NumKeys());
    return true;
}

bool KeyArrayValue::GetIndex(Interpreter&, const Value& index, Value& out) {
    Control* c = LiveControl(ctrl_);
    out = Value::Object(std::make_shared<KeyValue>(c, KeyIndex(c, index)));
    return true;
}

bool KeyArrayValue::Enumerate(Interpreter&, std::vector<Value>& out) {
    Control* c = LiveControl(ctrl_);
    for (int i = 0; i < c->NumKeys(); ++i) out.push_back(Value::Object(std::make_shared<KeyValue>(c, i)));
    return true;
}

// ---- KeyValue --------------------------------------------------------------------------------------------

KeyValue::KeyValue(Control* c, int index) : ctrl_(Animatable::GetHandleByAnim(c)), index_(index) {}

Control* KeyValue::Live() const {
    Control* c = LiveControl(ctrl_);
    if (index_ >= c->NumKeys())
        throw ScriptError(L"Runtime error: the key " + std::to_wstring(index_ + 1) + L" was deleted (" +
                          std::to_wstring(c->NumKeys()) + L" keys left)");
    return c;
}

std::wstring KeyValue::PrintForm() const {
    auto* c = static_cast<Control*>(Animatable::GetAnimByHandle(ctrl_));
    if (!c || index_ >= c->NumKeys()) return L"#key(<deleted>)";
    return L"#" + ClassDisplayName(c) + L" key(" + std::to_wstring(index_ + 1) + L" @ " +
           FormatTime(c->GetKeyTime(index_)) + L")";
}

bool KeyValue::GetProperty(Interpreter&, const std::wstring& name, Value& out) {
    Control* c = Live();
    if (name == L"time") out = Value::Time(c->GetKeyTime(index_));
    else if (name == L"value") out = ControllerValueAt(c, c->GetKeyTime(index_));
    else if (name == L"index") out = Value::Int(index_ + 1);
    else return false;
    return true;
}

bool KeyValue::SetProperty(Interpreter&, const std::wstring& name, const Value& value) {
    Control* c = Live();
    const TimeValue at = c->GetKeyTime(index_);
    if (name == L"value") {
        SetControllerValueAt(c, at, value);
        return true;
    }
    if (name != L"time") return false;
    const TimeValue to = ArgTime(value);
    if (to == at) return true;
    for (int i = 0; i < c->NumKeys(); ++i)
        if (c->GetKeyTime(i) == to)
            throw ScriptError(L"Runtime error: a key of " + ClassDisplayName(c) + L" is at " + FormatTime(to) + L" already");
    // The key moves: the same value at its new time, and this value now names the key there.
    Value v = ControllerValueAt(c, at);
    c->DeleteKeyByIndex(index_);
    c->AddNewKey(to, 0);
    SetControllerValueAt(c, to, v);
    for (int i = 0; i < c->NumKeys(); ++i)
        if (c->GetKeyTime(i) == to) index_ = i;
    return true;
}

bool KeyValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const KeyValue*>(&other);
    return o && o->ctrl_ == ctrl_ && o->index_ == index_;
}

Value MakeKeyArray(Control* c) { return c ? Value::Object(std::make_shared<KeyArrayValue>(c)) : Value(); }

void RegisterControllerKeyBuiltins(Interpreter& in) {
    in.SetTrackResolver(ResolveTrack);
    in.RegisterFunction(L"isController", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isController", a, 1);
        Animatable* anim = AnimFromValue(a[0]);
        return Value::Bool(anim && IsControllerSuperClass(anim->SuperClassID()));
    });
    in.RegisterFunction(L"numKeys", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"numKeys", a, 1);
        return Value::Int(ArgControl(a[0], L"numKeys")->NumKeys());
    });
    // addNewKey <controller> <time> [#select] [#interpolate]: the key holds the value at that time.
    in.RegisterFunction(L"addNewKey", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"addNewKey", a, 2, 4);
        Control* c = ArgControl(a[0], L"addNewKey");
        if (!c->IsKeyable() || !c->IsLeaf())
            throw ScriptError(L"Runtime error: addNewKey needs a key-frame controller, got: " + a[0].PrintForm());
        const TimeValue t = ArgTime(a[1]);
        c->AddNewKey(t, 0);
        for (int i = 0; i < c->NumKeys(); ++i)
            if (c->GetKeyTime(i) == t) return Value::Object(std::make_shared<KeyValue>(c, i));
        throw ScriptError(L"Runtime error: " + ClassDisplayName(c) + L" does not take keys");
    });
    // deleteKeys <controller> [#allKeys | #selection]: no key is ever selected here.
    in.RegisterFunction(L"deleteKeys", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteKeys", a, 1, 2);
        Control* c = ArgControl(a[0], L"deleteKeys");
        const bool all = a.Count() == 1 || (a[1].Is(Value::Type::Name) && LowerName(a[1].NameText()) == L"allkeys");
        if (a.Count() == 2 && !all && !(a[1].Is(Value::Type::Name) && LowerName(a[1].NameText()) == L"selection"))
            throw ScriptError(L"Runtime error: deleteKeys takes #allKeys or #selection, got: " + a[1].PrintForm());
        if (all) c->DeleteKeys(TRACK_DOALL);
        return Value::Ok();
    });
    in.RegisterFunction(L"deleteKey", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteKey", a, 2);
        Control* c = ArgControl(a[0], L"deleteKey");
        c->DeleteKeyByIndex(KeyIndex(c, a[1]));
        return Value::Ok();
    });
    in.RegisterFunction(L"getKeyTime", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getKeyTime", a, 2);
        Control* c = ArgControl(a[0], L"getKeyTime");
        return Value::Time(c->GetKeyTime(KeyIndex(c, a[1])));
    });
    in.RegisterFunction(L"getKeyIndex", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getKeyIndex", a, 2);
        Control* c = ArgControl(a[0], L"getKeyIndex");
        const TimeValue t = ArgTime(a[1]);
        for (int i = 0; i < c->NumKeys(); ++i)
            if (c->GetKeyTime(i) == t) return Value::Int(i + 1);
        return Value::Int(0);
    });
}
