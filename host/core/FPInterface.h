// Function publishing: interfaces whose functions and properties scripts and other plug-ins call by id or
// by name, their descriptions, argument lists, and the registry of the host's core interfaces.
#pragma once

#include "host/core/Array.h"
#include "host/core/BaseInterface.h"
#include "host/core/FPValue.h"
#include "host/core/MaxTypes.h"
#include "host/core/ParamType.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

#include <deque>
#include <initializer_list>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

class ClassDesc;
class FPInterfaceDesc;

using FunctionID = short;
constexpr FunctionID FP_NO_FUNCTION = -1;

// Results of Invoke. An unknown function answers with all bits set.
using FPStatus = int;
constexpr FPStatus FPS_FAIL = 0;
constexpr FPStatus FPS_NO_SUCH_FUNCTION = -1;
constexpr FPStatus FPS_ACTION_DISABLED = -2;
constexpr FPStatus FPS_OK = 1;

// Interface flags.
constexpr WORD FP_ACTIONS = 0x0001;
constexpr WORD FP_MIXIN = 0x0002;
constexpr WORD FP_CORE = 0x0004;
constexpr WORD FP_STATIC_METHODS = 0x0008;
constexpr WORD FP_SCRIPTED_CLASS = 0x1000;
constexpr WORD FP_TEST_INTERFACE = 0x2000;

// Function flags.
constexpr WORD FP_NO_REDRAW = 0x0001;
constexpr WORD FP_VAR_ARGS = 0x0002;

// Parameter flags.
constexpr WORD FPP_IN_PARAM = 0x0004;
constexpr WORD FPP_OUT_PARAM = 0x0008;
constexpr WORD FPP_IN_OUT_PARAM = 0x000C;
constexpr WORD FPP_KEYARG = 0x0010;
constexpr WORD FPP_INDEX = 0x0020;

// One declared parameter of a published function.
class FPParamDef {
public:
    MSTR internal_name;
    StringResID description = 0;
    ParamType2 type = TYPE_VOID;
    WORD flags = 0;
    // The value a script caller gets when it omits this keyword argument (set when FPP_KEYARG is).
    FPValue keyarg_default;

    FPParamDef() = default;
    FPParamDef(const MCHAR* name, ParamType2 type);
    // A keyword argument: script callers pass it as name:value or omit it and get the default, given
    // in the dispatcher's own numbering (an index default is 0-based).
    static FPParamDef KeyArg(const MCHAR* name, ParamType2 type, const FPValue& defaultValue);

    bool IsKeyArg() const { return (flags & FPP_KEYARG) != 0; }
    std::string ToString() const; // "mode: TYPE_INDEX = 0"
};

// One published function: id, script name, result type and parameters (keyword arguments last).
class FPFunctionDef {
public:
    FunctionID ID = FP_NO_FUNCTION;
    MSTR internal_name;
    StringResID description = 0;
    ParamType2 result_type = TYPE_VOID;
    WORD flags = 0;
    Tab<FPParamDef> params;
    short keyparam_count = 0;

    FPFunctionDef() = default;
    // Throws MAXException when a positional parameter follows a keyword one.
    FPFunctionDef(FunctionID id, const MCHAR* name, ParamType2 result, std::initializer_list<FPParamDef> params = {},
                  WORD flags = 0);

    int NumPositional() const { return params.Count() - keyparam_count; }
    // Case-insensitive, as the script language names arguments; null when absent.
    const FPParamDef* FindParam(const MCHAR* name) const;
    std::string ToString() const; // "14 SaveAs(fileName: TYPE_STRING) -> TYPE_INT"
};

// One published property: its getter and setter are function ids of the same dispatcher.
class FPPropDef {
public:
    FunctionID getter_ID = FP_NO_FUNCTION;
    FunctionID setter_ID = FP_NO_FUNCTION;
    MSTR internal_name;
    StringResID description = 0;
    ParamType2 prop_type = TYPE_VOID;

    FPPropDef() = default;
    FPPropDef(FunctionID getter, FunctionID setter, const MCHAR* name, ParamType2 type);
    bool IsReadOnly() const { return setter_ID == FP_NO_FUNCTION; }
    std::string ToString() const; // "property ShowDuplicatedNamesWarning: TYPE_BOOL (get 23, set 24)"
};

// The argument list a dispatcher receives, in declaration order (keyword arguments included).
class FPParams {
public:
    MaxSDK::Array<FPValue> params;

    FPParams() = default;
    FPParams(std::initializer_list<FPValue> values) : params(values) {}
    int Count() const { return static_cast<int>(params.length()); }
    std::string ToString() const; // "(TYPE_INT 1, TYPE_STRING \"a\")"
};

// Argument i of a dispatched call. A missing argument (or no list at all) throws the host's
// MaxSDK::Util::OutOfRangeException with the array range text, as the host's argument lists do.
FPValue& FPArg(FPParams* p, int i);

// A call as the script language makes it: positional values in order, then name:value pairs.
struct FPScriptArgs {
    std::vector<FPValue> positional;
    std::vector<std::pair<WStr, FPValue>> keywords;
};

// An interface whose functions are called through Invoke. Implementations override _dispatch_fn with a
// switch over their function ids, returning FPS_NO_SUCH_FUNCTION for ids they do not serve.
class FPInterface : public BaseInterface {
public:
    virtual FPInterfaceDesc* GetDesc() = 0;
    Interface_ID GetID() override;
    BaseInterface* GetInterface(Interface_ID id) override;

    // Calls function fid. Keyword arguments the caller left out are filled with their defaults; a missing
    // required argument reaches the dispatcher missing, which throws when it reads it.
    FPStatus Invoke(FunctionID fid, FPParams* params = nullptr);
    FPStatus Invoke(FunctionID fid, TimeValue t, FPParams* params = nullptr);
    FPStatus Invoke(FunctionID fid, FPValue& result, FPParams* params = nullptr);
    FPStatus Invoke(FunctionID fid, TimeValue t, FPValue& result, FPParams* params = nullptr);

    // The id of the function with that script name (case-insensitive), or FP_NO_FUNCTION.
    FunctionID FindFn(const MCHAR* name);
    // For action interfaces (FP_ACTIONS): FALSE makes Invoke answer FPS_ACTION_DISABLED; -1 means "not
    // an action".
    virtual BOOL IsEnabled(FunctionID /*actionID*/) { return -1; }

    // Properties through their getter and setter ids. Unknown names answer FPS_NO_SUCH_FUNCTION; setting a
    // read-only property answers FPS_FAIL.
    FPStatus GetProperty(const MCHAR* name, FPValue& result);
    FPStatus GetProperty(const MCHAR* name, TimeValue t, FPValue& result);
    FPStatus SetProperty(const MCHAR* name, const FPValue& value);
    FPStatus SetProperty(const MCHAR* name, TimeValue t, const FPValue& value);

    // The script boundary: arguments are converted to the declared types, index arguments shift from
    // 1-based to 0-based, omitted keyword arguments take their defaults, unknown keywords are ignored,
    // and an index result shifts back to 1-based. A positional argument count that differs from the
    // declaration throws MAXException ("Argument count error: ..."); an unknown name answers
    // FPS_NO_SUCH_FUNCTION.
    FPStatus InvokeFromScript(const MCHAR* fnName, const FPScriptArgs& args, FPValue& result, TimeValue t);
    FPStatus GetPropertyFromScript(const MCHAR* name, FPValue& result, TimeValue t);
    FPStatus SetPropertyFromScript(const MCHAR* name, const FPValue& value, TimeValue t);

    // The time of calls made without one: frame 0, where the stand-in's scene always is.
    static TimeValue CurrentTime();

protected:
    virtual FPStatus _dispatch_fn(FunctionID fid, TimeValue t, FPValue& result, FPParams* p);
};

// The description of an interface: id, script name, flags and the published functions and properties.
// A core interface (FP_CORE) is itself the dispatcher and registers with the host when constructed; a
// mixin description (FP_MIXIN) is attached to its class descriptor and the objects dispatch.
class FPInterfaceDesc : public FPInterface {
public:
    Interface_ID ID;
    MSTR internal_name;
    StringResID description = 0;
    ClassDesc* cd = nullptr;
    WORD flags = 0;

    // Attaches itself to cd (when given) and registers as a core interface when flags hold FP_CORE.
    // Throws MAXException on a duplicate function id, property id or name.
    FPInterfaceDesc(Interface_ID id, const MCHAR* name, StringResID descr, ClassDesc* cd, WORD flags,
                    std::initializer_list<FPFunctionDef> functions = {}, std::initializer_list<FPPropDef> props = {});
    ~FPInterfaceDesc() override;
    FPInterfaceDesc(const FPInterfaceDesc&) = delete;
    FPInterfaceDesc& operator=(const FPInterfaceDesc&) = delete;

    FPInterfaceDesc* GetDesc() override { return this; }
    Interface_ID GetID() override { return ID; }
    // Answers FPINTERFACEDESC_ID, and its own id unless it only describes a mixin.
    BaseInterface* GetInterface(Interface_ID id) override;

    const FPFunctionDef& AppendFunction(const FPFunctionDef& fn);
    const FPPropDef& AppendProperty(const FPPropDef& prop);

    int NumFunctions() const { return static_cast<int>(functions_.size()); }
    const FPFunctionDef* GetFunction(int i) const; // declaration order; null out of range
    int NumProps() const { return static_cast<int>(props_.size()); }
    const FPPropDef* GetPropDef(int i) const;
    const FPFunctionDef* GetFnDef(FunctionID fid) const;
    const FPFunctionDef* GetFnDef(const MCHAR* name) const; // case-insensitive
    const FPPropDef* GetPropDef(const MCHAR* name) const;   // case-insensitive

    // The dispatcher's argument list for a script call of fn (see FPInterface::InvokeFromScript).
    FPParams BuildScriptParams(const FPFunctionDef& fn, const FPScriptArgs& args) const;
    // Given followed by the defaults of the keyword arguments it lacks; false (out untouched) when a
    // positional argument is missing or nothing is lacking.
    bool CompleteKeyArgs(const FPFunctionDef& fn, const FPParams* given, FPParams& out) const;

    // The interface line, then one line per function and property in declaration order.
    std::string ToString() const;

private:
    bool IdTaken(FunctionID fid) const;
    void CheckName(const MSTR& name, FunctionID fid) const;
    [[noreturn]] void Reject(const MSTR& what, FunctionID fid) const;

    std::deque<FPFunctionDef> functions_;
    std::deque<FPPropDef> props_;
    std::unordered_map<FunctionID, size_t> fnById_;
    std::unordered_map<std::wstring, size_t> fnByName_;
    std::unordered_map<std::wstring, size_t> propByName_;
    bool registeredCore_ = false;
};

// A core interface of its own class, found through GetCOREInterface.
class FPStaticInterface : public FPInterfaceDesc {
public:
    using FPInterfaceDesc::FPInterfaceDesc;
};

// An interface an object implements as one of its bases: the object is the dispatcher, and GetDesc
// returns the description attached to the object's class descriptor.
class FPMixinInterface : public FPInterface {
public:
    BaseInterface* GetInterface(Interface_ID id) override;
};

// The host's registry of core interfaces, in registration order. Registering a second interface under an
// id already taken throws MAXException naming both; registering the same one again does nothing.
void RegisterCOREInterface(FPInterface* fpi);
void UnRegisterCOREInterface(FPInterface* fpi);
FPInterface* GetCOREInterface(Interface_ID id);
// By script name, case-insensitive as the script language is.
FPInterface* GetCOREInterfaceByName(const MCHAR* name);
int NumCOREInterfaces();
FPInterface* GetCOREInterfaceAt(int i); // null out of range
