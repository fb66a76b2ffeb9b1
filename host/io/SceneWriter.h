// Writes scene files: the whole scene, or only some nodes and what they need.
#pragma once

#include "host/core/ChunkSave.h"
#include "host/io/ObjectIdTable.h"
#include "host/scene/Interface.h"

#include <cstdint>
#include <vector>

class Animatable;

// The object table of one write, as ISave::GetRefID sees it: objects that will be written have their
// ids, so Save implementations can name the objects they point at without references (a node's parent).
class SceneSave : public ChunkSave {
public:
    using ChunkSave::ChunkSave;
    int GetRefID(void* ptr) override;
    ObjectIdTable ids;
};

class SceneWriter {
public:
    // Every node below the scene root (never the trees of external-scene entries), every layer, and
    // whatever they reach through written references; the material library and the named selection sets
    // keep the entries that are written anyway.
    static IOResult WriteScene(Interface* ip, const WStr& path, WStr& error);
    // Only the given nodes and what they reach (no other node, layer or scene table).
    static IOResult WriteNodes(Interface* ip, const INodeTab& nodes, const WStr& path, WStr& error);
    // As above, into memory.
    static IOResult WriteSceneToBytes(Interface* ip, std::vector<std::uint8_t>& out, WStr& error);
    static IOResult WriteNodesToBytes(Interface* ip, const INodeTab& nodes, std::vector<std::uint8_t>& out,
                                      WStr& error);
};
