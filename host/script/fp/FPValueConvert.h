// Conversion between the typed values of published functions and script values.
#pragma once

#include "host/core/FPValue.h"
#include "host/script/Value.h"

class Animatable;
class Interpreter;

// A script argument as the declared type wants it: integers and floats cross over, a script array becomes
// a table, a colour's 0-255 channels become 0-1, undefined becomes the null of an object or table type.
// Index numbering is left as the script gives it (1-based): the published-function boundary shifts it.
// Throws ScriptError "Unable to convert: <value> to type: <type>" when the value does not fit.
FPValue ScriptToFPValue(Interpreter& interp, const Value& v, ParamType2 type);
// A script value in the type it has of its own (what ExecuteMAXScriptScript hands back): Integer as
// TYPE_INT, Float TYPE_FLOAT, Boolean TYPE_BOOL, String TYPE_STRING, Name TYPE_NAME, Point3, Color,
// BitArray, nodes TYPE_INODE, other scene objects TYPE_REFTARG, interfaces TYPE_INTERFACE, arrays as the
// table of their items' common type. Values with no published type (undefined, OK, functions) give
// TYPE_VOID.
FPValue ScriptToFPValue(Interpreter& interp, const Value& v);
// A published value as a script value: TYPE_VOID as OK, the null of an object type as undefined, tables as
// arrays. Indices are taken as they are (the boundary has shifted them already).
Value FPValueToScript(Interpreter& interp, const FPValue& v);

// The script class name a declared type converts to, for messages ("Integer", "Point3", "node").
std::wstring ScriptTypeName(ParamType2 type);

// Scene objects in script values: the scene's node and object values (undefined for null).
Value WrapAnimatable(Animatable* anim);
// The animatable a script value stands for, or null.
Animatable* UnwrapAnimatable(const Value& v);
