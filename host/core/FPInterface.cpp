// Function publishing: descriptions, dispatch through Invoke, the script boundary and the core registry.
#include "host/core/FPInterface.h"

#include "host/core/ClassDesc.h"
#include "host/core/MaxException.h"

namespace {

std::wstring Folded(const MSTR& name) { return name.ToLower().str(); }

MSTR QualifiedName(FPInterfaceDesc* desc, const MSTR& member) {
    return desc ? desc->internal_name + L"." + member : member;
}

// The argument as the dispatcher expects it: the declared type, indices 0-based.
FPValue ScriptArgument(const FPInterfaceDesc& desc, const FPFunctionDef& fn, const FPParamDef& param, int number,
                       const FPValue& given) {
    try {
        return given.ConvertTo(param.type).ShiftIndices(-1);
    } catch (const MAXException& e) {
        throw MAXException(desc.internal_name + L"." + fn.internal_name + WStr::Format(L": argument %d (", number) +
                           param.internal_name + L"): " + e.Message());
    }
}

// Core interfaces in registration order, with indexes by id and by folded script name.
struct CoreRegistry {
    std::vector<FPInterface*> order;
    std::unordered_map<Interface_ID, FPInterface*> byId;
    std::unordered_map<std::wstring, FPInterface*> byName;

    static MSTR NameOf(FPInterface* fpi) {
        FPInterfaceDesc* d = fpi->GetDesc();
        return d ? d->internal_name : MSTR();
    }
    void Reindex() {
        byId.clear();
        byName.clear();
        for (FPInterface* f : order) {
            byId.emplace(f->GetID(), f);
            byName.emplace(Folded(NameOf(f)), f);
        }
    }
};

CoreRegistry& Registry() {
    static CoreRegistry registry;
    return registry;
}

} // namespace

// ---- parameter, function and property definitions

FPParamDef::FPParamDef(const MCHAR* name, ParamType2 t) : internal_name(name), type(t), flags(FPP_IN_PARAM) {
    if (base_type(t) == TYPE_INDEX) flags |= FPP_INDEX;
    if (is_by_ref(t)) flags |= FPP_IN_OUT_PARAM;
}

FPParamDef FPParamDef::KeyArg(const MCHAR* name, ParamType2 type, const FPValue& defaultValue) {
    FPParamDef def(name, type);
    def.flags |= FPP_KEYARG;
    try {
        def.keyarg_default = defaultValue.ConvertTo(type);
    } catch (const MAXException& e) {
        throw MAXException(WStr(L"keyword argument ") + name + L": default " + e.Message());
    }
    return def;
}

std::string FPParamDef::ToString() const {
    std::string s = internal_name.ToUTF8() + ": " + ParamTypeName(type);
    if (IsKeyArg()) s += " = " + keyarg_default.PayloadString();
    return s;
}

FPFunctionDef::FPFunctionDef(FunctionID id, const MCHAR* name, ParamType2 result,
                             std::initializer_list<FPParamDef> ps, WORD f)
    : ID(id), internal_name(name), result_type(result), flags(f), params(ps) {
    for (const FPParamDef& p : params) {
        if (p.IsKeyArg()) {
            ++keyparam_count;
        } else if (keyparam_count > 0) {
            throw MAXException(WStr(L"function ") + internal_name + L": positional parameter " + p.internal_name +
                               L" follows a keyword parameter");
        }
    }
}

const FPParamDef* FPFunctionDef::FindParam(const MCHAR* name) const {
    for (const FPParamDef& p : params)
        if (p.internal_name.EqualsNoCase(name)) return &p;
    return nullptr;
}

std::string FPFunctionDef::ToString() const {
    std::string s = std::to_string(ID) + " " + internal_name.ToUTF8() + "(";
    for (int i = 0; i < params.Count(); ++i) {
        if (i) s += ", ";
        s += params[i].ToString();
    }
    return s + ") -> " + ParamTypeName(result_type);
}

FPPropDef::FPPropDef(FunctionID getter, FunctionID setter, const MCHAR* name, ParamType2 type)
    : getter_ID(getter), setter_ID(setter), internal_name(name), prop_type(type) {}

std::string FPPropDef::ToString() const {
    std::string s = "property " + internal_name.ToUTF8() + ": " + ParamTypeName(prop_type) + " (get " +
                    std::to_string(getter_ID);
    if (!IsReadOnly()) s += ", set " + std::to_string(setter_ID);
    return s + ")";
}

std::string FPParams::ToString() const {
    std::string s = "(";
    for (int i = 0; i < Count(); ++i) {
        if (i) s += ", ";
        s += params[i].ToString();
    }
    return s + ")";
}

FPValue& FPArg(FPParams* p, int i) {
    if (!p) throw MaxSDK::Util::OutOfRangeException(kArrayRangeErrorText);
    return p->params[i];
}

// ---- FPInterface

Interface_ID FPInterface::GetID() {
    FPInterfaceDesc* desc = GetDesc();
    return desc ? desc->ID : FPINTERFACE_ID;
}

BaseInterface* FPInterface::GetInterface(Interface_ID id) {
    if (id == FPINTERFACE_ID) return this;
    return BaseInterface::GetInterface(id);
}

FPStatus FPInterface::_dispatch_fn(FunctionID, TimeValue, FPValue&, FPParams*) { return FPS_NO_SUCH_FUNCTION; }

FPStatus FPInterface::Invoke(FunctionID fid, FPParams* params) {
    FPValue ignored;
    return Invoke(fid, CurrentTime(), ignored, params);
}

FPStatus FPInterface::Invoke(FunctionID fid, TimeValue t, FPParams* params) {
    FPValue ignored;
    return Invoke(fid, t, ignored, params);
}

FPStatus FPInterface::Invoke(FunctionID fid, FPValue& result, FPParams* params) {
    return Invoke(fid, CurrentTime(), result, params);
}

FPStatus FPInterface::Invoke(FunctionID fid, TimeValue t, FPValue& result, FPParams* params) {
    FPInterfaceDesc* desc = GetDesc();
    if (desc && (desc->flags & FP_ACTIONS) && IsEnabled(fid) == FALSE) return FPS_ACTION_DISABLED;
    const FPFunctionDef* fn = desc ? desc->GetFnDef(fid) : nullptr;
    FPParams completed;
    if (fn && desc->CompleteKeyArgs(*fn, params, completed)) {
        FPStatus status = _dispatch_fn(fid, t, result, &completed);
        // By-reference arguments the caller passed see what the dispatcher wrote.
        for (int i = 0; params && i < params->Count(); ++i) params->params[i] = completed.params[i];
        return status;
    }
    return _dispatch_fn(fid, t, result, params);
}

FunctionID FPInterface::FindFn(const MCHAR* name) {
    FPInterfaceDesc* desc = GetDesc();
    const FPFunctionDef* fn = desc ? desc->GetFnDef(name) : nullptr;
    return fn ? fn->ID : FP_NO_FUNCTION;
}

FPStatus FPInterface::GetProperty(const MCHAR* name, FPValue& result) { return GetProperty(name, CurrentTime(), result); }

FPStatus FPInterface::GetProperty(const MCHAR* name, TimeValue t, FPValue& result) {
    FPInterfaceDesc* desc = GetDesc();
    const FPPropDef* prop = desc ? desc->GetPropDef(name) : nullptr;
    if (!prop) return FPS_NO_SUCH_FUNCTION;
    return Invoke(prop->getter_ID, t, result, nullptr);
}

FPStatus FPInterface::SetProperty(const MCHAR* name, const FPValue& value) {
    return SetProperty(name, CurrentTime(), value);
}

FPStatus FPInterface::SetProperty(const MCHAR* name, TimeValue t, const FPValue& value) {
    FPInterfaceDesc* desc = GetDesc();
    const FPPropDef* prop = desc ? desc->GetPropDef(name) : nullptr;
    if (!prop) return FPS_NO_SUCH_FUNCTION;
    if (prop->IsReadOnly()) return FPS_FAIL;
    FPParams p{value};
    FPValue ignored;
    return Invoke(prop->setter_ID, t, ignored, &p);
}

FPStatus FPInterface::InvokeFromScript(const MCHAR* fnName, const FPScriptArgs& args, FPValue& result, TimeValue t) {
    FPInterfaceDesc* desc = GetDesc();
    const FPFunctionDef* fn = desc ? desc->GetFnDef(fnName) : nullptr;
    if (!fn) return FPS_NO_SUCH_FUNCTION;
    FPParams p = desc->BuildScriptParams(*fn, args);
    FPStatus status = _dispatch_fn(fn->ID, t, result, &p);
    if (status == FPS_OK) result = result.ShiftIndices(1);
    return status;
}

FPStatus FPInterface::GetPropertyFromScript(const MCHAR* name, FPValue& result, TimeValue t) {
    FPStatus status = GetProperty(name, t, result);
    if (status == FPS_OK) result = result.ShiftIndices(1);
    return status;
}

FPStatus FPInterface::SetPropertyFromScript(const MCHAR* name, const FPValue& value, TimeValue t) {
    FPInterfaceDesc* desc = GetDesc();
    const FPPropDef* prop = desc ? desc->GetPropDef(name) : nullptr;
    if (!prop) return FPS_NO_SUCH_FUNCTION;
    FPValue converted;
    try {
        converted = value.ConvertTo(prop->prop_type).ShiftIndices(-1);
    } catch (const MAXException& e) {
        throw MAXException(QualifiedName(desc, prop->internal_name) + L": " + e.Message());
    }
    return SetProperty(name, t, converted);
}

TimeValue FPInterface::CurrentTime() { return 0; }

// ---- FPInterfaceDesc

FPInterfaceDesc::FPInterfaceDesc(Interface_ID id, const MCHAR* name, StringResID descr, ClassDesc* owner, WORD f,
                                 std::initializer_list<FPFunctionDef> functions, std::initializer_list<FPPropDef> props)
    : ID(id), internal_name(name), description(descr), flags(f) {
    for (const FPFunctionDef& fn : functions) AppendFunction(fn);
    for (const FPPropDef& prop : props) AppendProperty(prop);
    if (flags & FP_CORE) {
        RegisterCOREInterface(this);
        registeredCore_ = true;
    }
    if (owner) {
        try {
            cd = owner;
            owner->AddInterface(this);
        } catch (...) {
            // The destructor does not run for a half-built object: leave no registration behind.
            if (registeredCore_) UnRegisterCOREInterface(this);
            throw;
        }
    }
}

FPInterfaceDesc::~FPInterfaceDesc() {
    if (registeredCore_) UnRegisterCOREInterface(this);
    if (cd) cd->RemoveInterface(this);
}

BaseInterface* FPInterfaceDesc::GetInterface(Interface_ID id) {
    if (id == FPINTERFACEDESC_ID) return this;
    if (id == ID && !(flags & FP_MIXIN)) return this;
    return FPInterface::GetInterface(id);
}

bool FPInterfaceDesc::IdTaken(FunctionID fid) const {
    if (fid == FP_NO_FUNCTION) return false;
    if (fnById_.count(fid)) return true;
    for (const FPPropDef& p : props_)
        if (p.getter_ID == fid || p.setter_ID == fid) return true;
    return false;
}

void FPInterfaceDesc::Reject(const MSTR& what, FunctionID fid) const {
    throw MAXException(L"interface " + internal_name + L" " + WStr::FromUTF8(ID.ToString()) + L": " + what +
                       WStr::Format(L" (id %d) clashes with a published function or property", fid));
}

void FPInterfaceDesc::CheckName(const MSTR& name, FunctionID fid) const {
    if (fnByName_.count(Folded(name)) || propByName_.count(Folded(name))) Reject(L"name " + name, fid);
}

const FPFunctionDef& FPInterfaceDesc::AppendFunction(const FPFunctionDef& fn) {
    if (IdTaken(fn.ID)) Reject(L"function " + fn.internal_name, fn.ID);
    CheckName(fn.internal_name, fn.ID);
    functions_.push_back(fn);
    fnById_.emplace(fn.ID, functions_.size() - 1);
    fnByName_.emplace(Folded(fn.internal_name), functions_.size() - 1);
    return functions_.back();
}

const FPPropDef& FPInterfaceDesc::AppendProperty(const FPPropDef& prop) {
    if (IdTaken(prop.getter_ID)) Reject(L"getter of " + prop.internal_name, prop.getter_ID);
    if (!prop.IsReadOnly() && (IdTaken(prop.setter_ID) || prop.setter_ID == prop.getter_ID))
        Reject(L"setter of " + prop.internal_name, prop.setter_ID);
    CheckName(prop.internal_name, prop.getter_ID);
    props_.push_back(prop);
    propByName_.emplace(Folded(prop.internal_name), props_.size() - 1);
    return props_.back();
}

const FPFunctionDef* FPInterfaceDesc::GetFunction(int i) const {
    return i >= 0 && i < NumFunctions() ? &functions_[static_cast<size_t>(i)] : nullptr;
}

const FPPropDef* FPInterfaceDesc::GetPropDef(int i) const {
    return i >= 0 && i < NumProps() ? &props_[static_cast<size_t>(i)] : nullptr;
}

const FPFunctionDef* FPInterfaceDesc::GetFnDef(FunctionID fid) const {
    auto it = fnById_.find(fid);
    return it == fnById_.end() ? nullptr : &functions_[it->second];
}

const FPFunctionDef* FPInterfaceDesc::GetFnDef(const MCHAR* name) const {
    if (!name) return nullptr;
    auto it = fnByName_.find(Folded(name));
    return it == fnByName_.end() ? nullptr : &functions_[it->second];
}

const FPPropDef* FPInterfaceDesc::GetPropDef(const MCHAR* name) const {
    if (!name) return nullptr;
    auto it = propByName_.find(Folded(name));
    return it == propByName_.end() ? nullptr : &props_[it->second];
}

FPParams FPInterfaceDesc::BuildScriptParams(const FPFunctionDef& fn, const FPScriptArgs& args) const {
    int wanted = fn.NumPositional();
    int got = static_cast<int>(args.positional.size());
    if (got != wanted)
        throw MAXException(WStr::Format(L"Argument count error: %s.%s wanted %d, got %d", internal_name.c_str(),
                                        fn.internal_name.c_str(), wanted, got));
    FPParams out;
    for (int i = 0; i < fn.params.Count(); ++i) {
        const FPParamDef& param = fn.params[i];
        if (!param.IsKeyArg()) {
            out.params.append(ScriptArgument(*this, fn, param, i + 1, args.positional[static_cast<size_t>(i)]));
            continue;
        }
        const FPValue* given = nullptr;
        for (const auto& [key, value] : args.keywords)
            if (key.EqualsNoCase(param.internal_name)) given = &value;
        out.params.append(given ? ScriptArgument(*this, fn, param, i + 1, *given) : param.keyarg_default);
    }
    return out;
}

bool FPInterfaceDesc::CompleteKeyArgs(const FPFunctionDef& fn, const FPParams* given, FPParams& out) const {
    int have = given ? given->Count() : 0;
    if (have >= fn.params.Count() || have < fn.NumPositional()) return false;
    out = given ? *given : FPParams();
    for (int i = have; i < fn.params.Count(); ++i) out.params.append(fn.params[i].keyarg_default);
    return true;
}

std::string FPInterfaceDesc::ToString() const {
    std::string s = "interface " + internal_name.ToUTF8() + " " + ID.ToString();
    static const std::pair<WORD, const char*> kFlagNames[] = {{FP_ACTIONS, "ACTIONS"},
                                                              {FP_MIXIN, "MIXIN"},
                                                              {FP_CORE, "CORE"},
                                                              {FP_STATIC_METHODS, "STATIC_METHODS"},
                                                              {FP_SCRIPTED_CLASS, "SCRIPTED_CLASS"},
                                                              {FP_TEST_INTERFACE, "TEST_INTERFACE"}};
    for (const auto& [bit, flagName] : kFlagNames)
        if (flags & bit) s += std::string(" ") + flagName;
    s += "\n";
    for (const FPFunctionDef& fn : functions_) s += "  " + fn.ToString() + "\n";
    for (const FPPropDef& p : props_) s += "  " + p.ToString() + "\n";
    return s;
}

// ---- FPMixinInterface

BaseInterface* FPMixinInterface::GetInterface(Interface_ID id) {
    if (id == FPMIXININTERFACE_ID) return this;
    FPInterfaceDesc* desc = GetDesc();
    if (desc && id == desc->ID) return this;
    return FPInterface::GetInterface(id);
}

// ---- core registry

void RegisterCOREInterface(FPInterface* fpi) {
    if (!fpi) throw MAXException(L"RegisterCOREInterface: null interface");
    CoreRegistry& r = Registry();
    Interface_ID id = fpi->GetID();
    auto it = r.byId.find(id);
    if (it != r.byId.end()) {
        if (it->second == fpi) return;
        throw MAXException(L"RegisterCOREInterface: interface " + CoreRegistry::NameOf(fpi) + L" " +
                           WStr::FromUTF8(id.ToString()) + L" has the id of the registered interface " +
                           CoreRegistry::NameOf(it->second));
    }
    r.order.push_back(fpi);
    r.byId.emplace(id, fpi);
    // The first of two interfaces with one script name keeps the name, as lookups are by first match.
    r.byName.emplace(Folded(CoreRegistry::NameOf(fpi)), fpi);
}

void UnRegisterCOREInterface(FPInterface* fpi) {
    CoreRegistry& r = Registry();
    for (size_t i = 0; i < r.order.size(); ++i) {
        if (r.order[i] == fpi) {
            r.order.erase(r.order.begin() + static_cast<std::ptrdiff_t>(i));
            r.Reindex();
            return;
        }
    }
}

FPInterface* GetCOREInterface(Interface_ID id) {
    CoreRegistry& r = Registry();
    auto it = r.byId.find(id);
    return it == r.byId.end() ? nullptr : it->second;
}

FPInterface* GetCOREInterfaceByName(const MCHAR* name) {
    if (!name) return nullptr;
    CoreRegistry& r = Registry();
    auto it = r.byName.find(Folded(name));
    return it == r.byName.end() ? nullptr : it->second;
}

int NumCOREInterfaces() { return static_cast<int>(Registry().order.size()); }

FPInterface* GetCOREInterfaceAt(int i) {
    CoreRegistry& r = Registry();
    return i >= 0 && i < static_cast<int>(r.order.size()) ? r.order[static_cast<size_t>(i)] : nullptr;
}
