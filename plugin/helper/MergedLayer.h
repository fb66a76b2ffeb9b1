// A layer that merged nodes of one load arrived on, with those nodes.
#pragma once

#include "host/core/WStr.h"
#include "plugin/records/NodeTable.h"

class ILayer;

struct MergedLayer {
    // Null once the host deleted the layer during the load.
    ILayer* layer = nullptr;
    // The layer's name as the merge brought it, which is its name in the referenced file.
    WStr name;
    // The scene had the layer before the merge.
    bool existed = false;
    // The merged nodes on the layer; a parent layer collected for its children may have none.
    NodeTable nodes;
    // The record of the layer's parent layer; null when the load met no such record.
    MergedLayer* parent = nullptr;
};
