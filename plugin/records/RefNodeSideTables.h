// What a node record holds only for nodes that lights, list-holding objects, selection sets or a replaced
// object name, whose name or modifier stack the user changed, or whose object offset, skin pose or user
// properties differ from a fresh node's: kept out of the record, which points at it only while something
// is there to keep.
#pragma once

#include "host/core/Point3.h"
#include "host/core/Quat.h"
#include "host/core/ScaleValue.h"
#include "host/core/WStr.h"
#include "plugin/records/RefModifier.h"

#include <cstdint>
#include <vector>

class INode;
class LightObject;
class ReferenceTarget;

// Most referenced nodes are in no light's list, no other object's node list and no named selection set,
// their objects were never replaced, the user renamed neither them nor their modifiers, and they keep the
// object offset, skin pose and (empty) user properties every node starts with: a record of a 100k-node
// scene leaves all of this at its start value, so the record carries one null pointer instead of ten
// tables, a name, two links and 140 bytes of values.
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
    // The stored object offset, skin pose and user properties, starting as a fresh node's.
    Point3 offsetPos{0.0f, 0.0f, 0.0f};
    Quat offsetRot;
    ScaleValue offsetScale;
    Point3 skinPos{0.0f, 0.0f, 0.0f};
    Point3 skinRot{0.0f, 0.0f, 0.0f}; // Euler angles, XYZ order
    Point3 skinScale{1.0f, 1.0f, 1.0f};
    Quat skinScaleOrient;
    WStr userProps;

    // Every member is at its start value, bit for bit (a stored -0 or NaN is something to keep): the
    // record may drop the block and read the same values from a fresh one.
    bool HoldsNothing() const;
};
