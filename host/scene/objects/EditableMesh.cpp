// Editable mesh and poly objects: their geometry, vertex edits with undo, cloning and persistence.
#include "host/scene/objects/EditableMesh.h"

namespace {

class VertRestore : public RestoreObj {
public:
    VertRestore(EditableMeshObject* obj, int i, const Point3& before, const Point3& after)
        : handle_(Animatable::GetHandleByAnim(obj)), i_(i), before_(before), after_(after) {}
    void Restore(int /*isUndo*/) override { Apply(before_); }
    void Redo() override { Apply(after_); }
    MSTR Description() override { return L"Move Vertex"; }

private:
    void Apply(const Point3& p) {
        auto* obj = dynamic_cast<EditableMeshObject*>(Animatable::GetAnimByHandle(handle_));
        if (obj && i_ < obj->GetMesh().getNumVerts()) obj->ApplyVert(i_, p);
    }
    AnimHandle handle_;
    int i_;
    Point3 before_, after_;
};

} // namespace

void EditableMeshObject::SetMesh(const PolyMesh& m) {
    mesh_ = poly_ ? m : m.Triangulated();
    NotifyDependents(FOREVER, PART_TOPO | PART_GEOM, REFMSG_CHANGE);
}

void EditableMeshObject::SetVert(int i, const Point3& p) {
    const Point3 before = mesh_.getVert(i);
    if (before == p) return;
    if (theHold.Holding()) theHold.Put(new VertRestore(this, i, before, p));
    ApplyVert(i, p);
}

void EditableMeshObject::ApplyVert(int i, const Point3& p) {
    mesh_.setVert(i, p);
    NotifyDependents(FOREVER, PART_GEOM, REFMSG_CHANGE);
}

void EditableMeshObject::GetLocalBoundBox(TimeValue /*t*/, INode* /*inode*/, Box3& box) {
    box = mesh_.Bounds();
}

void EditableMeshObject::CopyOwnState(ConfiguredCore* to) {
    auto* copy = static_cast<EditableMeshObject*>(to);
    copy->mesh_ = mesh_;
}

IOResult EditableMeshObject::LoadOwnChunk(ILoad* iload) {
    if (iload->CurChunkID() != PolyMesh::kMeshChunk) return IO_OK;
    return mesh_.Load(iload);
}
