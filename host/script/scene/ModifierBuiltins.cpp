// Modifiers from script: the node's modifier stack as a value, addModifier, deleteModifier and the
// modifier's own properties (name and the three enable states).
#include "host/core/PlugApi.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>

namespace {

bool NameMatches(const std::wstring& modName, const std::wstring& wanted) {
    if (modName.size() != wanted.size()) return false;
    for (size_t i = 0; i < modName.size(); ++i) {
        auto fold = [](wchar_t c) {
            return c == L' ' ? L'_' : static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        };
        if (fold(modName[i]) != fold(wanted[i])) return false;
    }
    return true;
}

// The stack of a node, top first, read live on every access.
class ModifierArray : public HostObject {
public:
    explicit ModifierArray(INode* node) : node_(node->GetHandle()) {}

    std::wstring ClassName() const override { return L"MAXModifierArray"; }
    std::wstring PrintForm() const override {
        std::wstring s = L"#(";
        std::vector<Value> items = Items();
        for (size_t i = 0; i < items.size(); ++i)
            s += (i ? L", " : L"") + items[i].PrintForm();
        return s + L")";
    }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name != L"count") return false;
        out = Value::Int(static_cast<std::int64_t>(Items().size()));
        return true;
    }
    bool GetIndex(Interpreter&, const Value& index, Value& out) override {
        IDerivedObject* d = Stack();
        int count = d ? d->NumModifiers() : 0;
        if (index.Is(Value::Type::Integer)) {
            std::int64_t i = index.AsInt();
            if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
            out = i <= count ? MakeAnimValue(d->GetModifier(static_cast<int>(i - 1))) : Value();
            return true;
        }
        if (index.Is(Value::Type::Name) || index.Is(Value::Type::String)) {
            const std::wstring& wanted = index.Is(Value::Type::Name) ? index.NameText() : index.Str();
            out = Value();
            for (int i = 0; i < count; ++i)
                if (NameMatches(d->GetModifier(i)->GetName().str(), wanted)) {
                    out = MakeAnimValue(d->GetModifier(i));
                    break;
                }
            return true;
        }
        ThrowConvertError(index, L"Integer");
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        out = Items();
        return true;
    }

private:
    IDerivedObject* Stack() const {
        INode* n = GetCOREInterface()->GetINodeByHandle(node_);
        if (!n) ThrowDeleted(L"scene node");
        return NodeDerivedObject(n, false);
    }
    std::vector<Value> Items() const {
        std::vector<Value> out;
        if (IDerivedObject* d = Stack())
            for (int i = 0; i < d->NumModifiers(); ++i)
                out.push_back(MakeAnimValue(d->GetModifier(i)));
        return out;
    }
    ULONG node_;
};

Modifier* ArgModifier(const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a || (a->SuperClassID() != OSM_CLASS_ID && a->SuperClassID() != WSM_CLASS_ID))
        ThrowConvertError(v, L"Modifier");
    return static_cast<Modifier*>(a);
}

INode* ArgNode(const Value& v, const wchar_t* fn) {
    INode* n = NodeFromValue(v);
    if (!n) {
        if (v.ObjAs<NodeValue>()) ThrowDeleted(L"scene node");
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a node, got: " + v.PrintForm());
    }
    return n;
}

} // namespace

Value MakeModifierArray(INode* node) { return Value::Object(std::make_shared<ModifierArray>(node)); }

IDerivedObject* NodeDerivedObject(INode* node, bool create) {
    Object* o = node->GetObjectRef();
    if (o && o->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
        auto* d = static_cast<IDerivedObject*>(o);
        if (!d->IsWorldSpace()) return d;
    }
    if (!create) return nullptr;
    IDerivedObject* d = CreateDerivedObject(o);
    node->SetObjectRef(d);
    return d;
}

bool GetNodeModifierProperty(INode* node, const std::wstring& name, Value& out) {
    IDerivedObject* d = NodeDerivedObject(node, false);
    for (int i = 0; d && i < d->NumModifiers(); ++i)
        if (NameMatches(d->GetModifier(i)->GetName().str(), name)) {
            out = MakeAnimValue(d->GetModifier(i));
            return true;
        }
    return false;
}

bool GetModifierProperty(Interpreter&, Modifier* mod, const std::wstring& name, Value& out) {
    if (name == L"name") out = Value::String(mod->GetName().str());
    else if (name == L"enabled") out = Value::Bool(mod->IsEnabled() != 0);
    else if (name == L"enabledinviews") out = Value::Bool(mod->IsEnabledInViews() != 0);
    else if (name == L"enabledinrenders") out = Value::Bool(mod->IsEnabledInRender() != 0);
    else return false;
    return true;
}

bool SetModifierProperty(Interpreter&, Modifier* mod, const std::wstring& name, const Value& v) {
    if (name == L"name") {
        mod->SetName(ArgString(v).c_str());
    } else if (name == L"enabled") {
        if (ArgBool(v)) mod->EnableMod(); else mod->DisableMod();
    } else if (name == L"enabledinviews") {
        if (ArgBool(v)) mod->EnableModInViews(); else mod->DisableModInViews();
    } else if (name == L"enabledinrenders") {
        if (ArgBool(v)) mod->EnableModInRender(); else mod->DisableModInRender();
    } else {
        return false;
    }
    return true;
}

void RegisterModifierBuiltins(Interpreter& in) {
    // addModifier node modifier [before:n]: on top of the stack, or below the n-th modifier from the top.
    // Given several nodes (an array or a collection), each gets the same modifier (an instance).
    in.RegisterFunction(L"addModifier", [](Interpreter& interp, CallArgs& a) {
        CheckArgCount(L"addModifier", a, 2);
        std::vector<INode*> nodes;
        if (a[0].ObjAs<NodeValue>() || !(a[0].Is(Value::Type::Array) || a[0].Is(Value::Type::Object)))
            nodes.push_back(ArgNode(a[0], L"addModifier"));
        else
            nodes = NodesOf(interp, a[0], L"addModifier");
        Modifier* mod = ArgModifier(a[1]);
        const Value* b = a.Keyword(L"before");
        // Every position is checked before any stack changes.
        for (INode* n : nodes) {
            IDerivedObject* d = NodeDerivedObject(n, false);
            std::int64_t i = b ? ArgInt(*b) : 0;
            if (i < 0 || i > (d ? d->NumModifiers() : 0))
                throw ScriptError(L"Runtime error: addModifier before: out of range: " + std::to_wstring(i) +
                                  L" on " + n->GetName());
        }
        for (INode* n : nodes)
            NodeDerivedObject(n, true)->AddModifier(mod, nullptr, b ? static_cast<int>(ArgInt(*b)) : 0);
        return Value::Ok();
    });
    // deleteModifier node (modifier | index): index 1 is the top of the stack.
    in.RegisterFunction(L"deleteModifier", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteModifier", a, 2);
        INode* n = ArgNode(a[0], L"deleteModifier");
        IDerivedObject* d = NodeDerivedObject(n, false);
        int count = d ? d->NumModifiers() : 0;
        int at = -1;
        if (a[1].IsNumber()) {
            std::int64_t i = ArgInt(a[1]);
            if (i >= 1 && i <= count) at = static_cast<int>(i - 1);
        } else {
            Modifier* mod = ArgModifier(a[1]);
            for (int i = 0; i < count && at < 0; ++i)
                if (d->GetModifier(i) == mod) at = i;
        }
        if (at < 0)
            throw ScriptError(L"Runtime error: deleteModifier: no such modifier on " + std::wstring(n->GetName()) +
                              L": " + a[1].PrintForm());
        d->DeleteModifier(at);
        return Value::Ok();
    });
    in.RegisterFunction(L"validModifier", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"validModifier", a, 2);
        ArgNode(a[0], L"validModifier");
        ArgModifier(a[1]);
        return Value::Bool(true);
    });
}
