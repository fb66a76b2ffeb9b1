// Scripted custom attributes: "attributes Name (parameters main (...))" definitions become real
// definitions of the scene model, and custAttributes.add/get/count/delete manage instances on objects.
// Parameters of an instance read and write like any other ($Box01.baseObject.Name.param).
#include "host/core/MaxException.h"
#include "host/core/PlugApi.h"
#include "host/scene/CustAttrib.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Object.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptDefinition.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/ParamAccess.h"
#include "host/script/scene/SceneProperties.h"

#include <cwctype>
#include <deque>

namespace {

std::wstring Lower(const std::wstring& s) {
    std::wstring out = s;
    for (wchar_t& c : out)
        c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return out;
}

// The parameter type a "type:#float" key names.
int ParamTypeFor(const std::wstring& param, const Value* type) {
    if (!type) return TYPE_FLOAT;
    if (!type->Is(Value::Type::Name))
        throw ScriptError(L"Runtime error: parameter " + param + L": type: needs a name, got: " + type->PrintForm());
    static const std::pair<const wchar_t*, int> kTypes[] = {
        {L"float", TYPE_FLOAT},         {L"integer", TYPE_INT},       {L"boolean", TYPE_BOOL},
        {L"string", TYPE_STRING},       {L"color", TYPE_RGBA},        {L"point3", TYPE_POINT3},
        {L"node", TYPE_INODE},          {L"material", TYPE_MTL},      {L"texturemap", TYPE_TEXMAP},
        {L"angle", TYPE_ANGLE},         {L"worldunits", TYPE_WORLD},  {L"percent", TYPE_PCNT_FRAC},
        {L"index", TYPE_INDEX},         {L"time", TYPE_TIMEVALUE},    {L"maxobject", TYPE_REFTARG},
        {L"filename", TYPE_FILENAME},   {L"radiobtnindex", TYPE_RADIOBTN_INDEX}};
    std::wstring t = Lower(type->NameText());
    bool tab = t.size() > 3 && t.compare(t.size() - 3, 3, L"tab") == 0;
    if (tab) t.resize(t.size() - 3);
    if (t == L"int") t = L"integer";
    if (t == L"bool") t = L"boolean";
    for (const auto& [name, code] : kTypes)
        if (t == name) return tab ? code | TYPE_TAB : code;
    throw ScriptError(L"Runtime error: parameter " + param + L": unknown type " + type->PrintForm());
}

PB2Value DefaultFor(int type, const std::wstring& param, const Value* v) {
    PB2Value d;
    if (!v) return d;
    auto number = [&]() {
        if (!v->IsNumber() && !v->Is(Value::Type::Boolean))
            throw ScriptError(L"Runtime error: parameter " + param + L": default: " + v->PrintForm() +
                              L" does not fit its type");
        return v->Is(Value::Type::Boolean) ? (v->AsBool() ? 1.0 : 0.0) : v->Number();
    };
    switch (base_type(type)) {
    case TYPE_INT:
    case TYPE_BOOL:
    case TYPE_TIMEVALUE:
    case TYPE_RADIOBTN_INDEX:
        d.i = static_cast<int>(number());
        break;
    case TYPE_INDEX:
        d.i = static_cast<int>(number()) - 1;
        break;
    case TYPE_ANGLE:
        d.f = static_cast<float>(number() * 3.14159265358979323846 / 180.0);
        break;
    case TYPE_PCNT_FRAC:
        d.f = static_cast<float>(number() / 100.0);
        break;
    case TYPE_RGBA:
        d.p = ArgColour(*v) / 255.0f;
        break;
    case TYPE_POINT3:
        d.p = ArgPoint(*v);
        break;
    case TYPE_STRING:
    case TYPE_FILENAME:
        d.s = ArgString(*v).c_str();
        break;
    case TYPE_INODE:
    case TYPE_MTL:
    case TYPE_TEXMAP:
    case TYPE_REFTARG:
        break;
    default:
        d.f = static_cast<float>(number());
        break;
    }
    return d;
}

// The model's definition for a script definition (made on first use; the same name and layout give the
// same definition).
CustAttribDef* DefinitionFor(const Value& v) {
    auto* def = v.ObjAs<ScriptDefinition>();
    if (!def || def->kind != ScriptDefinition::Kind::Attributes) ThrowConvertError(v, L"AttributeDef");
    std::deque<std::wstring> names; // ParamDef keeps pointers; the model copies them
    std::vector<ParamDef> params;
    ParamID next = 0;
    for (const auto& block : def->blocks)
        for (const auto& p : block.params) {
            ParamDef d;
            d.ID = next++;
            names.push_back(p.name);
            d.int_name = names.back().c_str();
            d.type = ParamTypeFor(p.name, ScriptDefinition::Find(p.keys, L"type"));
            const Value* anim = ScriptDefinition::Find(p.keys, L"animatable");
            bool animatable = anim ? ArgBool(*anim) : !is_tab(d.type) && base_type(d.type) != TYPE_STRING &&
                                                      base_type(d.type) != TYPE_INODE &&
                                                      base_type(d.type) != TYPE_MTL &&
                                                      base_type(d.type) != TYPE_TEXMAP &&
                                                      base_type(d.type) != TYPE_REFTARG &&
                                                      base_type(d.type) != TYPE_FILENAME;
            d.flags = animatable ? P_ANIMATABLE : 0;
            if (is_tab(d.type)) {
                d.flags |= P_VARIABLE_SIZE;
                if (const Value* size = ScriptDefinition::Find(p.keys, L"tabsize")) d.tab_size = static_cast<int>(ArgInt(*size));
            }
            d.def = DefaultFor(d.type, p.name, ScriptDefinition::Find(p.keys, L"default"));
            params.push_back(d);
        }
    try {
        return DefineCustAttrib(def->name.c_str(), params);
    } catch (const MAXException& e) {
        throw ScriptError(L"Runtime error: " + e.Message().str());
    }
}

// Where custAttributes put their attributes: a node's base object unless baseObject:false.
Animatable* Owner(const Value& v, const CallArgs& a, const wchar_t* fn) {
    Animatable* anim = AnimFromValue(v);
    if (!anim) {
        if (v.ObjAs<NodeValue>()) ThrowDeleted(L"scene node");
        throw ScriptError(std::wstring(L"Runtime error: ") + fn + L" needs a scene object, got: " + v.PrintForm());
    }
    const Value* base = a.Keyword(L"baseobject");
    if (anim->SuperClassID() == BASENODE_CLASS_ID && (!base || ArgBool(*base))) {
        Object* o = static_cast<INode*>(anim)->GetObjectRef();
        if (o) return o->FindBaseObject();
    }
    return anim;
}

int CountOn(Animatable* owner) {
    ICustAttribContainer* c = owner->GetCustAttribContainer();
    return c ? c->GetNumCustAttribs() : 0;
}

// The 0-based index an argument names: a 1-based number or a definition; -1 when there is none.
int IndexOn(Animatable* owner, const Value& which) {
    ICustAttribContainer* c = owner->GetCustAttribContainer();
    int n = c ? c->GetNumCustAttribs() : 0;
    if (which.IsNumber()) {
        std::int64_t i = ArgInt(which);
        return i >= 1 && i <= n ? static_cast<int>(i - 1) : -1;
    }
    CustAttribDef* def = DefinitionFor(which);
    for (int i = 0; i < n; ++i)
        if (CustAttrib* ca = c->GetCustAttrib(i); ca && ca->ClassID() == def->ClassID()) return i;
    return -1;
}

class CustAttributesInterface : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:custAttributes>"; }
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name == L"add") {
            CheckArgCount(L"custAttributes.add", a, 2, 3);
            Animatable* owner = Owner(a[0], a, L"custAttributes.add");
            CustAttribDef* def = DefinitionFor(a[1]);
            bool unique = a.Count() == 3 && a[2].Is(Value::Type::Name) && Lower(a[2].NameText()) == L"unique";
            if (unique && IndexOn(owner, a[1]) >= 0) {
                out = Value::Bool(false);
                return true;
            }
            if (!owner->GetCustAttribContainer()) owner->AllocCustAttribContainer();
            owner->GetCustAttribContainer()->AppendCustAttrib(def->CreateInstance());
            out = Value::Bool(true);
        } else if (name == L"get") {
            CheckArgCount(L"custAttributes.get", a, 2);
            Animatable* owner = Owner(a[0], a, L"custAttributes.get");
            int i = IndexOn(owner, a[1]);
            out = i < 0 ? Value() : MakeAnimValue(owner->GetCustAttribContainer()->GetCustAttrib(i));
        } else if (name == L"count") {
            CheckArgCount(L"custAttributes.count", a, 1);
            out = Value::Int(CountOn(Owner(a[0], a, L"custAttributes.count")));
        } else if (name == L"delete") {
            CheckArgCount(L"custAttributes.delete", a, 2);
            Animatable* owner = Owner(a[0], a, L"custAttributes.delete");
            int i = IndexOn(owner, a[1]);
            if (i < 0)
                throw ScriptError(L"Runtime error: custAttributes.delete: no attribute " + a[1].PrintForm() + L" on " +
                                  a[0].PrintForm());
            owner->GetCustAttribContainer()->RemoveCustAttrib(i);
            out = Value::Ok();
        } else if (name == L"getdefs") {
            CheckArgCount(L"custAttributes.getDefs", a, 1);
            Animatable* owner = Owner(a[0], a, L"custAttributes.getDefs");
            std::vector<Value> names;
            for (int i = 0; i < CountOn(owner); ++i)
                names.push_back(Value::String(owner->GetCustAttribContainer()->GetCustAttrib(i)->GetName()));
            out = Value::Array(std::move(names));
        } else {
            return false;
        }
        return true;
    }
};

} // namespace

bool GetCustAttribProperty(Interpreter&, Animatable* anim, const std::wstring& name, Value& out) {
    ICustAttribContainer* c = anim->GetCustAttribContainer();
    if (!c) return false;
    for (int i = 0; i < c->GetNumCustAttribs(); ++i) {
        CustAttrib* ca = c->GetCustAttrib(i);
        if (ca && Lower(ca->GetName()) == name) {
            out = MakeAnimValue(ca);
            return true;
        }
    }
    for (int i = 0; i < c->GetNumCustAttribs(); ++i)
        if (GetParamProperty(c->GetCustAttrib(i), name, out)) return true;
    return false;
}

bool SetCustAttribProperty(Interpreter&, Animatable* anim, const std::wstring& name, const Value& value) {
    ICustAttribContainer* c = anim->GetCustAttribContainer();
    if (!c) return false;
    for (int i = 0; i < c->GetNumCustAttribs(); ++i)
        if (SetParamProperty(c->GetCustAttrib(i), name, value)) return true;
    return false;
}

void RegisterCustAttribBuiltins(Interpreter& in) {
    in.SetGlobal(L"custAttributes", Value::Object(std::make_shared<CustAttributesInterface>()));
}
