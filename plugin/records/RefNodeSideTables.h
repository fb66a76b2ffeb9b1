// What a node record holds only for nodes that lights, list-holding objects, selection sets or a replaced
// object name, or whose name or modifier stack the user changed: kept out of the record, which points at
// it only once something is there to keep.
#pragma once

#include "host/core/WStr.h"
#include "plugin/records/RefModifier.h"

#include <cstdint>
#include <vector>

class INode;
class LightObject;
class ReferenceTarget;

// Most referenced nodes are in no light's list, no other object's node list and no named selection set,
// their objects were never replaced, and the user renamed neither them nor their modifiers: a record of a
// 100k-node scene leaves all of this empty, so the record carries one pointer instead of ten tables, a
// name and two links.
struct RefNodeSideTables {
    std::vector<LightObject*> excludingLights;
    std::vector<LightObject*> candidateLights;
    ReferenceTarget* keptObject = nullptr;
    std::vector<std::int32_t> selectionSets;
    std::vector<ReferenceTarget*> listingObjects;
    std::vector<ReferenceTarget*> candidateListing;
    std::vector<std::int32_t> listingPositions;
    std::vector<std::int32_t> candidatePositions;
    INode* replacedNode = nullptr;
    // Meant only while the name override is set.
    WStr overriddenName;
    // The notes of modifiers from the file that the user deleted, renamed or toggled (owned).
    std::vector<ModDeleted*> deletedMods;
    std::vector<ModChangedName*> renamedMods;
    std::vector<ModChangedToggles*> toggledMods;
};
