// The container helper: a set of scene nodes kept together, in the order they were put in. It names its
// nodes through weak references, so a node it holds stays the scene's (deleting it drops it from the
// container) and is saved with the scene as any node.
#pragma once

#include "host/scene/objects/ConfiguredObject.h"

#include <vector>

class INode;

constexpr Class_ID CONTAINER_HELPER_CLASS_ID(0x6E34B493, 0xE3C48E41);

// References: one per slot, each a node or empty (a node deleted since). Every edit notifies REFMSG_CHANGE
// and is undoable.
class ContainerHelper : public ConfiguredObject<HelperObject> {
public:
    ContainerHelper(ObjectClassDesc* cd, BOOL loading) : ConfiguredObject<HelperObject>(cd, loading) {}
    ~ContainerHelper() override;

    // The nodes held, in order, without the deleted ones.
    std::vector<INode*> GetNodes() const;
    bool Holds(INode* node) const;
    // Appends the node; false (nothing changed) without node, for a node already held, or for the node
    // whose object this container is.
    bool AddNode(INode* node);
    // False (nothing changed) for a node not held.
    bool RemoveNode(INode* node);
    // Holds exactly these nodes in this order, as one undoable edit (nulls and repeats are left out).
    void SetNodes(const std::vector<INode*>& nodes);
    // Stores the nodes and notifies, without undo record (undo and redo).
    void ApplyNodes(const std::vector<INode*>& nodes);

    int NumRefs() override { return static_cast<int>(slots_.size()); }
    RefTargetHandle GetReference(int i) override;
    BOOL IsRealDependency(ReferenceTarget* /*t*/) override { return FALSE; }
    // Only nodes of the scene's tree are written: a node kept out of the scene (parked under another root
    // while the scene is saved) must not be pulled into the file through the container.
    BOOL ShouldPersistWeakRef(RefTargetHandle t) override;
    int NumSubs() override { return 0; }
    Animatable* SubAnim(int /*i*/) override { return nullptr; }
    RefTargetHandle Clone(RemapDir& remap) override;
    // A node's own changes (moved, renamed, its object edited) are not the container's: they stop here.
    RefResult NotifyRefChanged(const Interval& /*iv*/, RefTargetHandle /*hTarget*/, PartID& /*partID*/,
                               RefMessage /*message*/, BOOL /*propagate*/) override {
        return REF_STOP;
    }

    static constexpr USHORT kSlotsChunk = 0x4300;

protected:
    void SetReference(int i, RefTargetHandle t) override;
    IOResult SaveOwn(ISave* isave) override;
    IOResult LoadOwnChunk(ILoad* iload) override;
    void DumpOwn(std::ostream& os, int indent) override;

private:
    std::vector<ReferenceTarget*> slots_;
};
