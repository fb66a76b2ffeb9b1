// Merging a reference's file into the open scene: the first half of every load.
#pragma once

#include "host/scene/Interface.h"

class OstrivansHelper;

// The full path a reference's file name stands for, found as the host finds a scene's assets (a relative
// name in the open scene's folder first, then in the project folders); where it was looked for first when
// it is found nowhere. Absolute, "/" separators, no "." or ".." parts; "" for "".
MSTR ResolveReferencePath(const MSTR& asset);

// Merges the file asset names into the open scene for helper and appends the nodes the merge created to
// mergedNodes, in the order the host reported them: the nodes of merges nested in this one (helpers of
// the file loading their own files) included, nodes deleted before the merge ends left out. Nodes that
// land on a root node while the helper lives in another tree than the scene's are attached to the top of
// the helper's tree.
//
// Returns 1 when the file was merged; 0 when nothing was: an empty path; a circular dependency (the file
// is the open scene, or is being merged further up: the user is told unless the host is quiet); or a file
// the host refused (its GetLastFileError says why). Whatever the outcome, the host's layer-duplication
// setting, the scene material library (less what the merge brought) and the merge stack are as they
// were. An exception on the way is raised again as a MAXException: "Error Merging File" ("Unknown Error
// Merging File" for anything but a host exception) + "\nLastOperation: " + the last step reached +
// "\n\n" + the exception's text; when the host broke off inside its merge, the nodes it had added are
// appended to mergedNodes all the same, so that the caller can take them out.
int MergeReferenceFile(OstrivansHelper* helper, const MSTR& asset, INodeTab& mergedNodes);
