// Script errors: the position is part of the text every caller shows.
#include "host/script/ScriptError.h"

namespace {

std::wstring PositionedText(const std::wstring& detail, const std::wstring& source, int line, int column,
                           const std::wstring& construct) {
    if (line <= 0) return detail;
    std::wstring where = construct.empty() ? L"" : L" (in " + construct + L")";
    return source + L":" + std::to_wstring(line) + L":" + std::to_wstring(column) + L": " + detail + where;
}

} // namespace

ScriptError::ScriptError(std::wstring detail) : MAXException(WStr(detail), 0), detail_(std::move(detail)) {}

ScriptError::ScriptError(std::wstring detail, std::wstring source, int line, int column, std::wstring construct)
    : MAXException(WStr(PositionedText(detail, source, line, column, construct)), 0), detail_(std::move(detail)),
      source_(std::move(source)), line_(line), column_(column), construct_(std::move(construct)) {}

ScriptError ScriptError::At(const std::wstring& source, int line, int column, const std::wstring& construct) const {
    if (HasPosition()) return *this;
    return ScriptError(detail_, source, line, column, construct);
}
