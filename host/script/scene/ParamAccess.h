// Parameters of objects, modifiers, materials and custom attributes by their script names, through the
// parameter blocks (both generations), converted to and from script values.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/script/Value.h"

#include <string>
#include <vector>

class Animatable;
class IParamBlock;
class IParamBlock2;
class Interpreter;

// Where a named parameter lives.
struct ParamRef {
    IParamBlock2* pb2 = nullptr;
    int id = -1; // the ParamID in pb2, or the index in pb1
    IParamBlock* pb1 = nullptr;
    // An older block's float that holds radians and reads in degrees.
    bool angle = false;
};

// Finds a parameter of anim's own blocks by name (case-insensitive; an older block's parameter answers to
// its script name and to its display name with spaces and "_" ignored).
bool FindParam(Animatable* anim, const std::wstring& lowerName, ParamRef& out);
// The value at the current time: numbers, booleans, colours (0-255), points, strings, scene values, and
// arrays for tables. Angles read in degrees, percentages as percent, index parameters 1-based.
Value GetParamValue(const ParamRef& p);
// Sets the value through the block (which records undo and notifies). Throws ScriptError for a value of
// the wrong type, naming the parameter and the expected type.
void SetParamValue(const ParamRef& p, const Value& v, const std::wstring& paramName);
// The script names of anim's parameters, in block order.
std::vector<std::wstring> ParamNames(Animatable* anim);
// A parameter's value as a property: true when anim has one by that name.
bool GetParamProperty(Animatable* anim, const std::wstring& lowerName, Value& out);
bool SetParamProperty(Animatable* anim, const std::wstring& lowerName, const Value& value);
