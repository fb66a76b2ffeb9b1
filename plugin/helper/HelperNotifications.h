// The host notifications the helpers listen to: the module-wide handlers the first helper of a session
// registers, the auto-load pass after an open or merge, and the forwarding of node events to records.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/RefMessages.h"

class INode;
class OstrivansHelper;
class RefNode;

// Registers every module-wide handler (once; the registered flag says so).
void RegisterModuleHandlers();
// End of a session (pre-open of a scene file, pre-reset, pre-new): unregisters every module-wide
// handler, sets the operation code to 0, clears the batch and registered flags, the selection-set cache
// and the merge stack. The next helper made registers the handlers again.
void EndHelperSession();
// Number of module-wide handler registrations, for checks that none is left behind.
int NumModuleHandlerCodes();

// The auto-load handler on NOTIFY_FILE_POST_OPEN and NOTIFY_FILE_POST_MERGE_PROCESS; registered by the
// first helper that joins an empty pending list, unregistered when it runs (or when the list empties).
void RegisterAutoLoadHandler();
void UnregisterAutoLoadHandler();

// Every helper of the registry whose viewport and render files differ loads the other one, inside one
// batch. A network render server never shows the viewport files, so it keeps what it loaded.
void RunRenderSwaps();

// Sends msg over the whole time line to the direct dependents of node, without propagation.
void SendToNodeDependents(INode* node, RefMessage msg, PartID part = 0);
// The helper carried by node, or null.
OstrivansHelper* HelperOfNode(INode* node);
// The record that mirrors node (among its dependents), or null; with owner, only that helper's record.
RefNode* FindRefNodeOf(INode* node, OstrivansHelper* owner = nullptr);
