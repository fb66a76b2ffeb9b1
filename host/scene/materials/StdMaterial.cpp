// The standard material: its class descriptor, blocks, map slots and cloning.
#include "host/scene/materials/StdMaterial.h"

#include "host/core/ClassDesc.h"
#include "host/core/FixedSubAnimNames.h"
#include "host/core/Hold.h"
#include "host/core/HoldSuspend.h"
#include "host/core/RefKind.h"
#include "host/core/RemapDir.h"
#include "host/scene/materials/ParamDefBuilder.h"

namespace {

const MCHAR* const kSubNames[2] = {L"Shader Basic Parameters", L"Maps"};

const MCHAR* const kMapSlotNames[STD_NUM_MAPS] = {
    L"Ambient Color", L"Diffuse Color", L"Specular Color", L"Specular Level", L"Glossiness", L"Self-Illumination",
    L"Opacity",       L"Filter Color",  L"Bump",           L"Reflection",     L"Refraction", L"Displacement"};

PB2Value Grey(float v) { return PB2Value::Pt3(Point3(v, v, v)); }

class StdMtlClassDesc : public ClassDesc2 {
public:
    StdMtlClassDesc()
        : shader_(std_shader_params, L"shaderParameters", 0, this, P_AUTO_CONSTRUCT, 0),
          maps_(std_maps_params, L"maps", 0, this, P_AUTO_CONSTRUCT, 1) {
        shader_.AddParam(MakeParamDef(std_ambient, L"ambient", TYPE_RGBA, P_ANIMATABLE, Grey(0.588f)));
        shader_.AddParam(MakeParamDef(std_diffuse, L"diffuse", TYPE_RGBA, P_ANIMATABLE, Grey(0.588f)));
        shader_.AddParam(MakeParamDef(std_specular, L"specular", TYPE_RGBA, P_ANIMATABLE, Grey(0.9f)));
        shader_.AddParam(MakeParamDef(std_specular_level, L"specularLevel", TYPE_PCNT_FRAC, P_ANIMATABLE,
                                      PB2Value::Float(0.0f)));
        shader_.AddParam(
            MakeParamDef(std_glossiness, L"glossiness", TYPE_PCNT_FRAC, P_ANIMATABLE, PB2Value::Float(0.1f)));
        shader_.AddParam(MakeParamDef(std_soften, L"soften", TYPE_FLOAT, P_ANIMATABLE, PB2Value::Float(0.1f)));
        shader_.AddParam(MakeParamDef(std_opacity, L"opacity", TYPE_PCNT_FRAC, P_ANIMATABLE, PB2Value::Float(1.0f)));
        shader_.AddParam(
            MakeParamDef(std_self_illum, L"selfIllumAmount", TYPE_PCNT_FRAC, P_ANIMATABLE, PB2Value::Float(0.0f)));
        shader_.AddParam(MakeParamDef(std_two_sided, L"twoSided", TYPE_BOOL, 0, PB2Value::Int(0)));
        shader_.AddParam(MakeParamDef(std_wire, L"wire", TYPE_BOOL, 0, PB2Value::Int(0)));

        maps_.AddParam(MakeParamDef(std_maps, L"maps", TYPE_TEXMAP_TAB, P_SUBANIM, PB2Value(), STD_NUM_MAPS));
        maps_.AddParam(MakeParamDef(std_map_enables, L"mapEnables", TYPE_BOOL_TAB, 0, PB2Value::Int(0), STD_NUM_MAPS));
        maps_.AddParam(
            MakeParamDef(std_map_amounts, L"mapAmounts", TYPE_FLOAT_TAB, 0, PB2Value::Float(1.0f), STD_NUM_MAPS));
    }

    int IsPublic() override { return 1; }
    void* Create(BOOL loading) override { return new StdMaterial(loading); }
    const MCHAR* ClassName() override { return L"Standard"; }
    const MCHAR* InternalName() override { return L"Standardmaterial"; }
    SClass_ID SuperClassID() override { return MATERIAL_CLASS_ID; }
    Class_ID ClassID() override { return DMTL_CLASS_ID; }
    const MCHAR* Category() override { return L"Materials"; }

private:
    ParamBlockDesc2 shader_;
    ParamBlockDesc2 maps_;
};

} // namespace

ClassDesc2* StdMaterial::GetClassDesc() {
    static StdMtlClassDesc cd;
    return &cd;
}

Mtl* NewDefaultStdMat() { return new StdMaterial(FALSE); }

StdMaterial::StdMaterial(BOOL loading) {
    if (!loading) GetClassDesc()->MakeAutoParamBlocks(this);
}

StdMaterial::~StdMaterial() {
    if (NumLiveRefs() > 0) {
        const HoldSuspend quiet;
        DeleteAllRefsFromMe();
    }
}

void StdMaterial::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Standard"; }

RefTargetHandle StdMaterial::GetReference(int i) { return i >= 0 && i < 2 ? pb_[i] : nullptr; }

void StdMaterial::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 0 && i < 2) pb_[i] = RefAs<IParamBlock2>(rtarg);
}

MSTR StdMaterial::SubAnimName(int i, bool /*localized*/) {
    return i >= 0 && i < 2 ? MSTR(kSubNames[i]) : MSTR();
}

void* StdMaterial::GetInterface(ULONG id) {
    static const FixedSubAnimNames fixed{kSubNames, 2};
    if (id == I_FIXED_SUBANIM_NAMES) return const_cast<FixedSubAnimNames*>(&fixed);
    return Mtl::GetInterface(id);
}

IParamBlock2* StdMaterial::GetParamBlock(int i) { return i >= 0 && i < 2 ? pb_[i] : nullptr; }

IParamBlock2* StdMaterial::GetParamBlockByID(BlockID id) {
    for (IParamBlock2* pb : pb_)
        if (pb && pb->ID() == id) return pb;
    return nullptr;
}

Texmap* StdMaterial::GetSubTexmap(int i) {
    if (!pb_[1] || i < 0 || i >= STD_NUM_MAPS) return nullptr;
    return pb_[1]->GetTexmap(std_maps, 0, i);
}

void StdMaterial::SetSubTexmap(int i, Texmap* m) {
    if (!pb_[1] || i < 0 || i >= STD_NUM_MAPS) return;
    pb_[1]->SetValue(std_maps, 0, static_cast<ReferenceTarget*>(m), i);
    if (m) pb_[1]->SetValue(std_map_enables, 0, 1, i);
}

MSTR StdMaterial::GetSubTexmapSlotName(int i, bool /*localized*/) {
    return i >= 0 && i < STD_NUM_MAPS ? MSTR(kMapSlotNames[i]) : MSTR();
}

Point3 StdMaterial::GetDiffuse(TimeValue t) { return pb_[0] ? pb_[0]->GetPoint3(std_diffuse, t) : Point3(); }

void StdMaterial::SetDiffuse(const Point3& c, TimeValue t) {
    if (pb_[0]) pb_[0]->SetValue(std_diffuse, t, c);
}

RefTargetHandle StdMaterial::Clone(RemapDir& remap) {
    auto* copy = new StdMaterial(TRUE);
    BaseClone(this, copy, remap);
    for (int i = 0; i < 2; ++i)
        if (pb_[i]) copy->ReplaceReference(i, remap.CloneRef(pb_[i]));
    CopyMtlBaseState(copy, remap);
    return copy;
}
