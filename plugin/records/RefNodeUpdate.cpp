// The node record's passes over the content: collection before an unload, the update onto a freshly
// merged node, and the node lists of a duplicate.
#include "plugin/records/RefNode.h"

#include "host/core/MaxException.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/TargetLock.h"
#include "plugin/frame/EmptyBaseObject.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/records/NodeTable.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// Marks the scan candidates on the scanned objects themselves, so matching them against the kept
// table is one pass over each table.
constexpr DWORD kCandidateFlag = A_WORK1;

IDerivedObject* AsDerived(Object* obj) {
    return obj && obj->SuperClassID() == GEN_DERIVOB_CLASS_ID ? static_cast<IDerivedObject*>(obj) : nullptr;
}

} // namespace

template <class Table> void RefNode::EraseRefEntry(Table& table, int first, int k) {
    if (table[static_cast<size_t>(k)]) DeleteReference(first + k);
    table.erase(table.begin() + k);
}

// ---- Collect

void RefNode::Collect() {
    wasLoaded_ = nodeLoaded_;
    if (!nodeLoaded_) {
        // Offers are for this pass only: none may outlive it.
        DropOffers();
        return;
    }
    // A saved scene that keeps the reference keeps the node in it.
    if (!(GetCurrentOperation() == OperationCode::PreSave && PersistsReference())) nodeLoaded_ = 0;
    INode* node = GetNode();
    if (!node) {
        DropOffers();
        return;
    }
    try {
        CompareUnannouncedGroups(node);
        CollectExcludingLights();
        CollectListingObjects();
        if (overrideFlags_ & REFNODE_OVERRIDE_MODIFIERS) CollectModifiers();
        if (!(overrideFlags_ & REFNODE_OBJECT_REPLACED)) {
            // A stack a scene node shares stays with both: it goes over the next base object instead of
            // handing the scene node over to the fresh object.
            const bool keepStack = IsStackSharedOutside(node);
            SetOverrideFlag(REFNODE_KEEP_MODIFIER_STACK, keepStack, false);
            if (keepStack) {
                SetOverrideFlag(REFNODE_OVERRIDE_OBJ_LOC_DEP, false, false);
                if (Side().keptObject) DeleteReference(KeptObjectRef());
            } else {
                CollectObjectDependency(node);
            }
        }
        objectType_ = ReadObjectType(node);
        RefBase::Collect();
        RecomputeLocalDependency(node);
    } catch (const MAXException& e) {
        RaiseFailure(L"Collecting", &e, nullptr);
    } catch (...) {
        RaiseFailure(L"Collecting", nullptr, nullptr);
    }
}

void RefNode::OfferCandidateLight(LightObject* light) {
    if (light) EditSide().candidateLights.push_back(light);
}

void RefNode::OfferListingObject(ReferenceTarget* obj, int position) {
    if (!obj) return;
    EditSide().candidateListing.push_back(obj);
    EditSide().candidatePositions.push_back(position);
}

void RefNode::CollectExcludingLights() {
    for (LightObject* l : Side().candidateLights) l->SetAFlag(kCandidateFlag);
    // Kept lights that are still offered lose the mark, so only the new ones carry it afterwards.
    for (int k = static_cast<int>(Side().excludingLights.size()) - 1; k >= 0; --k) {
        LightObject* l = Side().excludingLights[static_cast<size_t>(k)];
        if (l && l->TestAFlag(kCandidateFlag))
            l->ClearAFlag(kCandidateFlag);
        else
            EraseRefEntry(EditSide().excludingLights, FirstLightRef(), k);
    }
    for (LightObject* l : Side().candidateLights) {
        if (!l->TestAFlag(kCandidateFlag)) continue;
        l->ClearAFlag(kCandidateFlag);
        EditSide().excludingLights.push_back(nullptr);
        ReplaceReference(FirstLightRef() + static_cast<int>(Side().excludingLights.size()) - 1, l);
    }
    if (side_) side_->candidateLights.clear();
    TrimSide();
    SetOverrideFlag(REFNODE_OVERRIDE_EXCL_LIST, !Side().excludingLights.empty(), false);
}

void RefNode::CollectListingObjects() {
    // The mark says "offered"; a second offer of one object keeps the first position.
    for (size_t c = 0; c < Side().candidateListing.size(); ++c) Side().candidateListing[c]->SetAFlag(kCandidateFlag);
    std::vector<std::int32_t> positions;
    for (int k = static_cast<int>(Side().listingObjects.size()) - 1; k >= 0; --k) {
        ReferenceTarget* o = Side().listingObjects[static_cast<size_t>(k)];
        if (!o || !o->TestAFlag(kCandidateFlag)) {
            EraseRefEntry(EditSide().listingObjects, FirstListingRef(), k);
            EditSide().listingPositions.erase(EditSide().listingPositions.begin() + k);
        }
    }
    // Kept objects take their current position; new ones are appended.
    for (size_t c = 0; c < Side().candidateListing.size(); ++c) {
        ReferenceTarget* o = Side().candidateListing[c];
        if (!o->TestAFlag(kCandidateFlag)) continue;
        o->ClearAFlag(kCandidateFlag);
        const auto it = std::find(Side().listingObjects.begin(), Side().listingObjects.end(), o);
        if (it != Side().listingObjects.end()) {
            EditSide().listingPositions[static_cast<size_t>(it - Side().listingObjects.begin())] = Side().candidatePositions[c];
            continue;
        }
        EditSide().listingObjects.push_back(nullptr);
        EditSide().listingPositions.push_back(Side().candidatePositions[c]);
        ReplaceReference(FirstListingRef() + static_cast<int>(Side().listingObjects.size()) - 1, o);
    }
    if (side_) {
        side_->candidateListing.clear();
        side_->candidatePositions.clear();
    }
    TrimSide();
    SetOverrideFlag(REFNODE_OVERRIDE_EXCL_LIST_MISC, !Side().listingObjects.empty(), false);
}

void RefNode::CollectObjectDependency(INode* node) {
    Object* top = node->GetObjectRef();
    bool depended = false;
    for (Object* level = top; level && !depended;) {
        depended = IsLocallyDepended(level);
        IDerivedObject* derived = AsDerived(level);
        level = derived ? derived->GetObjRef() : nullptr;
    }
    SetOverrideFlag(REFNODE_OVERRIDE_OBJ_LOC_DEP, depended, false);
    if (depended)
        ReplaceReference(KeptObjectRef(), top);
    else if (Side().keptObject)
        DeleteReference(KeptObjectRef());
}

bool RefNode::IsStackSharedOutside(INode* node) const {
    Object* top = node->GetObjectRef();
    if (!top || top->SuperClassID() != GEN_DERIVOB_CLASS_ID) return false;
    DependentIterator it(top);
    while (ReferenceMaker* dep = it.Next())
        if (dep != node && dep->SuperClassID() == BASENODE_CLASS_ID && !RefBase::FromItem(static_cast<INode*>(dep)))
            return true;
    return false;
}

void RefNode::RecomputeLocalDependency(INode* node) {
    bool on = (overrideFlags_ & REFNODE_KEEP_MODIFIER_STACK) != 0;
    if (!on && (overrideFlags_ & REFNODE_OVERRIDE_PARENT)) {
        auto* parentNode = parent_ && parent_->SuperClassID() == BASENODE_CLASS_ID ? static_cast<INode*>(parent_)
                                                                                    : nullptr;
        on = parentNode && parentNode->IsGroupHead();
    }
    if (!on) on = IsLocallyDepended(node);
    SetOverrideFlag(REFNODE_LOCAL_DEPENDENCY, on, false);
}

// ---- Update

void RefNode::MoveStackToFreshBase(INode* oldNode, INode* freshNode) {
    IDerivedObject* deepest = AsDerived(oldNode->GetObjectRef());
    if (!deepest) return;
    while (IDerivedObject* below = AsDerived(deepest->GetObjRef())) deepest = below;
    Object* freshBase = freshNode->GetObjectRef();
    while (IDerivedObject* d = AsDerived(freshBase)) freshBase = d->GetObjRef();
    if (!freshBase) return;
    deepest->ReferenceObject(freshBase);
    freshNode->SetObjectRef(oldNode->GetObjectRef());
}

void RefNode::DropNullChildren() {
    for (int k = static_cast<int>(children_.size()) - 1; k >= 0; --k)
        if (!children_[static_cast<size_t>(k)]) children_.erase(children_.begin() + k);
}

void RefNode::Update(ReferenceTarget* freshNode) {
    BusyScope busy(this);
    auto* fresh = freshNode && freshNode->SuperClassID() == BASENODE_CLASS_ID ? static_cast<INode*>(freshNode)
                                                                               : nullptr;
    if (!fresh) return;
    nodeLoaded_ = 1;
    StepMarks marks;
    bool overriding = false;
    try {
        INode* old = GetNode();
        if (!old) {
            ReplaceReference(0, fresh);
        } else if (old != fresh) {
            if ((overrideFlags_ & REFNODE_KEEP_MODIFIER_STACK) && AsDerived(old->GetObjectRef()))
                MoveStackToFreshBase(old, fresh);
            marks.Mark(IDS_OP_PRETRANSFER);
            RefAnim::TransferExcept(old, fresh, nullptr);
            // A maker refusing the transfer keeps the old node; this record moves in any case.
            if (GetNode() != fresh) ReplaceReference(0, fresh);
            marks.Mark(IDS_OP_POSTTRANSFER);
            fresh->NotifyDependents(FOREVER, PART_ALL, REFMSG_OSTRIVANS_NODE_TRANSFERRED, NOTIFY_ALL, FALSE);
            marks.Mark(IDS_OP_TRANSFER);
        } else {
            old = nullptr;
        }
        DropNullChildren();
        Clean(0);
        marks.Mark(IDS_OP_CLEANED);
        overriding = true;
        Override();
        overriding = false;
        StoreDefaults();
        marks.Mark(IDS_OP_OVERRIDE_REF);
        CollectMirrors();
        CollectBaseObjectMirrors();
        if (old) GetCOREInterface()->DeleteNode(old, TRUE, FALSE);
    } catch (const MAXException& e) {
        // The override reported its own step and let go of the node already.
        if (overriding) throw;
        RaiseFailure(L"Updating", &e, &marks);
    } catch (...) {
        if (overriding) throw;
        RaiseFailure(L"Updating", nullptr, &marks);
    }
}

void RefNode::FinishUpdate() {
    nodeLoaded_ = wasLoaded_;
    INode* node = GetNode();
    if (!node) return;
    if (Side().replacedNode) {
        // The placeholder made for a duplicate gives its dependents back and goes.
        INode* original = Side().replacedNode;
        EditSide().replacedNode = nullptr;
        TrimSide();
        {
            TargetLock lock(node);
            original->TransferReferences(node, FALSE);
        }
        if (GetNode() != original) ReplaceReference(0, original);
        GetCOREInterface()->DeleteNode(node, TRUE, FALSE);
        node = original;
    }
    if (!nodeLoaded_) return;
    RereferenceSingleModifiers();
    if (overrideFlags_ & REFNODE_OVERRIDE_SELECTION_SETS) {
        if (side_) side_->selectionSets.clear();
        TrimSide();
        SetOverrideFlag(REFNODE_OVERRIDE_SELECTION_SETS, false, true);
    }
}

// ---- node lists

void RefNode::AddToNodeList(NodeTable& list) {
    INode* node = GetNode();
    if ((overrideFlags_ & REFNODE_LOCAL_DEPENDENCY) && node && GetCurrentOperation() == OperationCode::Duplicate) {
        Control* tm = node->GetTMController();
        // A node already standing on a placeholder needs no second one.
        if (!tm || tm->ClassID() != EMPTY_CONTROLLER_CLASS_ID) {
            const Matrix3 world = node->GetNodeTM(0);
            INode* holder = GetCOREInterface()->CreateObjectNode(new EmptyBaseObject(FALSE));
            holder->SetName(node->GetName());
            holder->SetTMController(new EmptyController(world));
            EditSide().replacedNode = node;
            {
                TargetLock lock(node);
                holder->TransferReferences(node, FALSE);
            }
            if (GetNode() != holder) ReplaceReference(0, holder);
            node = holder;
        }
    }
    list.Append(node);
    // The mirrors' own node-list step joins here once the mirrors have one.
}
