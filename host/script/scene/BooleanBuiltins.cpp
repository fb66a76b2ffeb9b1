// Boolean compound objects from script: their operands (adding one from a node, reading one, its operation
// and active state) and the operand shown alone.
#include "host/core/MaxException.h"
#include "host/scene/INode.h"
#include "host/scene/objects/BooleanObject.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

#include <array>
#include <cwctype>

namespace {

constexpr std::array<const wchar_t*, 6> kOperations = {L"union", L"intersection", L"subtraction",
                                                       L"merge", L"attach",       L"insert"};

BooleanObject* ArgBoolean(const Value& v, const std::wstring& fn) {
    INode* n = NodeFromValue(v);
    auto* b = dynamic_cast<BooleanObject*>(n ? static_cast<Animatable*>(SceneBaseObject(n)) : AnimFromValue(v));
    if (b) return b;
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

int ArgOperation(const Value& v, const std::wstring& fn) {
    if (v.Is(Value::Type::Name)) {
        std::wstring lower = v.NameText();
        for (wchar_t& c : lower) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        for (size_t i = 0; i < kOperations.size(); ++i)
            if (lower == kOperations[i]) return static_cast<int>(i);
    }
    std::wstring list;
    for (const wchar_t* n : kOperations) list += (list.empty() ? L"#" : L", #") + std::wstring(n);
    throw ScriptError(L"Runtime error: " + fn + L": expected one of " + list + L", got: " + v.PrintForm());
}

int ArgOperand(const Value& v, BooleanObject* b, const std::wstring& fn) {
    return ArgIndexIn(v, b->NumOperands(), fn, L"operand");
}

} // namespace

void RegisterBooleanBuiltins(Interpreter& in) {
    // booleanAddOperand compound node [operation:#union]: the node's object becomes the last operand,
    // named after the node; returns its 1-based number.
    in.RegisterFunction(L"booleanAddOperand", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanAddOperand", a, 2);
        BooleanObject* b = ArgBoolean(a[0], L"booleanAddOperand");
        INode* node = ArgSceneNode(a[1], L"booleanAddOperand");
        const Value* op = a.Keyword(L"operation");
        const int operation = op ? ArgOperation(*op, L"booleanAddOperand") : kBoolUnion;
        const int k = b->AppendOperand(node, operation);
        if (k < 0)
            throw ScriptError(L"Runtime error: booleanAddOperand: " + std::wstring(node->GetName()) +
                              L" cannot be an operand of its own compound or without an object");
        return Value::Int(k + 1);
    });
    in.RegisterFunction(L"booleanOperandCount", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanOperandCount", a, 1);
        return Value::Int(ArgBoolean(a[0], L"booleanOperandCount")->NumOperands());
    });
    // booleanGetOperand compound i: #(name, #operation, active, node or undefined).
    in.RegisterFunction(L"booleanGetOperand", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanGetOperand", a, 2);
        BooleanObject* b = ArgBoolean(a[0], L"booleanGetOperand");
        const int i = ArgOperand(a[1], b, L"booleanGetOperand");
        const BooleanOperand& op = b->GetOperand(i);
        INode* node = b->GetOperandNode(i);
        return Value::Array({Value::String(op.name.data()), Value::Name(kOperations[static_cast<size_t>(op.operation)]),
                             Value::Bool(op.active != FALSE), node ? MakeNodeValue(node) : Value::Undefined()});
    });
    in.RegisterFunction(L"booleanSetOperandOperation", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanSetOperandOperation", a, 3);
        BooleanObject* b = ArgBoolean(a[0], L"booleanSetOperandOperation");
        b->SetOperandOperation(ArgOperand(a[1], b, L"booleanSetOperandOperation"),
                               ArgOperation(a[2], L"booleanSetOperandOperation"));
        return Value::Ok();
    });
    in.RegisterFunction(L"booleanSetOperandActive", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanSetOperandActive", a, 3);
        BooleanObject* b = ArgBoolean(a[0], L"booleanSetOperandActive");
        b->SetOperandActive(ArgOperand(a[1], b, L"booleanSetOperandActive"), ArgBool(a[2]) ? TRUE : FALSE);
        return Value::Ok();
    });
    // The operand shown alone, 1-based; 0 for none.
    in.RegisterFunction(L"booleanGetSolo", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanGetSolo", a, 1);
        return Value::Int(ArgBoolean(a[0], L"booleanGetSolo")->GetSoloIndex() + 1);
    });
    in.RegisterFunction(L"booleanSetSolo", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"booleanSetSolo", a, 2);
        BooleanObject* b = ArgBoolean(a[0], L"booleanSetSolo");
        const std::int64_t i = ArgInt(a[1]);
        if (i == 0)
            b->SetSoloIndex(BooleanObject::kNoSolo);
        else
            b->SetSoloIndex(ArgOperand(a[1], b, L"booleanSetSolo"));
        return Value::Ok();
    });
}
