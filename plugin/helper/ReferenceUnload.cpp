// Unloading a reference: the referenced content taken out of the scene while every record stays, with
// placeholders where something outside the reference still points at a node.
#include "plugin/helper/ReferenceUnload.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/TargetLock.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/PlaceholderFactory.h"
#include "plugin/frame/StringTable.h"
#include "plugin/helper/HelperBatch.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/helper/LayerTracking.h"
#include "plugin/helper/NodeListScan.h"
#include "plugin/helper/OstrivansHelper.h"
#include "plugin/helper/ReferenceErrorReport.h"
#include "plugin/records/RefMaterial.h"
#include "plugin/records/RefNode.h"
#include "plugin/settings/OstrivansSettings.h"

#include <algorithm>
#include <utility>

namespace {

// The name of the undo step the unload's own hold becomes inside an outer one.
constexpr const MCHAR* kUnloadHoldName = L"OVU";

} // namespace

ReferenceUnload::~ReferenceUnload() {
    if (deleteHandler_) UnRegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
}

INode* ReferenceUnload::ReplaceByPlaceholderNode(INode* node, const Matrix3& tm) {
    INode* holder = GetCOREInterface()->CreateObjectNode(MakePlaceholderObject(node->GetObjectRef()));
    holder->SetName(node->GetName());
    holder->SetTMController(MakePlaceholderController(tm));
    holder->NotifyDependents(FOREVER, PART_TM, REFMSG_CHANGE);
    TargetLock lock(node);
    holder->TransferReferences(node, FALSE);
    return holder;
}

bool ReferenceUnload::ControllerStaysInPlace(INode* node) {
    Control* tm = node->GetTMController();
    return !tm || tm->IsReplaceable();
}

void ReferenceUnload::CollectHelper(OstrivansHelper* helper) {
    for (int i = 0; i < helper->NumRefMaterials(); ++i)
        if (RefMaterial* rec = helper->GetRefMaterial(i)) rec->CollectIfLoaded();
    // The lights and other objects outside the reference that list its nodes are offered to the records
    // first: their collection keeps those lists as overrides.
    OfferNodeListCandidates(*helper);
    const int n = helper->NumRefNodes();
    for (int i = 0; i < n; ++i) {
        // The records' mirrors and the animatables they stand for lie scattered over the heap: each is
        // asked for while an earlier record collects, so the reads overlap.
        if (i + 2 < n)
            if (const RefNode* ahead = helper->GetRefNode(i + 2)) ahead->PrefetchMirrors();
        if (i + 1 < n)
            if (const RefNode* next = helper->GetRefNode(i + 1)) next->PrefetchAnims();
        if (RefNode* rec = helper->GetRefNode(i)) rec->Collect();
    }
    CollectLayerNames(helper);
    helper->IncrementStamp();
}

void ReferenceUnload::MakePlaceholderInPlace(INode* node, const Matrix3& tm) {
    node->DisableRefMsgs();
    try {
        node->SetObjectRef(MakePlaceholderObject(node->GetObjectRef()));
        node->SetTMController(MakePlaceholderController(tm));
        node->SetMtl(nullptr);
    } catch (...) {
        node->EnableRefMsgs();
        throw;
    }
    node->EnableRefMsgs();
}

bool ReferenceUnload::HasChildOutsideReference(INode* node) {
    for (int i = 0; i < node->NumberOfChildren(); ++i)
        if (!RefBase::FromItem(node->GetChildNode(i))) return true;
    return false;
}

void ReferenceUnload::Run() {
    Interface* ip = GetCOREInterface();
    openedBatch_ = !GetHelperModuleState().batchOpen;
    BroadcastNotification(NOTIFY_OSTRIVANS_PRE_UNLOAD, helper_);
    ip->Services().SetCursor(HostCursor::Wait);
    timing_ = PrintTimesSetting() != 0;
    if (timing_) total_.StartTimer();
    const OperationCode savedCode = GetCurrentOperation();
    try {
        if (openedBatch_) BatchOpeningStep();
        ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
        marks_.Mark(IDS_STEP_UNDO_CLEARED);
        SetCurrentOperation(OperationCode::Unload);
        Steps();
        ip->GetSystemSetting(SYSSET_CLEAR_UNDO);
        marks_.Mark(IDS_STEP_UNDO_CLEARED);
        if (openedBatch_) {
            openedBatch_ = false;
            BatchClosingStep();
        }
        helper_->SetLoaded(false);
        SetCurrentOperation(savedCode);
        if (timing_) {
            mprintf(L"\nOV Collect Time: %f\nOV Delete Time: %f\nOV Total Unloading Time: %f", collectTime_,
                    deleteTime_, total_.EndTimer());
            mflush();
        }
    } catch (const MAXException& e) {
        Fail(L"Error Unloading Reference", &e.Message());
        SetCurrentOperation(savedCode);
    } catch (const std::exception& e) {
        const MSTR text = WStr::FromUTF8(e.what());
        Fail(L"Unknown Error Unloading Reference", &text);
        SetCurrentOperation(savedCode);
    } catch (...) {
        Fail(L"Unknown Error Unloading Reference", nullptr);
        SetCurrentOperation(savedCode);
    }
    ip->Services().SetCursor(HostCursor::Arrow);
    BroadcastNotification(NOTIFY_OSTRIVANS_POST_UNLOAD, helper_);
}

void ReferenceUnload::Steps() {
    helper_->SetRenderSwapFlag(false);
    CheckHold();
    marks_.Mark(IDS_STEP_HOLD_CHECKED);
    CollectRecords();
    marks_.Mark(IDS_STEP_UNLOAD_REMEMBERED);
    SortNodes();
    marks_.Mark(IDS_STEP_LIGHTENED);
    FinishChildrenOverrides();
    ReplaceNodes();
    marks_.Mark(IDS_STEP_LIGHTING2);
    DeleteNodes();
    marks_.Mark(IDS_STEP_UNLOAD_NODES_DELETED);
    KeepNodesInPlace();
    marks_.Mark(IDS_STEP_LIGHTING_NORMAL);
    RestoreHold();
}

// The unload's changes go into the user's open hold as one step of their own, and are recorded even while
// the caller suspended the hold.
void ReferenceUnload::CheckHold() {
    if (theHold.IsSuspended()) {
        theHold.Resume();
        resumedHold_ = true;
    }
    if (theHold.Holding()) {
        theHold.Begin();
        beganHold_ = true;
    }
}

void ReferenceUnload::RestoreHold() {
    if (beganHold_) {
        beganHold_ = false;
        theHold.Accept(kUnloadHoldName);
    }
    if (resumedHold_) {
        resumedHold_ = false;
        theHold.Suspend();
    }
}

// Every record remembers what the scene did with its item before the item goes; the helper's stamp then
// ends the pass.
void ReferenceUnload::CollectRecords() {
    if (timing_) timer_.StartTimer();
    CollectHelper(helper_);
    if (timing_) collectTime_ = timer_.EndTimer();
}

// Nodes nothing outside the reference uses go; the others stay as placeholders (in place, or as a new
// node where the controller cannot be replaced); a node whose old stack is kept over the next base object
// stays as it is.
void ReferenceUnload::SortNodes() {
    const TimeValue t = GetCOREInterface()->GetTime();
    for (int i = 0; i < helper_->NumRefNodes(); ++i) {
        RefNode* rec = helper_->GetRefNode(i);
        INode* node = rec ? rec->GetNode() : nullptr;
        if (!node) continue;
        const DWORD flags = rec->GetOverrideFlags();
        if (!(flags & REFNODE_LOCAL_DEPENDENCY)) {
            toRemove_.Append(node);
        } else if (!(flags & REFNODE_KEEP_MODIFIER_STACK)) {
            const Matrix3 tm = node->GetNodeTM(t);
            if (!ControllerStaysInPlace(node)) {
                toReplace_.push_back({node, tm});
                toRemove_.Append(node);
            } else {
                keepIndex_.push_back({node, toKeep_.size()});
                toKeep_.push_back({node, tm});
            }
        }
    }
    // A node listed twice is kept once, at its first place.
    std::sort(keepIndex_.begin(), keepIndex_.end());
    for (size_t k = 1; k < keepIndex_.size(); ++k)
        if (keepIndex_[k].first == keepIndex_[k - 1].first) toKeep_[keepIndex_[k].second].node = nullptr;
}

// Records whose node holds children from outside the reference let their mirrors finish what they keep of
// the node before it goes.
void ReferenceUnload::FinishChildrenOverrides() {
    for (int i = 0; i < helper_->NumRefNodes(); ++i) {
        RefNode* rec = helper_->GetRefNode(i);
        if (!rec || !rec->GetNode() || !(rec->GetOverrideFlags() & REFNODE_OVERRIDE_CHILDREN)) continue;
        for (int k = 0; k < rec->NumMirrors(); ++k)
            if (RefAnim* m = rec->GetMirror(k)) m->FinishOverride();
    }
}

void ReferenceUnload::ReplaceNodes() {
    for (const Placed& p : toReplace_) ReplaceByPlaceholderNode(p.node, p.tm);
}

void ReferenceUnload::DeleteNodes() {
    if (timing_) timer_.StartTimer();
    RegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    deleteHandler_ = true;
    if (toRemove_.Count() > 0) {
        INodeTab nodes = toRemove_.ToTab();
        GetCOREInterface()->DeleteNodes(nodes, false, false);
    }
    UnRegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
    deleteHandler_ = false;
    if (timing_) deleteTime_ = timer_.EndTimer();
}

// A node to keep that goes with the others (a handler deleted it) leaves a placeholder node in its place.
void ReferenceUnload::OnNodeDeleted(void* param, NotifyInfo* info) {
    auto* self = static_cast<ReferenceUnload*>(param);
    auto* node = static_cast<INode*>(info->callParam);
    const auto& index = self->keepIndex_;
    auto it = std::lower_bound(index.begin(), index.end(), std::pair<INode*, size_t>(node, 0));
    if (it == index.end() || it->first != node || !self->toKeep_[it->second].node) return;
    self->toKeep_[it->second].node = nullptr;
    ReplaceByPlaceholderNode(node, node->GetNodeTM(GetCOREInterface()->GetTime()));
}

void ReferenceUnload::KeepNodesInPlace() {
    Interface* ip = GetCOREInterface();
    for (const Placed& p : toKeep_) {
        INode* node = p.node;
        if (!node) continue;
        MakePlaceholderInPlace(node, p.tm);
        node->Hide(FALSE);
        ip->DeSelectNode(node);
    }
}

void ReferenceUnload::Fail(const MCHAR* head, const MSTR* detail) {
    if (deleteHandler_) {
        UnRegisterNotification(OnNodeDeleted, this, NOTIFY_SCENE_PRE_DELETED_NODE);
        deleteHandler_ = false;
    }
    RestoreHold();
    MSTR text = MSTR(head) + L"\n" + helper_->Description() + L"\nLastOperation: " + marks_.LastName();
    if (detail && !detail->isNull()) text += L"\n\n" + *detail;
    SetCurrentOperation(OperationCode::None);
    ShowReferenceError(text);
    if (openedBatch_) {
        openedBatch_ = false;
        BatchClosingStep();
    }
}
