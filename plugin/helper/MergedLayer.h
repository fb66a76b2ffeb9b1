// A layer that merged nodes of one load arrived on, with those nodes.
#pragma once

#include "host/core/WStr.h"
#include "plugin/records/NodeTable.h"

class ILayer;

struct MergedLayer {
    // Null once the host deleted the layer during the load.
    ILayer* layer = nullptr;
    WStr name;
    // The scene had the layer before the merge.
    bool existed = false;
    // The merged nodes on the layer; a parent layer collected for its children may have none.
    NodeTable nodes;
};
