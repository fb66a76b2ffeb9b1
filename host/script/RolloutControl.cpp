// Rollout controls from a body's text: their classes, properties and the values the declaration gives.
#include "host/script/RolloutControl.h"

#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/Parser.h"
#include "host/script/ScriptError.h"

#include <algorithm>
#include <cmath>

namespace {

struct ControlKind {
    const wchar_t* word;
    const wchar_t* className;
};

const ControlKind kKinds[] = {
    {L"button", L"ButtonControl"},         {L"checkbox", L"CheckBoxControl"},
    {L"checkbutton", L"CheckButtonControl"}, {L"spinner", L"SpinnerControl"},
    {L"slider", L"SliderControl"},         {L"edittext", L"EditTextControl"},
    {L"label", L"LabelControl"},           {L"dropdownlist", L"ComboBoxControl"},
    {L"combobox", L"ComboBoxControl"},     {L"listbox", L"ListBoxControl"},
    {L"radiobuttons", L"RadioControl"},    {L"colorpicker", L"ColorPickerControl"},
    {L"progressbar", L"ProgressBar"},      {L"pickbutton", L"PickButtonControl"},
    {L"groupbox", L"GroupBoxControl"},     {L"timer", L"Timer"},
};

bool IsOneOf(const std::wstring& type, std::initializer_list<const wchar_t*> words) {
    return std::any_of(words.begin(), words.end(), [&](const wchar_t* w) { return type == w; });
}

bool IsList(const std::wstring& type) { return IsOneOf(type, {L"dropdownlist", L"combobox", L"listbox"}); }
bool IsRanged(const std::wstring& type) { return IsOneOf(type, {L"spinner", L"slider"}); }

} // namespace

bool IsRolloutControlWord(const std::wstring& lowerWord) {
    return std::any_of(std::begin(kKinds), std::end(kKinds), [&](const ControlKind& k) { return lowerWord == k.word; });
}

std::wstring RolloutControl::ClassName() const {
    for (const ControlKind& k : kKinds)
        if (type_ == k.word) return k.className;
    return L"RolloutControl";
}

Value* RolloutControl::Find(const std::wstring& lowerName) {
    for (auto& [k, v] : props_)
        if (k == lowerName) return &v;
    return nullptr;
}

void RolloutControl::Set(const std::wstring& lowerName, const Value& value) {
    if (Value* v = Find(lowerName)) *v = value;
    else props_.emplace_back(lowerName, value);
}

// Each property checks its value as the control does: a spinner keeps its value inside its range and of
// its type, a list's selection is an index of its items (0: none).
bool RolloutControl::Declare(Interpreter& interp, const std::wstring& key, const Value& v) {
    if (key == L"caption" || (key == L"text" && type_ != L"edittext")) {
        Set(L"caption", Value::String(v.FormatForm()));
    } else if (key == L"enabled" || key == L"visible") {
        Set(key, Value::Bool(ArgBool(v)));
    } else if (key == L"checked" && IsOneOf(type_, {L"checkbox", L"checkbutton"})) {
        Set(key, Value::Bool(ArgBool(v)));
    } else if (key == L"text" && type_ == L"edittext") {
        Set(key, Value::String(v.FormatForm()));
    } else if (key == L"range" && IsRanged(type_)) {
        if (!v.Is(Value::Type::Point3)) ThrowConvertError(v, L"Point3");
        Set(key, v);
        const Value* cur = Find(L"value");
        Declare(interp, L"value", cur ? Value(*cur) : Value::Float(v.AsPoint().z));
    } else if (key == L"type" && type_ == L"spinner") {
        if (!v.Is(Value::Type::Name)) ThrowConvertError(v, L"Name");
        Set(key, Value::Name(LowerName(v.NameText())));
        if (const Value* cur = Find(L"value")) Declare(interp, L"value", Value(*cur));
    } else if (key == L"value" && (IsRanged(type_) || type_ == L"progressbar")) {
        double x = ArgFloat(v);
        if (IsRanged(type_)) {
            const Value* range = Find(L"range");
            const Point3 r = range ? range->AsPoint() : Point3(0, 100, 0);
            x = std::clamp(x, static_cast<double>(r.x), static_cast<double>(std::max(r.x, r.y)));
        }
        const Value* t = Find(L"type");
        const bool whole = type_ == L"slider" ? false : t && t->NameText() == L"integer";
        Set(key, whole ? Value::Int(static_cast<std::int64_t>(std::lround(x))) : Value::Float(x));
    } else if (key == L"items" && IsList(type_)) {
        std::vector<Value> items;
        for (const Value& item : ArgArray(v)) items.push_back(Value::String(item.FormatForm()));
        Set(key, Value::Array(std::move(items)));
        Complete();
    } else if (key == L"selection" && IsList(type_)) {
        const std::int64_t i = ArgInt(v);
        const Value* items = Find(L"items");
        const auto count = static_cast<std::int64_t>(items ? items->Items().size() : 0);
        Set(key, Value::Int(i >= 0 && i <= count ? i : 0));
    } else if (key == L"labels" && type_ == L"radiobuttons") {
        Set(key, Value::Array(ArgArray(v)));
    } else if ((key == L"default" || key == L"state") && type_ == L"radiobuttons") {
        Set(L"state", Value::Int(ArgInt(v)));
    } else if (key == L"color" && IsOneOf(type_, {L"colorpicker", L"progressbar"})) {
        if (!v.Is(Value::Type::Color)) ThrowConvertError(v, L"Color");
        Set(key, v);
    } else if (key == L"interval" && type_ == L"timer") {
        Set(key, Value::Int(ArgInt(v)));
    } else if (key == L"active" && type_ == L"timer") {
        Set(key, Value::Bool(ArgBool(v)));
    } else {
        return false;
    }
    return true;
}

void RolloutControl::Complete() {
    if (!Find(L"caption")) Set(L"caption", Value::String(type_ == L"edittext" || IsList(type_) ? L"" : name_));
    if (!Find(L"enabled")) Set(L"enabled", Value::Bool(true));
    if (!Find(L"visible")) Set(L"visible", Value::Bool(true));
    if (IsOneOf(type_, {L"checkbox", L"checkbutton"}) && !Find(L"checked")) Set(L"checked", Value::Bool(false));
    if (type_ == L"edittext" && !Find(L"text")) Set(L"text", Value::String(L""));
    if (IsRanged(type_) && !Find(L"range")) Set(L"range", Value::Point(Point3(0, 100, 0)));
    if (IsRanged(type_) && !Find(L"value")) {
        const double start = Find(L"range")->AsPoint().z;
        const Value* t = Find(L"type");
        Set(L"value", t && t->NameText() == L"integer" ? Value::Int(std::lround(start)) : Value::Float(start));
    }
    if (IsList(type_)) {
        if (!Find(L"items")) Set(L"items", Value::Array());
        const auto count = static_cast<std::int64_t>(Find(L"items")->Items().size());
        const Value* sel = Find(L"selection");
        const std::int64_t s = sel ? sel->AsInt() : (type_ == L"listbox" || count ? 1 : 0);
        Set(L"selection", Value::Int(s <= count ? s : count));
    }
    if (type_ == L"radiobuttons" && !Find(L"state")) Set(L"state", Value::Int(1));
    if (type_ == L"radiobuttons" && !Find(L"labels")) Set(L"labels", Value::Array());
    if (type_ == L"colorpicker" && !Find(L"color")) Set(L"color", Value::Colour(Point3(0, 0, 0)));
    if (type_ == L"progressbar" && !Find(L"value")) Set(L"value", Value::Float(0));
    if (type_ == L"pickbutton" && !Find(L"object")) Set(L"object", Value());
    if (type_ == L"timer" && !Find(L"interval")) Set(L"interval", Value::Int(1000));
    if (type_ == L"timer" && !Find(L"active")) Set(L"active", Value::Bool(true));
}

bool RolloutControl::GetProperty(Interpreter&, const std::wstring& name, Value& out) {
    const std::wstring key = name == L"text" && type_ != L"edittext" ? L"caption" : name;
    if (key == L"name") {
        out = Value::String(name_);
        return true;
    }
    if (key == L"selected" && IsList(type_)) {
        const std::int64_t s = Find(L"selection")->AsInt();
        const auto& items = Find(L"items")->Items();
        out = s >= 1 && s <= static_cast<std::int64_t>(items.size()) ? items[static_cast<size_t>(s - 1)] : Value();
        return true;
    }
    if (const Value* v = Find(key)) {
        out = *v;
        return true;
    }
    return false;
}

bool RolloutControl::SetProperty(Interpreter& interp, const std::wstring& name, const Value& value) {
    if (name == L"object" && type_ == L"pickbutton") {
        Set(name, value);
        return true;
    }
    if (name == L"selected" && IsList(type_)) {
        const auto& items = Find(L"items")->Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i] == value) return Declare(interp, L"selection", Value::Int(static_cast<std::int64_t>(i + 1)));
        return Declare(interp, L"selection", Value::Int(0));
    }
    // Only what the control has: a property it lacks is the language's unknown-property error.
    const std::wstring key = name == L"text" && type_ != L"edittext" ? L"caption" : name;
    if (!Find(key)) return false;
    return Declare(interp, name, value);
}

namespace {

// The statements of a body at its top level: each runs from a line start (or ";") to the next at depth 0.
struct Statement {
    size_t first, last; // token indices, inclusive
};

std::vector<Statement> SplitStatements(const std::vector<Token>& tokens, size_t begin, size_t end) {
    std::vector<Statement> out;
    int depth = 0;
    size_t start = begin;
    for (size_t i = begin; i < end; ++i) {
        const Token& t = tokens[i];
        if (t.IsPunct(L"(") || t.IsPunct(L"[") || t.kind == TokenKind::ArrayOpen || t.kind == TokenKind::BitOpen) ++depth;
        if (t.IsPunct(L")") || t.IsPunct(L"]") || t.IsPunct(L"}")) --depth;
        const bool ends = depth == 0 && (t.kind == TokenKind::Newline || t.IsPunct(L";"));
        if (ends) {
            if (i > start) out.push_back({start, i - 1});
            start = i + 1;
        }
    }
    if (end > start) out.push_back({start, end - 1});
    return out;
}

class ContentsBuilder {
public:
    ContentsBuilder(Interpreter& in, const std::wstring& text, const std::wstring& source)
        : in_(in), text_(text), source_(source), tokens_(Tokenize(text, source)) {}

    RolloutContents Build() {
        size_t end = tokens_.size();
        while (end > 0 && tokens_[end - 1].kind == TokenKind::End) --end;
        Walk(0, end);
        return std::move(out_);
    }

private:
    void Walk(size_t begin, size_t end) {
        for (const Statement& s : SplitStatements(tokens_, begin, end)) {
            const Token& first = tokens_[s.first];
            if (first.IsPunct(L"(")) {
                Walk(s.first + 1, s.last); // a group's or a handler's parenthesised body
            } else if (first.IsKeyword(L"local")) {
                Local(s);
            } else if (first.kind == TokenKind::Identifier && LowerName(first.text) == L"group") {
                for (size_t i = s.first; i <= s.last; ++i)
                    if (tokens_[i].IsPunct(L"(")) {
                        Walk(i + 1, s.last);
                        break;
                    }
            } else if (first.kind == TokenKind::Identifier && IsRolloutControlWord(LowerName(first.text))) {
                Control(s);
            }
        }
    }

    // The statement parsed on its own, its positions those of the script.
    AstProgram Parse(const Statement& s) {
        const Token& a = tokens_[s.first];
        const Token& b = tokens_[s.last];
        std::wstring padded(static_cast<size_t>(a.line - 1), L'\n');
        padded.append(static_cast<size_t>(a.column - 1), L' ');
        padded += text_.substr(a.offset, b.endOffset - a.offset);
        return ParseScript(padded, source_);
    }

    Value Evaluate(const AstPtr& expr) {
        AstProgram p;
        p.source = expr->source;
        p.body = {expr};
        return in_.Evaluate(p);
    }

    void Local(const Statement& s) {
        AstProgram p = Parse(s);
        for (const AstPtr& decl : p.body)
            for (const auto& [name, init] : decl->keys)
                out_.locals.emplace_back(LowerName(name), init ? Evaluate(init) : Value());
    }

    // <type> <name> [<caption>] [key:value ...]
    void Control(const Statement& s) {
        AstProgram p = Parse(s);
        const AstNode* call = p.body.empty() ? nullptr : p.body.front().get();
        const AstNode* name = call && call->kind == AstKind::Call ? call->Kid(1) : nullptr;
        if (!name || name->kind != AstKind::Var) {
            const Token& t = tokens_[s.first];
            throw ScriptError(L"Syntax error: " + t.text + L" needs a control name", source_, t.line, t.column);
        }
        auto c = std::make_shared<RolloutControl>(LowerName(call->Kid(0)->name), name->name);
        if (const AstNode* caption = call->Kid(2)) c->Declare(in_, L"caption", Evaluate(caption->shared_from_this()));
        for (const auto& [key, value] : call->keys) {
            try {
                c->Declare(in_, LowerName(key), Evaluate(value));
            } catch (const ScriptError& e) {
                if (e.HasPosition()) throw;
                throw e.At(source_, value->line, value->column, L"control " + name->name + L" " + key + L":");
            }
        }
        c->Complete();
        out_.controls.push_back(std::move(c));
    }

    Interpreter& in_;
    const std::wstring& text_;
    std::wstring source_;
    std::vector<Token> tokens_;
    RolloutContents out_;
};

} // namespace

RolloutContents BuildRolloutContents(Interpreter& interp, const std::wstring& body, const std::wstring& source,
                                     int line, int column) {
    std::wstring padded(static_cast<size_t>(std::max(0, line - 1)), L'\n');
    padded.append(static_cast<size_t>(std::max(0, column - 1)), L' ');
    padded += body;
    return ContentsBuilder(interp, padded, source).Build();
}
