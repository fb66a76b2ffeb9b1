// The script language's string stream: "format ... to:ss" and "print ... to:ss" write into it.
#pragma once

#include "host/script/ScriptOutput.h"
#include "host/script/Value.h"

class StringStream : public HostObject, public ScriptOutput {
public:
    explicit StringStream(std::wstring initial = L"") : text_(std::move(initial)) {}

    void Write(std::wstring_view text) override { text_ += text; }
    const std::wstring& Text() const { return text_; }

    std::wstring ClassName() const override { return L"StringStream"; }
    std::wstring PrintForm() const override { return L"StringStream:\"" + text_ + L"\""; }
    bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out) override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;

private:
    std::wstring text_;
};
