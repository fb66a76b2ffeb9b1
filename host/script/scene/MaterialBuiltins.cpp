// Materials and maps from script: names, sub-materials by index, the scene's materials and the material
// editor slots. Parameters (diffuse, materialList, materialIDList, names, mapEnabled) go through the
// blocks like any other parameter.
#include "host/core/PlugApi.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/materials/MultiMaterial.h"
#include "host/scene/materials/SceneRefMtl.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"
#include "host/script/scene/NodeValue.h"
#include "host/script/scene/SceneProperties.h"

namespace {

constexpr int kEditorSlots = 24;

// sceneMaterials: the scene's material library, by 1-based index or by name.
class SceneMaterials : public HostObject {
public:
    std::wstring ClassName() const override { return L"MaterialLibrary"; }
    std::wstring PrintForm() const override { return L"#materialLibrary(" + Names() + L")"; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name != L"count") return false;
        out = Value::Int(Lib()->Count());
        return true;
    }
    bool GetIndex(Interpreter&, const Value& index, Value& out) override {
        MtlBaseLib* lib = Lib();
        if (index.Is(Value::Type::String) || index.Is(Value::Type::Name)) {
            int i = lib->FindMtlByName(index.Is(Value::Type::String) ? index.Str() : index.NameText());
            out = i >= 0 ? MakeAnimValue((*lib)[i]) : Value();
            return true;
        }
        std::int64_t i = ArgInt(index);
        if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
        out = i <= lib->Count() ? MakeAnimValue((*lib)[static_cast<int>(i - 1)]) : Value();
        return true;
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        MtlBaseLib* lib = Lib();
        for (int i = 0; i < lib->Count(); ++i)
            if (MtlBase* m = (*lib)[i]) out.push_back(MakeAnimValue(m));
        return true;
    }

private:
    static MtlBaseLib* Lib() { return GetCOREInterface()->GetSceneMtls(); }
    static std::wstring Names() {
        std::wstring s;
        MtlBaseLib* lib = Lib();
        for (int i = 0; i < lib->Count(); ++i)
            if (MtlBase* m = (*lib)[i]) s += (s.empty() ? L"" : L", ") + MakeAnimValue(m).PrintForm();
        return s;
    }
};

// meditMaterials: the 24 slots of the material editor, 1-based.
class EditorMaterials : public HostObject {
public:
    std::wstring ClassName() const override { return L"MaterialLibrary"; }
    std::wstring PrintForm() const override { return L"#materialLibrary()"; }
    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        if (name != L"count") return false;
        out = Value::Int(kEditorSlots);
        return true;
    }
    bool GetIndex(Interpreter&, const Value& index, Value& out) override {
        out = MakeAnimValue(GetCOREInterface()->GetMtlSlot(Slot(index)));
        return true;
    }
    bool SetIndex(Interpreter&, const Value& index, const Value& value) override {
        const int slot = Slot(index);
        Animatable* a = AnimFromValue(value);
        if (!a || (a->SuperClassID() != MATERIAL_CLASS_ID && a->SuperClassID() != TEXMAP_CLASS_ID))
            ThrowConvertError(value, L"Material");
        GetCOREInterface()->PutMtlToMtlEditor(static_cast<MtlBase*>(a), slot);
        return true;
    }
    bool Enumerate(Interpreter&, std::vector<Value>& out) override {
        for (int i = 0; i < kEditorSlots; ++i)
            out.push_back(MakeAnimValue(GetCOREInterface()->GetMtlSlot(i)));
        return true;
    }

private:
    static int Slot(const Value& index) {
        std::int64_t i = ArgInt(index);
        if (i < 1 || i > kEditorSlots)
            throw ScriptError(L"Runtime error: meditMaterials index out of range: " + std::to_wstring(i));
        return static_cast<int>(i - 1);
    }
};

MultiMtl* AsMulti(MtlBase* m) { return dynamic_cast<MultiMtl*>(m); }
SceneRefMtl* AsSceneRef(MtlBase* m) { return dynamic_cast<SceneRefMtl*>(m); }

} // namespace

bool GetMaterialProperty(Interpreter&, MtlBase* mtl, const std::wstring& name, Value& out) {
    if (name == L"name") {
        out = Value::String(mtl->GetName().str());
    } else if (name == L"numsubs" && AsMulti(mtl)) {
        out = Value::Int(AsMulti(mtl)->NumSubMtls());
    } else if (name == L"localmaterial" && AsSceneRef(mtl)) {
        out = MakeAnimValue(AsSceneRef(mtl)->GetLocalMtl());
    } else {
        return false;
    }
    return true;
}

bool SetMaterialProperty(Interpreter&, MtlBase* mtl, const std::wstring& name, const Value& v) {
    if (name == L"name") {
        mtl->SetName(ArgString(v).c_str());
    } else if (name == L"numsubs" && AsMulti(mtl)) {
        std::int64_t n = ArgInt(v);
        if (n < 1 || n > 1000) throw ScriptError(L"Runtime error: numsubs must be from 1 to 1000, got: " + std::to_wstring(n));
        AsMulti(mtl)->SetNumSubMtls(static_cast<int>(n));
    } else if (name == L"localmaterial" && AsSceneRef(mtl)) {
        Animatable* sub = v.IsUndefined() ? nullptr : AnimFromValue(v);
        if (!v.IsUndefined() && (!sub || sub->SuperClassID() != MATERIAL_CLASS_ID)) ThrowConvertError(v, L"Material");
        AsSceneRef(mtl)->SetSubMtl(0, static_cast<Mtl*>(sub));
    } else {
        return false;
    }
    return true;
}

bool GetMaterialIndex(Interpreter&, MtlBase* mtl, const Value& index, Value& out) {
    auto* m = dynamic_cast<Mtl*>(mtl);
    if (!m || !AsMulti(mtl) || !index.IsNumber()) return false;
    std::int64_t i = ArgInt(index);
    if (i < 1) throw ScriptError(L"Runtime error: index must be 1 or more, got: " + std::to_wstring(i));
    out = i <= m->NumSubMtls() ? MakeAnimValue(m->GetSubMtl(static_cast<int>(i - 1))) : Value();
    return true;
}

bool SetMaterialIndex(Interpreter&, MtlBase* mtl, const Value& index, const Value& value) {
    MultiMtl* m = AsMulti(mtl);
    if (!m) return false;
    std::int64_t i = ArgInt(index);
    if (i < 1 || i > m->NumSubMtls())
        throw ScriptError(L"Runtime error: index out of range: " + std::to_wstring(i) + L" (" +
                          std::to_wstring(m->NumSubMtls()) + L" sub-materials)");
    Animatable* sub = value.IsUndefined() ? nullptr : AnimFromValue(value);
    if (!value.IsUndefined() && (!sub || sub->SuperClassID() != MATERIAL_CLASS_ID)) ThrowConvertError(value, L"Material");
    m->SetSubMtl(static_cast<int>(i - 1), static_cast<Mtl*>(sub));
    return true;
}

void RegisterMaterialBuiltins(Interpreter& in) {
    auto scene = std::make_shared<SceneMaterials>();
    in.RegisterGlobalAccessor(L"sceneMaterials", [scene](Interpreter&) { return Value::Object(scene); });
    auto editor = std::make_shared<EditorMaterials>();
    in.RegisterGlobalAccessor(L"meditMaterials", [editor](Interpreter&) { return Value::Object(editor); });
}
