// Properties of scene nodes: identity, hierarchy, material, layer, display, transform, pipeline; anything
// else goes to the node's object (its parameters) and the custom attributes.
#include "host/core/PlugApi.h"
#include "host/scene/Control.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/Object.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cmath>

namespace {

TimeValue Now() { return GetCOREInterface()->GetTime(); }

Object* BaseObject(INode* n) {
    Object* o = n->GetObjectRef();
    return o ? o->FindBaseObject() : nullptr;
}

void LinkTo(INode* node, const Value& parent) {
    if (parent.IsUndefined()) {
        INode* p = node->GetParentNode();
        if (p && !p->IsRootNode()) node->Detach(Now(), 1);
        return;
    }
    INode* p = NodeFromValue(parent);
    if (!p) ThrowConvertError(parent, L"Node");
    for (INode* a = p; a; a = a->GetParentNode())
        if (a == node)
            throw ScriptError(L"Runtime error: cannot link " + std::wstring(node->GetName()) + L" to its own descendant " +
                              p->GetName());
    p->AttachChild(node, 1);
}

} // namespace

Point3 ArgColour(const Value& v) {
    if (v.Is(Value::Type::Color)) return v.AsColour();
    if (v.Is(Value::Type::Point3)) return v.AsPoint();
    ThrowConvertError(v, L"Color");
}

Point3 ArgPoint(const Value& v) {
    if (v.Is(Value::Type::Point3)) return v.AsPoint();
    if (v.Is(Value::Type::Color)) return v.AsColour();
    ThrowConvertError(v, L"Point3");
}

Value WireColourValue(DWORD rgb) {
    return Value::Colour(Point3(static_cast<float>(rgb & 0xFF), static_cast<float>((rgb >> 8) & 0xFF),
                                static_cast<float>((rgb >> 16) & 0xFF)));
}

DWORD WireColourFrom(const Value& v) {
    Point3 c = ArgColour(v);
    auto channel = [](float f) {
        long x = std::lround(f);
        return static_cast<DWORD>(x < 0 ? 0 : (x > 255 ? 255 : x));
    };
    return channel(c.x) | (channel(c.y) << 8) | (channel(c.z) << 16);
}

bool GetNodeProperty(Interpreter& interp, INode* n, const std::wstring& name, Value& out) {
    if (name == L"name") {
        out = Value::String(n->GetName());
    } else if (name == L"parent") {
        INode* p = n->GetParentNode();
        out = p && !p->IsRootNode() ? MakeNodeValue(p) : Value();
    } else if (name == L"children") {
        std::vector<Value> kids;
        for (int i = 0; i < n->NumberOfChildren(); ++i)
            kids.push_back(MakeNodeValue(n->GetChildNode(i)));
        out = Value::Array(std::move(kids));
    } else if (name == L"material") {
        out = MakeAnimValue(n->GetMtl());
    } else if (name == L"layer") {
        out = MakeAnimValue(n->GetLayer());
    } else if (name == L"wirecolor") {
        out = WireColourValue(n->GetWireColor());
    } else if (name == L"ishidden") {
        out = Value::Bool(n->IsHidden() != 0);
    } else if (name == L"isfrozen") {
        out = Value::Bool(n->IsFrozen() != 0);
    } else if (name == L"isselected") {
        out = Value::Bool(n->Selected() != 0);
    } else if (GetNodeTransformProperty(n, name, out)) {
        return true;
    } else if (name == L"isanimated") {
        out = Value::Bool(IsAnimatedTrack(n));
    } else if (name == L"modifiers") {
        out = MakeModifierArray(n);
    } else if (name == L"baseobject") {
        out = MakeAnimValue(BaseObject(n));
    } else if (name == L"controller") {
        out = MakeAnimValue(n->GetTMController());
    } else if (name == L"handle") {
        out = Value::Int(n->GetHandle());
    } else if (name == L"target") {
        out = MakeNodeValue(n->GetTarget());
    } else if (name == L"lookat") {
        out = MakeNodeValue(n->GetLookatNode());
    } else if (name == L"renderable") {
        out = Value::Bool((n->GetRenderFlags() & NODE_REND_RENDERABLE) != 0);
    } else if (name == L"boxmode") {
        out = Value::Bool((n->GetDisplayFlags() & NODE_DISP_BOX) != 0);
    } else {
        if (Object* base = BaseObject(n)) {
            Value obj = MakeAnimValue(base);
            if (obj.Obj()->GetProperty(interp, name, out)) return true;
        }
        return GetNodeModifierProperty(n, name, out) || GetCustAttribProperty(interp, n, name, out);
    }
    return true;
}

bool SetNodeProperty(Interpreter& interp, INode* n, const std::wstring& name, const Value& v) {
    if (name == L"name") {
        n->SetName(ArgString(v).c_str());
    } else if (name == L"parent") {
        LinkTo(n, v);
    } else if (name == L"material") {
        Animatable* m = v.IsUndefined() ? nullptr : AnimFromValue(v);
        if (!v.IsUndefined() && (!m || m->SuperClassID() != MATERIAL_CLASS_ID)) ThrowConvertError(v, L"Material");
        n->SetMtl(static_cast<Mtl*>(m));
    } else if (name == L"layer") {
        Animatable* l = AnimFromValue(v);
        if (!l || l->SuperClassID() != LAYER_CLASS_ID) ThrowConvertError(v, L"Layer");
        static_cast<ILayer*>(l)->AddToLayer(n);
    } else if (name == L"wirecolor") {
        n->SetWireColor(WireColourFrom(v));
    } else if (name == L"ishidden") {
        n->Hide(ArgBool(v));
    } else if (name == L"isfrozen") {
        n->Freeze(ArgBool(v));
    } else if (name == L"isselected") {
        if (ArgBool(v))
            GetCOREInterface()->SelectNode(n, 0);
        else
            GetCOREInterface()->DeSelectNode(n);
    } else if (SetNodeTransformProperty(n, name, v)) {
        return true;
    } else if (name == L"controller") {
        Animatable* c = AnimFromValue(v);
        if (!c || c->SuperClassID() != CTRL_MATRIX3_CLASS_ID) ThrowConvertError(v, L"Matrix3Controller");
        TakeOverValue(static_cast<Control*>(c), n->GetTMController());
        if (!n->SetTMController(static_cast<Control*>(c)))
            throw ScriptError(L"Runtime error: " + std::wstring(n->GetName()) + L" refused the controller " +
                              v.PrintForm());
    } else if (name == L"target") {
        SetNodeTarget(n, NodeFromValue(v));
    } else if (name == L"type" && SetLookerType(n, v)) {
        return true;
    } else if (name == L"renderable") {
        DWORD f = n->GetRenderFlags();
        n->SetRenderFlags(ArgBool(v) ? (f | NODE_REND_RENDERABLE) : (f & ~NODE_REND_RENDERABLE));
    } else if (name == L"boxmode") {
        DWORD f = n->GetDisplayFlags();
        n->SetDisplayFlags(ArgBool(v) ? (f | NODE_DISP_BOX) : (f & ~NODE_DISP_BOX));
    } else if (name == L"children" || name == L"modifiers" || name == L"baseobject" || name == L"handle") {
        throw ScriptError(L"Runtime error: cannot set ." + name + L" of " + std::wstring(n->GetName()));
    } else {
        if (Object* base = BaseObject(n)) {
            Value obj = MakeAnimValue(base);
            if (obj.Obj()->SetProperty(interp, name, v)) return true;
        }
        return SetCustAttribProperty(interp, n, name, v);
    }
    return true;
}
