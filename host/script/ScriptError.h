// The one exception the script language raises: a syntax or runtime error with the script's position.
#pragma once

#include "host/core/MaxException.h"

#include <string>

// A script error. Built-in functions raise it without a position ("Unknown property: ..."); the evaluator
// adds the source name, line and column of the expression that was running before it leaves the call.
// Message() is "source:line:column: detail (in construct)", Detail() the bare text. The construct names
// the call or operator that was running ("call to abs", "operator +") when the detail does not already.
class ScriptError : public MAXException {
public:
    explicit ScriptError(std::wstring detail);
    ScriptError(std::wstring detail, std::wstring source, int line, int column, std::wstring construct = {});

    const std::wstring& Detail() const { return detail_; }
    const std::wstring& Source() const { return source_; }
    int Line() const { return line_; }
    int Column() const { return column_; }
    const std::wstring& Construct() const { return construct_; }
    bool HasPosition() const { return line_ > 0; }
    // The same error placed at a position, in the named construct (an error that already has a position
    // keeps it).
    ScriptError At(const std::wstring& source, int line, int column, const std::wstring& construct = {}) const;

private:
    std::wstring detail_;
    std::wstring source_;
    int line_ = 0;
    int column_ = 0;
    std::wstring construct_;
};
