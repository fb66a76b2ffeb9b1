// The particle flow classes besides the source: the event and the actions its list runs, tests among them.
#include "host/scene/objects/BuiltinClasses.h"
#include "host/scene/particles/PFEvent.h"

#include <memory>

namespace {

ObjectClassDesc* Make(ObjectClassDef cls, ObjectClassDesc::Factory f = nullptr) {
    static std::vector<std::unique_ptr<ObjectClassDesc>> keep;
    keep.push_back(std::make_unique<ObjectClassDesc>(std::move(cls), f));
    return keep.back().get();
}

// Particle flow parts are driven by their flow: none copies its animation into another animatable.
ObjectClassDef Part(Class_ID id, const MCHAR* name, const MCHAR* scriptName) {
    ObjectClassDef def;
    def.superClass = HELPER_CLASS_ID;
    def.classId = id;
    def.className = name;
    def.scriptName = scriptName;
    def.category = L"Particle Flow";
    def.canCopyAnim = FALSE;
    return def;
}

ObjectClassDef Action(Class_ID id, const MCHAR* name, const MCHAR* scriptName, std::vector<ParamDef> params) {
    ObjectClassDef def = Part(id, name, scriptName);
    def.params = std::move(params);
    def.interfaces = {PFACTION_INTERFACE};
    return def;
}

// A test also leads the particles that pass it to a next event, named in its one weak reference slot.
ObjectClassDef Test(Class_ID id, const MCHAR* name, const MCHAR* scriptName, std::vector<ParamDef> params) {
    ObjectClassDef def = Action(id, name, scriptName, std::move(params));
    def.interfaces.push_back(PFTEST_INTERFACE);
    def.numExtraRefs = 1;
    def.extraRefsWeak = true;
    return def;
}

} // namespace

const std::vector<ObjectClassDesc*>& ParticleClassDescs() {
    static const std::vector<ObjectClassDesc*> descs = [] {
        std::vector<ObjectClassDesc*> v;
        v.push_back(Make(Part(PF_EVENT_CLASS_ID, L"Event", L"PF_Event"), [](ObjectClassDesc* cd, BOOL loading) -> Animatable* {
            return new PFEvent(cd, loading);
        }));
        v.push_back(Make(Action(Class_ID(0x3A6B0101, 0x52C70001), L"Birth", L"PF_Birth",
                                {MakeIntParam(0, L"amount", 200, 0, 100000000)})));
        v.push_back(Make(Action(Class_ID(0x3A6B0102, 0x52C70001), L"Speed", L"PF_Speed",
                                {MakeFloatParam(0, L"speed", 300.0f)})));
        v.push_back(Make(Action(Class_ID(0x3A6B0103, 0x52C70001), L"Shape", L"PF_Shape",
                                {MakeFloatParam(0, L"size", 10.0f)})));
        v.push_back(Make(Action(Class_ID(0x3A6B0104, 0x52C70001), L"Delete", L"PF_Delete", {})));
        v.push_back(Make(Test(Class_ID(0x3A6B0201, 0x52C70001), L"Age Test", L"PF_AgeTest",
                              {MakeIntParam(0, L"age", 30, 0, 1000000)})));
        v.push_back(Make(Test(Class_ID(0x3A6B0202, 0x52C70001), L"Speed Test", L"PF_SpeedTest",
                              {MakeFloatParam(0, L"speed", 100.0f)})));
        return v;
    }();
    return descs;
}
