// The language's undo context and the "max undo"/"max redo" commands on the host's undo system.
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"

#include <memory>
#include <vector>

void RegisterUndoBuiltins(Interpreter& interp) {
    // "undo on (...)" makes one undo step of what the body changes (named by the label, "Script"
    // without one) unless a hold is already open; "undo off (...)" keeps the body's changes out of the
    // undo buffer. Contexts nest, so each entry remembers whether it began a hold, and an "undo off" entry
    // owns its suspension: leaving the context, however it is left, resumes the hold.
    struct Entry {
        bool began = false;
        std::unique_ptr<HoldSuspend> suspend;
    };
    auto entries = std::make_shared<std::vector<Entry>>();
    ScriptContextHooks hooks;
    hooks.enter = [entries](Interpreter&, const Value&, bool on) {
        const bool begin = on && !theHold.Holding() && !theHold.IsSuspended();
        entries->push_back({begin, on ? nullptr : std::make_unique<HoldSuspend>()});
        if (begin) theHold.Begin();
    };
    hooks.leave = [entries](Interpreter&, const Value& label, bool, bool) {
        const bool began = entries->back().began;
        entries->pop_back();
        if (began) theHold.Accept(label.Is(Value::Type::String) ? label.Str().c_str() : L"Script");
    };
    interp.RegisterContext(L"undo", hooks);
    interp.RegisterMaxCommand(L"undo", [](Interpreter&) { theHold.Undo(); });
    interp.RegisterMaxCommand(L"redo", [](Interpreter&) { theHold.Redo(); });
}
