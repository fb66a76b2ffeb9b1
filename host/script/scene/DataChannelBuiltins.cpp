// The Data Channel modifier's operator chain from script: read as an array of operator type names, set
// from one (undoable when undo is on).
#include "host/scene/objects/DataChannelModifier.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

DataChannelModifier* ArgDataChannel(const Value& v, const std::wstring& fn) {
    if (auto* m = dynamic_cast<DataChannelModifier*>(AnimFromValue(v))) return m;
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

} // namespace

void RegisterDataChannelBuiltins(Interpreter& in) {
    in.RegisterFunction(L"dataChannelGetOperators", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"dataChannelGetOperators", a, 1);
        std::vector<Value> ops;
        for (const MSTR& op : ArgDataChannel(a[0], L"dataChannelGetOperators")->GetOperators())
            ops.push_back(Value::String(op.data()));
        return Value::Array(std::move(ops));
    });
    in.RegisterFunction(L"dataChannelSetOperators", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"dataChannelSetOperators", a, 2);
        DataChannelModifier* m = ArgDataChannel(a[0], L"dataChannelSetOperators");
        std::vector<MSTR> ops;
        for (const Value& v : ArgArray(a[1])) ops.emplace_back(ArgString(v).c_str());
        m->SetOperators(ops);
        return Value::Bool(true);
    });
}
