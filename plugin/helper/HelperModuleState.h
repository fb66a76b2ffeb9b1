// The state every helper of the module shares: registry, pending auto-loads, merge stack, batch flag and
// the flags the host's notifications keep up to date. The current-operation code is the frame's
// (OperationCode.h): mirrors and records read it too.
#pragma once

#include "host/core/WStr.h"
#include "plugin/frame/OperationCode.h"

#include <string>
#include <vector>

class OstrivansHelper;

struct HelperModuleState {
    // Every helper constructed in the session, in construction order; render swaps and the save cycle
    // walk it. Few entries (one per reference), so removal by search is fine.
    std::vector<OstrivansHelper*> registry;
    // Helpers made for loading from a scene file that have not applied their reload policy yet.
    std::vector<OstrivansHelper*> pendingAutoLoad;
    // Full paths of the files whose merge is in progress, innermost last.
    std::vector<WStr> mergeStack;
    bool batchOpen = false;
    bool rendering = false;
    bool modifierChanging = false;
    // Host merges in progress: up on the pre-merge notification, down on the post-merge one.
    int nestingCounter = 0;
    // What the host's notification of a starting scene-stream read last passed.
    int fileProcessType = 0;
    // The module-wide notification handlers are registered (by the first helper of the session).
    bool handlersRegistered = false;
    // The script interface is removing references itself: a deleted helper node needs no clean-up pass.
    bool removingReferences = false;
    // Save references as merged: set through the script interface for the session (never stored); the
    // save cycle reads it with the merge-for-network-render setting. A new scene keeps it.
    bool saveRefsAsMerged = false;
    // The names of the scene's named selection sets as last seen, to find the one that changed.
    std::vector<WStr> selectionSetNames;
    // The text of the last error report shown to the user, "\r\n" line breaks; scripts can ask for it.
    WStr lastErrorText;
    // Refreshes the manager window's list; installed by the window while it is open.
    void (*managerRefresh)() = nullptr;

    // Deterministic, one field per line: "registry: 2 [Ostrivan01, Ostrivan02]", "current operation: 1
    // (load)", ... Helpers print as their node's name ("<no node>" while they have none).
    std::string Dump() const;
    // Back to a fresh session: everything empty and cleared, the operation code None (handlers are not
    // touched).
    void Clear();
};

// The module's one state.
HelperModuleState& GetHelperModuleState();
