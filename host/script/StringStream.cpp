// String streams convert to their text.
#include "host/script/StringStream.h"

#include "host/script/Lexer.h"

bool StringStream::ConvertTo(Interpreter&, const ScriptClass& target, Value& out) {
    if (LowerName(target.Name()) != L"string") return false;
    out = Value::String(text_);
    return true;
}

bool StringStream::GetProperty(Interpreter&, const std::wstring& lowerName, Value& out) {
    if (lowerName != L"count") return false;
    out = Value::Int(static_cast<std::int64_t>(text_.size()));
    return true;
}
