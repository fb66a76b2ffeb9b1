// The state every helper of the module shares: registry, pending auto-loads, merge stack, batch flag,
// current-operation code and the flags the host's notifications keep up to date.
#pragma once

#include "host/core/WStr.h"

#include <string>
#include <vector>

class OstrivansHelper;

// The operation in progress. Mirrors and notification handlers ignore host events while it is not
// kOpNone, so every operation saves the code it finds, sets its own and puts the saved one back.
enum OstrivansOperation : int {
    kOpNone = 0,
    kOpLoad = 1,
    kOpUnload = 2,
    kOpDismiss = 3,
    kOpMerge = 4,
    kOpPreSave = 5,
    kOpPostSave = 6,
    kOpPreSaveCollect = 7,
    kOpDuplicate = 8,
    kOpRecord = 9,
    kOpBatchOpen = 10,
    kOpBatchClose = 11,
    kOpSaveAs = 12,
    kOpAdvancedReset = 13,
    kOpRenaming = 14,
};

// The text dumps use for a code ("load", "renaming"); "unknown" outside 0 to 14.
const char* OperationName(int code);

struct HelperModuleState {
    // Every helper constructed in the session, in construction order; render swaps and the save cycle
    // walk it. Few entries (one per reference), so removal by search is fine.
    std::vector<OstrivansHelper*> registry;
    // Helpers made for loading from a scene file that have not applied their reload policy yet.
    std::vector<OstrivansHelper*> pendingAutoLoad;
    // Full paths of the files whose merge is in progress, innermost last.
    std::vector<WStr> mergeStack;
    bool batchOpen = false;
    int currentOperation = kOpNone;
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
    // The names of the scene's named selection sets as last seen, to find the one that changed.
    std::vector<WStr> selectionSetNames;
    // The text of the last error report shown to the user, "\r\n" line breaks; scripts can ask for it.
    WStr lastErrorText;
    // Refreshes the manager window's list; installed by the window while it is open.
    void (*managerRefresh)() = nullptr;

    // Deterministic, one field per line: "registry: 2 [Ostrivan01, Ostrivan02]", "current operation: 1
    // (load)", ... Helpers print as their node's name ("<no node>" while they have none).
    std::string Dump() const;
    // Back to a fresh session: everything empty and cleared (handlers are not touched).
    void Clear();
};

// The module's one state.
HelperModuleState& GetHelperModuleState();

int GetCurrentOperation();
void SetCurrentOperation(int code);

// Sets an operation code for a scope and restores the one it found, also when the scope is left by an
// exception.
class OperationCodeGuard {
public:
    explicit OperationCodeGuard(int code);
    ~OperationCodeGuard();
    OperationCodeGuard(const OperationCodeGuard&) = delete;
    OperationCodeGuard& operator=(const OperationCodeGuard&) = delete;
    int Saved() const { return saved_; }

private:
    int saved_;
};
