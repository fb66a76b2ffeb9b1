// The action manager of the script language: actionMan.executeAction runs an action of the host's
// action tables by table id and action id.
#include "host/core/Hold.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/Value.h"

#include <functional>
#include <map>
#include <memory>
#include <utility>

namespace {

// The main user-interface table (id 0) holds the edit actions; scripts name actions by their id text.
const std::map<std::pair<std::int64_t, std::wstring>, std::function<void()>>& Actions() {
    static const std::map<std::pair<std::int64_t, std::wstring>, std::function<void()>> actions = {
        {{0, L"40015"}, [] { theHold.Undo(); }},
    };
    return actions;
}

class ActionManagerValue : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:actionMan>"; }
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name != L"executeaction") return false;
        CheckArgCount(L"executeAction", a, 2);
        // The action id is text in the host's tables; a number is taken as its decimal text.
        const std::wstring id = a[1].Is(Value::Type::String) ? a[1].Str() : std::to_wstring(ArgInt(a[1]));
        auto it = Actions().find({ArgInt(a[0]), id});
        if (it == Actions().end()) {
            out = Value::Bool(false);
        } else {
            it->second();
            out = Value::Bool(true);
        }
        return true;
    }
};

} // namespace

void RegisterActionBuiltins(Interpreter& interp) {
    interp.SetGlobal(L"actionMan", Value::Object(std::make_shared<ActionManagerValue>()));
}
