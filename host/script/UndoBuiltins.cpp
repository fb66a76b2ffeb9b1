// The language's undo context and the "max undo"/"max redo" commands on the host's undo system.
#include "host/core/Hold.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"

#include <memory>
#include <vector>

void RegisterUndoBuiltins(Interpreter& interp) {
    // "undo on (...)" makes one undo step of what the body changes (named by the label, "Script"
    // without one) unless a hold is already open; "undo off (...)" keeps the body's changes out of the
    // undo buffer. Contexts nest, so each entry remembers whether it began a hold.
    auto began = std::make_shared<std::vector<bool>>();
    ScriptContextHooks hooks;
    hooks.enter = [began](Interpreter&, const Value&, bool on) {
        bool begin = on && !theHold.Holding() && !theHold.IsSuspended();
        if (begin) theHold.Begin();
        if (!on) theHold.Suspend();
        began->push_back(begin);
    };
    hooks.leave = [began](Interpreter&, const Value& label, bool on, bool) {
        bool begin = began->back();
        began->pop_back();
        if (!on) theHold.Resume();
        if (begin) theHold.Accept(label.Is(Value::Type::String) ? label.Str().c_str() : L"Script");
    };
    interp.RegisterContext(L"undo", hooks);
    interp.RegisterMaxCommand(L"undo", [](Interpreter&) { theHold.Undo(); });
    interp.RegisterMaxCommand(L"redo", [](Interpreter&) { theHold.Redo(); });
}
