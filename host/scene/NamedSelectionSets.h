// Named selection sets of nodes. Creating, deleting, renaming and changing sets broadcast the host's
// named-selection-set notifications (Notify.h) and put restore objects while the hold is open. Sets
// hold their nodes weakly: a deleted node leaves every set it was in (and comes back to them when the
// deletion is undone). Names are exact and unique; FindNamedSelSet is a hash lookup.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/Tab.h"
#include "host/core/WStr.h"

#include <iosfwd>

class INode;
using INodeTab = Tab<INode*>;

class INamedSelectionSetManager {
public:
    virtual ~INamedSelectionSetManager() = default;
    virtual int GetNumNamedSelSets() = 0;
    virtual MSTR GetNamedSelSetName(int i) = 0;
    virtual int GetNamedSelSetItemCount(int i) = 0;
    virtual INode* GetNamedSelSetItem(int i, int j) = 0;
    // Index of the set, or -1.
    virtual int FindNamedSelSet(const MSTR& name) = 0;
    // Fails for an empty name or one a set already has.
    virtual BOOL AddNewNamedSelSet(INodeTab& nodes, const MSTR& name) = 0;
    virtual BOOL RemoveNamedSelSet(const MSTR& name) = 0;
    virtual BOOL SetNamedSelSetName(int i, const MSTR& name) = 0;
    virtual BOOL AppendToNamedSelSet(int i, INodeTab& nodes) = 0;
    virtual BOOL ReplaceNamedSelSet(INodeTab& nodes, int i) = 0;
    // A deleted node leaves every set it was in. The manager does this itself on
    // NOTIFY_SCENE_PRE_DELETED_NODE; calling it again does nothing.
    virtual void RemoveNode(INode* node) = 0;
    // Back to a new scene: no sets; no undo record.
    virtual void Reset() = 0;
};

// The scene's named selection sets. Delete it with delete.
INamedSelectionSetManager* NewNamedSelectionSetManager();
// One line per set: "[0] \"Walls\": \"Wall01\", \"Wall02\"".
void DumpNamedSelSets(INamedSelectionSetManager* manager, std::ostream& os, int indent = 0);
