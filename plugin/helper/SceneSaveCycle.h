// The scene save cycle: before the host writes the scene the referenced content leaves the written tree,
// after the write everything is put back exactly.
#pragma once

#include "host/core/MaxTypes.h"

#include <string>

// Pre-save (NOTIFY_FILE_PRE_SAVE) parks the referenced node trees under the root of a hidden external-scene
// entry ("OVTXR"), which the host does not write; nodes that scene objects depend on stay as placeholders
// (their own parts held by a RefHolder on a parked node "OVHN", or a new placeholder node taking their
// dependents), and scene nodes linked under referenced nodes wait under the scene root. The host then
// writes only the helpers, their records and the overrides. Post-save (NOTIFY_FILE_POST_SAVE, also after a
// failed write) gives every part, dependent and link back and removes the entry, so the scene in memory is
// as before and counts as saved. Saving with the content merged (the script interface's switch, or the
// network-render setting for a network job file) writes the render-time content as plain nodes instead.
// A save as of a helper (operation code SaveAs) runs neither step.
class SceneSaveCycle {
public:
    static void PreSave(const MCHAR* fileName);
    static void PostSave();

    // The tables that live from pre-save to post-save, one line each: "links 3", "held 1", "placeholders
    // 0", "holder none", "parked no", "merged no"; all empty between two cycles.
    static std::string Dump();
};
