// The script language's string stream: "format ... to:ss" and "print ... to:ss" write into it, and the
// stream functions read from it.
#pragma once

#include "host/script/ScriptOutput.h"
#include "host/script/TextReader.h"
#include "host/script/Value.h"

// Reading starts at the beginning; writing adds at the end and leaves the position there, so a script
// seeks back to read what it wrote.
class StringStream : public HostObject, public ScriptOutput, public TextReader {
public:
    explicit StringStream(std::wstring initial = L"") { text_ = std::move(initial); }

    void Write(std::wstring_view text) override {
        text_ += text;
        at_ = text_.size();
    }
    const std::wstring& Text() const { return text_; }
    size_t Position() const { return at_; }

    std::wstring ClassName() const override { return L"StringStream"; }
    std::wstring PrintForm() const override { return L"StringStream:\"" + text_ + L"\""; }
    bool ConvertTo(Interpreter& interp, const ScriptClass& target, Value& out) override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;

private:
    ScriptError Refused(const std::wstring& why) const override {
        return ScriptError(L"Runtime error: StringStream " + why);
    }
    void Readable() const override {}
};
