// The standard material: shader colours and values in one parameter block, twelve map slots in another.
#pragma once

#include "host/scene/IParamBlock2.h"
#include "host/scene/Mtl.h"

class ClassDesc2;

// Block ids and parameter ids.
enum StdMtlBlockID { std_shader_params = 0, std_maps_params = 1 };
enum StdMtlShaderParamID {
    std_ambient = 0,
    std_diffuse = 1,
    std_specular = 2,
    std_specular_level = 3,
    std_glossiness = 4,
    std_soften = 5,
    std_opacity = 6,
    std_self_illum = 7,
    std_two_sided = 8,
    std_wire = 9
};
enum StdMtlMapsParamID { std_maps = 0, std_map_enables = 1, std_map_amounts = 2 };

// Map slots, in the host's order.
enum StdMtlMapSlot {
    ID_AM = 0, // ambient
    ID_DI = 1, // diffuse
    ID_SP = 2, // specular
    ID_SH = 3, // specular level
    ID_SS = 4, // glossiness
    ID_SI = 5, // self-illumination
    ID_OP = 6, // opacity
    ID_FI = 7, // filter colour
    ID_BU = 8, // bump
    ID_RL = 9, // reflection
    ID_RR = 10, // refraction
    ID_DP = 11, // displacement
    STD_NUM_MAPS = 12
};

// References and sub-animatables: 0 the shader block, 1 the maps block (whose map slots are its own
// sub-animatables). Assigning a map enables its slot.
class StdMaterial : public Mtl {
public:
    explicit StdMaterial(BOOL loading = FALSE);
    ~StdMaterial() override;

    Class_ID ClassID() override { return DMTL_CLASS_ID; }
    void GetClassName(MSTR& s, bool localized = true) const override;

    int NumRefs() override { return 2; }
    RefTargetHandle GetReference(int i) override;
    int NumSubs() override { return 2; }
    Animatable* SubAnim(int i) override { return GetReference(i); }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum >= 0 && subNum < 2 ? subNum : -1; }
    // I_FIXED_SUBANIM_NAMES answers the two blocks' fixed names.
    void* GetInterface(ULONG id) override;
    using Mtl::GetInterface;
    int NumParamBlocks() override { return 2; }
    IParamBlock2* GetParamBlock(int i) override;
    IParamBlock2* GetParamBlockByID(BlockID id) override;

    int NumSubTexmaps() override { return STD_NUM_MAPS; }
    Texmap* GetSubTexmap(int i) override;
    void SetSubTexmap(int i, Texmap* m) override;
    MSTR GetSubTexmapSlotName(int i, bool localized = true) override;

    Point3 GetDiffuse(TimeValue t = 0);
    void SetDiffuse(const Point3& c, TimeValue t = 0);

    RefTargetHandle Clone(RemapDir& remap) override;

    static ClassDesc2* GetClassDesc();

protected:
    void SetReference(int i, RefTargetHandle rtarg) override;

private:
    IParamBlock2* pb_[2] = {nullptr, nullptr};
};
