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
    // An open, in two steps so that a file that cannot be linked leaves the scene untouched:
    // LinkOpened links everything the file's scene holds (only its layer "0" joins the scene's, the
    // other layers come as new ones) while the old scene still stands; on failure the caller discards the
    // reader. Once the old scene is emptied, PlaceOpened makes the file's nodes, layers (with the current
    // one), scene materials and named selection sets the scene's. `fresh` carries the new layers.
    static IOResult LinkOpened(Interface* ip, SceneReader& reader, std::vector<std::int32_t>& fresh);
    static void PlaceOpened(Interface* ip, SceneReader& reader, const std::vector<std::int32_t>& fresh);
    // Links and places the merged content; `placed` gets the nodes it put in the scene, in the file's
    // order. Layers join the scene's layers of the same name (or come as new ones); duplicate nodes and
    // materials are treated as the options say. When linking fails nothing is placed or deleted and the
    // caller discards the reader.
    static IOResult PlaceMerged(Interface* ip, SceneReader& reader, const MergeOptions& options,
                                std::vector<INode*>& placed);
};
