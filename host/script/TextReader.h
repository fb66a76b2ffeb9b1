// Reading through a text held whole, for the script language's file and string streams: lines,
// characters, delimited parts, values, tokens, skips and positions.
#pragma once

#include "host/script/ScriptError.h"

#include <cstdint>
#include <string>

class TextReader {
public:
    virtual ~TextReader() = default;

    bool AtEnd();
    std::wstring ReadLine();
    std::wstring ReadChars(size_t n);
    wchar_t ReadChar() { return ReadChars(1)[0]; }
    // Up to the first of the delimiters, which is passed over; the rest of the text when none follows.
    std::wstring ReadDelimited(const std::wstring& delimiters);
    // The text of the next value: a quoted string, or a run up to white space or a comma outside brackets
    // and quotes ("#(1, 2)" and "[1,2,3]" are one value).
    std::wstring ReadValueText();
    // The next token after white space: a quoted string with its quotes, a run of letters, digits, "_" and
    // "." (a name or a number), or one other character; empty at the end. Peeking leaves the position.
    std::wstring ReadToken(bool peek);
    // The text of the next expression: up to the end of its line, or further while brackets stay open.
    std::wstring ReadExpressionText();
    // Moves past the next occurrence of what; false (staying put) when there is none.
    bool SkipTo(const std::wstring& what);
    void SkipLine();
    void SkipSpace();
    void Seek(std::int64_t position);
    void SeekEnd();

protected:
    // The error for a read the stream refuses (closed, not for reading, at the end), naming the stream.
    virtual ScriptError Refused(const std::wstring& why) const = 0;
    // Throws Refused when the stream cannot be read now.
    virtual void Readable() const = 0;

    std::wstring text_;
    size_t at_ = 0;

private:
    void SkipWhite();
    // From the next non-white character over brackets and strings: a value ends at white space or a comma
    // outside them, or right after a string standing alone; an expression at the end of its line.
    std::wstring ScanBalanced(bool value);
};
