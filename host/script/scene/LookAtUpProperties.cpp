// The look-at constraint's up settings from script: upnode_world, upnode_ctrl (0 look-at, 1 axis
// alignment), upnode_axis, StoUP_axis, StoUP_axisFlip and pickUpNode.
#include "host/scene/controllers/ControllerClassIds.h"
#include "host/scene/controllers/LookAtConstraint.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

LookAtConstraint* AsLookAt(Control* c) {
    return c->ClassID() == LOOKAT_CONSTRAINT_CLASS_ID ? static_cast<LookAtConstraint*>(c) : nullptr;
}

int* Field(LookAtConstraint::Up& u, const std::wstring& name) {
    if (name == L"upnode_world") return &u.world;
    if (name == L"upnode_ctrl") return &u.ctrl;
    if (name == L"upnode_axis") return &u.upAxis;
    if (name == L"stoup_axis") return &u.sourceAxis;
    if (name == L"stoup_axisflip") return &u.sourceFlip;
    return nullptr;
}

bool IsSwitch(const std::wstring& name) { return name == L"upnode_world" || name == L"stoup_axisflip"; }

} // namespace

bool GetLookAtUpProperty(Control* c, const std::wstring& name, Value& out) {
    LookAtConstraint* lookAt = AsLookAt(c);
    if (!lookAt) return false;
    if (name == L"pickupnode") {
        out = lookAt->GetUpNode() ? MakeNodeValue(lookAt->GetUpNode()) : Value();
        return true;
    }
    LookAtConstraint::Up u = lookAt->GetUp();
    const int* f = Field(u, name);
    if (!f) return false;
    out = IsSwitch(name) ? Value::Bool(*f != 0) : Value::Int(*f);
    return true;
}

bool SetLookAtUpProperty(Control* c, const std::wstring& name, const Value& v) {
    LookAtConstraint* lookAt = AsLookAt(c);
    if (!lookAt) return false;
    if (name == L"pickupnode") {
        INode* n = v.IsUndefined() ? nullptr : NodeFromValue(v);
        if (!v.IsUndefined() && !n) ThrowConvertError(v, L"Node");
        if (!lookAt->SetUpNode(n))
            throw ScriptError(L"Runtime error: " + v.PrintForm() + L" cannot be the up node: it depends on the constraint");
        return true;
    }
    LookAtConstraint::Up u = lookAt->GetUp();
    int* f = Field(u, name);
    if (!f) return false;
    if (IsSwitch(name)) {
        *f = ArgBool(v) ? 1 : 0;
    } else {
        const std::int64_t i = ArgInt(v);
        const std::int64_t top = name == L"upnode_ctrl" ? 1 : 2;
        if (i < 0 || i > top)
            throw ScriptError(L"Runtime error: " + std::wstring(name == L"upnode_ctrl" ? L"upnode_ctrl must be 0 (LookAt) or 1 (Axis Alignment)"
                                                                                      : L"the axis must be 0 (X), 1 (Y) or 2 (Z)") +
                              L", got: " + v.PrintForm());
        *f = static_cast<int>(i);
    }
    lookAt->SetUp(u);
    return true;
}
