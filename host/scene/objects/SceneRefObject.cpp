// The scene-reference object: evaluation through the loaded object, reloading and the dump.
#include "host/scene/objects/SceneRefObject.h"

#include "host/scene/Mtl.h"
#include "host/scene/objects/BuiltinClasses.h"

#include <memory>

Object* SceneRefObject::GetSource(bool render) {
    return dynamic_cast<Object*>(source_.Get(GetSettings(), render));
}

MSTR SceneRefObject::GetSourceError(bool render) {
    GetSource(render);
    return source_.Error(render);
}

void SceneRefObject::ReloadSource() {
    source_.Reload();
    NotifyDependents(FOREVER, PART_GEOM | PART_TOPO, REFMSG_CHANGE);
}

ObjectState SceneRefObject::Eval(TimeValue t) {
    if (Object* src = GetSource()) return src->Eval(t);
    return ObjectState(this);
}

void SceneRefObject::GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) {
    if (Object* src = GetSource())
        src->GetLocalBoundBox(t, inode, box);
    else
        box.Init();
}

void SceneRefObject::DumpOwn(std::ostream& os, int indent) {
    const SceneRefSettings s = GetSettings();
    ReferenceTarget* src = GetSource();
    DumpSceneRefSource(os, indent, s, src, source_.Error());
}

void DumpSceneRefSource(std::ostream& os, int indent, const SceneRefSettings& s, ReferenceTarget* loaded,
                        const MSTR& error) {
    const std::string pad(static_cast<size_t>(indent), ' ');
    if (s.FileFor(false).isNull()) {
        os << pad << "shows nothing (no file)\n";
        return;
    }
    os << pad << "shows \"" << s.ItemFor(false).ToUTF8() << "\" of \"" << s.FileFor(false).ToUTF8() << "\""
       << (s.UsesProxy(false) ? " (proxy)" : "") << ": ";
    if (auto* mtl = dynamic_cast<MtlBase*>(loaded))
        os << "\"" << mtl->GetName().ToUTF8() << "\" " << DumpTargetName(loaded) << "\n";
    else if (loaded)
        os << DumpTargetName(loaded) << "\n";
    else
        os << "nothing (" << error.ToUTF8() << ")\n";
}

const std::vector<ObjectClassDesc*>& SceneRefClassDescs() {
    static const std::unique_ptr<ObjectClassDesc> desc = [] {
        ObjectClassDef def;
        def.superClass = SYSTEM_CLASS_ID;
        def.classId = SCENE_REF_OBJECT_CLASS_ID;
        def.className = L"XRef Object";
        def.scriptName = L"XRefObject";
        def.category = L"Scene References";
        def.blockName = L"xref_params";
        def.params = SceneRefParams(false);
        return std::make_unique<ObjectClassDesc>(
            std::move(def), [](ObjectClassDesc* cd, BOOL loading) -> Animatable* { return new SceneRefObject(cd, loading); });
    }();
    static const std::vector<ObjectClassDesc*> descs{desc.get()};
    return descs;
}
