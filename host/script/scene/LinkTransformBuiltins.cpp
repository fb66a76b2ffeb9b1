// The link transform controller's control node from script (undefined for none).
#include "host/scene/controllers/LinkTransformControl.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

LinkTransformControl* ArgLinkTransform(const Value& v, const std::wstring& fn) {
    if (auto* c = dynamic_cast<LinkTransformControl*>(AnimFromValue(v))) return c;
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

} // namespace

void RegisterLinkTransformBuiltins(Interpreter& in) {
    in.RegisterFunction(L"linkTransformGetNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"linkTransformGetNode", a, 1);
        INode* n = ArgLinkTransform(a[0], L"linkTransformGetNode")->GetControlNode();
        return n ? MakeNodeValue(n) : Value::Undefined();
    });
    // A node the controller itself moves cannot be its control node.
    in.RegisterFunction(L"linkTransformSetNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"linkTransformSetNode", a, 2);
        LinkTransformControl* c = ArgLinkTransform(a[0], L"linkTransformSetNode");
        INode* n = a[1].IsUndefined() ? nullptr : ArgSceneNode(a[1], L"linkTransformSetNode");
        if (!c->SetControlNode(n))
            throw ScriptError(L"Runtime error: linkTransformSetNode: " + std::wstring(n->GetName()) +
                              L" is moved by this controller");
        return Value::Bool(true);
    });
}
