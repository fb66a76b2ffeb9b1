// The batch steps.
#include "plugin/helper/HelperBatch.h"

#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/HelperNotifications.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/ReferenceErrorReport.h"
#include "plugin/records/RefHolder.h"
#include "plugin/records/RefNode.h"

#include <vector>

namespace {

constexpr int kMtlEditorSlots = 24;
constexpr const MCHAR* kMtlEditorHolderName = L"OVCMEHolder";

// The task mode the opening step found, put back by the closing step.
int gSavedTaskMode = TASK_MODE_CREATE;
// The node whose holder keeps the material editor's parked materials, by handle (the user may delete it).
AnimHandle gMtlEditorHolder = 0;

// Some mirror stands for the material: it is referenced content the batch may take out.
bool HasMirrors(MtlBase* mtl) {
    DependentIterator it(mtl);
    while (ReferenceMaker* dep = it.Next())
        if (dep->SuperClassID() == REFANIM_SUPER_CLASS_ID) return true;
    return false;
}

// The material editor's slots must not show referenced materials that the batch takes out: each such
// material waits in a holder on a scene node of its own, and the slot shows a fresh default material.
void ParkMtlEditor(Interface* ip) {
    RefHolder* holder = nullptr;
    for (int slot = 0; slot < kMtlEditorSlots; ++slot) {
        MtlBase* mtl = ip->GetMtlSlot(slot);
        if (!mtl || !HasMirrors(mtl)) continue;
        if (!holder) {
            holder = new RefHolder(FALSE);
            holder->SetNumRefs(kMtlEditorSlots);
        }
        holder->ReplaceReference(slot, mtl);
        ip->PutMtlToMtlEditor(NewDefaultStdMat(), slot);
    }
    if (!holder) return;
    INode* node = ip->CreateObjectNode(holder);
    node->SetName(kMtlEditorHolderName);
    gMtlEditorHolder = Animatable::GetHandleByAnim(node);
}

void RestoreMtlEditor(Interface* ip) {
    auto* node = dynamic_cast<INode*>(Animatable::GetAnimByHandle(gMtlEditorHolder));
    gMtlEditorHolder = 0;
    if (!node) return;
    auto* holder = dynamic_cast<RefHolder*>(node->GetObjectRef());
    if (holder && holder->NumRefs() == kMtlEditorSlots)
        for (int slot = 0; slot < kMtlEditorSlots; ++slot)
            if (auto* mtl = dynamic_cast<MtlBase*>(holder->GetReference(slot))) ip->PutMtlToMtlEditor(mtl, slot);
    ip->DeleteNode(node, FALSE);
}

// The step's report; the batch flag stays as the step left it.
void ReportBatchFailure(const MCHAR* head, const MSTR* detail) {
    MSTR text(head);
    if (detail && !detail->isNull()) text += L"\n\n" + *detail;
    ShowReferenceError(text);
}

void OpeningSteps() {
    HelperModuleState& state = GetHelperModuleState();
    state.batchOpen = true;
    // No editing panel may hold referenced objects open while the batch takes content out of the scene;
    // the helper's own panel holds none.
    Interface* ip = GetCOREInterface();
    gSavedTaskMode = ip->GetCommandPanelTaskMode();
    if (gSavedTaskMode != TASK_MODE_CREATE && !dynamic_cast<OstrivansHelper*>(ip->GetCurEditObject()))
        ip->SetCommandPanelTaskMode(TASK_MODE_CREATE);
    ParkMtlEditor(ip);
    NoteSelectionSets();
    BroadcastNotification(NOTIFY_OSTRIVANS_BATCH_OPENED);
}

void ClosingSteps() {
    BroadcastNotification(NOTIFY_OSTRIVANS_BATCH_CLOSING);
    Interface* ip = GetCOREInterface();
    if (gSavedTaskMode != TASK_MODE_CREATE && ip->GetCommandPanelTaskMode() != gSavedTaskMode)
        ip->SetCommandPanelTaskMode(gSavedTaskMode);
    gSavedTaskMode = TASK_MODE_CREATE;
    RestoreMtlEditor(ip);
    ip->SetSaveRequiredFlag(TRUE);
    GetHelperModuleState().batchOpen = false;
}

// Runs a step; a failure is reported under head.
template <class F> void Guarded(const MCHAR* head, F step) {
    try {
        step();
    } catch (const MAXException& e) {
        ReportBatchFailure(head, &e.Message());
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        ReportBatchFailure(head, &text);
    } catch (...) {
        ReportBatchFailure(head, nullptr);
    }
}

} // namespace

void NoteSelectionSets() {
    // Nodes taken out of the scene leave their named selection sets: each record notes the sets that hold
    // its node first, and the module remembers the set names.
    std::vector<WStr> names;
    if (INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager()) {
        for (int i = 0; i < sets->GetNumNamedSelSets(); ++i) {
            names.push_back(sets->GetNamedSelSetName(i));
            for (int j = 0; j < sets->GetNamedSelSetItemCount(i); ++j)
                if (RefNode* rec = FindRefNodeOf(sets->GetNamedSelSetItem(i, j))) rec->RecordSelectionSet(i);
        }
    }
    GetHelperModuleState().selectionSetNames = std::move(names);
}

void BatchOpeningStep() {
    OperationCodeGuard op(OperationCode::BatchOpen);
    Guarded(L"Error In PreProcess", OpeningSteps);
}

void BatchClosingStep() {
    OperationCodeGuard op(OperationCode::BatchClose);
    Guarded(L"Error In PostProcess", ClosingSteps);
}

BatchScope::BatchScope() : opened_(!GetHelperModuleState().batchOpen) {
    if (opened_) BatchOpeningStep();
}

BatchScope::~BatchScope() {
    if (opened_) BatchClosingStep();
}
