// The value of a scripted attribute definition or a rollout: its evaluated parameters and its kept texts.
#pragma once

#include "host/script/Ast.h"
#include "host/script/RolloutControl.h"
#include "host/script/Value.h"

#include <memory>
#include <string>
#include <utility>
#include <vector>

// "attributes Name (parameters main (...) rollout r "t" (...))" gives one of these; the layer that adds
// custom attributes to scene objects builds real parameters from blocks, and a user interface builds a
// rollout from its body text. "rollout name "title" (...)" gives one too (with no blocks).
class ScriptDefinition : public HostObject {
public:
    enum class Kind { Attributes, Rollout };
    using Keys = std::vector<std::pair<std::wstring, Value>>;

    struct Param {
        std::wstring name;
        Keys keys; // type:#float default:5 animatable:true ui:#spn
    };
    struct Block {
        std::wstring name;
        Keys keys;
        std::vector<Param> params;
        std::vector<std::wstring> handlers;
    };
    struct Rollout {
        std::wstring name;
        std::wstring title;
        Keys keys;
        std::wstring body;
    };

    ScriptDefinition(Kind kind, std::wstring name) : kind(kind), name(std::move(name)) {}

    // A key's value, or null.
    static const Value* Find(const Keys& keys, const std::wstring& name);

    std::wstring ClassName() const override;
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;

    Kind kind;
    std::wstring name;
    Keys keys;
    std::vector<Block> blocks;
    std::vector<Rollout> rollouts;
    std::vector<std::wstring> handlers;
    std::shared_ptr<const AstDefinition> syntax;
    bool open = false;    // a rollout shown as a dialog, or a utility open in the utility panel
    bool utility = false; // defined by "utility name "title" (...)"
    // A rollout's controls and locals, read and set as its properties.
    RolloutContents contents;
};
