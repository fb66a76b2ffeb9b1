// Built-in lights (omni, spots, directionals) and cameras (free, target), with their older-style parameter
// blocks; lights carry the include/exclude list of LightObject and a shadow switch, cameras their clipping
// and projection switches, and the target kinds
// are made with a target node.
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/objects/StandardCamera.h"
#include "host/scene/objects/StandardLight.h"

#include <memory>

namespace {

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

Animatable* CreateStandardLight(ObjectClassDesc* cd, BOOL loading) {
    return new StandardLight(cd, loading);
}
Animatable* CreateStandardCamera(ObjectClassDesc* cd, BOOL loading) {
    return new StandardCamera(cd, loading);
}

Pb1ParamDef F(const MCHAR* name, float def, const MCHAR* script = L"") {
    return Pb1ParamDef{name, TYPE_FLOAT_PB1, true, def, Point3(), script};
}
Pb1ParamDef LightColor(const MCHAR* name, const Point3& def, const MCHAR* script) {
    return Pb1ParamDef{name, TYPE_RGBA_PB1, true, 0.0f, def, script};
}

// The host's default light colour (180, 180, 180).
const Point3 kLightGrey(180.0f / 255.0f, 180.0f / 255.0f, 180.0f / 255.0f);

ObjectClassDef Light(Class_ID id, const MCHAR* name, const MCHAR* script, bool spot, bool targeted) {
    ObjectClassDef l;
    l.superClass = LIGHT_CLASS_ID;
    l.classId = id;
    l.className = name;
    l.scriptName = script;
    l.category = L"Standard Lights";
    l.targeted = targeted;
    l.pb1Params = {LightColor(L"Color", kLightGrey, L"rgb"), F(L"Multiplier", 1.0f),
                   F(L"Contrast", 0.0f), F(L"Diffuse Soften", 0.0f, L"softenDiffuseEdge")};
    if (spot)
        l.pb1Params.insert(l.pb1Params.end(), {F(L"Hotspot", 43.0f), F(L"Falloff", 45.0f),
                                               F(L"Aspect Ratio", 1.0f, L"aspect"), F(L"Target Distance", 240.0f)});
    l.pb1Params.insert(l.pb1Params.end(),
                       {F(L"Near Attenuation Start", 0.0f, L"nearAttenStart"),
                        F(L"Near Attenuation End", 40.0f, L"nearAttenEnd"),
                        F(L"Far Attenuation Start", 80.0f, L"farAttenStart"),
                        F(L"Far Attenuation End", 200.0f, L"farAttenEnd"), F(L"Decay Falloff", 40.0f, L"decayRadius"),
                        LightColor(L"Shadow Color", Point3(0.0f, 0.0f, 0.0f), L"shadowColor"),
                        F(L"Shadow Density", 1.0f, L"shadowMultiplier")});
    return l;
}

ObjectClassDef Camera(Class_ID id, const MCHAR* name, const MCHAR* script, bool targeted) {
    ObjectClassDef cam;
    cam.superClass = CAMERA_CLASS_ID;
    cam.classId = id;
    cam.className = name;
    cam.scriptName = script;
    cam.category = L"Standard";
    cam.targeted = targeted;
    Pb1ParamDef fov = F(L"FOV", 0.785398f, L"fov");
    fov.angle = true;
    cam.pb1Params = {fov,
                     F(L"Target Distance", 160.0f),
                     F(L"Near Clip", 1.0f, L"nearclip"),
                     F(L"Far Clip", 1000.0f, L"farclip"),
                     F(L"Near Env Range", 0.0f, L"nearrange"),
                     F(L"Far Env Range", 1000.0f, L"farrange"),
                     Pb1ParamDef{L"Multi-Pass Effect Enabled", TYPE_BOOL_PB1, false, 0.0f, Point3(), L"mpassEnabled"}};
    return cam;
}

} // namespace

const std::vector<ObjectClassDesc*>& LightCameraClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;
        v.push_back(Make(Light(OMNI_LIGHT_CLASS_ID, L"Omni", L"Omnilight", false, false), &CreateStandardLight));
        v.push_back(
            Make(Light(TARGET_SPOT_LIGHT_CLASS_ID, L"Target Spot", L"targetSpot", true, true), &CreateStandardLight));
        v.push_back(Make(Light(FREE_SPOT_LIGHT_CLASS_ID, L"Free Spot", L"freeSpot", true, false), &CreateStandardLight));
        // Directional lights light a cylinder: hotspot and falloff are its radii.
        v.push_back(Make(Light(DIRECTIONAL_LIGHT_CLASS_ID, L"Directional", L"Directionallight", true, false),
                         &CreateStandardLight));
        v.push_back(Make(Light(TARGET_DIRECTIONAL_LIGHT_CLASS_ID, L"Target Direct", L"TargetDirectionallight", true, true),
                         &CreateStandardLight));
        v.push_back(Make(Camera(FREE_CAMERA_CLASS_ID, L"Free Camera", L"Freecamera", false), &CreateStandardCamera));
        v.push_back(Make(Camera(TARGET_CAMERA_CLASS_ID, L"Target Camera", L"Targetcamera", true), &CreateStandardCamera));
        return v;
    }();
    return descs;
}
