// Layers and the layer manager: every node is on exactly one layer; layer "0" always exists.
#pragma once

#include "host/core/ReferenceTarget.h"
#include "host/core/PlugApi.h"
#include "host/core/Tab.h"

#include <iosfwd>

class INode;
using INodeTab = Tab<INode*>;

// Super class LAYER_CLASS_ID. Renaming notifies REFMSG_NODE_NAMECHANGE; adding a node to a layer takes it
// off its previous layer and broadcasts the node-layer-changed notification (the node's SetLayer does
// both). Hiding and freezing notify the layer's dependents REFMSG_CHANGE with PART_DISPLAY. A layer's
// nodes are the nodes that reference it. Edits put restore objects.
class ILayer : public ReferenceTarget {
public:
    SClass_ID SuperClassID() override { return LAYER_CLASS_ID; }
    virtual MSTR GetName() const = 0;
    // Fails for an empty name, for layer "0", and for a name another layer of the scene carries (names
    // are compared without case).
    virtual BOOL SetName(const MSTR& name) = 0;
    virtual BOOL AddToLayer(INode* node) = 0;
    // The nodes on this layer, in the order they joined it.
    virtual BOOL Nodes(INodeTab& nodes) = 0;
    virtual int NumNodes() = 0;
    virtual ILayer* GetParentLayer() const = 0;
    // Null makes it a top-level layer. Fails for layer "0" (on either side) and for a parent below this
    // layer.
    virtual bool SetParentLayer(ILayer* parent) = 0;
    // Child layers in the order they were created.
    virtual int GetNumChildLayers() const = 0;
    virtual ILayer* GetChildLayer(int i) const = 0;
    virtual bool IsHidden() const = 0;
    virtual void Hide(bool on) = 0;
    virtual bool IsFrozen() const = 0;
    virtual void Freeze(bool on) = 0;
};

// The scene's layers by index and by name (index 0 is layer "0"; names are looked up without case through
// an index). Creating a layer broadcasts NOTIFY_LAYER_CREATED; deleting one broadcasts
// NOTIFY_LAYER_DELETED first; a layer that still holds nodes or is layer "0" cannot be deleted, and the
// child layers of a deleted layer move to its parent. Creating, adding and deleting put restore objects.
class ILayerManager {
public:
    virtual ~ILayerManager() = default;
    virtual int GetLayerCount() = 0;
    virtual ILayer* GetLayer(int i) = 0;
    virtual ILayer* GetLayer(const MSTR& name) = 0;
    // A new layer with the name (made unique when taken); null on failure.
    virtual ILayer* CreateLayer(const MSTR& name) = 0;
    virtual ILayer* CreateLayer() = 0;
    virtual BOOL DeleteLayer(const MSTR& name) = 0;
    // Adds a layer object that is not in the scene (brought back by undo or by a record).
    virtual BOOL AddLayer(ILayer* layer) = 0;
    virtual ILayer* GetCurrentLayer() = 0;
    virtual void SetCurrentLayer(const MSTR& name) = 0;
    virtual ILayer* GetRootLayer() = 0; // layer "0"
    virtual bool IsLayerInScene(ILayer* layer) = 0;
    // The host setting "duplicate layer without same hierarchy on merge".
    virtual bool GetDuplicateLayerWithoutSameHierarchyOnMerge() = 0;
    virtual void SetDuplicateLayerWithoutSameHierarchyOnMerge(bool on) = 0;
    // Back to a new scene: only layer "0", current, with default properties; no undo record.
    virtual void Reset() = 0;
};

// The scene's layer manager (a reference target holding every layer, so a scene writer can save them).
// Delete it with delete.
ILayerManager* NewLayerManager();
// Registers the layer and layer manager classes with the class directory. Idempotent.
void RegisterLayerClasses();
// One line per layer in index order:
//   [1] "Walls" parent "Structure" nodes 2 hidden frozen current
void DumpLayers(ILayerManager* manager, std::ostream& os, int indent = 0);
