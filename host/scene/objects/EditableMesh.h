// Editable mesh and editable poly objects: geometry of their own (no parameter block) that scripts read
// and edit vertex by vertex, with undo, messages, persistence and a dump.
#pragma once

#include "host/scene/PolyMesh.h"
#include "host/scene/objects/ConfiguredObject.h"

class EditableMeshObject : public ConfiguredObject<GeomObject> {
public:
    // poly: faces of any degree (an editable poly); otherwise triangles only.
    EditableMeshObject(ObjectClassDesc* cd, BOOL loading, bool poly)
        : ConfiguredObject<GeomObject>(cd, loading), poly_(poly) {}

    bool IsPoly() const { return poly_; }
    const PolyMesh& GetMesh() const { return mesh_; }
    // Takes the geometry (triangulated for an editable mesh); no undo record (a new object).
    void SetMesh(const PolyMesh& m);
    // Moves vertex i (0-based, in range): an undo record while holding, and a geometry change message.
    void SetVert(int i, const Point3& p);
    // Stores without undo record and notifies (undo and redo).
    void ApplyVert(int i, const Point3& p);

    void GetLocalBoundBox(TimeValue t, INode* inode, Box3& box) override;

protected:
    void CopyOwnState(ConfiguredCore* to) override;
    IOResult SaveOwn(ISave* isave) override { return mesh_.Save(isave); }
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override { mesh_.Dump(os, indent); }

private:
    bool poly_;
    PolyMesh mesh_;
};
