// Named selection sets from script: selectionSets["Set1"] = #($A, $B), selectionSets["Set1"],
// selectionSets.count, deleteItem selectionSets "Set1".
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

INamedSelectionSetManager* Sets() { return GetCOREInterface()->GetNamedSelectionSetManager(); }

// One set, found by name on every access (sets can be renamed or removed under the value).
class SelectionSetValue : public HostObject {
public:
    explicit SelectionSetValue(std::wstring name) : name_(std::move(name)) {}
    std::wstring ClassName() const override { return L"SelectionSet"; }
    std::wstring PrintForm() const override { return L"SelectionSet:" + name_; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name == L"name") out = Value::String(name_);
        else if (name == L"count") out = Value::Int(Sets()->GetNamedSelSetItemCount(Index()));
        else return false;
        return true;
    }
    bool GetIndex(Interpreter&, const Value& index, Value& out) override {
        int set = Index();
        std::int64_t i = ArgInt(index);
        if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
        out = i <= Sets()->GetNamedSelSetItemCount(set) ? MakeNodeValue(Sets()->GetNamedSelSetItem(set, static_cast<int>(i - 1)))
                                                       : Value();
        return true;
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        int set = Index();
        for (int j = 0; j < Sets()->GetNamedSelSetItemCount(set); ++j)
            if (INode* n = Sets()->GetNamedSelSetItem(set, j)) out.push_back(MakeNodeValue(n));
        return true;
    }
    bool Equals(const HostObject& other) const override {
        auto* o = dynamic_cast<const SelectionSetValue*>(&other);
        return o && o->name_ == name_;
    }

private:
    int Index() const {
        int i = Sets()->FindNamedSelSet(name_.c_str());
        if (i < 0) throw ScriptError(L"Runtime error: no selection set named \"" + name_ + L"\"");
        return i;
    }
    std::wstring name_;
};

class SelectionSetsValue : public HostObject {
public:
    std::wstring ClassName() const override { return L"SelectionSetArray"; }
    std::wstring PrintForm() const override { return L"SelectionSetArray"; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name != L"count") return false;
        out = Value::Int(Sets()->GetNumNamedSelSets());
        return true;
    }
    bool GetIndex(Interpreter&, const Value& index, Value& out) override {
        int i = Find(index);
        out = i < 0 ? Value() : Value::Object(std::make_shared<SelectionSetValue>(Sets()->GetNamedSelSetName(i).str()));
        return true;
    }
    bool SetIndex(Interpreter& interp, const Value& index, const Value& value) override {
        std::wstring name;
        if (index.Is(Value::Type::String) || index.Is(Value::Type::Name)) {
            name = index.Is(Value::Type::String) ? index.Str() : index.NameText();
        } else {
            int i = Find(index);
            if (i < 0) throw ScriptError(L"Runtime error: selectionSets index out of range: " + index.PrintForm());
            name = Sets()->GetNamedSelSetName(i).str();
        }
        INodeTab nodes;
        for (INode* n : NodesOf(interp, value, L"selectionSets"))
            nodes.Append(n);
        int existing = Sets()->FindNamedSelSet(name.c_str());
        BOOL ok = existing >= 0 ? Sets()->ReplaceNamedSelSet(nodes, existing) : Sets()->AddNewNamedSelSet(nodes, name.c_str());
        if (!ok) throw ScriptError(L"Runtime error: cannot set selection set \"" + name + L"\"");
        return true;
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        for (int i = 0; i < Sets()->GetNumNamedSelSets(); ++i)
            out.push_back(Value::Object(std::make_shared<SelectionSetValue>(Sets()->GetNamedSelSetName(i).str())));
        return true;
    }
    // By name, or 1-based number; -1 when none.
    static int Find(const Value& index) {
        if (index.Is(Value::Type::String)) return Sets()->FindNamedSelSet(index.Str().c_str());
        if (index.Is(Value::Type::Name)) return Sets()->FindNamedSelSet(index.NameText().c_str());
        std::int64_t i = ArgInt(index);
        return i >= 1 && i <= Sets()->GetNumNamedSelSets() ? static_cast<int>(i - 1) : -1;
    }
};

} // namespace

void RegisterSelectionSetBuiltins(Interpreter& in) {
    auto sets = std::make_shared<SelectionSetsValue>();
    in.RegisterGlobalAccessor(L"selectionSets", [sets](Interpreter&) { return Value::Object(sets); });
    // deleteItem takes the selection sets too; arrays go to the core function.
    Value core;
    in.GetGlobal(L"deleteItem", core);
    in.RegisterFunction(L"deleteItem", [core](Interpreter& i, CallArgs& a) {
        if (a.Count() == 2 && a[0].ObjAs<SelectionSetsValue>()) {
            int set = SelectionSetsValue::Find(a[1]);
            if (set < 0) throw ScriptError(L"Runtime error: no selection set " + a[1].PrintForm());
            Sets()->RemoveNamedSelSet(Sets()->GetNamedSelSetName(set));
            return Value::Ok();
        }
        if (core.IsUndefined()) throw ScriptError(L"Runtime error: deleteItem needs an array, got: " + a[0].PrintForm());
        return i.Call(core, a);
    });
}
