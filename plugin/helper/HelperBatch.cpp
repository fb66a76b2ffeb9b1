// The batch steps.
#include "plugin/helper/HelperBatch.h"

#include "host/core/Notify.h"
#include "host/scene/Interface.h"
#include "host/scene/NamedSelectionSets.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/records/RefNode.h"

#include <vector>

namespace {

// The task mode the opening step found, put back by the closing step.
int gSavedTaskMode = TASK_MODE_CREATE;

} // namespace

void BatchOpeningStep() {
    OperationCodeGuard op(OperationCode::BatchOpen);
    HelperModuleState& state = GetHelperModuleState();
    state.batchOpen = true;
    // No editing panel may hold referenced objects open while the batch takes content out of the scene;
    // the helper's own panel holds none.
    Interface* ip = GetCOREInterface();
    gSavedTaskMode = ip->GetCommandPanelTaskMode();
    if (gSavedTaskMode != TASK_MODE_CREATE && !dynamic_cast<OstrivansHelper*>(ip->GetCurEditObject()))
        ip->SetCommandPanelTaskMode(TASK_MODE_CREATE);
    // The batch may take nodes out of the scene, and with them out of their named selection sets: each
    // record notes the sets that hold its node first, and the module remembers the set names.
    std::vector<WStr> names;
    if (INamedSelectionSetManager* sets = ip->GetNamedSelectionSetManager()) {
        for (int i = 0; i < sets->GetNumNamedSelSets(); ++i) {
            names.push_back(sets->GetNamedSelSetName(i));
            for (int j = 0; j < sets->GetNamedSelSetItemCount(i); ++j)
                if (RefNode* rec = FindRefNodeOf(sets->GetNamedSelSetItem(i, j))) rec->RecordSelectionSet(i);
        }
    }
    state.selectionSetNames = std::move(names);
    BroadcastNotification(NOTIFY_OSTRIVANS_BATCH_OPENED);
}

void BatchClosingStep() {
    OperationCodeGuard op(OperationCode::BatchClose);
    BroadcastNotification(NOTIFY_OSTRIVANS_BATCH_CLOSING);
    Interface* ip = GetCOREInterface();
    if (gSavedTaskMode != TASK_MODE_CREATE && ip->GetCommandPanelTaskMode() != gSavedTaskMode)
        ip->SetCommandPanelTaskMode(gSavedTaskMode);
    gSavedTaskMode = TASK_MODE_CREATE;
    ip->SetSaveRequiredFlag(TRUE);
    GetHelperModuleState().batchOpen = false;
}

BatchScope::BatchScope() : opened_(!GetHelperModuleState().batchOpen) {
    if (opened_) BatchOpeningStep();
}

BatchScope::~BatchScope() {
    if (opened_) BatchClosingStep();
}
