// Scene access from script: $paths, objects, selection, and the functions that find, select, delete,
// hide, freeze and transform nodes.
#include "host/core/Matrix3.h"
#include "host/core/RemapDir.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/QuatValue.h"
#include "host/script/scene/SceneProperties.h"

#include <functional>

namespace {

Interface* Ip() { return GetCOREInterface(); }

// Every node of the scene below the root, parents before children.
std::vector<INode*> SceneNodes() {
    std::vector<INode*> out;
    std::vector<INode*> stack{Ip()->GetRootNode()};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        if (!n->IsRootNode()) out.push_back(n);
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i)
            stack.push_back(n->GetChildNode(i));
    }
    return out;
}

Value NodeArray(const std::vector<INode*>& nodes) {
    std::vector<Value> items;
    items.reserve(nodes.size());
    for (INode* n : nodes)
        items.push_back(MakeNodeValue(n));
    return Value::Array(std::move(items));
}

std::vector<INode*> Selection() {
    INodeTab tab;
    Ip()->GetSelNodeTab(tab);
    std::vector<INode*> out;
    for (int i = 0; i < tab.Count(); ++i)
        out.push_back(tab[i]);
    return out;
}

// "$Box01", "$Wall*", "$Group01/Box01", "$" (the selection: the node when one is selected).
Value ResolvePath(Interpreter&, const std::wstring& path, bool quoted) {
    if (path.empty()) {
        std::vector<INode*> sel = Selection();
        if (sel.empty()) return Value();
        return sel.size() == 1 ? MakeNodeValue(sel[0]) : NodeArray(sel);
    }
    bool wild = !quoted && path.find_first_of(L"*?") != std::wstring::npos;
    size_t slash = quoted ? std::wstring::npos : path.find(L'/');
    if (slash == std::wstring::npos) {
        if (!wild) return MakeNodeValue(Ip()->GetINodeByName(path.c_str()));
        std::vector<INode*> matches;
        for (INode* n : SceneNodes())
            if (MatchWildcard(n->GetName(), path, true)) matches.push_back(n);
        return NodeArray(matches);
    }
    // A hierarchy path: each level names (or matches) children of the level above.
    std::vector<INode*> level{Ip()->GetRootNode()};
    size_t start = 0;
    while (start <= path.size()) {
        size_t end = path.find(L'/', start);
        std::wstring part = path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start);
        std::vector<INode*> next;
        for (INode* p : level)
            for (int i = 0; i < p->NumberOfChildren(); ++i)
                if (MatchWildcard(p->GetChildNode(i)->GetName(), part, true)) next.push_back(p->GetChildNode(i));
        level.swap(next);
        if (end == std::wstring::npos) break;
        start = end + 1;
    }
    if (!wild && level.size() <= 1) return level.empty() ? Value() : MakeNodeValue(level[0]);
    return NodeArray(level);
}

} // namespace

// The nodes an argument names: a node, an array or any collection of nodes. Deleted nodes raise the
// error; undefined items are skipped.
std::vector<INode*> NodesOf(Interpreter& interp, const Value& v, const wchar_t* fn) {
    std::vector<INode*> out;
    auto add = [&](const Value& item) {
        if (item.IsUndefined()) return;
        INode* n = NodeFromValue(item);
        if (!n) {
            if (item.ObjAs<NodeValue>()) ThrowDeleted(L"scene node");
            throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs nodes, got: " + item.PrintForm());
        }
        out.push_back(n);
    };
    if (v.Is(Value::Type::Array)) {
        for (const Value& item : v.Items())
            add(item);
    } else if (v.Is(Value::Type::Object) && !v.ObjAs<NodeValue>()) {
        std::vector<Value> items;
        if (!v.Obj()->Enumerate(interp, items))
            throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs nodes, got: " + v.PrintForm());
        for (const Value& item : items)
            add(item);
    } else {
        add(v);
    }
    return out;
}

void RegisterNodeBuiltins(Interpreter& in) {
    in.SetPathResolver(ResolvePath);
    in.RegisterGlobalAccessor(L"objects", [](Interpreter&) { return NodeArray(SceneNodes()); });
    in.RegisterGlobalAccessor(L"selection", [](Interpreter&) { return NodeArray(Selection()); });
    in.RegisterGlobalAccessor(L"rootNode", [](Interpreter&) { return MakeNodeValue(Ip()->GetRootNode()); });

    in.RegisterFunction(L"getNodeByName", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getNodeByName", a, 1);
        const std::wstring& name = ArgString(a[0]);
        bool exact = a.Keyword(L"exact") && ArgBool(*a.Keyword(L"exact"));
        bool ignoreCase = !a.Keyword(L"ignorecase") || ArgBool(*a.Keyword(L"ignorecase"));
        if (a.Keyword(L"all") && ArgBool(*a.Keyword(L"all"))) {
            // Every node of that name, in scene order; an empty array when there is none.
            std::wstring wanted = ignoreCase && !exact ? LowerName(name) : name;
            std::vector<Value> found;
            for (INode* c : SceneNodes()) {
                std::wstring have = c->GetName();
                if ((ignoreCase && !exact ? LowerName(have) : have) == wanted) found.push_back(MakeNodeValue(c));
            }
            return Value::Array(std::move(found));
        }
        INode* n = Ip()->GetINodeByName(name.c_str());
        if (n && (exact || !ignoreCase) && name != n->GetName()) {
            n = nullptr; // the index folds case; look for the exact spelling
            for (INode* c : SceneNodes())
                if (name == c->GetName()) {
                    n = c;
                    break;
                }
        }
        return MakeNodeValue(n);
    });
    // "copy" of a node makes a new node (the clone the host's copy command makes, named uniquely); of a
    // material, modifier, controller or any other scene object, an independent copy of it. Other values
    // copy as the language's own "copy" does.
    Value coreCopy;
    in.GetGlobal(L"copy", coreCopy);
    in.RegisterFunction(L"copy", [coreCopy](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"copy", a, 1);
        if (a[0].ObjAs<NodeValue>()) {
            INode* n = NodeFromValue(a[0]);
            if (!n) ThrowDeleted(L"scene node");
            INodeTab from, made;
            from.Append(n);
            if (!Ip()->CloneNodes(from, Point3(), false, NODE_COPY, nullptr, &made) || made.Count() != 1)
                throw ScriptError(L"Runtime error: copy: cannot copy " + a[0].PrintForm());
            return MakeNodeValue(made[0]);
        }
        if (a[0].ObjAs<AnimValue>()) {
            Animatable* anim = AnimFromValue(a[0]);
            auto* target = dynamic_cast<ReferenceTarget*>(anim);
            ReferenceTarget* clone = target ? CloneRefHierarchy(target) : nullptr;
            if (!clone) throw ScriptError(L"Runtime error: copy: cannot copy " + a[0].PrintForm());
            return MakeAnimValue(clone);
        }
        return i.Call(coreCopy, a);
    });
    in.RegisterFunction(L"isValidNode", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isValidNode", a, 1);
        return Value::Bool(NodeFromValue(a[0]) != nullptr);
    });
    auto selectWith = [](bool clearFirst) {
        return [clearFirst](Interpreter& i, CallArgs& a) {
            CheckArgCount(clearFirst ? L"select" : L"selectMore", a, 1);
            std::vector<INode*> nodes = NodesOf(i, a[0], clearFirst ? L"select" : L"selectMore");
            if (clearFirst) Ip()->ClearNodeSelection(FALSE);
            INodeTab tab;
            for (INode* n : nodes)
                tab.Append(n);
            Ip()->SelectNodeTab(tab, TRUE, FALSE);
            return Value::Ok();
        };
    };
    in.RegisterFunction(L"select", selectWith(true));
    in.RegisterFunction(L"selectMore", selectWith(false));
    in.RegisterFunction(L"deselect", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"deselect", a, 1);
        INodeTab tab;
        for (INode* n : NodesOf(i, a[0], L"deselect"))
            tab.Append(n);
        Ip()->SelectNodeTab(tab, FALSE, FALSE);
        return Value::Ok();
    });
    in.RegisterFunction(L"clearSelection", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"clearSelection", a, 0);
        Ip()->ClearNodeSelection(FALSE);
        return Value::Ok();
    });
    in.RegisterFunction(L"delete", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"delete", a, 1);
        std::vector<INode*> nodes = NodesOf(i, a[0], L"delete");
        // By handle: deleting a parent moves its children, so later pointers stay valid, but a node named
        // twice must go once.
        std::vector<ULONG> handles;
        for (INode* n : nodes)
            handles.push_back(n->GetHandle());
        std::int64_t count = 0;
        for (ULONG h : handles)
            if (INode* n = Ip()->GetINodeByHandle(h)) {
                Ip()->DeleteNode(n, FALSE);
                ++count;
            }
        return a[0].Is(Value::Type::Array) ? Value::Int(count) : Value::Ok();
    });
    auto forEach = [&in](const wchar_t* name, std::function<void(INode*)> f) {
        std::wstring fn = name;
        in.RegisterFunction(fn, [fn, f](Interpreter& i, CallArgs& a) {
            CheckArgCount(fn.c_str(), a, 1);
            for (INode* n : NodesOf(i, a[0], fn.c_str()))
                f(n);
            return Value::Ok();
        });
    };
    forEach(L"hide", [](INode* n) { n->Hide(TRUE); });
    forEach(L"unhide", [](INode* n) { n->Hide(FALSE); });
    forEach(L"freeze", [](INode* n) { n->Freeze(TRUE); });
    forEach(L"unfreeze", [](INode* n) { n->Freeze(FALSE); });
}
