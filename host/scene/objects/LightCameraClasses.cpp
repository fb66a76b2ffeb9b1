// Built-in lights (omni, target spot) and the free camera, with their older-style parameter blocks;
// lights carry the include/exclude list of LightObject.
#include "host/scene/objects/BuiltinClasses.h"

#include <memory>

namespace {

ObjectClassDesc* Make(ObjectClassDef cls) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls)));
    return keep.back().get();
}

Pb1ParamDef F(const MCHAR* name, float def) {
    return Pb1ParamDef{name, TYPE_FLOAT_PB1, true, def, Point3()};
}
Pb1ParamDef LightColor(const MCHAR* name, const Point3& def) {
    return Pb1ParamDef{name, TYPE_RGBA_PB1, true, 0.0f, def};
}

// The host's default light colour (180, 180, 180).
const Point3 kLightGrey(180.0f / 255.0f, 180.0f / 255.0f, 180.0f / 255.0f);

} // namespace

const std::vector<ObjectClassDesc*>& LightCameraClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;

        ObjectClassDef omni;
        omni.superClass = LIGHT_CLASS_ID;
        omni.classId = OMNI_LIGHT_CLASS_ID;
        omni.className = L"Omni";
        omni.scriptName = L"Omnilight";
        omni.category = L"Standard Lights";
        omni.pb1Params = {LightColor(L"Color", kLightGrey),
                          F(L"Multiplier", 1.0f),
                          F(L"Contrast", 0.0f),
                          F(L"Diffuse Soften", 0.0f),
                          F(L"Near Attenuation Start", 0.0f),
                          F(L"Near Attenuation End", 40.0f),
                          F(L"Far Attenuation Start", 80.0f),
                          F(L"Far Attenuation End", 200.0f),
                          F(L"Decay Falloff", 40.0f)};
        v.push_back(Make(std::move(omni)));

        ObjectClassDef spot;
        spot.superClass = LIGHT_CLASS_ID;
        spot.classId = TARGET_SPOT_LIGHT_CLASS_ID;
        spot.className = L"Target Spot";
        spot.scriptName = L"targetSpot";
        spot.category = L"Standard Lights";
        spot.pb1Params = {LightColor(L"Color", kLightGrey),
                          F(L"Multiplier", 1.0f),
                          F(L"Contrast", 0.0f),
                          F(L"Diffuse Soften", 0.0f),
                          F(L"Hotspot", 43.0f),
                          F(L"Falloff", 45.0f),
                          F(L"Aspect Ratio", 1.0f),
                          F(L"Target Distance", 240.0f),
                          F(L"Near Attenuation Start", 0.0f),
                          F(L"Near Attenuation End", 40.0f),
                          F(L"Far Attenuation Start", 80.0f),
                          F(L"Far Attenuation End", 200.0f),
                          F(L"Decay Falloff", 40.0f)};
        v.push_back(Make(std::move(spot)));

        ObjectClassDef cam;
        cam.superClass = CAMERA_CLASS_ID;
        cam.classId = FREE_CAMERA_CLASS_ID;
        cam.className = L"Free Camera";
        cam.scriptName = L"Freecamera";
        cam.category = L"Standard";
        cam.pb1Params = {F(L"FOV", 0.785398f),
                         F(L"Target Distance", 160.0f),
                         F(L"Near Clip", 1.0f),
                         F(L"Far Clip", 1000.0f),
                         F(L"Near Env Range", 0.0f),
                         F(L"Far Env Range", 1000.0f),
                         Pb1ParamDef{L"Multi-Pass Effect Enabled", TYPE_BOOL_PB1, false, 0.0f, Point3()}};
        v.push_back(Make(std::move(cam)));
        return v;
    }();
    return descs;
}
