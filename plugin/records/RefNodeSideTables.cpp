// When a node record's side block may go: nothing in it differs from a fresh block.
#include "plugin/records/RefNodeSideTables.h"

#include <cstring>
#include <type_traits>

namespace {

// Floats compared as stored: -0 differs from 0 and a NaN from nothing, so dropping the block never changes
// a value the record writes or dumps.
template <class T> bool SameBits(const T& a, const T& b) {
    static_assert(std::is_trivially_copyable_v<T> && sizeof(T) % sizeof(float) == 0, "plain floats only");
    return std::memcmp(&a, &b, sizeof(T)) == 0;
}

} // namespace

bool RefNodeSideTables::HoldsNothing() const {
    static const RefNodeSideTables kFresh;
    return excludingLights.empty() && candidateLights.empty() && !keptObject && selectionSets.empty() &&
           listingObjects.empty() && candidateListing.empty() && listingPositions.empty() &&
           candidatePositions.empty() && !replacedNode && overriddenName.isNull() && deletedMods.empty() &&
           renamedMods.empty() && toggledMods.empty() && SameBits(offsetPos, kFresh.offsetPos) &&
           SameBits(offsetRot, kFresh.offsetRot) && SameBits(offsetScale, kFresh.offsetScale) &&
           SameBits(skinPos, kFresh.skinPos) && SameBits(skinRot, kFresh.skinRot) &&
           SameBits(skinScale, kFresh.skinScale) && SameBits(skinScaleOrient, kFresh.skinScaleOrient) &&
           userProps.isNull();
}
