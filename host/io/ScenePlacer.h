// Puts what a scene reader loaded into the open scene: as the whole scene (open) or next to it (merge).
#pragma once

#include "host/io/SceneReader.h"
#include "host/scene/Interface.h"

#include <vector>

struct MergeOptions {
    bool mergeAll = true;
    const NameTab* names = nullptr; // without mergeAll: the nodes to take
    int dupAction = MERGE_DUPS_MERGE;
    int dupMtlAction = MERGE_DUP_MTL_RENAME;
    bool duplicateLayerWithoutSameHierarchy = false;
};

class ScenePlacer {
public:
    // The scene was just emptied: the file's nodes, layers (with the current one), scene materials and
    // named selection sets become the scene's.
    static void PlaceOpened(Interface* ip, SceneReader& reader);
    // Links and places the merged content; returns the nodes it put in the scene, in the file's order.
    // Layers join the scene's layers of the same name (or come as new ones); duplicate nodes and
    // materials are treated as the options say.
    static std::vector<INode*> PlaceMerged(Interface* ip, SceneReader& reader, const MergeOptions& options);
};
