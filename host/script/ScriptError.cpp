// Script errors: the position is part of the text every caller shows.
#include "host/script/ScriptError.h"

namespace {

std::wstring PositionedText(const std::wstring& detail, const std::wstring& source, int line, int column) {
    if (line <= 0) return detail;
    return source + L":" + std::to_wstring(line) + L":" + std::to_wstring(column) + L": " + detail;
}

} // namespace

ScriptError::ScriptError(std::wstring detail) : MAXException(WStr(detail), 0), detail_(std::move(detail)) {}

ScriptError::ScriptError(std::wstring detail, std::wstring source, int line, int column)
    : MAXException(WStr(PositionedText(detail, source, line, column)), 0), detail_(std::move(detail)),
      source_(std::move(source)), line_(line), column_(column) {}

ScriptError ScriptError::At(const std::wstring& source, int line, int column) const {
    if (HasPosition()) return *this;
    return ScriptError(detail_, source, line, column);
}
