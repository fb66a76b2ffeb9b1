// The scene-reference object: evaluation through the loaded object, reloading and the dump.
#include "host/scene/objects/SceneRefObject.h"

#include "host/core/Listener.h"
#include "host/core/RemapDir.h"
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

namespace {

// A reference whose item is itself a reference of the same file (directly or through others) would
// evaluate without end: past this depth the chain shows the empty placeholder.
constexpr int kMaxEvalDepth = 8;
int evalDepth = 0;

struct EvalDepth {
    EvalDepth() { ++evalDepth; }
    ~EvalDepth() { --evalDepth; }
    bool TooDeep() const { return evalDepth > kMaxEvalDepth; }
};

} // namespace

Object* SceneRefObject::EvalSource(bool tooDeep) {
    if (!tooDeep) return GetSource();
    if (!cycleReported_) {
        const SceneRefSettings s = GetSettings();
        mprintf(L"-- Scene reference: \"%s\" of \"%s\" leads through more than %d scene references\n",
                s.ItemFor(false).c_str(), s.FileFor(false).c_str(), kMaxEvalDepth);
        cycleReported_ = true;
    }
    return nullptr;
}

ObjectState SceneRefObject::Eval(TimeValue t) {
    const EvalDepth depth;
    if (Object* src = EvalSource(depth.TooDeep())) return src->Eval(t);
    return ObjectState(this);
}

void SceneRefObject::GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) {
    const EvalDepth depth;
    if (Object* src = EvalSource(depth.TooDeep()))
        src->GetLocalBoundBox(t, inode, box);
    else
        box.Init();
}

RefTargetHandle SceneRefObject::Clone(RemapDir& remap) {
    auto* copy = new SceneRefObject(Desc(), TRUE);
    copy->ReplaceReference(0, remap.CloneRef(Block2()));
    BaseClone(this, copy, remap);
    return copy;
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
        def.numExtraRefs = 2;
        def.extraRefsWeak = true;
        return std::make_unique<ObjectClassDesc>(
            std::move(def), [](ObjectClassDesc* cd, BOOL loading) -> Animatable* { return new SceneRefObject(cd, loading); });
    }();
    static const std::vector<ObjectClassDesc*> descs{desc.get()};
    return descs;
}
