// Scene queries of the script language: the scene collections by kind of object, isDeleted, getPropNames,
// getSubAnimNames, getNumSubs and the nodes' user properties.
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/ParamAccess.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>
#include <set>
#include <stdexcept>
#include <sstream>

namespace {

// The scene's nodes (parents before children) whose base object has the super class.
Value NodesOfKind(SClass_ID kind) {
    std::vector<Value> out;
    std::vector<INode*> stack{GetCOREInterface()->GetRootNode()};
    while (!stack.empty()) {
        INode* n = stack.back();
        stack.pop_back();
        Object* obj = n->IsRootNode() || !n->GetObjectRef() ? nullptr : n->GetObjectRef()->FindBaseObject();
        if (obj && obj->SuperClassID() == kind) out.push_back(MakeNodeValue(n));
        for (int i = n->NumberOfChildren() - 1; i >= 0; --i) stack.push_back(n->GetChildNode(i));
    }
    return Value::Array(std::move(out));
}

// The node a user property function works on; anything else raises the conversion error.
INode* NodeArg(const Value& v) {
    INode* n = NodeFromValue(v);
    if (!n) ThrowConvertError(v, L"Node");
    return n;
}

std::wstring Trimmed(const std::wstring& s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(static_cast<wint_t>(s[b]))) ++b;
    while (e > b && std::iswspace(static_cast<wint_t>(s[e - 1]))) --e;
    return s.substr(b, e - b);
}

bool SameKey(const std::wstring& a, const std::wstring& b) {
    return LowerName(a) == LowerName(b);
}

// The buffer's lines; a key's line is "key = value" (the key compared without case).
std::vector<std::wstring> Lines(const std::wstring& buffer) {
    std::vector<std::wstring> lines;
    std::wstringstream in(buffer);
    for (std::wstring line; std::getline(in, line);) {
        if (!line.empty() && line.back() == L'\r') line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

// A stored value as the host reads it back: numbers and booleans as such, anything else as a string.
Value UserPropValue(const std::wstring& text) {
    if (SameKey(text, L"true")) return Value::Bool(true);
    if (SameKey(text, L"false")) return Value::Bool(false);
    if (!text.empty()) {
        size_t used = 0;
        try {
            const long long i = std::stoll(text, &used);
            if (used == text.size()) return Value::Int(i);
            const double f = std::stod(text, &used);
            if (used == text.size()) return Value::Float(f);
        } catch (const std::exception&) {
        }
    }
    return Value::String(text);
}

// Names as the host gives them for sub-animatables: spaces become "_".
Value NameOf(std::wstring s) {
    for (wchar_t& c : s)
        if (c == L' ') c = L'_';
    return Value::Name(s);
}

Animatable* AnimArg(const wchar_t* fn, const Value& v) {
    Animatable* a = AnimFromValue(v);
    if (!a) throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a scene object, got: " + v.PrintForm());
    return a;
}

} // namespace

void RegisterSceneQueryBuiltins(Interpreter& in) {
    const std::pair<const wchar_t*, SClass_ID> kinds[] = {{L"geometry", GEOMOBJECT_CLASS_ID}, {L"lights", LIGHT_CLASS_ID},
                                                          {L"cameras", CAMERA_CLASS_ID},     {L"helpers", HELPER_CLASS_ID},
                                                          {L"shapes", SHAPE_CLASS_ID}};
    for (const auto& [name, kind] : kinds) {
        const SClass_ID k = kind;
        in.RegisterGlobalAccessor(name, [k](Interpreter&) { return NodesOfKind(k); });
    }

    // uniqueName <prefix> [numDigits:<n>]: the prefix with the first number no scene node's name has.
    in.RegisterFunction(L"uniqueName", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"uniqueName", a, 1);
        const std::wstring prefix = ArgString(a[0]);
        const std::int64_t digits = ArgInt(a.KeywordOr(L"numdigits", Value::Int(3)));
        if (digits < 1 || digits > 9)
            throw ScriptError(L"Runtime error: uniqueName numDigits must be from 1 to 9, got: " + std::to_wstring(digits));
        std::set<std::wstring> taken;
        std::vector<INode*> stack{GetCOREInterface()->GetRootNode()};
        while (!stack.empty()) {
            INode* n = stack.back();
            stack.pop_back();
            taken.insert(LowerName(n->GetName()));
            for (int i = 0; i < n->NumberOfChildren(); ++i) stack.push_back(n->GetChildNode(i));
        }
        for (std::int64_t k = 1;; ++k) {
            std::wstring number = std::to_wstring(k);
            if (static_cast<std::int64_t>(number.size()) < digits) number.insert(0, static_cast<size_t>(digits) - number.size(), L'0');
            if (!taken.count(LowerName(prefix + number))) return Value::String(prefix + number);
        }
    });
    in.RegisterFunction(L"isDeleted", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isDeleted", a, 1);
        if (a[0].ObjAs<NodeValue>()) return Value::Bool(NodeFromValue(a[0]) == nullptr);
        if (a[0].ObjAs<AnimValue>()) return Value::Bool(AnimFromValue(a[0]) == nullptr);
        ThrowConvertError(a[0], L"MAXWrapper");
    });
    in.RegisterFunction(L"getPropNames", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getPropNames", a, 1);
        Animatable* anim = AnimArg(L"getPropNames", a[0]);
        // A node's properties are its object's.
        if (INode* n = NodeFromValue(a[0])) anim = n->GetObjectRef() ? n->GetObjectRef()->FindBaseObject() : nullptr;
        std::vector<Value> names;
        if (anim)
            for (const std::wstring& p : ParamNames(anim)) names.push_back(Value::Name(p));
        return Value::Array(std::move(names));
    });
    in.RegisterFunction(L"getSubAnimNames", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getSubAnimNames", a, 1);
        Animatable* anim = AnimArg(L"getSubAnimNames", a[0]);
        std::vector<Value> names;
        for (int i = 0; i < anim->NumSubs(); ++i) names.push_back(NameOf(anim->SubAnimName(i).str()));
        return Value::Array(std::move(names));
    });
    in.RegisterFunction(L"getNumSubs", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getNumSubs", a, 1);
        return Value::Int(AnimArg(L"getNumSubs", a[0])->NumSubs());
    });

    in.RegisterFunction(L"getUserPropBuffer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getUserPropBuffer", a, 1);
        return Value::String(NodeArg(a[0])->GetUserPropBuffer().str());
    });
    in.RegisterFunction(L"setUserPropBuffer", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setUserPropBuffer", a, 2);
        NodeArg(a[0])->SetUserPropBuffer(MSTR(ArgString(a[1]).c_str()));
        return Value::Ok();
    });
    in.RegisterFunction(L"getUserProp", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getUserProp", a, 2);
        INode* n = NodeArg(a[0]);
        const std::wstring key = a[1].Is(Value::Type::Name) ? a[1].NameText() : ArgString(a[1]);
        for (const std::wstring& line : Lines(n->GetUserPropBuffer().str())) {
            const size_t eq = line.find(L'=');
            if (eq != std::wstring::npos && SameKey(Trimmed(line.substr(0, eq)), key))
                return UserPropValue(Trimmed(line.substr(eq + 1)));
        }
        return Value();
    });
    in.RegisterFunction(L"setUserProp", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setUserProp", a, 3);
        INode* n = NodeArg(a[0]);
        const std::wstring key = a[1].Is(Value::Type::Name) ? a[1].NameText() : ArgString(a[1]);
        const std::wstring entry = key + L" = " + a[2].FormatForm();
        std::vector<std::wstring> lines = Lines(n->GetUserPropBuffer().str());
        bool replaced = false;
        for (std::wstring& line : lines) {
            const size_t eq = line.find(L'=');
            if (!replaced && eq != std::wstring::npos && SameKey(Trimmed(line.substr(0, eq)), key)) {
                line = entry;
                replaced = true;
            }
        }
        if (!replaced) lines.push_back(entry);
        std::wstring buffer;
        for (const std::wstring& line : lines) buffer += line + L"\r\n";
        n->SetUserPropBuffer(MSTR(buffer.c_str()));
        return Value::Ok();
    });
}
