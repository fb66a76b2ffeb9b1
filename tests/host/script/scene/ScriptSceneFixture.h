// A fresh scene and a fresh script runtime for every test, with the script's printed output captured.
#pragma once

#include "host/scene/Interface.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptOutput.h"
#include "host/script/ScriptRuntime.h"
#include "tests/support/SceneBuilder.h"

#include <string>

class CapturedOutput : public ScriptOutput {
public:
    void Write(std::wstring_view text) override { text_ += text; }
    std::wstring text_;
};

class ScriptScene : public SceneFixture {
protected:
    void SetUp() override {
        SceneFixture::SetUp();
        ScriptRuntime::Get().Reset();
        ScriptRuntime::Get().Interp().SetOutput(&out_);
    }
    void TearDown() override {
        ScriptRuntime::Get().Interp().SetOutput(nullptr);
        SceneFixture::TearDown();
    }
    // Runs a script; what it printed.
    std::wstring Run(const std::wstring& text) {
        out_.text_.clear();
        ScriptRuntime::Get().Run(text, L"t.ms");
        return out_.text_;
    }
    // The print form of a script's value.
    std::wstring Eval(const std::wstring& text) { return ScriptRuntime::Get().Run(text, L"t.ms").PrintForm(); }
    // The message of the error a script raises ("" when it runs).
    std::wstring Error(const std::wstring& text) {
        try {
            ScriptRuntime::Get().Run(text, L"t.ms");
        } catch (const ScriptError& e) {
            return e.Message().str();
        }
        return L"";
    }
    INode* Node(const wchar_t* name) { return GetCOREInterface()->GetINodeByName(name); }

    CapturedOutput out_;
};
