// The scene-reference object: shows the object of a node in another scene file (or of its proxy file),
// loaded through the host's file loading. Its settings are the parameters of its block, so they are saved,
// undone and set from scripts as any parameter; the loaded object is never saved with the scene.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"
#include "host/scene/objects/SceneRefSource.h"

constexpr Class_ID SCENE_REF_OBJECT_CLASS_ID(0x92AAB38C, 0);

// A file or item that cannot be read leaves an empty placeholder (the reference evaluates to itself, with
// an empty box) and the reason in GetSourceError; so does a reference whose item leads back to itself
// (through files that reference each other), past a depth of references. A copy loads its own object when
// first asked: two references never share a loaded item.
class SceneRefObject : public ConfiguredObject<SystemObject> {
public:
    // References: 0 the block, 1 and 2 the loaded objects (weak, never saved).
    SceneRefObject(ObjectClassDesc* cd, BOOL loading)
        : ConfiguredObject<SystemObject>(cd, loading), source_(false, this, 1) {}

    SceneRefSettings GetSettings() { return ReadSceneRefSettings(Block2()); }
    // The loaded object for the viewport or for rendering (null: nothing could be loaded).
    Object* GetSource(bool render = false);
    MSTR GetSourceError(bool render = false);
    // Reads the file again (the file changed on disk) and tells the dependents the geometry changed.
    void ReloadSource();

    ObjectState Eval(TimeValue t) override;
    void GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) override;
    BOOL ShouldPersistWeakRef(RefTargetHandle /*t*/) override { return FALSE; }
    RefTargetHandle Clone(RemapDir& remap) override;
    void DumpExtra(std::ostream& os, int indent) override { DumpOwn(os, indent); }

protected:
    void DumpOwn(std::ostream& os, int indent) override;

private:
    // The loaded object, or none past the depth a chain of references may reach (said once).
    Object* EvalSource(bool tooDeep);

    SceneRefSource source_;
    bool cycleReported_ = false;
};

// Dump lines shared with the material: the item shown and where it comes from, or why there is none.
void DumpSceneRefSource(std::ostream& os, int indent, const SceneRefSettings& s, ReferenceTarget* loaded,
                        const MSTR& error);
