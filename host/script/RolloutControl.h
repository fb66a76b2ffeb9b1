// The controls a rollout's body declares (spinner, checkbox, edittext ...), built from the body's text so
// that scripts read and set them as the host's rollouts allow, with or without a user interface.
#pragma once

#include "host/script/Value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

class RolloutControl : public HostObject {
public:
    RolloutControl(std::wstring type, std::wstring name) : type_(std::move(type)), name_(std::move(name)) {}

    std::wstring ClassName() const override;
    std::wstring PrintForm() const override { return ClassName() + L":" + name_; }
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;

    const std::wstring& Name() const { return name_; }
    // The lower-cased control word ("spinner"); empty when the word names no control.
    const std::wstring& Type() const { return type_; }
    // Sets a property from the declaration's keyword ("range:", "checked:"); false when the control has
    // no such property (the keyword only concerns the layout: width:, align:, ...).
    bool Declare(Interpreter& interp, const std::wstring& lowerKey, const Value& value);
    // Fills in what the declaration left out (a spinner's value from its range, a list's selection).
    void Complete();

private:
    Value* Find(const std::wstring& lowerName);
    void Set(const std::wstring& lowerName, const Value& value);

    std::wstring type_;
    std::wstring name_;
    std::vector<std::pair<std::wstring, Value>> props_;
};

// Whether a word of a rollout body declares a control.
bool IsRolloutControlWord(const std::wstring& lowerWord);

// The controls and locals of a rollout body. Positions of errors count from line and column, where the
// body starts in its script.
struct RolloutContents {
    std::vector<std::shared_ptr<RolloutControl>> controls;
    std::vector<std::pair<std::wstring, Value>> locals;
};
RolloutContents BuildRolloutContents(Interpreter& interp, const std::wstring& body, const std::wstring& source,
                                     int line, int column);
