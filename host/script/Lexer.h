// Splits script text into tokens with their line and column.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

enum class TokenKind {
    End,
    Newline,
    Integer,
    Float,
    String,
    Identifier, // a name that is not reserved; text as written
    Keyword,    // a reserved word; text lower-cased
    Symbol,     // #foo; text "foo"
    Path,       // $Box01, $'quoted name', $Wall*, $; text after the "$"
    ArrayOpen,  // #(
    BitOpen,    // #{
    Punct,      // ( ) [ ] } , ; : . .. and the operators; text is the characters
    Time,       // 10f, 1.5s, 1m15s, 30t: integer holds the minutes, seconds and ticks in ticks, number the frames
};

struct Token {
    TokenKind kind = TokenKind::End;
    std::wstring text;
    std::int64_t integer = 0;
    double number = 0;
    int line = 1;
    int column = 1;
    size_t offset = 0;        // position in the source text
    size_t endOffset = 0;     // one past the last character
    bool spaceBefore = false; // white space, a comment or a line start separates it from the previous token
    bool quotedPath = false;  // $'name': wildcard characters are part of the name

    bool Is(TokenKind k, std::wstring_view t) const { return kind == k && text == t; }
    bool IsPunct(std::wstring_view t) const { return Is(TokenKind::Punct, t); }
    bool IsKeyword(std::wstring_view t) const { return Is(TokenKind::Keyword, t); }
    // How an error message names the token: 'do', "abc", end of line, end of script.
    std::wstring Describe() const;
};

// Reserved words are matched without regard to case, as the language does.
bool IsReservedWord(std::wstring_view lowerWord);

// Throws ScriptError at the offending character for an unterminated string or comment or a stray character.
std::vector<Token> Tokenize(std::wstring_view text, const std::wstring& sourceName);

// Lower-cases a name the way the language compares names.
std::wstring LowerName(std::wstring_view name);
