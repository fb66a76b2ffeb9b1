// Scene-reference objects and materials from script: what they loaded, why nothing was, and loading again.
#include "host/scene/INode.h"
#include "host/scene/materials/SceneRefMtl.h"
#include "host/scene/objects/SceneRefObject.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

// The reference a value names: a node whose base object is a scene-reference object, that object, or a
// scene-reference material.
struct SceneRefArg {
    SceneRefObject* object = nullptr;
    SceneRefMtl* material = nullptr;
};

SceneRefArg ArgSceneRef(const Value& v, const std::wstring& fn) {
    INode* n = NodeFromValue(v);
    Animatable* a = n ? static_cast<Animatable*>(SceneBaseObject(n)) : AnimFromValue(v);
    SceneRefArg r{dynamic_cast<SceneRefObject*>(a), dynamic_cast<SceneRefMtl*>(a)};
    if (r.object || r.material) return r;
    if (v.ObjAs<NodeValue>() && !n) ThrowDeleted(L"scene node");
    throw ScriptError(L"No \"" + fn + L"\" function for " + v.PrintForm());
}

bool RenderArg(const CallArgs& a) {
    const Value* v = a.Keyword(L"render");
    return v && v->Is(Value::Type::Boolean) && v->AsBool();
}

} // namespace

void RegisterSceneRefBuiltins(Interpreter& in) {
    // xrefGetSource ref [render:false]: the object or material loaded for the viewport (or for rendering),
    // undefined when nothing could be loaded.
    in.RegisterFunction(L"xrefGetSource", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"xrefGetSource", a, 1);
        const SceneRefArg r = ArgSceneRef(a[0], L"xrefGetSource");
        Animatable* src = r.object ? static_cast<Animatable*>(r.object->GetSource(RenderArg(a)))
                                   : static_cast<Animatable*>(r.material->GetSourceMtl(RenderArg(a)));
        return src ? MakeAnimValue(src) : Value::Undefined();
    });
    // xrefGetError ref [render:false]: why nothing was loaded; "" when the item was.
    in.RegisterFunction(L"xrefGetError", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"xrefGetError", a, 1);
        const SceneRefArg r = ArgSceneRef(a[0], L"xrefGetError");
        const MSTR e = r.object ? r.object->GetSourceError(RenderArg(a)) : r.material->GetSourceError(RenderArg(a));
        return Value::String(e.data());
    });
    // xrefReload ref: reads the file again; true when the item was found.
    in.RegisterFunction(L"xrefReload", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"xrefReload", a, 1);
        const SceneRefArg r = ArgSceneRef(a[0], L"xrefReload");
        if (r.object) {
            r.object->ReloadSource();
            return Value::Bool(r.object->GetSource() != nullptr);
        }
        r.material->ReloadSource();
        return Value::Bool(r.material->GetSourceMtl() != nullptr);
    });
}
