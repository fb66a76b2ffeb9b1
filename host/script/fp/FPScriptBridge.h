// Function publishing in the script language: core interfaces as globals under their script names, the
// functions of interfaces published for global access as global functions, and the result bridge of
// ExecuteMAXScriptScript.
#pragma once

#include "host/core/FPInterface.h"

class Interpreter;
class ScriptRuntime;

// An interface flag: each function of this core interface is also a script global of its own name
// ("OpenOstrivansManager()"), called with exactly its positional arguments as a built-in function is.
constexpr WORD FP_GLOBAL_FUNCTIONS = 0x0400;

// Makes every registered core interface a global of interp under its script name, and every function of
// a core interface flagged FP_GLOBAL_FUNCTIONS a global function. The globals look the interface up on
// each use, so an interface unregistered later reads as undefined. A name that is already a global keeps
// its meaning. Cheap and repeatable: the runtime calls it before every run, so interfaces that modules
// register at any time are seen.
void PublishCoreInterfaces(Interpreter& interp);

// getInterface obj name: the mixin interface of a scene object by its script name (undefined when the
// object publishes none of that name); getInterfaces obj: all of them, in its class's order.
void RegisterInterfaceBuiltins(Interpreter& interp);

// Registers the interface built-ins and publishes the core interfaces in the runtime's interpreter, and
// installs the FPValue bridge, so
// ExecuteMAXScriptScript hands back the script's last value as a typed value.
void InstallFunctionPublishing(ScriptRuntime& runtime);
