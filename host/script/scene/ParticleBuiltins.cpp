// Particle flows from script: an event's actions (added, removed, switched on and off) and the connections
// that lead particles from a source or a test to an event.
#include "host/scene/INode.h"
#include "host/scene/Object.h"
#include "host/scene/ParticleFlow.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

[[noreturn]] void NoFunctionFor(const Value& v, const wchar_t* fn) {
    if (v.ObjAs<NodeValue>() && !NodeFromValue(v)) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + std::wstring(fn) + L"\" function for " + v.PrintForm());
}

Object* PFObjectOf(const Value& v) {
    INode* n = NodeFromValue(v);
    return GetPFObject(n ? SceneBaseObject(n) : dynamic_cast<Object*>(AnimFromValue(v)));
}

IPFActionList* ArgEvent(const Value& v, const wchar_t* fn) {
    if (IPFActionList* list = GetPFActionListInterface(PFObjectOf(v))) return list;
    NoFunctionFor(v, fn);
}

// A source or a test.
Object* ArgLeader(const Value& v, const wchar_t* fn) {
    Object* obj = PFObjectOf(v);
    if (CanLeadToPFEvent(obj)) return obj;
    NoFunctionFor(v, fn);
}

INode* ArgAction(const Value& v, const wchar_t* fn) {
    INode* node = ArgSceneNode(v, fn);
    if (!IPFActionList::IsAction(node))
        throw ScriptError(L"Runtime error: " + std::wstring(fn) + L": " + node->GetName() +
                          L" is no particle flow action");
    return node;
}

} // namespace

void RegisterParticleBuiltins(Interpreter& in) {
    // pfGetActions event: the event's action nodes, in the order it runs them.
    in.RegisterFunction(L"pfGetActions", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfGetActions", a, 1);
        IPFActionList* list = ArgEvent(a[0], L"pfGetActions");
        std::vector<Value> out;
        for (int i = 0; i < list->NumActions(); ++i) out.push_back(MakeNodeValue(list->GetAction(i)));
        return Value::Array(std::move(out));
    });
    // pfAddAction event action [index]: puts the action (active) before the 1-based index, at the end
    // without one; false when the event runs it already.
    in.RegisterFunction(L"pfAddAction", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfAddAction", a, 2, 3);
        IPFActionList* list = ArgEvent(a[0], L"pfAddAction");
        INode* action = ArgAction(a[1], L"pfAddAction");
        const int index = a.Count() > 2 ? ArgIndexIn(a[2], list->NumActions() + 1, L"pfAddAction", L"place")
                                       : list->NumActions();
        return Value::Bool(list->InsertAction(action, index));
    });
    // pfRemoveAction event action: true when the event ran the action.
    in.RegisterFunction(L"pfRemoveAction", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfRemoveAction", a, 2);
        IPFActionList* list = ArgEvent(a[0], L"pfRemoveAction");
        return Value::Bool(list->RemoveAction(list->FindAction(ArgAction(a[1], L"pfRemoveAction"))));
    });
    // pfSetActionActive event action on: true when the event runs the action.
    in.RegisterFunction(L"pfSetActionActive", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfSetActionActive", a, 3);
        IPFActionList* list = ArgEvent(a[0], L"pfSetActionActive");
        const int index = list->FindAction(ArgAction(a[1], L"pfSetActionActive"));
        return Value::Bool(list->ActivateAction(index, ArgBool(a[2])));
    });
    // pfIsActionActive event action: undefined when the event does not run the action.
    in.RegisterFunction(L"pfIsActionActive", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfIsActionActive", a, 2);
        IPFActionList* list = ArgEvent(a[0], L"pfIsActionActive");
        const int index = list->FindAction(ArgAction(a[1], L"pfIsActionActive"));
        return index < 0 ? Value::Undefined() : Value::Bool(list->IsActionActive(index));
    });
    // pfConnect from event: leads the particles of a source or a test to the event.
    in.RegisterFunction(L"pfConnect", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfConnect", a, 2);
        Object* from = ArgLeader(a[0], L"pfConnect");
        INode* event = ArgSceneNode(a[1], L"pfConnect");
        if (!SetPFNextEvent(from, event))
            throw ScriptError(L"Runtime error: pfConnect: " + std::wstring(event->GetName()) +
                              L" is no particle flow event");
        return Value::Ok();
    });
    // pfDisconnect from: true when the source or test led to an event.
    in.RegisterFunction(L"pfDisconnect", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfDisconnect", a, 1);
        Object* from = ArgLeader(a[0], L"pfDisconnect");
        const bool was = GetPFNextEvent(from) != nullptr;
        SetPFNextEvent(from, nullptr);
        return Value::Bool(was);
    });
    // pfGetNextEvent from: the event node a source or a test leads to, undefined when unconnected.
    in.RegisterFunction(L"pfGetNextEvent", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"pfGetNextEvent", a, 1);
        INode* next = GetPFNextEvent(ArgLeader(a[0], L"pfGetNextEvent"));
        return next ? MakeNodeValue(next) : Value::Undefined();
    });
}
