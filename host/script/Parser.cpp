// Recursive-descent parser of the script language. New lines end an expression once it is complete; inside
// an unfinished expression (after an operator, a comma, "then", "=") they are skipped.
#include "host/script/Parser.h"

#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <algorithm>

namespace {

using AstMut = std::shared_ptr<AstNode>;

class Parser {
public:
    Parser(std::wstring_view text, const std::wstring& sourceName)
        : text_(text), source_(std::make_shared<const std::wstring>(sourceName)),
          toks_(Tokenize(text, sourceName)) {}

    AstProgram Program() {
        AstProgram program;
        program.source = source_;
        program.body = Sequence(false);
        if (Cur().kind != TokenKind::End) Fail(L"end of line");
        return program;
    }

private:
    // ---- tokens -------------------------------------------------------------------------------------------

    const Token& Cur() const { return toks_[p_]; }
    const Token& Next(size_t ahead = 1) const {
        size_t i = p_ + ahead;
        return i < toks_.size() ? toks_[i] : toks_.back();
    }
    const Token& Take() {
        const Token& t = toks_[p_];
        if (p_ + 1 < toks_.size()) ++p_;
        return t;
    }
    bool AtPunct(std::wstring_view p) const { return Cur().IsPunct(p); }
    bool AtKeyword(std::wstring_view k) const { return Cur().IsKeyword(k); }
    bool AtEnd() const { return Cur().kind == TokenKind::End; }

    void SkipNewlines() {
        while (Cur().kind == TokenKind::Newline)
            Take();
    }

    // True when the first token after any new lines is the keyword; the new lines are then consumed.
    bool KeywordAhead(std::wstring_view k) {
        size_t i = p_;
        while (toks_[i].kind == TokenKind::Newline)
            ++i;
        if (!toks_[i].IsKeyword(k)) return false;
        p_ = i;
        return true;
    }

    [[noreturn]] void Fail(const std::wstring& expected) const { FailAt(Cur(), expected); }

    [[noreturn]] void FailAt(const Token& t, const std::wstring& expected) const {
        throw ScriptError(L"syntax error: expected " + expected + L" but found " + t.Describe(), *source_,
                          t.line, t.column);
    }

    // ---- nesting -----------------------------------------------------------------------------------------

    [[noreturn]] void TooDeep(int line, int column) const {
        throw ScriptError(L"syntax error: expression nested too deeply (more than " +
                              std::to_wstring(kMaxScriptNesting) + L" levels)",
                          *source_, line, column);
    }

    // Counts the parser's own recursion and stops it at the nesting limit before the stack runs out. Every
    // cycle of the grammar passes through Expr or through the self-recursion of "not", unary "-" and the
    // right-associative "^", so one level here is one level of the tree being built.
    class Nested {
    public:
        explicit Nested(Parser& parser) : parser_(parser) {
            if (parser_.depth_ >= kMaxScriptNesting) parser_.TooDeep(parser_.Cur().line, parser_.Cur().column);
            ++parser_.depth_;
        }
        ~Nested() { --parser_.depth_; }
        Nested(const Nested&) = delete;
        Nested& operator=(const Nested&) = delete;

    private:
        Parser& parser_;
    };

    // Records a node's height once its children are set and refuses a tree deeper than the nesting limit.
    // Loops build operator chains ("a + b + c ...") without recursing, so the height is what bounds them:
    // the chain stops at the operator that crosses the limit.
    AstMut Done(AstMut n) const {
        int below = 0;
        auto see = [&below](const AstPtr& k) {
            if (k) below = std::max(below, k->height);
        };
        auto seeKeys = [&see](const std::vector<std::pair<std::wstring, AstPtr>>& keys) {
            for (const auto& kv : keys)
                see(kv.second);
        };
        for (const AstPtr& k : n->kids)
            see(k);
        seeKeys(n->keys);
        for (const auto& [label, expr] : n->pairs) {
            see(label);
            see(expr);
        }
        if (const AstDefinition* d = n->definition.get()) {
            seeKeys(d->keys);
            for (const AstParamBlockDef& b : d->blocks) {
                seeKeys(b.keys);
                for (const AstParamDef& param : b.params)
                    seeKeys(param.keys);
            }
            for (const AstRolloutDef& r : d->rollouts) {
                see(r.title);
                seeKeys(r.keys);
            }
            for (const AstPtr& local : d->locals)
                see(local);
        }
        n->height = below + 1;
        if (n->height > kMaxScriptNesting) TooDeep(n->line, n->column);
        return n;
    }

    void ExpectPunct(std::wstring_view p) {
        if (!AtPunct(p)) Fail(L"'" + std::wstring(p) + L"'");
        Take();
    }

    void ExpectKeyword(std::wstring_view k) {
        if (!AtKeyword(k)) Fail(L"'" + std::wstring(k) + L"'");
        Take();
    }

    const Token& ExpectName(const wchar_t* what) {
        if (Cur().kind != TokenKind::Identifier) Fail(what);
        return Take();
    }

    // A name immediately followed by ':' (a keyword argument or parameter); reserved words count too, as
    // in "format ... to:stream" and "parameters main rollout:params".
    bool AtKeyName() const {
        return (Cur().kind == TokenKind::Identifier || Cur().kind == TokenKind::Keyword) &&
               Next().IsPunct(L":") && !Next().spaceBefore;
    }

    bool AtSeparator() const {
        return Cur().kind == TokenKind::Newline || AtPunct(L";") || AtPunct(L")") || AtEnd();
    }

    AstMut Make(AstKind kind, const Token& at) const {
        auto n = std::make_shared<AstNode>();
        n->kind = kind;
        n->line = at.line;
        n->column = at.column;
        n->source = source_;
        return n;
    }

    AstMut MakeNamed(AstKind kind, const Token& at, std::wstring name) const {
        AstMut n = Make(kind, at);
        n->lower = LowerName(name);
        n->name = std::move(name);
        return n;
    }

    // ---- sequences ---------------------------------------------------------------------------------------

    // Expressions separated by new lines or ';' up to ')' (inBlock) or the end of the script.
    std::vector<AstPtr> Sequence(bool inBlock) {
        std::vector<AstPtr> items;
        while (true) {
            while (Cur().kind == TokenKind::Newline || AtPunct(L";"))
                Take();
            if (AtEnd() || (inBlock && AtPunct(L")"))) break;
            items.push_back(Expr());
            if (!(Cur().kind == TokenKind::Newline || AtPunct(L";") || AtEnd() || (inBlock && AtPunct(L")"))))
                Fail(inBlock ? L"')'" : L"end of line");
        }
        return items;
    }

    // ---- expressions -------------------------------------------------------------------------------------

    AstPtr Expr() {
        Nested nested(*this);
        const Token& t = Cur();
        if (t.kind == TokenKind::Keyword) {
            const std::wstring& k = t.text;
            if (k == L"if") return If();
            if (k == L"while") return While();
            if (k == L"do") return DoWhile();
            if (k == L"for") return For();
            if (k == L"fn" || k == L"function") return Function();
            if (k == L"return") return Jump(AstKind::Return);
            if (k == L"exit") return Jump(AstKind::Exit);
            if (k == L"continue") return Make(AstKind::Continue, Take());
            if (k == L"local" || k == L"global") return Declaration();
            if (k == L"try") return Try();
            if (k == L"undo" || k == L"animate") return Context(false);
            if (k == L"with") return Context(true);
        }
        if (t.kind == TokenKind::Identifier && Next().kind == TokenKind::Keyword &&
            (Next().text == L"fn" || Next().text == L"function") && LowerName(t.text) == L"mapped") {
            Take(); // "mapped fn": applied to each item when its first argument is a collection
            return Function(2);
        }
        if (t.kind == TokenKind::Identifier && Next().kind == TokenKind::Keyword && Next().text == L"global" &&
            LowerName(t.text) == L"persistent") {
            Take(); // "persistent global": kept with the scene file
            return Declaration(true);
        }
        if (t.kind == TokenKind::Identifier && Next().kind == TokenKind::Identifier) {
            const std::wstring word = LowerName(t.text);
            if (word == L"utility") return Rollout(1);
            if (word == L"macroscript") return MacroScript();
        }
        if (t.kind == TokenKind::Identifier && LowerName(t.text) == L"set" && SettableContext(Next()))
            return SetContext();
        if (AstPtr frame = TransformContext(); frame) return frame;
        if (t.kind == TokenKind::Identifier && LowerName(t.text) == L"at" && Next().kind == TokenKind::Identifier &&
            LowerName(Next().text) == L"time") {
            // at time <time> <body>
            AstMut n = MakeNamed(AstKind::Context, t, L"at time");
            Take();
            Take();
            AstPtr when = Operand();
            SkipNewlines();
            n->kids = {nullptr, when, Expr()};
            return Done(n);
        }
        if (t.kind == TokenKind::Keyword) {
            const std::wstring& k = t.text;
            if (k == L"max") return MaxCommand();
            if (k == L"case") return Case();
            if (k == L"attributes") return Attributes();
            if (k == L"rollout") return Rollout();
            if (k == L"struct") return Struct();
        }
        AstPtr left = Or();
        static const wchar_t* const kAssign[] = {L"=", L"+=", L"-=", L"*=", L"/="};
        for (const wchar_t* op : kAssign) {
            if (!AtPunct(op)) continue;
            if (left->kind != AstKind::Var && left->kind != AstKind::Property && left->kind != AstKind::Index)
                Fail(L"end of expression (only a variable, a property or an index can be assigned)");
            const Token& opTok = Take();
            SkipNewlines();
            AstMut n = MakeNamed(AstKind::Assign, opTok, op);
            n->kids = {left, Expr()};
            return Done(n);
        }
        return left;
    }

    AstPtr MakeUnary(const Token& op, std::wstring name, AstPtr operand) const {
        AstMut n = MakeNamed(AstKind::Unary, op, std::move(name));
        n->kids = {std::move(operand)};
        return Done(n);
    }

    AstPtr Binary(const Token& op, std::wstring name, AstPtr left, AstPtr right) const {
        AstMut n = MakeNamed(AstKind::Binary, op, std::move(name));
        n->kids = {std::move(left), std::move(right)};
        return Done(n);
    }

    AstPtr Or() {
        AstPtr left = And();
        while (AtKeyword(L"or")) {
            const Token& op = Take();
            SkipNewlines();
            left = Binary(op, L"or", left, And());
        }
        return left;
    }

    AstPtr And() {
        AstPtr left = Not();
        while (AtKeyword(L"and")) {
            const Token& op = Take();
            SkipNewlines();
            left = Binary(op, L"and", left, Not());
        }
        return left;
    }

    AstPtr Not() {
        if (AtKeyword(L"not")) {
            Nested nested(*this);
            const Token& op = Take();
            return MakeUnary(op, L"not", Not());
        }
        return Compare();
    }

    AstPtr Compare() {
        AstPtr left = Additive();
        static const wchar_t* const kOps[] = {L"==", L"!=", L"<", L"<=", L">", L">="};
        while (true) {
            const wchar_t* found = nullptr;
            for (const wchar_t* op : kOps)
                if (AtPunct(op)) found = op;
            if (!found) return left;
            const Token& op = Take();
            SkipNewlines();
            left = Binary(op, found, left, Additive());
        }
    }

    AstPtr Additive() {
        AstPtr left = Multiplicative();
        while (AtPunct(L"+") || AtPunct(L"-")) {
            const Token& op = Take();
            SkipNewlines();
            left = Binary(op, op.text, left, Multiplicative());
        }
        return left;
    }

    AstPtr Multiplicative() {
        AstPtr left = Power();
        while (AtPunct(L"*") || AtPunct(L"/")) {
            const Token& op = Take();
            SkipNewlines();
            left = Binary(op, op.text, left, Power());
        }
        return left;
    }

    AstPtr Power() {
        AstPtr left = AsConversion();
        if (AtPunct(L"^")) {
            Nested nested(*this);
            const Token& op = Take();
            SkipNewlines();
            return Binary(op, L"^", left, Power()); // right-associative
        }
        return left;
    }

    AstPtr AsConversion() {
        AstPtr left = Unary();
        while (AtKeyword(L"as")) {
            const Token& op = Take();
            AstMut n = Make(AstKind::As, op);
            n->kids = {left, Operand()};
            left = Done(n);
        }
        return left;
    }

    AstPtr Unary() {
        if (AtPunct(L"-")) {
            Nested nested(*this);
            const Token& op = Take();
            return MakeUnary(op, L"-", Unary());
        }
        if (AtPunct(L"&")) return Reference();
        return CallOrOperand();
    }

    // ---- calls -------------------------------------------------------------------------------------------

    bool CanStartArgument() const {
        if (AtKeyName()) return true;
        const Token& t = Cur();
        switch (t.kind) {
        case TokenKind::Integer:
        case TokenKind::Float:
        case TokenKind::Time:
        case TokenKind::String:
        case TokenKind::Identifier:
        case TokenKind::Symbol:
        case TokenKind::Path:
        case TokenKind::ArrayOpen:
        case TokenKind::BitOpen:
            return true;
        case TokenKind::Keyword:
            return t.text == L"true" || t.text == L"false" || t.text == L"undefined" ||
                   t.text == L"unsupplied" || t.text == L"ok" || t.text == L"on" || t.text == L"off";
        case TokenKind::Punct:
            if (t.text == L"(") return true;
            if (t.text == L"[") return t.spaceBefore;
            if (t.text == L"::" || t.text == L"&") return t.spaceBefore;
            // "f -1": a minus after a space and glued to what follows is a negative argument.
            if (t.text == L"-")
                return t.spaceBefore && !Next().spaceBefore && Next().kind != TokenKind::Newline &&
                       Next().kind != TokenKind::End;
            return false;
        default:
            return false;
        }
    }

    AstPtr ArgumentOperand() {
        if (AtPunct(L"-")) {
            const Token& op = Take();
            return MakeUnary(op, L"-", Operand());
        }
        if (AtPunct(L"&")) return Reference();
        return Operand();
    }

    // "&x", "&obj.prop", "&arr[i]": a reference to what can be assigned, for a by-reference parameter.
    AstPtr Reference() {
        const Token& op = Take();
        AstPtr target = Operand();
        if (target->kind != AstKind::Var && target->kind != AstKind::Property && target->kind != AstKind::Index)
            Fail(L"a variable, a property or an index after '&'");
        return MakeUnary(op, L"&", target);
    }

    // "f a b key:c" (up to the end of the line or a token that cannot start an argument), "f()", or the
    // operand alone.
    AstPtr CallOrOperand() {
        AstPtr callee = Operand();
        bool callable = callee->kind == AstKind::Var || callee->kind == AstKind::Property ||
                        callee->kind == AstKind::Index || callee->kind == AstKind::Path;
        if (!callable) return callee;
        if (AtPunct(L"(") && Next().IsPunct(L")")) {
            Take();
            Take();
            return CallNode(callee);
        }
        if (callee->kind == AstKind::Path || !CanStartArgument()) return callee;
        AstMut call = CallNode(callee);
        while (CanStartArgument()) {
            if (AtKeyName()) {
                std::wstring key = Take().text;
                Take(); // ':'
                call->keys.emplace_back(std::move(key), ArgumentOperand());
            } else {
                call->kids.push_back(ArgumentOperand());
            }
        }
        return Done(call);
    }

    AstMut CallNode(const AstPtr& callee) const {
        AstMut call = std::make_shared<AstNode>();
        call->kind = AstKind::Call;
        call->line = callee->line;
        call->column = callee->column;
        call->source = source_;
        call->kids.push_back(callee);
        return Done(call);
    }

    // A factor followed by ".name", "[index]" (glued to it) and "()" method calls.
    AstPtr Operand() {
        AstPtr n = Factor();
        while (true) {
            if (AtPunct(L".") && !Cur().spaceBefore) {
                Take();
                const Token& name = Cur();
                if (name.kind != TokenKind::Identifier && name.kind != TokenKind::Keyword)
                    Fail(L"a property name");
                Take();
                AstMut prop = MakeNamed(AstKind::Property, name, name.text);
                prop->kids = {n};
                n = Done(prop);
            } else if (AtPunct(L"[") && !Cur().spaceBefore) {
                const Token& open = Take();
                SkipNewlines();
                AstMut index = Make(AstKind::Index, open);
                index->kids = {n, Expr()};
                SkipNewlines();
                ExpectPunct(L"]");
                n = Done(index);
            } else if (AtPunct(L"(") && !Cur().spaceBefore && Next().IsPunct(L")") &&
                       (n->kind == AstKind::Property || n->kind == AstKind::Var ||
                        n->kind == AstKind::Index)) {
                Take();
                Take();
                n = CallNode(n);
            } else {
                return n;
            }
        }
    }

    AstPtr Literal(const Token& t, Value v) const {
        AstMut n = Make(AstKind::Literal, t);
        n->literal = std::move(v);
        return n;
    }

    AstPtr Factor() {
        const Token& t = Cur();
        switch (t.kind) {
        case TokenKind::Integer:
            Take();
            return Literal(t, Value::Int(t.integer));
        case TokenKind::Float:
            Take();
            return Literal(t, Value::Float(t.number));
        case TokenKind::Time: {
            Take();
            AstMut n = Make(AstKind::TimeLiteral, t);
            n->literal = Value::Time(t.integer);
            n->frames = t.number;
            return n;
        }
        case TokenKind::String:
            Take();
            return Literal(t, Value::String(t.text));
        case TokenKind::Symbol:
            Take();
            return Literal(t, Value::Name(t.text));
        case TokenKind::Identifier:
            Take();
            return MakeNamed(AstKind::Var, t, t.text);
        case TokenKind::Path: {
            Take();
            AstMut n = Make(AstKind::Path, t);
            n->name = t.text;
            n->lower = LowerName(t.text);
            n->flag = t.quotedPath ? 1 : 0;
            return n;
        }
        case TokenKind::ArrayOpen:
            return ArrayLiteral();
        case TokenKind::BitOpen:
            return BitArrayLiteral();
        case TokenKind::Keyword:
            if (t.text == L"true" || t.text == L"on") {
                Take();
                return Literal(t, Value::Bool(true));
            }
            if (t.text == L"false" || t.text == L"off") {
                Take();
                return Literal(t, Value::Bool(false));
            }
            if (t.text == L"undefined") {
                Take();
                return Literal(t, Value::Undefined());
            }
            if (t.text == L"unsupplied") {
                Take();
                return Literal(t, Value::Unsupplied());
            }
            if (t.text == L"ok") {
                Take();
                return Literal(t, Value::Ok());
            }
            break;
        case TokenKind::Punct:
            if (t.text == L"(") {
                Take();
                AstMut block = Make(AstKind::Block, t);
                block->kids = Sequence(true);
                ExpectPunct(L")");
                return Done(block);
            }
            if (t.text == L"[") return PointLiteral();
            if (t.text == L"::") {
                // ::name is the global of that name, past any local that hides it.
                Take();
                if (Cur().kind != TokenKind::Identifier || Cur().spaceBefore) Fail(L"a global variable name after '::'");
                const Token& name = Take();
                AstMut n = MakeNamed(AstKind::Var, name, name.text);
                n->line = t.line;
                n->column = t.column;
                n->flag = 1;
                return n;
            }
            break;
        default:
            break;
        }
        Fail(L"an expression");
    }

    AstPtr ArrayLiteral() {
        AstMut n = Make(AstKind::ArrayLit, Take());
        SkipNewlines();
        if (!AtPunct(L")")) {
            while (true) {
                SkipNewlines();
                n->kids.push_back(Expr());
                SkipNewlines();
                if (!AtPunct(L",")) break;
                Take();
            }
        }
        ExpectPunct(L")");
        return Done(n);
    }

    AstPtr BitArrayLiteral() {
        AstMut n = Make(AstKind::BitArrayLit, Take());
        SkipNewlines();
        if (!AtPunct(L"}")) {
            while (true) {
                SkipNewlines();
                AstPtr item = Expr();
                if (AtPunct(L"..")) {
                    AstMut range = Make(AstKind::Range, Take());
                    range->kids = {item, Expr()};
                    item = Done(range);
                }
                n->kids.push_back(item);
                SkipNewlines();
                if (!AtPunct(L",")) break;
                Take();
            }
        }
        ExpectPunct(L"}");
        return Done(n);
    }

    AstPtr PointLiteral() {
        AstMut n = Make(AstKind::Point3Lit, Take());
        // "[x, y]" is a 2D point, "[x, y, z]" a 3D one.
        for (int i = 0; i < 3; ++i) {
            SkipNewlines();
            n->kids.push_back(Expr());
            SkipNewlines();
            if (i == 1 && AtPunct(L"]")) break;
            if (i < 2) ExpectPunct(L",");
        }
        ExpectPunct(L"]");
        return Done(n);
    }

    // ---- statements --------------------------------------------------------------------------------------

    AstPtr If() {
        AstMut n = Make(AstKind::If, Take());
        AstPtr test = Expr();
        AstPtr thenPart;
        if (KeywordAhead(L"then")) {
            Take();
            SkipNewlines();
            thenPart = Expr();
            AstPtr elsePart;
            if (KeywordAhead(L"else")) {
                Take();
                SkipNewlines();
                elsePart = Expr();
            }
            n->kids = {test, thenPart, elsePart};
        } else if (KeywordAhead(L"do")) {
            Take();
            SkipNewlines();
            n->flag = 1;
            n->kids = {test, Expr(), nullptr};
        } else {
            Fail(L"'then' or 'do'");
        }
        return Done(n);
    }

    AstPtr While() {
        AstMut n = Make(AstKind::While, Take());
        AstPtr test = Expr();
        if (!KeywordAhead(L"do")) Fail(L"'do'");
        Take();
        SkipNewlines();
        n->kids = {test, Expr()};
        return Done(n);
    }

    AstPtr DoWhile() {
        AstMut n = Make(AstKind::DoWhile, Take());
        SkipNewlines();
        AstPtr body = Expr();
        if (!KeywordAhead(L"while")) Fail(L"'while'");
        Take();
        SkipNewlines();
        n->kids = {body, Expr()};
        return Done(n);
    }

    // The "where" filter and the "do"/"collect" body shared by both loop forms.
    void LoopTail(AstMut& n) {
        AstPtr where, whileTest;
        if (KeywordAhead(L"where")) {
            Take();
            SkipNewlines();
            where = Expr();
        }
        if (KeywordAhead(L"while")) {
            Take();
            SkipNewlines();
            whileTest = Expr();
        }
        if (KeywordAhead(L"collect"))
            n->flag = 1;
        else if (!KeywordAhead(L"do"))
            Fail(L"'do' or 'collect'");
        Take();
        SkipNewlines();
        n->kids.push_back(where);
        n->kids.push_back(whileTest);
        n->kids.push_back(Expr());
    }

    AstPtr For() {
        const Token& forTok = Take();
        const Token& var = ExpectName(L"a loop variable");
        if (AtPunct(L"=") || AtKeyword(L"in")) {
            bool in = AtKeyword(L"in");
            Take();
            SkipNewlines();
            AstPtr first = Expr();
            if (in && !AtKeyword(L"to")) {
                AstMut n = MakeNamed(AstKind::ForIn, forTok, var.text);
                n->kids = {first};
                LoopTail(n);
                return Done(n);
            }
            AstMut n = MakeNamed(AstKind::ForRange, forTok, var.text);
            ExpectKeyword(L"to");
            SkipNewlines();
            AstPtr last = Expr();
            AstPtr step;
            if (AtKeyword(L"by")) {
                Take();
                SkipNewlines();
                step = Expr();
            }
            n->kids = {first, last, step};
            LoopTail(n);
            return Done(n);
        }
        Fail(L"'in' or '='");
    }

    AstPtr Function(int flag = 0) {
        const Token& fnTok = Take();
        const Token& name = ExpectName(L"a function name");
        AstMut n = MakeNamed(AstKind::FnDef, fnTok, name.text);
        n->flag = flag;
        while (!AtPunct(L"=")) {
            if (AtKeyName()) {
                std::wstring key = Take().text;
                Take();
                AstPtr dflt;
                if (!AtPunct(L"=") && !AtKeyName()) dflt = ArgumentOperand();
                n->keys.emplace_back(std::move(key), dflt);
            } else if (Cur().kind == TokenKind::Identifier || (AtPunct(L"&") && Next().kind == TokenKind::Identifier)) {
                if (!n->keys.empty()) Fail(L"a keyword parameter (positional parameters come first)");
                // A by-reference parameter keeps its "&": the call binds it to the caller's variable.
                std::wstring prefix = AtPunct(L"&") ? (Take(), L"&") : L"";
                n->params.push_back(prefix + Take().text);
            } else {
                Fail(L"a parameter name or '='");
            }
        }
        Take();
        SkipNewlines();
        n->kids = {Expr()};
        return Done(n);
    }

    AstPtr Jump(AstKind kind) {
        const Token& t = Take();
        AstMut n = Make(kind, t);
        if (kind == AstKind::Exit) {
            if (AtKeyword(L"with")) {
                Take();
                SkipNewlines();
                n->kids = {Expr()};
            } else {
                n->kids = {nullptr};
            }
            return Done(n);
        }
        n->kids = {AtSeparator() || AtKeyword(L"else") ? nullptr : Expr()};
        return Done(n);
    }

    AstPtr Declaration(bool persistent = false) {
        const Token& t = Take();
        AstMut n = Make(AstKind::Decl, t);
        n->flag = persistent ? 3 : t.text == L"local" ? 1 : 2;
        while (true) {
            const Token& name = ExpectName(L"a variable name");
            AstPtr init;
            if (AtPunct(L"=")) {
                Take();
                SkipNewlines();
                init = Expr();
            }
            n->keys.emplace_back(name.text, init);
            if (!AtPunct(L",")) break;
            Take();
            SkipNewlines();
        }
        return Done(n);
    }

    AstPtr Try() {
        AstMut n = Make(AstKind::Try, Take());
        SkipNewlines();
        AstPtr body = Expr();
        if (!KeywordAhead(L"catch")) Fail(L"'catch'");
        Take();
        SkipNewlines();
        n->kids = {body, Expr()};
        return Done(n);
    }

    // [in] coordsys <system> <body> and about <centre> <body>, the frame and centre of transform edits. The
    // system and centre words (world, local, parent, grid, pivot, selection...) are names, not variables;
    // anything else is an expression (a node, a matrix, a point). Without "in", "coordsys" and "about"
    // open a context only where a frame and a body follow, so variables of those names still work.
    AstPtr TransformContext() {
        static const std::vector<std::wstring> kSystems = {L"world", L"local", L"parent", L"grid", L"screen",
                                                           L"gimbal", L"working_pivot"};
        static const std::vector<std::wstring> kCentres = {L"pivot", L"selection", L"coordsys"};
        auto word = [](const Token& k) {
            return k.kind == TokenKind::Identifier || k.kind == TokenKind::Keyword ? LowerName(k.text) : std::wstring();
        };
        auto among = [](const std::wstring& w, const std::vector<std::wstring>& set) {
            return std::find(set.begin(), set.end(), w) != set.end();
        };
        const Token& t = Cur();
        bool withIn = t.kind == TokenKind::Keyword && t.text == L"in" && word(Next()) == L"coordsys";
        const std::wstring lead = word(t);
        const std::vector<std::wstring>* words = lead == L"coordsys" || withIn ? &kSystems
                                                 : lead == L"about"             ? &kCentres
                                                                                : nullptr;
        if (!words) return nullptr;
        // Without "in": a frame word, a $path, a point literal, or a variable directly followed by the body.
        const Token& after = Next();
        const bool opens = among(word(after), *words) || after.kind == TokenKind::Path || after.IsPunct(L"[") ||
                           after.kind == TokenKind::Integer || after.kind == TokenKind::Float ||
                           (after.kind == TokenKind::Identifier &&
                            (Next(2).kind == TokenKind::Identifier || Next(2).kind == TokenKind::Keyword ||
                             Next(2).kind == TokenKind::Path || Next(2).IsPunct(L"(")));
        if (!withIn && !opens) return nullptr;
        const Token& first = Take();
        if (withIn) Take();
        AstMut n = MakeNamed(AstKind::Context, first, lead == L"about" ? L"about" : L"coordsys");
        n->flag = 1; // the state is a value, not on/off
        AstPtr state;
        if (among(word(Cur()), *words)) {
            const Token& w = Take();
            state = Literal(w, Value::Name(LowerName(w.text)));
        } else {
            state = Operand();
        }
        SkipNewlines();
        n->kids = {nullptr, state, Expr()};
        return Done(n);
    }

    static bool SettableContext(const Token& k) {
        if (k.kind != TokenKind::Identifier && k.kind != TokenKind::Keyword) return false;
        const std::wstring w = LowerName(k.text);
        return w == L"animate" || w == L"time" || w == L"coordsys" || w == L"about";
    }

    // set animate <on/off>, set time <time or off>, set coordsys <system>, set about <centre>: the context
    // that holds for what follows, outside any context expression of the same kind.
    AstPtr SetContext() {
        const Token& first = Take();
        const std::wstring word = LowerName(Take().text);
        AstMut n = MakeNamed(AstKind::SetContext, first, word == L"time" ? L"at time" : word);
        AstPtr state;
        if (word == L"coordsys" || word == L"about") {
            n->flag = 1;
            static const std::vector<std::wstring> kWords = {L"world", L"local", L"parent", L"grid", L"screen",
                                                             L"gimbal", L"working_pivot", L"pivot", L"selection",
                                                             L"coordsys"};
            const std::wstring w = Cur().kind == TokenKind::Identifier || Cur().kind == TokenKind::Keyword
                                       ? LowerName(Cur().text)
                                       : std::wstring();
            if (std::find(kWords.begin(), kWords.end(), w) != kWords.end()) {
                const Token& k = Take();
                state = Literal(k, Value::Name(w));
            }
        }
        n->kids = {state ? state : Operand()};
        return Done(n);
    }

    // undo [label] <state> <body>, animate <state> <body>, with <context> [label] <state> <body>.
    AstPtr Context(bool withPrefix) {
        const Token& first = Take();
        const Token* nameTok = &first;
        if (withPrefix) {
            if (Cur().kind != TokenKind::Identifier && Cur().kind != TokenKind::Keyword)
                Fail(L"a context name (undo, redraw, animate...)");
            nameTok = &Take();
        }
        AstMut n = MakeNamed(AstKind::Context, first, LowerName(nameTok->text));
        AstPtr label;
        if (Cur().kind == TokenKind::String) label = Operand();
        AstPtr state = Operand();
        SkipNewlines();
        n->kids = {label, state, Expr()};
        return Done(n);
    }

    AstPtr MaxCommand() {
        AstMut n = Make(AstKind::MaxCommand, Take());
        std::wstring words;
        while (Cur().kind == TokenKind::Identifier || Cur().kind == TokenKind::Keyword) {
            if (!words.empty()) words += L" ";
            words += LowerName(Take().text);
        }
        if (words.empty()) Fail(L"a command name after 'max'");
        n->name = words;
        n->lower = words;
        return n;
    }

    AstPtr Case() {
        AstMut n = Make(AstKind::Case, Take());
        AstPtr subject;
        if (!AtKeyword(L"of")) subject = Expr();
        n->kids = {subject};
        SkipNewlines();
        ExpectKeyword(L"of");
        SkipNewlines();
        ExpectPunct(L"(");
        while (!AtBodyEnd()) {
            AstPtr label;
            if (Cur().kind == TokenKind::Identifier && LowerName(Cur().text) == L"default" &&
                Next().IsPunct(L":")) {
                Take();
            } else {
                label = Operand();
            }
            ExpectPunct(L":");
            SkipNewlines();
            n->pairs.emplace_back(label, Expr());
        }
        ExpectPunct(L")");
        return Done(n);
    }

    // Skips the new lines and ";" between a definition body's items; true at the body's closing ")".
    bool AtBodyEnd() {
        while (Cur().kind == TokenKind::Newline || AtPunct(L";"))
            Take();
        return AtPunct(L")");
    }

    // key:value pairs after a definition's name, up to its opening parenthesis.
    std::vector<std::pair<std::wstring, AstPtr>> DefinitionKeys() {
        std::vector<std::pair<std::wstring, AstPtr>> keys;
        while (AtKeyName()) {
            std::wstring key = Take().text;
            Take();
            keys.emplace_back(std::move(key), ArgumentOperand());
        }
        return keys;
    }

    // Skips a balanced parenthesised body and gives its text without the outer parentheses.
    // The text between the parentheses; line and column (when asked for) get where it starts.
    std::wstring RawBody(int* line = nullptr, int* column = nullptr) {
        SkipNewlines();
        if (!AtPunct(L"(")) Fail(L"'('");
        const Token& open = Take();
        if (line) *line = open.line;
        if (column) *column = open.column + 1;
        int depth = 1;
        while (true) {
            const Token& t = Cur();
            if (t.kind == TokenKind::End)
                FailAt(t, L"')' closing the parenthesis at line " + std::to_wstring(open.line));
            if (t.IsPunct(L"(") || t.kind == TokenKind::ArrayOpen) ++depth;
            if (t.IsPunct(L")") && --depth == 0) break;
            Take();
        }
        std::wstring body(text_.substr(open.endOffset, Cur().offset - open.endOffset));
        Take();
        return body;
    }

    // macroScript <name> category:"..." buttonText:"..." ... ( <expressions and handlers> ): kids are the
    // body's expressions in order, with each "on <event> do|return <expr>" handler as a FnDef named after
    // the event with flag 1.
    AstPtr MacroScript() {
        AstMut n = Make(AstKind::MacroScript, Take());
        const Token& name = ExpectName(L"a macroScript name");
        n->name = name.text;
        n->lower = LowerName(name.text);
        n->keys = DefinitionKeys();
        SkipNewlines();
        ExpectPunct(L"(");
        while (!AtBodyEnd()) {
            if (AtKeyword(L"on")) {
                const Token& on = Take();
                const Token& event = ExpectName(L"a macroScript event (execute, isEnabled, isChecked ...)");
                AstMut handler = MakeNamed(AstKind::FnDef, on, event.text);
                handler->flag = 1;
                if (!AtKeyword(L"do") && !AtKeyword(L"return")) Fail(L"'do' or 'return'");
                Take();
                SkipNewlines();
                handler->kids = {Expr()};
                n->kids.push_back(Done(handler));
                continue;
            }
            n->kids.push_back(Expr());
        }
        ExpectPunct(L")");
        return Done(n);
    }

    // "on <name> <event> [args] do <expr>", kept as written.
    std::wstring Handler() {
        size_t begin = Cur().offset;
        Take(); // on
        while (!AtKeyword(L"do")) {
            if (AtSeparator()) Fail(L"'do'");
            Take();
        }
        Take();
        SkipNewlines();
        Expr();
        return std::wstring(text_.substr(begin, toks_[p_ - 1].endOffset - begin));
    }

    // struct <name> ( <member> [= <default>], fn <name> ... = <body>, on create do <expr>, ... ), with
    // "public" and "private" accepted before members.
    AstPtr Struct() {
        const Token& structTok = Take();
        const Token& name = ExpectName(L"a struct name");
        AstMut n = MakeNamed(AstKind::Struct, structTok, name.text);
        SkipNewlines();
        ExpectPunct(L"(");
        bool hidden = false; // after "private", until "public"
        while (true) {
            SkipNewlines();
            if (Cur().kind == TokenKind::Identifier &&
                (LowerName(Cur().text) == L"public" || LowerName(Cur().text) == L"private") &&
                (Next().kind == TokenKind::Newline || Next().kind == TokenKind::Identifier ||
                 Next().IsKeyword(L"fn") || Next().IsKeyword(L"function") || Next().IsKeyword(L"on"))) {
                hidden = LowerName(Take().text) == L"private";
                continue;
            }
            if (hidden && (AtKeyword(L"fn") || AtKeyword(L"function") || Cur().kind == TokenKind::Identifier))
                n->params.push_back(LowerName(AtKeyword(L"fn") || AtKeyword(L"function") ? Next().text : Cur().text));
            if (AtKeyword(L"fn") || AtKeyword(L"function")) {
                n->kids.push_back(Function());
            } else if (AtKeyword(L"on")) {
                const Token& on = Take();
                const Token& event = ExpectName(L"an event name");
                if (LowerName(event.text) != L"create") Fail(L"'create' (the one struct event)");
                ExpectKeyword(L"do");
                SkipNewlines();
                AstMut handler = MakeNamed(AstKind::FnDef, on, L"create");
                handler->flag = 1;
                handler->kids = {Expr()};
                n->kids.push_back(Done(handler));
            } else {
                const Token& member = ExpectName(L"a member name, 'fn' or 'on'");
                AstPtr init;
                if (AtPunct(L"=")) {
                    Take();
                    SkipNewlines();
                    init = Expr();
                }
                for (const auto& [have, ignored] : n->keys)
                    if (LowerName(have) == LowerName(member.text)) Fail(L"a member name not used before");
                n->keys.emplace_back(member.text, init);
            }
            SkipNewlines();
            if (AtPunct(L")")) break;
            ExpectPunct(L",");
        }
        Take();
        return Done(n);
    }

    AstRolloutDef RolloutDefinition() {
        AstRolloutDef r;
        r.name = ExpectName(L"a rollout name").text;
        r.title = Operand();
        r.keys = DefinitionKeys();
        r.body = RawBody(&r.bodyLine, &r.bodyColumn);
        return r;
    }

    // "rollout name "title" (...)", or with flag 1 "utility name "title" (...)", a rollout the utility
    // panel shows.
    AstPtr Rollout(int flag = 0) {
        AstMut n = Make(AstKind::Rollout, Take());
        n->flag = flag;
        auto def = std::make_shared<AstDefinition>();
        AstRolloutDef r = RolloutDefinition();
        n->name = r.name;
        n->lower = LowerName(r.name);
        def->name = r.name;
        def->rollouts.push_back(std::move(r));
        n->definition = def;
        return Done(n);
    }

    AstParamBlockDef ParameterBlock() {
        AstParamBlockDef block;
        block.name = ExpectName(L"a parameter block name").text;
        block.keys = DefinitionKeys();
        SkipNewlines();
        ExpectPunct(L"(");
        while (!AtBodyEnd()) {
            if (AtKeyword(L"on")) {
                block.handlers.push_back(Handler());
                continue;
            }
            AstParamDef param;
            param.name = ExpectName(L"a parameter name").text;
            param.keys = DefinitionKeys();
            if (!AtSeparator()) Fail(L"a key:value pair or end of line");
            block.params.push_back(std::move(param));
        }
        ExpectPunct(L")");
        return block;
    }

    AstPtr Attributes() {
        AstMut n = Make(AstKind::Attributes, Take());
        auto def = std::make_shared<AstDefinition>();
        if (Cur().kind == TokenKind::Identifier)
            def->name = Take().text;
        else if (Cur().kind == TokenKind::String)
            def->name = Take().text;
        else
            Fail(L"an attribute definition name");
        n->name = def->name;
        n->lower = LowerName(def->name);
        def->keys = DefinitionKeys();
        SkipNewlines();
        ExpectPunct(L"(");
        while (!AtBodyEnd()) {
            if (Cur().kind == TokenKind::Identifier && LowerName(Cur().text) == L"parameters") {
                Take();
                def->blocks.push_back(ParameterBlock());
            } else if (AtKeyword(L"rollout")) {
                Take();
                def->rollouts.push_back(RolloutDefinition());
            } else if (AtKeyword(L"on")) {
                def->handlers.push_back(Handler());
            } else if (AtKeyword(L"local") || AtKeyword(L"fn") || AtKeyword(L"function")) {
                def->locals.push_back(Expr());
            } else {
                Fail(L"'parameters', 'rollout', 'local', 'fn' or 'on'");
            }
        }
        ExpectPunct(L")");
        n->definition = def;
        return Done(n);
    }

    std::wstring_view text_;
    std::shared_ptr<const std::wstring> source_;
    std::vector<Token> toks_;
    size_t p_ = 0;
    int depth_ = 0; // nesting of Expr, Not, Unary and Power now running
};

// ---- dump ------------------------------------------------------------------------------------------------

std::wstring Escaped(const std::wstring& s) {
    std::wstring out = L"\"";
    for (wchar_t c : s) {
        switch (c) {
        case L'\n':
            out += L"\\n";
            break;
        case L'\t':
            out += L"\\t";
            break;
        case L'"':
            out += L"\\\"";
            break;
        case L'\\':
            out += L"\\\\";
            break;
        default:
            out += c;
        }
    }
    return out + L"\"";
}

std::wstring Dump(const AstPtr& n) {
    return n ? DumpAst(*n) : L"null";
}

std::wstring DumpKeys(const std::vector<std::pair<std::wstring, AstPtr>>& keys) {
    std::wstring s;
    for (const auto& [k, v] : keys)
        s += L" " + k + L":" + (v ? DumpAst(*v) : L"");
    return s;
}

std::wstring DumpList(const std::vector<AstPtr>& kids, size_t from = 0) {
    std::wstring s;
    for (size_t i = from; i < kids.size(); ++i)
        s += L" " + Dump(kids[i]);
    return s;
}

} // namespace

AstProgram ParseScript(std::wstring_view text, const std::wstring& sourceName) {
    return Parser(text, sourceName).Program();
}

std::wstring DumpAst(const AstNode& n) {
    switch (n.kind) {
    case AstKind::Literal:
        return n.literal.Is(Value::Type::String) ? Escaped(n.literal.Str()) : n.literal.PrintForm();
    case AstKind::TimeLiteral:
        return L"(time " + std::to_wstring(n.literal.Ticks()) + L"t " + FormatComponent(n.frames) + L"f)";
    case AstKind::Var:
        return n.flag ? L"::" + n.name : n.name;
    case AstKind::Path:
        return L"$" + (n.flag ? L"'" + n.name + L"'" : n.name);
    case AstKind::ArrayLit:
        return L"(array" + DumpList(n.kids) + L")";
    case AstKind::BitArrayLit:
        return L"(bits" + DumpList(n.kids) + L")";
    case AstKind::Range:
        return L"(range" + DumpList(n.kids) + L")";
    case AstKind::Point3Lit:
        return L"(point3" + DumpList(n.kids) + L")";
    case AstKind::Unary:
    case AstKind::Binary:
        return L"(" + n.name + DumpList(n.kids) + L")";
    case AstKind::As:
        return L"(as" + DumpList(n.kids) + L")";
    case AstKind::Property:
        return L"(. " + Dump(n.kids[0]) + L" " + n.name + L")";
    case AstKind::Index:
        return L"(index" + DumpList(n.kids) + L")";
    case AstKind::Call:
        return L"(call" + DumpList(n.kids) + DumpKeys(n.keys) + L")";
    case AstKind::Assign:
        return L"(" + n.name + DumpList(n.kids) + L")";
    case AstKind::Block:
        return L"(block" + DumpList(n.kids) + L")";
    case AstKind::If:
        return n.flag ? L"(if-do " + Dump(n.kids[0]) + L" " + Dump(n.kids[1]) + L")"
                      : L"(if" + DumpList(n.kids) + L")";
    case AstKind::While:
        return L"(while" + DumpList(n.kids) + L")";
    case AstKind::DoWhile:
        return L"(do-while" + DumpList(n.kids) + L")";
    case AstKind::ForIn:
    case AstKind::ForRange:
        return std::wstring(n.flag ? L"(for-collect " : L"(for ") + n.name + DumpList(n.kids) + L")";
    case AstKind::Struct:
        return L"(struct " + n.name + DumpKeys(n.keys) + DumpList(n.kids) + L")";
    case AstKind::MacroScript:
        return L"(macroScript " + n.name + DumpKeys(n.keys) + DumpList(n.kids) + L")";
    case AstKind::FnDef: {
        std::wstring s = (n.flag == 2 ? L"(mapped-fn " : L"(fn ") + n.name;
        for (const auto& p : n.params)
            s += L" " + p;
        return s + DumpKeys(n.keys) + L" " + Dump(n.kids[0]) + L")";
    }
    case AstKind::Return:
        return L"(return " + Dump(n.kids[0]) + L")";
    case AstKind::Exit:
        return L"(exit " + Dump(n.kids[0]) + L")";
    case AstKind::Continue:
        return L"(continue)";
    case AstKind::Decl: {
        std::wstring s = n.flag == 1 ? L"(local" : L"(global";
        for (const auto& [k, v] : n.keys)
            s += L" " + k + (v ? L"=" + DumpAst(*v) : L"");
        return s + L")";
    }
    case AstKind::Try:
        return L"(try" + DumpList(n.kids) + L")";
    case AstKind::Context:
        return L"(context " + n.name + DumpList(n.kids) + L")";
    case AstKind::SetContext:
        return L"(set " + n.name + DumpList(n.kids) + L")";
    case AstKind::MaxCommand:
        return L"(max " + n.name + L")";
    case AstKind::Case: {
        std::wstring s = L"(case " + Dump(n.kids[0]);
        for (const auto& [label, expr] : n.pairs)
            s += L" (" + (label ? DumpAst(*label) : L"default") + L" " + Dump(expr) + L")";
        return s + L")";
    }
    case AstKind::Attributes:
    case AstKind::Rollout: {
        const AstDefinition& d = *n.definition;
        std::wstring s =
            (n.kind == AstKind::Attributes ? L"(attributes " : L"(rollout-def ") + d.name + DumpKeys(d.keys);
        for (const auto& b : d.blocks) {
            s += L" (parameters " + b.name + DumpKeys(b.keys);
            for (const auto& p : b.params)
                s += L" (" + p.name + DumpKeys(p.keys) + L")";
            s += L")";
        }
        for (const auto& r : d.rollouts)
            s += L" (rollout " + r.name + L" " + Dump(r.title) + DumpKeys(r.keys) + L")";
        return s + L")";
    }
    }
    return L"?";
}

std::wstring DumpAst(const AstProgram& program) {
    std::wstring s;
    for (size_t i = 0; i < program.body.size(); ++i)
        s += (i ? L"\n" : L"") + Dump(program.body[i]);
    return s;
}
