// Layers from script: the LayerManager interface and the properties and methods of a layer.
#include "host/core/PlugApi.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

ILayerManager* Manager() { return GetCOREInterface()->GetLayerManager(); }

ILayer* ArgLayer(const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a || a->SuperClassID() != LAYER_CLASS_ID) ThrowConvertError(v, L"Layer");
    return static_cast<ILayer*>(a);
}

// LayerManager: layer 0 is the default layer, as the host numbers them.
class LayerManagerValue : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:LayerManager>"; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name == L"count") out = Value::Int(Manager()->GetLayerCount());
        else if (name == L"current") out = MakeAnimValue(Manager()->GetCurrentLayer());
        else return false;
        return true;
    }
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        ILayerManager* lm = Manager();
        if (name == L"newlayerfromname") {
            CheckArgCount(L"newLayerFromName", a, 1);
            // An existing name gives undefined, as the host refuses duplicates.
            const std::wstring& n = ArgString(a[0]);
            out = lm->GetLayer(n) ? Value() : MakeAnimValue(lm->CreateLayer(n));
        } else if (name == L"newlayer") {
            CheckArgCount(L"newLayer", a, 0);
            out = MakeAnimValue(lm->CreateLayer());
        } else if (name == L"getlayerfromname") {
            CheckArgCount(L"getLayerFromName", a, 1);
            out = MakeAnimValue(lm->GetLayer(ArgString(a[0])));
        } else if (name == L"getlayer") {
            CheckArgCount(L"getLayer", a, 1);
            std::int64_t i = ArgInt(a[0]);
            out = i >= 0 && i < lm->GetLayerCount() ? MakeAnimValue(lm->GetLayer(static_cast<int>(i))) : Value();
        } else if (name == L"deletelayerbyname") {
            CheckArgCount(L"deleteLayerByName", a, 1);
            out = Value::Bool(lm->DeleteLayer(ArgString(a[0])) != 0);
        } else if (name == L"getduplicatelayerwithoutsamehierarchyonmerge") {
            CheckArgCount(L"GetDuplicateLayerWithoutSameHierarchyOnMerge", a, 0);
            out = Value::Bool(lm->GetDuplicateLayerWithoutSameHierarchyOnMerge());
        } else if (name == L"setduplicatelayerwithoutsamehierarchyonmerge") {
            // persist: asks the host to keep the setting for later sessions; the stand-in keeps it for
            // this one only.
            CheckArgCount(L"setDuplicateLayerWithoutSameHierarchyOnMerge", a, 1);
            if (const Value* persist = a.Keyword(L"persist")) ArgBool(*persist);
            lm->SetDuplicateLayerWithoutSameHierarchyOnMerge(ArgBool(a[0]));
            out = Value::Ok();
        } else {
            return false;
        }
        return true;
    }
};

} // namespace

bool GetLayerProperty(Interpreter&, ILayer* layer, const std::wstring& name, Value& out) {
    if (name == L"name") out = Value::String(layer->GetName().str());
    else if (name == L"ishidden") out = Value::Bool(layer->IsHidden());
    else if (name == L"isfrozen") out = Value::Bool(layer->IsFrozen());
    else if (name == L"on") out = Value::Bool(!layer->IsHidden());
    else if (name == L"lock") out = Value::Bool(layer->IsFrozen());
    else if (name == L"current") out = Value::Bool(Manager()->GetCurrentLayer() == layer);
    else return false;
    return true;
}

bool SetLayerProperty(Interpreter&, ILayer* layer, const std::wstring& name, const Value& v) {
    if (name == L"ishidden") layer->Hide(ArgBool(v));
    else if (name == L"isfrozen") layer->Freeze(ArgBool(v));
    else if (name == L"on") layer->Hide(!ArgBool(v));
    else if (name == L"lock") layer->Freeze(ArgBool(v));
    else if (name == L"current" && ArgBool(v)) Manager()->SetCurrentLayer(layer->GetName());
    else if (name == L"name") throw ScriptError(L"Runtime error: a layer's name is read-only: use setName");
    else return false;
    return true;
}

bool CallLayerMethod(Interpreter&, ILayer* layer, const std::wstring& name, CallArgs& a, Value& out) {
    if (name == L"addnode") {
        CheckArgCount(L"addNode", a, 1);
        INode* n = NodeFromValue(a[0]);
        if (!n) ThrowConvertError(a[0], L"Node");
        layer->AddToLayer(n);
        out = Value::Ok();
    } else if (name == L"setname") {
        CheckArgCount(L"setName", a, 1);
        out = Value::Bool(layer->SetName(ArgString(a[0]).c_str()) != 0);
    } else if (name == L"setparent") {
        CheckArgCount(L"setParent", a, 1);
        ILayer* parent = a[0].IsUndefined() ? nullptr : ArgLayer(a[0]);
        if (!layer->SetParentLayer(parent))
            throw ScriptError(L"Runtime error: cannot make " + a[0].PrintForm() + L" the parent of layer " +
                              layer->GetName().str());
        out = Value::Ok();
    } else if (name == L"getparent") {
        CheckArgCount(L"getParent", a, 0);
        out = MakeAnimValue(layer->GetParentLayer());
    } else if (name == L"getnumchildren") {
        CheckArgCount(L"getNumChildren", a, 0);
        out = Value::Int(layer->GetNumChildLayers());
    } else if (name == L"getchild") {
        CheckArgCount(L"getChild", a, 1);
        std::int64_t i = ArgInt(a[0]);
        out = i >= 1 && i <= layer->GetNumChildLayers() ? MakeAnimValue(layer->GetChildLayer(static_cast<int>(i - 1)))
                                                        : Value();
    } else if (name == L"getnumnodes") {
        CheckArgCount(L"getNumNodes", a, 0);
        out = Value::Int(layer->NumNodes());
    } else if (name == L"nodes") {
        // layer.nodes &arr in the host; here the nodes are the result.
        INodeTab nodes;
        layer->Nodes(nodes);
        std::vector<Value> items;
        for (int i = 0; i < nodes.Count(); ++i)
            items.push_back(MakeNodeValue(nodes[i]));
        out = Value::Array(std::move(items));
    } else {
        return false;
    }
    return true;
}

void RegisterLayerBuiltins(Interpreter& in) {
    in.SetGlobal(L"LayerManager", Value::Object(std::make_shared<LayerManagerValue>()));
}
