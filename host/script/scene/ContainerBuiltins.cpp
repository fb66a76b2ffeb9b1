// Container helpers from script: the nodes they hold, adding and removing one.
#include "host/scene/INode.h"
#include "host/scene/objects/ContainerHelper.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

ContainerHelper* ArgContainer(const Value& v, const std::wstring& fn) {
    INode* n = NodeFromValue(v);
    auto* c = dynamic_cast<ContainerHelper*>(n ? static_cast<Animatable*>(SceneBaseObject(n)) : AnimFromValue(v));
    if (c) return c;
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

} // namespace

void RegisterContainerBuiltins(Interpreter& in) {
    // containerGetNodes c: the nodes held, in order.
    in.RegisterFunction(L"containerGetNodes", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"containerGetNodes", a, 1);
        std::vector<Value> out;
        for (INode* n : ArgContainer(a[0], L"containerGetNodes")->GetNodes()) out.push_back(MakeNodeValue(n));
        return Value::Array(std::move(out));
    });
    // containerAddNode c node: true when the node was put in; false when it was held already.
    in.RegisterFunction(L"containerAddNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"containerAddNode", a, 2);
        ContainerHelper* c = ArgContainer(a[0], L"containerAddNode");
        INode* node = ArgSceneNode(a[1], L"containerAddNode");
        if (node->GetObjectRef() == c)
            throw ScriptError(L"Runtime error: containerAddNode: " + std::wstring(node->GetName()) +
                              L" is the container's own node");
        return Value::Bool(c->AddNode(node));
    });
    // containerRemoveNode c node: true when the node was held.
    in.RegisterFunction(L"containerRemoveNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"containerRemoveNode", a, 2);
        ContainerHelper* c = ArgContainer(a[0], L"containerRemoveNode");
        return Value::Bool(c->RemoveNode(ArgSceneNode(a[1], L"containerRemoveNode")));
    });
}
