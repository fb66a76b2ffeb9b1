// The script language's lexer: one pass over the text, no backtracking beyond one character.
#include "host/script/Lexer.h"

#include "host/script/ScriptError.h"

#include <array>
#include <cmath>
#include <cwctype>

namespace {

// Ticks of one second of animation time (the host's TIME_TICKSPERSEC).
constexpr double kTicksPerSecond = 4800;

constexpr std::array kReserved = {
    L"and",      L"animate",   L"as",   L"attributes", L"by",      L"case",  L"catch", L"collect",
    L"continue", L"do",        L"else", L"exit",       L"false",   L"fn",    L"for",   L"function",
    L"global",   L"if",        L"in",   L"local",      L"max",     L"not",   L"of",    L"off",
    L"ok",       L"on",        L"or",   L"return",     L"rollout", L"struct", L"then",  L"to",    L"true",
    L"try",      L"undefined", L"undo", L"unsupplied", L"where",   L"while", L"with",
};

// Letters beyond ASCII count as letters whatever the process locale says, so names in any script work.
bool IsNameStart(wchar_t c) {
    return std::iswalpha(static_cast<wint_t>(c)) || c == L'_' || (c > 0x7F && c != 0xFEFF);
}
bool IsNameChar(wchar_t c) {
    return std::iswalnum(static_cast<wint_t>(c)) || c == L'_' || (c > 0x7F && c != 0xFEFF);
}
bool IsDigit(wchar_t c) {
    return c >= L'0' && c <= L'9';
}
bool IsPathChar(wchar_t c) {
    return IsNameChar(c) || c == L'*' || c == L'?' || c == L'/' || c == L'\\';
}

class Scanner {
public:
    Scanner(std::wstring_view text, const std::wstring& source) : text_(text), source_(source) {}

    std::vector<Token> Run() {
        bool space = true;
        while (true) {
            space = SkipBlanks() || space;
            if (pos_ >= text_.size()) {
                Token t = Start(space);
                t.kind = TokenKind::End;
                Push(std::move(t));
                return std::move(tokens_);
            }
            wchar_t c = text_[pos_];
            Token t = Start(space);
            space = false;
            if (c == L'\n') {
                Advance();
                t.kind = TokenKind::Newline;
                t.text = L"\n";
                Push(std::move(t));
                space = true;
                continue;
            }
            if (IsDigit(c) || (c == L'.' && IsDigit(Peek(1)) && !PreviousEndsOperand(t.spaceBefore)))
                Number(t);
            else if (c == L'"')
                String(t, false);
            else if (c == L'@' && Peek(1) == L'"')
                String(t, true);
            else if (IsNameStart(c))
                Name(t);
            else if (c == L'#')
                Hash(t);
            else if (c == L'$')
                PathName(t);
            else
                Punctuation(t);
            Push(std::move(t));
        }
    }

private:
    wchar_t Peek(size_t ahead) const { return pos_ + ahead < text_.size() ? text_[pos_ + ahead] : L'\0'; }

    void Advance() {
        if (text_[pos_] == L'\n') {
            ++line_;
            column_ = 1;
        } else {
            ++column_;
        }
        ++pos_;
    }

    Token Start(bool space) const {
        Token t;
        t.line = line_;
        t.column = column_;
        t.offset = pos_;
        t.spaceBefore = space || tokens_.empty();
        return t;
    }

    void Push(Token t) {
        t.endOffset = pos_;
        tokens_.push_back(std::move(t));
    }

    [[noreturn]] void Fail(const std::wstring& what, int line, int column) const {
        throw ScriptError(L"syntax error: " + what, source_, line, column);
    }

    bool PreviousEndsOperand(bool space) const {
        if (space || tokens_.empty()) return false;
        const Token& p = tokens_.back();
        switch (p.kind) {
        case TokenKind::Integer:
        case TokenKind::Float:
        case TokenKind::String:
        case TokenKind::Identifier:
        case TokenKind::Symbol:
        case TokenKind::Path:
            return true;
        case TokenKind::Punct:
            return p.text == L")" || p.text == L"]";
        default:
            return false;
        }
    }

    // Skips spaces, comments and escaped line ends; a block comment that spans lines ends the line.
    bool SkipBlanks() {
        bool skipped = false;
        while (pos_ < text_.size()) {
            wchar_t c = text_[pos_];
            if (c == L' ' || c == L'\t' || c == L'\r' || c == L'\f' || c == 0xFEFF) {
                Advance();
            } else if (c == L'-' && Peek(1) == L'-') {
                while (pos_ < text_.size() && text_[pos_] != L'\n')
                    Advance();
            } else if (c == L'/' && Peek(1) == L'*') {
                int line = line_, column = column_;
                Advance();
                Advance();
                bool multiLine = false;
                while (pos_ < text_.size() && !(text_[pos_] == L'*' && Peek(1) == L'/')) {
                    multiLine = multiLine || text_[pos_] == L'\n';
                    Advance();
                }
                if (pos_ >= text_.size()) Fail(L"comment not closed, expected '*/'", line, column);
                Advance();
                Advance();
                if (multiLine) {
                    Token t = Start(true);
                    t.kind = TokenKind::Newline;
                    t.text = L"\n";
                    Push(std::move(t));
                }
            } else if (c == L'\\' && LineEndFollows(pos_ + 1)) {
                // A backslash before the line end continues the expression on the next line.
                while (text_[pos_] != L'\n')
                    Advance();
                Advance();
            } else {
                break;
            }
            skipped = true;
        }
        return skipped;
    }

    bool LineEndFollows(size_t p) const {
        while (p < text_.size() && (text_[p] == L' ' || text_[p] == L'\t' || text_[p] == L'\r'))
            ++p;
        if (p + 1 < text_.size() && text_[p] == L'-' && text_[p + 1] == L'-')
            return false; // keep it simple: a comment after the backslash is not a continuation
        return p < text_.size() && text_[p] == L'\n';
    }

    static bool IsTimeUnit(wchar_t c) {
        const wchar_t l = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
        return l == L'm' || l == L's' || l == L'f' || l == L't';
    }

    // A number directly followed by a time unit, and any further number-unit pairs ("1m15s5f").
    bool AtTimeUnit() const {
        return pos_ < text_.size() && IsTimeUnit(text_[pos_]) && (!IsNameChar(Peek(1)) || IsDigit(Peek(1)));
    }

    void Time(Token& t, size_t begin) {
        pos_ = begin;
        column_ = t.column;
        double ticks = 0, frames = 0;
        while (pos_ < text_.size() && IsDigit(text_[pos_])) {
            const size_t from = pos_;
            while (pos_ < text_.size() && (IsDigit(text_[pos_]) || (text_[pos_] == L'.' && IsDigit(Peek(1)))))
                Advance();
            const std::string digits(text_.begin() + static_cast<std::ptrdiff_t>(from), text_.begin() + static_cast<std::ptrdiff_t>(pos_));
            if (pos_ >= text_.size() || !IsTimeUnit(text_[pos_]))
                Fail(L"a time unit (m, s, f or t) after " + std::wstring(text_.substr(from, pos_ - from)), line_, column_);
            const double v = std::stod(digits);
            switch (std::towlower(static_cast<wint_t>(text_[pos_]))) {
            case L'm': ticks += v * 60 * kTicksPerSecond; break;
            case L's': ticks += v * kTicksPerSecond; break;
            case L't': ticks += v; break;
            default: frames += v; break;
            }
            Advance();
        }
        t.kind = TokenKind::Time;
        t.integer = static_cast<std::int64_t>(std::llround(ticks));
        t.number = frames;
        t.text = std::wstring(text_.substr(begin, pos_ - begin));
        CheckNumberEnd(t);
    }

    void Number(Token& t) {
        size_t begin = pos_;
        if (text_[pos_] == L'0' && (Peek(1) == L'x' || Peek(1) == L'X') &&
            std::iswxdigit(static_cast<wint_t>(Peek(2)))) {
            Advance();
            Advance();
            std::int64_t v = 0;
            while (pos_ < text_.size() && std::iswxdigit(static_cast<wint_t>(text_[pos_]))) {
                wchar_t d = text_[pos_];
                int digit = IsDigit(d) ? d - L'0' : (std::towlower(static_cast<wint_t>(d)) - L'a' + 10);
                v = v * 16 + digit;
                Advance();
            }
            t.kind = TokenKind::Integer;
            t.integer = v;
            t.text = std::wstring(text_.substr(begin, pos_ - begin));
            CheckNumberEnd(t);
            return;
        }
        bool isFloat = false;
        while (pos_ < text_.size() && IsDigit(text_[pos_]))
            Advance();
        if (pos_ < text_.size() && text_[pos_] == L'.' && Peek(1) != L'.' && !IsNameStart(Peek(1))) {
            isFloat = true;
            Advance();
            while (pos_ < text_.size() && IsDigit(text_[pos_]))
                Advance();
        }
        if (pos_ < text_.size() && (text_[pos_] == L'e' || text_[pos_] == L'E')) {
            size_t k = 1;
            if (Peek(1) == L'+' || Peek(1) == L'-') k = 2;
            if (IsDigit(Peek(k))) {
                isFloat = true;
                for (size_t i = 0; i < k; ++i)
                    Advance();
                while (pos_ < text_.size() && IsDigit(text_[pos_]))
                    Advance();
            }
        }
        if (AtTimeUnit()) {
            Time(t, begin);
            return;
        }
        t.text = std::wstring(text_.substr(begin, pos_ - begin));
        std::string ascii(t.text.begin(), t.text.end());
        if (isFloat) {
            t.kind = TokenKind::Float;
            t.number = std::stod(ascii);
        } else {
            t.kind = TokenKind::Integer;
            try {
                t.integer = std::stoll(ascii);
            } catch (const std::out_of_range&) {
                t.kind = TokenKind::Float;
                t.number = std::stod(ascii);
            }
        }
        CheckNumberEnd(t);
    }

    void CheckNumberEnd(const Token& t) const {
        if (pos_ < text_.size() && IsNameStart(text_[pos_]))
            Fail(L"unexpected '" + std::wstring(1, text_[pos_]) + L"' after the number " + t.text, line_,
                 column_);
    }

    void String(Token& t, bool verbatim) {
        if (verbatim) Advance();
        Advance(); // opening quote
        std::wstring value;
        while (true) {
            if (pos_ >= text_.size()) Fail(L"string not closed, expected '\"'", t.line, t.column);
            wchar_t c = text_[pos_];
            if (c == L'"') {
                Advance();
                break;
            }
            if (c == L'\\' && !verbatim && pos_ + 1 < text_.size()) {
                wchar_t e = text_[pos_ + 1];
                wchar_t out = 0;
                switch (e) {
                case L'n':
                    out = L'\n';
                    break;
                case L't':
                    out = L'\t';
                    break;
                case L'r':
                    out = L'\r';
                    break;
                case L'"':
                    out = L'"';
                    break;
                case L'\\':
                    out = L'\\';
                    break;
                case L'%':
                    out = L'%';
                    break;
                default:
                    break;
                }
                if (out) {
                    value += out;
                    Advance();
                    Advance();
                    continue;
                }
            }
            value += c;
            Advance();
        }
        t.kind = TokenKind::String;
        t.text = std::move(value);
    }

    void Name(Token& t) {
        size_t begin = pos_;
        while (pos_ < text_.size() && IsNameChar(text_[pos_]))
            Advance();
        t.text = std::wstring(text_.substr(begin, pos_ - begin));
        std::wstring lower = LowerName(t.text);
        if (IsReservedWord(lower)) {
            t.kind = TokenKind::Keyword;
            t.text = std::move(lower);
        } else {
            t.kind = TokenKind::Identifier;
        }
    }

    void Hash(Token& t) {
        wchar_t n = Peek(1);
        if (n == L'(' || n == L'{') {
            Advance();
            Advance();
            t.kind = n == L'(' ? TokenKind::ArrayOpen : TokenKind::BitOpen;
            t.text = n == L'(' ? L"#(" : L"#{";
            return;
        }
        if (IsNameChar(n)) {
            Advance();
            size_t begin = pos_;
            while (pos_ < text_.size() && IsNameChar(text_[pos_]))
                Advance();
            t.kind = TokenKind::Symbol;
            t.text = std::wstring(text_.substr(begin, pos_ - begin));
            return;
        }
        Fail(L"expected a name, '(' or '{' after '#'", line_, column_ + 1);
    }

    void PathName(Token& t) {
        Advance();
        t.kind = TokenKind::Path;
        if (pos_ < text_.size() && text_[pos_] == L'\'') {
            Advance();
            size_t begin = pos_;
            while (pos_ < text_.size() && text_[pos_] != L'\'' && text_[pos_] != L'\n')
                Advance();
            if (pos_ >= text_.size() || text_[pos_] != L'\'')
                Fail(L"quoted name not closed, expected \"'\"", t.line, t.column);
            t.text = std::wstring(text_.substr(begin, pos_ - begin));
            t.quotedPath = true;
            Advance();
            return;
        }
        size_t begin = pos_;
        while (pos_ < text_.size() && IsPathChar(text_[pos_]))
            Advance();
        t.text = std::wstring(text_.substr(begin, pos_ - begin));
    }

    void Punctuation(Token& t) {
        static constexpr std::array kTwo = {L"==", L"!=", L"<=", L">=", L"+=", L"-=", L"*=", L"/=", L"..", L"::"};
        wchar_t c = text_[pos_];
        for (const wchar_t* two : kTwo) {
            if (c == two[0] && Peek(1) == two[1]) {
                Advance();
                Advance();
                t.kind = TokenKind::Punct;
                t.text = two;
                return;
            }
        }
        static constexpr std::wstring_view kOne = L"()[]{},;:.+-*/^=<>&";
        if (kOne.find(c) == std::wstring_view::npos)
            Fail(L"unexpected character '" + std::wstring(1, c) + L"'", line_, column_);
        Advance();
        t.kind = TokenKind::Punct;
        t.text = std::wstring(1, c);
    }

    std::wstring_view text_;
    const std::wstring& source_;
    size_t pos_ = 0;
    int line_ = 1;
    int column_ = 1;
    std::vector<Token> tokens_;
};

} // namespace

std::wstring LowerName(std::wstring_view name) {
    std::wstring s(name);
    for (wchar_t& c : s)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return s;
}

bool IsReservedWord(std::wstring_view lowerWord) {
    for (const wchar_t* w : kReserved)
        if (lowerWord == w) return true;
    return false;
}

std::wstring Token::Describe() const {
    switch (kind) {
    case TokenKind::End:
        return L"end of script";
    case TokenKind::Newline:
        return L"end of line";
    case TokenKind::String:
        return L"\"" + text + L"\"";
    case TokenKind::Symbol:
        return L"'#" + text + L"'";
    case TokenKind::Path:
        return L"'$" + text + L"'";
    default:
        return L"'" + text + L"'";
    }
}

std::vector<Token> Tokenize(std::wstring_view text, const std::wstring& sourceName) {
    return Scanner(text, sourceName).Run();
}
