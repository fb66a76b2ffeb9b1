// The "callbacks" interface: script texts and functions run when the host broadcasts a notification.
#include "host/script/ScriptCallbacks.h"

#include "host/core/Notify.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptOutput.h"

#include <algorithm>
#include <array>
#include <memory>
#include <string>
#include <vector>

namespace {

struct EventName {
    const wchar_t* lower;
    const wchar_t* name;
    int code;
};

constexpr std::array kEvents = {
    EventName{L"filepreopen", L"filePreOpen", NOTIFY_FILE_PRE_OPEN},
    EventName{L"filepostopen", L"filePostOpen", NOTIFY_FILE_POST_OPEN},
    EventName{L"filepresave", L"filePreSave", NOTIFY_FILE_PRE_SAVE},
    EventName{L"filepostsave", L"filePostSave", NOTIFY_FILE_POST_SAVE},
    EventName{L"filepremerge", L"filePreMerge", NOTIFY_FILE_PRE_MERGE},
    EventName{L"filepostmerge", L"filePostMerge", NOTIFY_FILE_POST_MERGE},
    EventName{L"systemprereset", L"systemPreReset", NOTIFY_SYSTEM_PRE_RESET},
    EventName{L"systempostreset", L"systemPostReset", NOTIFY_SYSTEM_POST_RESET},
    EventName{L"systemprenew", L"systemPreNew", NOTIFY_SYSTEM_PRE_NEW},
    EventName{L"systempostnew", L"systemPostNew", NOTIFY_SYSTEM_POST_NEW},
    EventName{L"nodecreated", L"nodeCreated", NOTIFY_NODE_CREATED},
    EventName{L"scenenodeadded", L"sceneNodeAdded", NOTIFY_SCENE_ADDED_NODE},
    EventName{L"nodepredelete", L"nodePreDelete", NOTIFY_SCENE_PRE_DELETED_NODE},
    EventName{L"nodepostdelete", L"nodePostDelete", NOTIFY_SCENE_POST_DELETED_NODE},
    EventName{L"noderenamed", L"nodeRenamed", NOTIFY_NODE_RENAMED},
    EventName{L"selectionsetchanged", L"selectionSetChanged", NOTIFY_SELECTIONSET_CHANGED},
    EventName{L"layercreated", L"layerCreated", NOTIFY_LAYER_CREATED},
    EventName{L"layerdeleted", L"layerDeleted", NOTIFY_LAYER_DELETED},
    EventName{L"postmodifieradded", L"postModifierAdded", NOTIFY_POST_MODIFIER_ADDED},
    EventName{L"postmodifierdeleted", L"postModifierDeleted", NOTIFY_POST_MODIFIER_DELETED},
};

const EventName& EventArg(const wchar_t* function, const Value& v) {
    if (!v.Is(Value::Type::Name)) ThrowConvertError(v, L"Name");
    const std::wstring lower = LowerName(v.NameText());
    for (const EventName& e : kEvents)
        if (lower == e.lower) return e;
    throw ScriptError(L"Runtime error: " + std::wstring(function) + L": no callback type " + v.PrintForm());
}

class ScriptCallbacks : public HostObject {
public:
    explicit ScriptCallbacks(Interpreter& interp) : interp_(interp) {}
    ~ScriptCallbacks() override { UnRegisterNotification(&ScriptCallbacks::Notified, this); }
    ScriptCallbacks(const ScriptCallbacks&) = delete;
    ScriptCallbacks& operator=(const ScriptCallbacks&) = delete;

    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:callbacks>"; }

    bool CallMethod(Interpreter& interp, const std::wstring& name, CallArgs& a, Value& out) override {
        out = Value::Ok();
        if (name == L"addscript") {
            CheckArgCount(L"callbacks.addScript", a, 2);
            const EventName& event = EventArg(L"callbacks.addScript", a[0]);
            if (!a[1].Is(Value::Type::Function)) ArgString(a[1]); // a text or a function
            const Value id = a.KeywordOr(L"id", Value());
            if (!id.IsUndefined() && !id.Is(Value::Type::Name)) ThrowConvertError(id, L"Name");
            entries_.push_back({&event, a[1], id});
            RegisterNotification(&ScriptCallbacks::Notified, this, event.code);
        } else if (name == L"removescripts") {
            CheckArgCount(L"callbacks.removeScripts", a, 0, 1);
            const EventName* event = a.Count() ? &EventArg(L"callbacks.removeScripts", a[0]) : nullptr;
            const Value* id = a.Keyword(L"id");
            std::erase_if(entries_, [&](const Entry& e) {
                return (!event || e.event == event) && (!id || e.id == *id);
            });
        } else if (name == L"show") {
            CheckArgCount(L"callbacks.show", a, 0);
            for (const Entry& e : entries_)
                interp.Output().Write(L"#" + std::wstring(e.event->name) + L": " +
                                      (e.id.IsUndefined() ? std::wstring() : L"id:" + e.id.PrintForm() + L" ") +
                                      e.script.PrintForm() + L"\n");
        } else {
            return false;
        }
        return true;
    }

private:
    struct Entry {
        const EventName* event;
        Value script; // a text or a function
        Value id;     // a name, or undefined
    };

    // Runs the scripts of this notification in the order they were added. A failing script does not stop
    // the host's operation nor the other scripts: its error goes to the listener.
    static void Notified(void* param, NotifyInfo* info) {
        auto* self = static_cast<ScriptCallbacks*>(param);
        std::vector<Entry> due;
        for (const Entry& e : self->entries_)
            if (e.event->code == info->intcode) due.push_back(e);
        for (const Entry& e : due) {
            try {
                if (e.script.Is(Value::Type::Function)) {
                    CallArgs none;
                    self->interp_.Call(e.script, none);
                } else {
                    self->interp_.Run(e.script.Str(), L"callback #" + std::wstring(e.event->name));
                }
            } catch (const ScriptError& error) {
                self->interp_.Output().Write(L"-- Error in #" + std::wstring(e.event->name) +
                                             L" callback script: " + error.Message().str() + L"\n");
            }
        }
    }

    Interpreter& interp_;
    std::vector<Entry> entries_;
};

} // namespace

void RegisterScriptCallbacks(Interpreter& in) {
    in.SetGlobal(L"callbacks", Value::Object(std::make_shared<ScriptCallbacks>(in)));
}
