// The one exception the script language raises: a syntax or runtime error with the script's position.
#pragma once

#include "host/core/MaxException.h"

#include <string>

// A script error. Built-in functions raise it without a position ("Unknown property: ..."); the evaluator
// adds the source name, line and column of the expression that was running before it leaves the call.
// Message() is "source:line:column: detail", Detail() the bare text.
class ScriptError : public MAXException {
public:
    explicit ScriptError(std::wstring detail);
    ScriptError(std::wstring detail, std::wstring source, int line, int column);

    const std::wstring& Detail() const { return detail_; }
    const std::wstring& Source() const { return source_; }
    int Line() const { return line_; }
    int Column() const { return column_; }
    bool HasPosition() const { return line_ > 0; }
    // The same error placed at a position (an error that already has one keeps it).
    ScriptError At(const std::wstring& source, int line, int column) const;

private:
    std::wstring detail_;
    std::wstring source_;
    int line_ = 0;
    int column_ = 0;
};
