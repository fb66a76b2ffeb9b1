// Node, animatable and sub-animatable values: handles, print forms and the dispatch of their properties.
#include "host/script/scene/NodeValue.h"

#include "host/script/fp/FPInterfaceValue.h"

#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Modifier.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/scene/CustAttrib.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/ControllerKeys.h"
#include "host/script/scene/ParamAccess.h"
#include "host/script/scene/SceneClasses.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

std::wstring Word(const std::wstring& s) {
    std::wstring out;
    for (wchar_t c : s)
        out += (c == L' ' || c == L'/' || c == L'-') ? L'_' : c;
    return out;
}

std::wstring Fixed(float f) {
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%f", static_cast<double>(f));
    return buf;
}

Object* BaseObjectOf(INode* n) {
    Object* o = n ? n->GetObjectRef() : nullptr;
    return o ? o->FindBaseObject() : nullptr;
}

// What the node's stack delivers at the current time: a modifier may turn the object into another kind
// (classOf and the print form name that kind; .baseObject stays the original).
Object* WorldObjectOf(INode* n) {
    if (!n) return nullptr;
    Object* o = n->EvalWorldState(GetCOREInterface()->GetTime()).obj;
    return o ? o : BaseObjectOf(n);
}

bool SameName(const std::wstring& subName, const std::wstring& wanted) {
    if (subName.size() != wanted.size()) return false;
    for (size_t i = 0; i < subName.size(); ++i) {
        wchar_t a = subName[i] == L' ' ? L'_' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(subName[i])));
        wchar_t b = wanted[i] == L' ' ? L'_' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(wanted[i])));
        if (a != b) return false;
    }
    return true;
}

} // namespace

void TakeOverValue(Control* incoming, Animatable* old) {
    if (!old || old == incoming || !IsControllerSuperClass(old->SuperClassID())) return;
    auto* previous = static_cast<Control*>(old);
    // An empty list takes the controller it replaces as its first item, as the host's lists do.
    auto* list = static_cast<IListControl*>(incoming->GetInterface(LIST_CONTROLLER_INTERFACE));
    if (list && list->GetListCount() == 0 && previous->SuperClassID() == incoming->SuperClassID() &&
        !previous->GetInterface(LIST_CONTROLLER_INTERFACE)) {
        list->AppendItem(previous, MSTR());
        return;
    }
    incoming->Copy(previous);
}

// ---- NodeValue ---------------------------------------------------------------------------------------

NodeValue::NodeValue(INode* node) : handle_(node ? node->GetHandle() : 0) {}

INode* NodeValue::Node() const {
    return handle_ ? GetCOREInterface()->GetINodeByHandle(handle_) : nullptr;
}

std::wstring NodeValue::ClassName() const {
    INode* n = Node();
    if (!n) return L"Node";
    Object* base = WorldObjectOf(n);
    return base ? ScriptClassNameOf(base) : L"Node";
}

std::wstring NodeValue::SuperClassName() const {
    Object* base = WorldObjectOf(Node());
    return base ? ScriptSuperClassName(base->SuperClassID()) : L"MAXWrapper";
}

std::wstring NodeValue::PrintForm() const {
    INode* n = Node();
    if (!n) return L"<Deleted scene node>";
    Object* base = WorldObjectOf(n);
    std::wstring cls = base ? Word(base->GetObjectName().str()) : L"Node";
    Point3 p = n->GetNodeTM(GetCOREInterface()->GetTime()).GetTrans();
    return L"$" + cls + L":" + n->GetName() + L" @ [" + Fixed(p.x) + L"," + Fixed(p.y) + L"," + Fixed(p.z) + L"]";
}

namespace {
// Every scene object answers .numsubs with its sub-animatable count, after its own properties.
bool GetNumSubsProperty(Animatable* a, const std::wstring& lowerName, Value& out) {
    if (lowerName != L"numsubs") return false;
    out = Value::Int(a->NumSubs());
    return true;
}
} // namespace

bool NodeValue::GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) {
    INode* n = Node();
    if (!n) ThrowDeleted(L"scene node");
    // The node's own count: its object's properties answer for it otherwise.
    if (GetNumSubsProperty(n, lowerName, out) || GetDeliveredMeshCount(n, lowerName, out)) return true;
    if (GetNodeProperty(interp, n, lowerName, out) || GetMixinProperty(interp, n, lowerName, out)) return true;
    Object* base = BaseObjectOf(n); // a node answers for its base object's interfaces
    return base && GetMixinProperty(interp, base, lowerName, out);
}

bool NodeValue::SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) {
    INode* n = Node();
    if (!n) ThrowDeleted(L"scene node");
    if (SetNodeProperty(interp, n, lowerName, value) || SetMixinProperty(interp, n, lowerName, value)) return true;
    Object* base = BaseObjectOf(n); // a node answers for its base object's interfaces
    return base && SetMixinProperty(interp, base, lowerName, value);
}

bool NodeValue::CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) {
    INode* n = Node();
    if (!n) ThrowDeleted(L"scene node");
    if (CallMixinFunction(interp, n, lowerName, args, out)) return true;
    Object* base = BaseObjectOf(n); // a node answers for its base object's interfaces
    return base && CallMixinFunction(interp, base, lowerName, args, out);
}

bool NodeValue::GetIndex(Interpreter&, const Value& index, Value& out) {
    INode* n = Node();
    if (!n) ThrowDeleted(L"scene node");
    out = SubAnimByIndex(n, index);
    return true;
}

bool NodeValue::Enumerate(Interpreter&, std::vector<Value>& out) {
    INode* n = Node();
    if (!n) ThrowDeleted(L"scene node");
    out.push_back(MakeNodeValue(n));
    return true;
}

bool NodeValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const NodeValue*>(&other);
    return o && o->handle_ == handle_;
}

// ---- AnimValue ---------------------------------------------------------------------------------------

AnimValue::AnimValue(Animatable* anim) : handle_(Animatable::GetHandleByAnim(anim)) {}

Animatable* AnimValue::Anim() const { return Animatable::GetAnimByHandle(handle_); }

std::wstring AnimValue::ClassName() const {
    Animatable* a = Anim();
    if (!a) return L"MAXWrapper";
    if (a->SuperClassID() == LAYER_CLASS_ID) return L"MixinInterface";
    return ScriptClassNameOf(a);
}

std::wstring AnimValue::SuperClassName() const {
    Animatable* a = Anim();
    if (!a || a->SuperClassID() == LAYER_CLASS_ID) return L"Value";
    return ScriptSuperClassName(a->SuperClassID());
}

std::wstring AnimValue::PrintForm() const {
    Animatable* a = Anim();
    if (!a) return L"<Deleted scene object>";
    SClass_ID s = a->SuperClassID();
    std::wstring cls = ScriptClassNameOf(a);
    if (s == OSM_CLASS_ID || s == WSM_CLASS_ID) return cls + L":" + static_cast<Modifier*>(a)->GetName().str();
    if (s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID) {
        // Materials show their class's display name ("Brick:Standard") unless it is no word.
        MSTR display;
        a->GetClassName(display);
        bool word = display.str().find_first_of(L"/ ") == std::wstring::npos;
        return static_cast<MtlBase*>(a)->GetName().str() + L":" + (word ? display.str() : cls);
    }
    if (IsControllerSuperClass(s)) {
        // Controllers show their class's display name ("Controller:Position_Rotation_Scale" for the PRS
        // class), as materials do.
        MSTR display;
        a->GetClassName(display);
        return L"Controller:" + Word(display.str());
    }
    if (s == LAYER_CLASS_ID) return L"<MixinInterface:LayerProperties>";
    if (s == CUST_ATTRIB_CLASS_ID) return L"CustAttrib:" + std::wstring(static_cast<CustAttrib*>(a)->GetName());
    return cls;
}

namespace {

// Objects that publish text properties (text shapes).
bool GetTextProperty(Animatable* a, const std::wstring& name, Value& out) {
    auto* text = static_cast<ITextObject*>(a->GetInterface(static_cast<ULONG>(I_TEXTOBJECT)));
    if (!text) return false;
    if (name == L"text") out = Value::String(text->GetString().str());
    else if (name == L"font") out = Value::String(text->GetFont().str());
    else if (name == L"italic") out = Value::Bool(text->GetItalic() != 0);
    else if (name == L"underline") out = Value::Bool(text->GetUnderline() != 0);
    else return false;
    return true;
}

bool SetTextProperty(Animatable* a, const std::wstring& name, const Value& v) {
    auto* text = static_cast<ITextObject*>(a->GetInterface(static_cast<ULONG>(I_TEXTOBJECT)));
    if (!text) return false;
    if (name == L"text") text->ChangeText(ArgString(v).c_str());
    else if (name == L"font") text->ChangeFont(ArgString(v).c_str());
    else if (name == L"italic") text->SetItalic(ArgBool(v));
    else if (name == L"underline") text->SetUnderline(ArgBool(v));
    else return false;
    return true;
}

} // namespace

bool AnimValue::GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    SClass_ID s = a->SuperClassID();
    if ((s == OSM_CLASS_ID || s == WSM_CLASS_ID) && GetModifierProperty(interp, static_cast<Modifier*>(a), lowerName, out))
        return true;
    if ((s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID) &&
        GetMaterialProperty(interp, static_cast<MtlBase*>(a), lowerName, out))
        return true;
    if (IsControllerSuperClass(s) && GetControllerProperty(interp, static_cast<Control*>(a), lowerName, out))
        return true;
    if (s == LAYER_CLASS_ID) return GetLayerProperty(interp, static_cast<ILayer*>(a), lowerName, out);
    if (GetParamProperty(a, lowerName, out)) return true;
    if (GetObjectClassProperty(interp, a, lowerName, out)) return true;
    if (GetTextProperty(a, lowerName, out)) return true;
    if (GetCustAttribProperty(interp, a, lowerName, out)) return true;
    if (GetMixinProperty(interp, a, lowerName, out) || GetNumSubsProperty(a, lowerName, out)) return true;
    if (lowerName != L"isanimated") return false;
    out = Value::Bool(IsAnimatedTrack(a));
    return true;
}

bool AnimValue::SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    SClass_ID s = a->SuperClassID();
    if ((s == OSM_CLASS_ID || s == WSM_CLASS_ID) &&
        SetModifierProperty(interp, static_cast<Modifier*>(a), lowerName, value))
        return true;
    if ((s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID) &&
        SetMaterialProperty(interp, static_cast<MtlBase*>(a), lowerName, value))
        return true;
    if (IsControllerSuperClass(s) && SetControllerProperty(interp, static_cast<Control*>(a), lowerName, value))
        return true;
    if (s == LAYER_CLASS_ID) return SetLayerProperty(interp, static_cast<ILayer*>(a), lowerName, value);
    if (SetParamProperty(a, lowerName, value)) return true;
    if (SetObjectClassProperty(interp, a, lowerName, value)) return true;
    if (SetTextProperty(a, lowerName, value)) return true;
    if (SetCustAttribProperty(interp, a, lowerName, value)) return true;
    return SetMixinProperty(interp, a, lowerName, value);
}

bool AnimValue::CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    if (a->SuperClassID() == LAYER_CLASS_ID) return CallLayerMethod(interp, static_cast<ILayer*>(a), lowerName, args, out);
    if (IsControllerSuperClass(a->SuperClassID()) &&
        CallControllerMethod(interp, static_cast<Control*>(a), lowerName, args, out))
        return true;
    if (CallObjectClassMethod(interp, a, lowerName, args, out)) return true;
    // Functions of the interfaces the object publishes ($Ref01.baseObject.Reload()).
    return CallMixinFunction(interp, a, lowerName, args, out);
}

bool AnimValue::GetIndex(Interpreter& interp, const Value& index, Value& out) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    SClass_ID s = a->SuperClassID();
    if ((s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID) && GetMaterialIndex(interp, static_cast<MtlBase*>(a), index, out))
        return true;
    if (IsControllerSuperClass(s) && GetControllerIndex(interp, static_cast<Control*>(a), index, out)) return true;
    out = SubAnimByIndex(a, index);
    return true;
}

bool AnimValue::SetIndex(Interpreter& interp, const Value& index, const Value& value) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    SClass_ID s = a->SuperClassID();
    return (s == MATERIAL_CLASS_ID || s == TEXMAP_CLASS_ID) &&
           SetMaterialIndex(interp, static_cast<MtlBase*>(a), index, value);
}

bool AnimValue::Enumerate(Interpreter& interp, std::vector<Value>& out) {
    Animatable* a = Anim();
    if (!a) ThrowDeleted(L"scene object");
    auto* mtl = dynamic_cast<Mtl*>(a);
    if (!mtl || mtl->NumSubMtls() == 0) return false;
    (void)interp;
    for (int i = 0; i < mtl->NumSubMtls(); ++i)
        out.push_back(MakeAnimValue(mtl->GetSubMtl(i)));
    return true;
}

bool AnimValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const AnimValue*>(&other);
    return o && o->handle_ == handle_;
}

// ---- SubAnimValue ------------------------------------------------------------------------------------

SubAnimValue::SubAnimValue(Animatable* parent, int index)
    : parent_(Animatable::GetHandleByAnim(parent)), index_(index) {}

Animatable* SubAnimValue::Parent() const { return Animatable::GetAnimByHandle(parent_); }

Animatable* SubAnimValue::Target() const {
    Animatable* p = Parent();
    return p && index_ < p->NumSubs() ? p->SubAnim(index_) : nullptr;
}

std::wstring SubAnimValue::PrintForm() const {
    Animatable* p = Parent();
    if (!p) return L"<Deleted scene object>";
    return L"SubAnim:" + Word(p->SubAnimName(index_).str());
}

bool SubAnimValue::GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) {
    Animatable* p = Parent();
    if (!p) ThrowDeleted(L"scene object");
    Animatable* t = Target();
    auto* ctrl = t && IsControllerSuperClass(t->SuperClassID()) ? static_cast<Control*>(t) : nullptr;
    if (lowerName == L"name") {
        out = Value::String(p->SubAnimName(index_).str());
    } else if (lowerName == L"controller" || lowerName == L"track") {
        out = MakeAnimValue(ctrl);
    } else if (lowerName == L"keys") {
        out = MakeKeyArray(ctrl);
    } else if (lowerName == L"object") {
        out = MakeAnimValue(t);
    } else if (lowerName == L"value") {
        if (ctrl) {
            out = ControllerValue(ctrl);
        } else if (t) {
            return false;
        } else {
            out = Value();
        }
    } else if (lowerName == L"numsubs") {
        out = Value::Int(t ? t->NumSubs() : 0);
    } else if (lowerName == L"isanimated") {
        out = Value::Bool(t && IsAnimatedTrack(t));
    } else {
        if (!t) return false;
        Value inner = MakeAnimValue(t);
        return inner.Obj()->GetProperty(interp, lowerName, out);
    }
    return true;
}

bool SubAnimValue::SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) {
    Animatable* p = Parent();
    if (!p) ThrowDeleted(L"scene object");
    if (lowerName == L"controller") {
        Animatable* c = AnimFromValue(value);
        if (!c || !IsControllerSuperClass(c->SuperClassID())) ThrowConvertError(value, L"Controller");
        TakeOverValue(static_cast<Control*>(c), Target());
        if (!p->AssignController(c, index_))
            throw ScriptError(L"Runtime error: cannot assign " + value.PrintForm() + L" to " + PrintForm());
        return true;
    }
    if (lowerName == L"value") {
        Animatable* t = Target();
        if (!t || !IsControllerSuperClass(t->SuperClassID())) return false;
        SetControllerValue(static_cast<Control*>(t), value);
        return true;
    }
    // Anything else is the sub-animatable's own property, as reading it is.
    Animatable* t = Target();
    return t && MakeAnimValue(t).Obj()->SetProperty(interp, lowerName, value);
}

bool SubAnimValue::GetIndex(Interpreter&, const Value& index, Value& out) {
    Animatable* t = Target();
    if (!t) ThrowDeleted(L"scene object");
    out = SubAnimByIndex(t, index);
    return true;
}

bool SubAnimValue::Equals(const HostObject& other) const {
    auto* o = dynamic_cast<const SubAnimValue*>(&other);
    return o && o->parent_ == parent_ && o->index_ == index_;
}

// ---- free functions ----------------------------------------------------------------------------------

Value MakeNodeValue(INode* node) {
    return node ? Value::Object(std::make_shared<NodeValue>(node)) : Value();
}

INode* NodeFromValue(const Value& v) {
    auto* n = v.ObjAs<NodeValue>();
    return n ? n->Node() : nullptr;
}

Value MakeAnimValue(Animatable* anim) {
    if (!anim) return Value();
    if (anim->SuperClassID() == BASENODE_CLASS_ID) return MakeNodeValue(static_cast<INode*>(anim));
    return Value::Object(std::make_shared<AnimValue>(anim));
}

Animatable* AnimFromValue(const Value& v) {
    if (auto* n = v.ObjAs<NodeValue>()) return n->Node();
    if (auto* a = v.ObjAs<AnimValue>()) return a->Anim();
    if (auto* s = v.ObjAs<SubAnimValue>()) return s->Target();
    return nullptr;
}

Value SubAnimByIndex(Animatable* parent, const Value& index) {
    if (!parent) return Value();
    if (index.Is(Value::Type::Integer)) {
        std::int64_t i = index.AsInt();
        if (i < 1 || i > parent->NumSubs()) return Value();
        return Value::Object(std::make_shared<SubAnimValue>(parent, static_cast<int>(i - 1)));
    }
    if (index.Is(Value::Type::Name) || index.Is(Value::Type::String)) {
        const std::wstring& wanted = index.Is(Value::Type::Name) ? index.NameText() : index.Str();
        for (int i = 0; i < parent->NumSubs(); ++i)
            if (SameName(parent->SubAnimName(i).str(), wanted))
                return Value::Object(std::make_shared<SubAnimValue>(parent, i));
        return Value();
    }
    ThrowConvertError(index, L"Integer");
}

[[noreturn]] void ThrowDeleted(const wchar_t* what) {
    throw ScriptError(std::wstring(L"Runtime error: Attempt to access deleted ") + what);
}
