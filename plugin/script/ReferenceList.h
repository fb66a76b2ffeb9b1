// The reference list: the scene's helper nodes in the order scripts and the manager number them.
#pragma once

#include "host/core/Tab.h"

#include <vector>

class INode;
class OstrivansHelper;

// The nodes whose object is a reference helper, found by one depth-first walk from below the scene root
// (each child in the host's order, followed by its own descendants). A node's position in the list is
// its reference index (0-based here; scripts count from 1).
std::vector<INode*> GatherReferenceNodes();
// The number of references, by the same walk.
int CountReferences();
// The helper node at index, or null outside the list; the walk stops there.
INode* ReferenceNodeAt(int index);
// The helper a node carries (below any modifiers), or null.
OstrivansHelper* ReferenceHelperOf(INode* node);
// The nodes at the indices that lie in list, in the indices' order: each node once, or as often as its
// index is given when keepRepeats.
std::vector<INode*> NodesAtIndices(const std::vector<INode*>& list, const Tab<int>* indices, bool keepRepeats);
