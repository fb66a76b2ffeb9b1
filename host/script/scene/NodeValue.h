// Script values for scene nodes and for any other animatable (objects, modifiers, materials, controllers,
// layers, custom attributes, sub-animatables). They hold handles, not pointers: a value outlives what it
// names, and then prints as deleted and refuses property access.
#pragma once

#include "host/core/Animatable.h"
#include "host/script/Value.h"

#include <string>

class INode;
class Interpreter;

// A scene node. Valid while the node is alive and in the scene (a deleted node kept by the undo buffer
// is not valid).
class NodeValue : public HostObject {
public:
    explicit NodeValue(INode* node);

    // The node, or null once it was deleted.
    INode* Node() const;
    ULONG NodeHandle() const { return handle_; }

    std::wstring ClassName() const override;
    std::wstring SuperClassName() const override;
    // "$Box:Box01 @ [0.000000,0.000000,0.000000]", "<Deleted scene node>" once deleted.
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    // Functions of the node's interfaces, then of its base object's, as the host's language looks them up.
    bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) override;
    // Sub-animatables by 1-based number or by name: $Box01[3] is the transform.
    bool GetIndex(Interpreter& interp, const Value& index, Value& out) override;
    bool Enumerate(Interpreter& interp, std::vector<Value>& out) override;
    bool Equals(const HostObject& other) const override;

private:
    ULONG handle_;
};

// Any other animatable.
class AnimValue : public HostObject {
public:
    explicit AnimValue(Animatable* anim);

    // The animatable, or null once it was freed.
    Animatable* Anim() const;
    AnimHandle Handle() const { return handle_; }

    std::wstring ClassName() const override;
    std::wstring SuperClassName() const override;
    // The host's forms: "Bend:Bend", "Standard:Brick", "Controller:Bezier_Float", "<Layer:Walls>".
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool CallMethod(Interpreter& interp, const std::wstring& lowerName, CallArgs& args, Value& out) override;
    bool GetIndex(Interpreter& interp, const Value& index, Value& out) override;
    bool SetIndex(Interpreter& interp, const Value& index, const Value& value) override;
    bool Enumerate(Interpreter& interp, std::vector<Value>& out) override;
    bool Equals(const HostObject& other) const override;

private:
    AnimHandle handle_;
};

// Sub-animatable i of an animatable ($Box01[3], $Box01[#transform][#position]); its .controller can be
// read and assigned, and .value reads and writes the controller's value.
class SubAnimValue : public HostObject {
public:
    SubAnimValue(Animatable* parent, int index);

    Animatable* Parent() const;
    int Index() const { return index_; }
    // The sub-animatable itself (null when the slot is empty or the parent is gone).
    Animatable* Target() const;

    std::wstring ClassName() const override { return L"SubAnim"; }
    // "SubAnim:Transform".
    std::wstring PrintForm() const override;
    bool GetProperty(Interpreter& interp, const std::wstring& lowerName, Value& out) override;
    bool SetProperty(Interpreter& interp, const std::wstring& lowerName, const Value& value) override;
    bool GetIndex(Interpreter& interp, const Value& index, Value& out) override;
    bool Equals(const HostObject& other) const override;

private:
    AnimHandle parent_;
    int index_;
};

// A node value (undefined for null).
Value MakeNodeValue(INode* node);
// The live node a value holds; null for any other value and for a deleted node.
INode* NodeFromValue(const Value& v);
// A value for any animatable: nodes become node values, everything else an AnimValue (undefined for
// null).
Value MakeAnimValue(Animatable* anim);
// The live animatable a node or animatable value holds (the node for a node value); null otherwise.
Animatable* AnimFromValue(const Value& v);
// The sub-animatable value of parent by 1-based number or by name (undefined when there is none).
Value SubAnimByIndex(Animatable* parent, const Value& index);
