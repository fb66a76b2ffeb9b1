// What a helper tells about itself: the short description in error reports and the listener dump.
#pragma once

#include "host/core/WStr.h"

class OstrivansHelper;

// "Name: " + the helper node's name ("" without a node) + "\nRefNodes: 2, RefMaterials: 1, RefLayers: 0"
// + "\nNodesToDelete: 1, RenamedLayers: 0"; "Unknown Reference Data" when the helper cannot be read.
MSTR HelperDescription(OstrivansHelper* helper);

// Writes the helper's tables to the script listener: the counts, the nodes to delete, the renamed layers,
// then one block per record and per layer record, flushing after each record. Records print their own
// description (with mode reserved for the records' dumps).
void PrintHelperData(OstrivansHelper* helper, int mode);
