// The record of one merged node.
#include "plugin/records/RefNode.h"

#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/core/PlugApi.h"
#include "host/core/RemapDir.h"
#include "host/scene/Control.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/INode.h"
#include "host/scene/IParamBlock2.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "host/scene/objects/ObjectClasses.h"
#include "plugin/anims/MirrorKindSelection.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimPath.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/EmptyController.h"
#include "plugin/frame/InterfaceProperty.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/records/RefNodeRoster.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>

namespace {

// The record running its modifier override, for the gate of the other records.
RefNode* gModifierOverrider = nullptr;

// The node pointer as the dumps print it.
int PointerNumber(const void* p) {
    return static_cast<int>(reinterpret_cast<std::uintptr_t>(p));
}

} // namespace

// ---- creation

RefNode::RefNode(BOOL loading) : RefBase(loading) {
    GetRefNodeInterfaceDesc();
    RefNodeRoster::Join(this);
}

RefNode::RefNode(INode* node, IRecordHelper* helper) : RefBase(FALSE) {
    GetRefNodeInterfaceDesc();
    nodeLoaded_ = 1;
    wasLoaded_ = 0;
    modifiersSettled_ = 1;
    objectRecheckPending_ = 0;
    SetHelper(helper);
    RefNodeRoster::Join(this);
    try {
        try {
            ReplaceReference(0, node);
            if (!node) {
                nodeLoaded_ = 0;
                return;
            }
            referencedName_ = node->GetName();
            MonitorModifiers();
            CollectMirrors();
            CollectBaseObjectMirrors();
            NoteMirrorCount();
            // The first comparisons start from the node as the file made it.
            StoreDefaults();
        } catch (const MAXException& e) {
            RaiseFailure(L"Creating", &e, nullptr);
        } catch (...) {
            RaiseFailure(L"Creating", nullptr, nullptr);
        }
    } catch (...) {
        // The half-made record goes with the exception: nothing may keep pointing at it.
        RefNodeRoster::Leave(this);
        DeleteAllRefs();
        throw;
    }
}

RefNode::~RefNode() {
    if (gModifierOverrider == this) gModifierOverrider = nullptr;
    RefNodeRoster::Leave(this);
    // The record base's destructor only knows its own slots.
    DeleteAllRefs();
    for (RefModifier* m : osMods_) delete m;
    for (RefModifier* m : wsMods_) delete m;
    for (ModDeleted* m : Side().deletedMods) delete m;
    for (ModChangedName* m : Side().renamedMods) delete m;
    for (ModChangedToggles* m : Side().toggledMods) delete m;
}

const MCHAR* RefNode::GetRecordName() const {
    return GetString(IDS_REFNODE);
}

RefNode* RefNode::GetModifierOverrider() {
    return gModifierOverrider;
}

RefNode*& RefNode::ModifierOverriderSlot() {
    return gModifierOverrider;
}

// ---- host notifications

void RefNode::OnSceneEnds(NotifyInfo* info) {
    if (info && info->intcode == NOTIFY_FILE_PRE_OPEN) {
        // Opening a material library or presets leaves the scene as it is.
        const auto* type = static_cast<const FileIOType*>(info->callParam);
        if (type && *type != IOTYPE_MAX) return;
    }
    if (GetNode()) DeleteReference(0);
}

// ---- references

const RefNodeSideTables& RefNode::Side() const {
    static const RefNodeSideTables kNone;
    return side_ ? *side_ : kNone;
}

RefNodeSideTables& RefNode::EditSide() {
    if (!side_) side_ = std::make_unique<RefNodeSideTables>();
    return *side_;
}

void RefNode::TrimSide() {
    if (side_ && side_->HoldsNothing()) side_.reset();
}

void RefNode::DropOffers() {
    if (!side_) return;
    side_->candidateLights.clear();
    side_->candidateListing.clear();
    side_->candidatePositions.clear();
    TrimSide();
}

INode* RefNode::GetNode() const {
    ReferenceTarget* item = GetItem();
    return item && item->SuperClassID() == BASENODE_CLASS_ID ? static_cast<INode*>(item) : nullptr;
}

int RefNode::NumRefs() {
    // Asked at every reference change, a mirror's included: the side block is looked at once.
    const size_t sideRefs = side_ ? side_->excludingLights.size() + side_->listingObjects.size() : 0;
    return 1 + NumMirrors() + static_cast<int>(children_.size() + wsMods_.size() + osMods_.size() + sideRefs) + 4;
}

int RefNode::FirstWSModRef() const {
    return 1 + NumMirrors() + 3 + static_cast<int>(children_.size());
}

int RefNode::FirstLightRef() const {
    return FirstWSModRef() + static_cast<int>(wsMods_.size() + osMods_.size());
}

int RefNode::KeptObjectRef() const {
    return FirstLightRef() + static_cast<int>(Side().excludingLights.size());
}

int RefNode::FirstListingRef() const {
    return KeptObjectRef() + 1;
}

RefNode::Slot RefNode::Locate(int i, int& at) const {
    at = 0;
    const int b = 1 + NumMirrors();
    if (i < b) return i >= 0 ? Slot::Base : Slot::None;
    int k = i - b;
    auto within = [&k, &at](size_t count) {
        if (k < static_cast<int>(count)) {
            at = k;
            return true;
        }
        k -= static_cast<int>(count);
        return false;
    };
    if (within(1)) return Slot::Material;
    if (within(1)) return Slot::Parent;
    if (within(children_.size())) return Slot::Child;
    if (within(1)) return Slot::Layer;
    if (within(wsMods_.size())) return Slot::WSMod;
    if (within(osMods_.size())) return Slot::OSMod;
    if (within(Side().excludingLights.size())) return Slot::Light;
    if (within(1)) return Slot::KeptObject;
    if (within(Side().listingObjects.size())) return Slot::Listing;
    return Slot::None;
}

RefTargetHandle RefNode::GetReference(int i) {
    // The item and the mirrors are most of what is asked for: they need no walk over the layout.
    if (i >= 0 && i <= NumMirrors()) return RefBase::GetReference(i);
    int at = 0;
    switch (Locate(i, at)) {
    case Slot::Base: return RefBase::GetReference(i);
    // The stored material is a reference only while it is the user's.
    case Slot::Material: return (overrideFlags_ & REFNODE_OVERRIDE_MATERIAL) ? material_ : nullptr;
    case Slot::Parent: return parent_;
    case Slot::Child: return children_[static_cast<size_t>(at)];
    case Slot::Layer: return layer_;
    case Slot::WSMod: return EntryTarget(wsMods_[static_cast<size_t>(at)]);
    case Slot::OSMod: return EntryTarget(osMods_[static_cast<size_t>(at)]);
    case Slot::Light: return Side().excludingLights[static_cast<size_t>(at)];
    case Slot::KeptObject: return Side().keptObject;
    case Slot::Listing: return Side().listingObjects[static_cast<size_t>(at)];
    case Slot::None: break;
    }
    return nullptr;
}

void RefNode::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 0 && i <= NumMirrors()) {
        RefBase::SetReference(i, rtarg);
        return;
    }
    int at = 0;
    // A damaged file may name any object anywhere: table slots take only their kind.
    switch (Locate(i, at)) {
    case Slot::Base: RefBase::SetReference(i, rtarg); break;
    case Slot::Material: material_ = rtarg; break;
    case Slot::Parent: parent_ = rtarg; break;
    case Slot::Child: children_[static_cast<size_t>(at)] = dynamic_cast<INode*>(rtarg); break;
    case Slot::Layer: layer_ = rtarg; break;
    case Slot::WSMod: SetEntryTarget(wsMods_[static_cast<size_t>(at)], rtarg); break;
    case Slot::OSMod: SetEntryTarget(osMods_[static_cast<size_t>(at)], rtarg); break;
    case Slot::Light: EditSide().excludingLights[static_cast<size_t>(at)] = dynamic_cast<LightObject*>(rtarg); break;
    case Slot::KeptObject:
        if (rtarg || side_) EditSide().keptObject = rtarg;
        break;
    case Slot::Listing: EditSide().listingObjects[static_cast<size_t>(at)] = rtarg; break;
    case Slot::None: break;
    }
}

ReferenceTarget* RefNode::EntryTarget(const RefModifier* m) {
    if (!m) return nullptr;
    return m->holder ? static_cast<ReferenceTarget*>(m->holder) : m->modifier;
}

void RefNode::SetEntryTarget(RefModifier* m, RefTargetHandle rtarg) {
    if (!m) return;
    if (rtarg && rtarg->SuperClassID() == GEN_DERIVOB_CLASS_ID) {
        auto* holder = static_cast<IDerivedObject*>(rtarg);
        m->holder = holder;
        m->modifier = holder->NumModifiers() > 0 ? holder->GetModifier(0) : nullptr;
    } else {
        m->holder = nullptr;
        const SClass_ID sc = rtarg ? rtarg->SuperClassID() : 0;
        m->modifier = sc == OSM_CLASS_ID || sc == WSM_CLASS_ID ? static_cast<Modifier*>(rtarg) : nullptr;
    }
}

BOOL RefNode::CanTransferReference(int i) {
    int at = 0;
    return Locate(i, at) == Slot::Base ? RefBase::CanTransferReference(i) : FALSE;
}

bool RefNode::PersistsReference() const {
    return GetHelper() && GetHelper()->PersistsReferences();
}

BOOL RefNode::IsRealDependency(ReferenceTarget* rtarg) {
    if (PersistsReference()) return TRUE;
    const OperationCode op = GetCurrentOperation();
    if (op != OperationCode::Unload && op != OperationCode::PreSave && op != OperationCode::PreSaveCollect && op != OperationCode::Duplicate) return TRUE;
    if (!rtarg) return TRUE;
    if (rtarg == GetItem()) return FALSE;
    if (rtarg == material_ || rtarg == parent_ || rtarg == layer_ || rtarg == Side().keptObject) return TRUE;
    const SClass_ID sc = rtarg->SuperClassID();
    if (sc == BASENODE_CLASS_ID) return TRUE;
    if (sc == WSM_CLASS_ID) {
        for (RefModifier* m : wsMods_)
            if (m && m->modifier == rtarg) return m->state == REFMOD_ADDED_LOCALLY ? TRUE : FALSE;
    } else if (sc == OSM_CLASS_ID) {
        for (RefModifier* m : osMods_)
            if (m && m->modifier == rtarg)
                return m->state == REFMOD_ADDED_LOCALLY || m->state == REFMOD_KEPT_LOCALLY ? TRUE : FALSE;
    }
    if (sc == LIGHT_CLASS_ID) return FALSE;
    if (std::find(Side().listingObjects.begin(), Side().listingObjects.end(), rtarg) != Side().listingObjects.end()) return FALSE;
    if (sc != REFANIM_SUPER_CLASS_ID) return TRUE;
    return RefBase::IsRealDependency(rtarg);
}

BOOL RefNode::ShouldPersistWeakRef(RefTargetHandle rtarg) {
    INode* node = GetNode();
    if (!node || rtarg != node) return FALSE;
    Control* tm = node->GetTMController();
    return tm && tm->ClassID() == EMPTY_CONTROLLER_CLASS_ID ? TRUE : FALSE;
}

namespace {

class RefNodeInterfaceProperty final : public AnimProperty, public RefNodeInterface {
public:
    static constexpr DWORD kPropertyId = REFNODE_INTERFACE_ID.PartB();

    explicit RefNodeInterfaceProperty(RefNode* record) : record_(record) {}
    DWORD ID() override { return kPropertyId; }

    int NumRefAnims() override { return record_->NumRefAnims(); }
    ReferenceTarget* GetRefAnim(int index) override { return record_->GetRefAnim(index); }
    MSTR GetName() override { return record_->GetName(); }
    void SetName(const MCHAR* name) override { record_->SetName(name); }

private:
    RefNode* record_;
};

} // namespace

BaseInterface* RefNode::GetInterface(Interface_ID id) {
    if (id == REFNODE_INTERFACE_ID) return InterfaceProperty<RefNodeInterfaceProperty>(this);
    return RefBase::GetInterface(id);
}

// ---- the gate

RefResult RefNode::NotifyRefChanged(const Interval& changeInt, RefTargetHandle hTarget, PartID& partID,
                                    RefMessage message, BOOL propagate) {
    if (!nodeLoaded_) return REF_STOP;
    INode* node = GetNode();
    const bool fromNode = node && hTarget == node;
    const OperationCode op = GetCurrentOperation();
    if (op == OperationCode::Load) {
        // A load rebuilds content on purpose: only what re-links records and the end-of-merge relay run.
        if (message == REFMSG_OSTRIVANS_CHILDREN_ATTACHED && parent_ && hTarget == parent_) {
            if (overrideFlags_ & REFNODE_OVERRIDE_PARENT) ReapplyParentOverride();
            return REF_STOP;
        }
        // A load takes stored children into its reference: they are no longer this node's override.
        if (message == REFMSG_OSTRIVANS_NODE_TAKEN && !fromNode) {
            DetectNodeChange(node, hTarget, partID, message);
            return REF_STOP;
        }
        if (fromNode && message == REFMSG_SUBANIM_STRUCTURE_CHANGED) {
            // The record base waits for the end of the operation to take the tree again.
            RefBase::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
            return REF_STOP;
        }
        if (fromNode && message == REFMSG_NODE_POST_MERGE) {
            NotifyDependents(FOREVER, PART_ALL, REFMSG_OSTRIVANS_NODE_MERGED, NOTIFY_ALL, FALSE);
            return REF_STOP;
        }
        RefNode* overrider = GetModifierOverrider();
        if (!overrider || overrider == this) return REF_STOP;
    } else if (op != OperationCode::None) {
        return REF_STOP;
    } else if (theHold.RestoreOrRedoing()) {
        // The restore records put the state back; only the remembered tree must follow.
        if (fromNode && message == REFMSG_SUBANIM_STRUCTURE_CHANGED) RememberStructure();
        return REF_STOP;
    }

    if (message == REFMSG_OSTRIVANS_GET_OWNER_ITEM && !fromNode) {
        if (partID) *reinterpret_cast<ReferenceTarget**>(partID) = GetItem();
        return REF_STOP;
    }
    if (op == OperationCode::None && !IsBusy() && !fromNode &&
        (message == REFMSG_CHANGE || message == REFMSG_NODE_NAMECHANGE || message == REFMSG_MODIFIER_NAME_CHANGED) &&
        DetectModifierChange(hTarget, message))
        return REF_STOP;
    // A modifier left the stack (or the stack was rebuilt): the entries follow before the mirrors do.
    if (op == OperationCode::None && !IsBusy() && fromNode && message == REFMSG_SUBANIM_STRUCTURE_CHANGED)
        CheckModifiers();
    if (message == REFMSG_CHANGE) {
        // The node took another object: the user's from now on.
        if (fromNode && partID == PART_ALL && op == OperationCode::None && !IsBusy() && TakeReplacedObject())
            return REF_STOP;
        if (partID == PART_ALL && objectRecheckPending_) {
            objectRecheckPending_ = 0;
            CollectBaseObjectMirrors();
            CheckModifiers();
        }
        return REF_STOP;
    }
    if (message == REFMSG_MODIFIER_ADDED) {
        CheckModifiers();
        return REF_STOP;
    }
    if (message == REFMSG_NODE_POST_MERGE) {
        // Passed on to the owning helper, a dependent of the record.
        return REF_SUCCEED;
    }
    // What the record's own re-application causes is not the user's change.
    if (!IsBusy() && DetectNodeChange(node, hTarget, partID, message)) return REF_STOP;
    // Structure changes go to the record base, which runs them only outside operations.
    if (op == OperationCode::None) return RefBase::NotifyRefChanged(changeInt, hTarget, partID, message, propagate);
    return REF_STOP;
}

void RefNode::CollectBaseObjectMirrors() {
    INode* node = GetNode();
    Object* top = node ? node->GetObjectRef() : nullptr;
    if (!top || top->SuperClassID() != GEN_DERIVOB_CLASS_ID) return;
    auto* stack = static_cast<IDerivedObject*>(top);
    Object* base = ChainBaseObject(stack);
    if (!base) return;
    // The node's child that holds the stack (the node layout puts it at a fixed place, found here by
    // looking), then the stack's child after its modifiers.
    // Two steps: kept between records, since every record of a scene of stacks comes here (and never
    // destroyed, so no name outlives the names' own table at exit).
    static auto& names = *new PathNames;
    static auto& numbers = *new std::vector<std::int32_t>;
    names.clear();
    numbers.clear();
    PathName name;
    const int nodeChildren = ChildCount(node, nullptr, -1);
    // Found without names: only the child found is named.
    for (int i = 1; i < nodeChildren && numbers.empty(); ++i)
        if (::GetChild(node, nullptr, i, -1, static_cast<PathName*>(nullptr)) == top) {
            names.push_back(ChildName(node, i, -1));
            numbers.push_back(i);
        }
    if (numbers.empty()) return;
    const int baseChild = ChainModifierCount(stack) + 1;
    if (::GetChild(stack, node, baseChild, -1, &name) != base) return;
    names.push_back(name);
    numbers.push_back(baseChild);
    // The walk takes its own copies of both steps before anything below can come back here.
    CollectMirrorsBelow(base, stack, names, numbers);
}

// ---- failures

void RefNode::RaiseFailure(const MCHAR* verb, const MAXException* hostError, const StepMarks* marks) {
    MSTR text = MSTR(hostError ? L"Error " : L"Unknown Error ") + verb + L" RefNode\n";
    try {
        text += GetDescription();
    } catch (...) {
        INode* node = GetNode();
        text += node ? MSTR(node->GetName()) : MSTR(L"Unknown Name");
    }
    if (marks && marks->Last()) text += L"\nLastOperation: " + marks->LastName();
    if (hostError) text += L"\n\n" + hostError->Message();
    nodeLoaded_ = 0;
    if (GetItem()) DeleteReference(0);
    throw MAXException(text, 0);
}

// ---- flags and object type

void RefNode::SetOverrideFlag(DWORD mask, bool on, bool undoable) {
    SetFlagBits(overrideFlags_, static_cast<std::uint32_t>(mask), on, undoable, this);
}

DWORD RefNode::ReadObjectType(INode* node) {
    if (!node) return 0;
    Object* obj = node->GetObjectRef();
    Object* base = obj ? obj->FindBaseObject() : nullptr;
    if (!base) return 0;
    DWORD type = base->SuperClassID();
    if (node->GetBoneNodeOnOff() || base->ClassID() == BONE_OBJECT_CLASS_ID) type = REFNODE_BONE_OBJECT_TYPE;
    if (base->IsParticleSystem()) type = PARTICLE_SYSTEM_TYPE;
    if (base->ClassID() == TARGET_OBJECT_CLASS_ID) {
        // A target takes the category of the light or camera looking at it.
        INode* looker = node->GetLookatNode();
        Object* lookerObj = looker ? looker->GetObjectRef() : nullptr;
        Object* lookerBase = lookerObj ? lookerObj->FindBaseObject() : nullptr;
        const SClass_ID sc = lookerBase ? lookerBase->SuperClassID() : 0;
        if (sc == LIGHT_CLASS_ID || sc == CAMERA_CLASS_ID) type = sc;
    }
    return type;
}

bool RefNode::IsLocallyDepended(ReferenceTarget* anim) {
    if (!anim) return false;
    DependentIterator it(anim);
    while (ReferenceMaker* dep = it.Next()) {
        if (dep == this) continue;
        const SClass_ID sc = dep->SuperClassID();
        if (sc == BASENODE_CLASS_ID) {
            if (!RefBase::FromItem(static_cast<INode*>(dep))) return true;
        } else if (sc == REFBASE_SUPER_CLASS_ID || sc == REFANIM_SUPER_CLASS_ID) {
            if (dep->IsRealDependency(anim)) return true;
        } else if (sc != REFLAYER_SUPER_CLASS_ID && anim->SuperClassID() == BASENODE_CLASS_ID &&
                   IsOwnedOutsideReference(dep)) {
            // A controller, modifier or object of a scene node that points at the node (a constraint, a
            // link): the node must stay where it is for it.
            return true;
        }
    }
    // A scene node linked under the node hangs from it as well.
    if (anim->SuperClassID() == BASENODE_CLASS_ID) {
        auto* node = static_cast<INode*>(anim);
        for (int i = 0; i < node->NumberOfChildren(); ++i)
            if (!RefBase::FromItem(node->GetChildNode(i))) return true;
    }
    return false;
}

bool RefNode::IsOwnedOutsideReference(ReferenceMaker* maker) {
    auto* target = dynamic_cast<ReferenceTarget*>(maker);
    if (!target) return false;
    // The nearest node above the maker decides; a maker no node owns (the helper, a holder, the scene's
    // own tables) is not a local use.
    class FindOwner : public DependentEnumProc {
    public:
        INode* owner = nullptr;
        int proc(ReferenceMaker* rm) override {
            if (rm->SuperClassID() == REFBASE_SUPER_CLASS_ID || rm->SuperClassID() == REFANIM_SUPER_CLASS_ID)
                return DEP_ENUM_SKIP;
            if (rm->SuperClassID() != BASENODE_CLASS_ID) return DEP_ENUM_CONTINUE;
            owner = static_cast<INode*>(rm);
            return DEP_ENUM_HALT;
        }
    } find;
    target->DoEnumDependents(&find);
    return find.owner && !RefBase::FromItem(find.owner);
}

// ---- names

MSTR RefNode::ComposeNodeName(const MCHAR* prefix) const {
    const WStr& name = (overrideFlags_ & REFNODE_OVERRIDE_NAME) ? Side().overriddenName : referencedName_;
    if (prefix && prefix[0]) return MSTR(prefix) + L"_" + name;
    return name;
}

void RefNode::ApplyNamePrefix(const MCHAR* prefix) {
    INode* node = GetNode();
    if (!node || (overrideFlags_ & REFNODE_NAME_WITHOUT_PREFIX)) return;
    node->SetName(ComposeNodeName(prefix).c_str());
}

void RefNode::SetName(const MCHAR* name) {
    referencedName_ = name ? name : L"";
    INode* node = GetNode();
    if (!node || (overrideFlags_ & REFNODE_OVERRIDE_NAME) || !GetHelper()) return;
    OperationCodeGuard renaming(OperationCode::Renaming);
    const MSTR prefix = GetNamePrefix();
    node->SetName(ComposeNodeName(prefix.c_str()).c_str());
}

bool RefNode::HasOverrides() const {
    return overrideFlags_ != 0 || RefBase::HasOverrides();
}

void RefNode::SizeTablesForLoad(int children, int wsMods, int osMods, int lights, int listing) {
    // Slots after a grown table move up; what they hold stays with its entry.
    if (listing > NumListingObjects()) {
        EditSide().listingObjects.resize(static_cast<size_t>(listing), nullptr);
        EditSide().listingPositions.resize(static_cast<size_t>(listing), -1);
    }
    if (lights > NumExcludingLights()) EditSide().excludingLights.resize(static_cast<size_t>(lights), nullptr);
    while (NumOSModifiers() < osMods) osMods_.push_back(new RefModifier);
    while (NumWSModifiers() < wsMods) wsMods_.push_back(new RefModifier);
    if (children > NumChildren()) children_.resize(static_cast<size_t>(children), nullptr);
}

// ---- accessors

ReferenceTarget* RefNode::GetRefAnim(int index) {
    return GetMirror(index);
}

INode* RefNode::GetChild(int i) const {
    return i >= 0 && i < NumChildren() ? children_[static_cast<size_t>(i)] : nullptr;
}

LightObject* RefNode::GetExcludingLight(int i) const {
    return i >= 0 && i < NumExcludingLights() ? Side().excludingLights[static_cast<size_t>(i)] : nullptr;
}

ReferenceTarget* RefNode::GetListingObject(int i) const {
    return i >= 0 && i < NumListingObjects() ? Side().listingObjects[static_cast<size_t>(i)] : nullptr;
}

int RefNode::GetListingPosition(int i) const {
    return i >= 0 && i < NumListingObjects() ? Side().listingPositions[static_cast<size_t>(i)] : -1;
}

const RefModifier* RefNode::GetWSModifier(int i) const {
    return i >= 0 && i < NumWSModifiers() ? wsMods_[static_cast<size_t>(i)] : nullptr;
}

const RefModifier* RefNode::GetOSModifier(int i) const {
    return i >= 0 && i < NumOSModifiers() ? osMods_[static_cast<size_t>(i)] : nullptr;
}

// ---- dumps

MSTR RefNode::GetDescription() {
    INode* node = GetNode();
    MSTR text = MSTR(L"Node: ") + referencedName_ + WStr::Format(L" - %d", PointerNumber(node));
    if (node) {
        try {
            Object* obj = node->GetObjectRef();
            text += L"\nBase Object: " + DescribeAnimatable(obj ? obj->FindBaseObject() : nullptr);
            text += L"\nController: " + DescribeAnimatable(node->GetTMController());
        } catch (...) {
            text += L"\nFailed to retrieve Node Info";
        }
    }
    text += nodeLoaded_ ? L"\nNode Loaded: TRUE" : L"\nNode Loaded: FALSE";
    text += WStr::Format(L"\nOverridden Flags: %d", static_cast<int>(overrideFlags_));
    if ((overrideFlags_ & REFNODE_OVERRIDE_MATERIAL) && material_)
        text += WStr::Format(L"\nOverridden Material: %d", PointerNumber(material_));
    else
        text += L"\nOverridden Material: None";
    text += WStr::Format(L"\nWSRefMods: %d\nOSRefMods: %d\nDeletedMods: %d\nRenamedMods: %d\nToggledMods: %d\n",
                         NumWSModifiers(), NumOSModifiers(), static_cast<int>(Side().deletedMods.size()),
                         static_cast<int>(Side().renamedMods.size()), static_cast<int>(Side().toggledMods.size()));
    return text + RefBase::GetDescription();
}

void RefNode::PrintData(int detail) {
    INode* node = GetNode();
    if (detail != 1) {
        mprintf(L"\nRefNode: %s - %d\n", referencedName_.c_str(), PointerNumber(node));
        mflush();
        RefBase::PrintData(0);
        return;
    }
    mprintf(L"\n\n***************************\nRefNode: %s - %d\n\n", referencedName_.c_str(), PointerNumber(node));
    mputs(nodeLoaded_ ? L"\nNode Loaded: TRUE" : L"\nNode Loaded: FALSE");
    mprintf(L"\nOverridden Flags: %d", static_cast<int>(overrideFlags_));
    if ((overrideFlags_ & REFNODE_OVERRIDE_MATERIAL) && material_)
        mprintf(L"\nOverridden Material: %d", PointerNumber(material_));
    else
        mputs(L"\nOverridden Material: None");
    mprintf(L"\nWSRefMods: %d\nOSRefMods: %d\nDeletedMods: %d\nRenamedMods: %d\nToggledMods: %d\n",
            NumWSModifiers(), NumOSModifiers(), static_cast<int>(Side().deletedMods.size()),
            static_cast<int>(Side().renamedMods.size()), static_cast<int>(Side().toggledMods.size()));
    mflush();
    RefBase::PrintData(1);
}

std::string RefNode::DumpNode() {
    auto name = [](ReferenceTarget* t) { return t ? DescribeAnimatable(t).ToUTF8() : std::string("null"); };
    const RefNodeSideTables& side = Side();
    std::string s = "RefNode \"" + referencedName_.ToUTF8() + "\" node " + name(GetItem()) + "\nloaded " +
                    std::to_string(nodeLoaded_) + " wasLoaded " + std::to_string(wasLoaded_) + " flags 0x";
    char hex[16];
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(overrideFlags_));
    s += hex;
    s += " objectType 0x";
    std::snprintf(hex, sizeof hex, "%X", static_cast<unsigned>(objectType_));
    s += hex;
    s += "\nmaterial " + name(GetReference(1 + NumMirrors())) + " parent " + name(parent_) + " layer " +
         name(layer_) + " kept " + name(Side().keptObject) + "\nchildren " + std::to_string(children_.size());
    for (INode* c : children_) s += " " + name(c);
    s += "\nlights " + std::to_string(Side().excludingLights.size());
    for (LightObject* l : Side().excludingLights) s += " " + name(l);
    s += "\nlisting " + std::to_string(Side().listingObjects.size());
    for (size_t k = 0; k < Side().listingObjects.size(); ++k)
        s += " " + name(Side().listingObjects[k]) + "@" + std::to_string(Side().listingPositions[k]);
    s += "\nname \"" + Side().overriddenName.ToUTF8() + "\" grouping " + std::to_string(grouping_) + " wire " +
         std::to_string(wireColor_) + " display " + std::to_string(displayWord_) + " " + std::to_string(displayBytes_[0]) +
         " " + std::to_string(displayBytes_[1]) + " render " + std::to_string(renderWord_);
    for (std::int32_t v : renderValues_) s += " " + std::to_string(v);
    for (float f : renderFloats_) s += " " + std::to_string(f);
    s += " bone " + std::to_string(boneByte_) + " " + std::to_string(boneBytes_[0]) + " " + std::to_string(boneBytes_[1]) +
         " locks " + std::to_string(transformLocks_) + " user \"" + side.userProps.ToUTF8() + "\"\noffset";
    for (float f : {side.offsetPos.x, side.offsetPos.y, side.offsetPos.z, side.offsetRot.x, side.offsetRot.y,
                    side.offsetRot.z, side.offsetRot.w, side.offsetScale.s.x, side.offsetScale.s.y, side.offsetScale.s.z})
        s += " " + std::to_string(f);
    s += " skin";
    for (float f : {side.skinPos.x, side.skinPos.y, side.skinPos.z, side.skinRot.x, side.skinRot.y, side.skinRot.z,
                    side.skinScale.x, side.skinScale.y, side.skinScale.z, side.skinScaleOrient.w})
        s += " " + std::to_string(f);
    s += " sets";
    for (std::int32_t set : Side().selectionSets) s += " " + std::to_string(set);
    s += "\nmods ws " + std::to_string(wsMods_.size()) + " os " + std::to_string(osMods_.size()) + " refs " +
         std::to_string(NumRefs()) + "\n";
    for (const auto* table : {&wsMods_, &osMods_})
        for (const RefModifier* m : *table) {
            if (!m) continue;
            s += (table == &wsMods_ ? " ws " : " os ") + std::to_string(m->state) + " \"" + m->name.ToUTF8() + "\" " +
                 std::to_string(m->index) + " " + std::to_string(m->toggles) + (m->modifier ? (m->holder ? " in holder" : " held") : " empty") +
                 (m->context ? " ctx " + WStr(m->context->Describe()).ToUTF8() : std::string()) + "\n";
        }
    for (const ModDeleted* m : Side().deletedMods) s += " deleted \"" + m->name.ToUTF8() + "\" " + std::to_string(m->index) + "\n";
    for (const ModChangedName* m : Side().renamedMods)
        s += " renamed \"" + m->oldName.ToUTF8() + "\" " + std::to_string(m->index) + " \"" + m->newName.ToUTF8() + "\"\n";
    for (const ModChangedToggles* m : Side().toggledMods)
        s += " toggled \"" + m->name.ToUTF8() + "\" " + std::to_string(m->index) + " " + std::to_string(m->toggles) + "\n";
    return s + Dump();
}

// ---- clone

RefTargetHandle RefNode::Clone(RemapDir& remap) {
    auto* copy = new RefNode(FALSE);
    // The mirrors first: they come before every other slot of the layout.
    BaseClone(this, copy, remap);
    auto mapped = [&remap](ReferenceTarget* t) -> ReferenceTarget* {
        if (!t) return nullptr;
        ReferenceTarget* m = remap.FindMapping(t);
        return m ? m : t;
    };
    copy->referencedName_ = referencedName_;
    copy->wasLoaded_ = wasLoaded_;
    copy->overrideFlags_ = overrideFlags_;
    if (side_) copy->EditSide().overriddenName = side_->overriddenName;
    copy->grouping_ = grouping_;
    if (side_) {
        RefNodeSideTables& to = copy->EditSide();
        to.offsetPos = side_->offsetPos;
        to.offsetRot = side_->offsetRot;
        to.offsetScale = side_->offsetScale;
        to.skinPos = side_->skinPos;
        to.skinRot = side_->skinRot;
        to.skinScale = side_->skinScale;
        to.skinScaleOrient = side_->skinScaleOrient;
        to.userProps = side_->userProps;
    }
    copy->wireColor_ = wireColor_;
    copy->displayWord_ = displayWord_;
    std::copy(std::begin(displayBytes_), std::end(displayBytes_), std::begin(copy->displayBytes_));
    copy->renderWord_ = renderWord_;
    std::copy(std::begin(renderValues_), std::end(renderValues_), std::begin(copy->renderValues_));
    std::copy(std::begin(renderFloats_), std::end(renderFloats_), std::begin(copy->renderFloats_));
    copy->boneByte_ = boneByte_;
    std::copy(std::begin(boneBytes_), std::end(boneBytes_), std::begin(copy->boneBytes_));
    copy->transformLocks_ = transformLocks_;
    copy->objectType_ = objectType_;
    copy->EditSide().selectionSets = Side().selectionSets;
    copy->wsModCount_ = wsModCount_;
    copy->osModCount_ = osModCount_;
    copy->modifiersSettled_ = modifiersSettled_;
    copy->objectRecheckPending_ = objectRecheckPending_;
    for (ModDeleted* m : Side().deletedMods) copy->EditSide().deletedMods.push_back(m ? new ModDeleted(*m) : nullptr);
    for (ModChangedName* m : Side().renamedMods) copy->EditSide().renamedMods.push_back(m ? new ModChangedName(*m) : nullptr);
    for (ModChangedToggles* m : Side().toggledMods)
        copy->EditSide().toggledMods.push_back(m ? new ModChangedToggles(*m) : nullptr);
    auto copyEntry = [](const RefModifier* m) -> RefModifier* {
        if (!m) return nullptr;
        auto* e = new RefModifier;
        e->state = m->state;
        e->name = m->name;
        e->index = m->index;
        e->toggles = m->toggles;
        if (m->context) e->context = std::make_unique<ModContext>(*m->context);
        return e;
    };
    // Tables are sized first, so every slot of the layout is where it will stay; then referenced.
    copy->children_.assign(children_.size(), nullptr);
    for (RefModifier* m : wsMods_) copy->wsMods_.push_back(copyEntry(m));
    for (RefModifier* m : osMods_) copy->osMods_.push_back(copyEntry(m));
    copy->EditSide().excludingLights.assign(Side().excludingLights.size(), nullptr);
    copy->EditSide().listingObjects.assign(Side().listingObjects.size(), nullptr);
    copy->EditSide().listingPositions = Side().listingPositions;
    const int count = NumRefs();
    for (int i = 1 + NumMirrors(); i < count; ++i)
        if (ReferenceTarget* t = GetReference(i)) copy->ReplaceReference(i, mapped(t));
    if (!(overrideFlags_ & REFNODE_OVERRIDE_MATERIAL)) copy->material_ = material_;
    if (INode* node = GetNode(); node && remap.FindMapping(node)) copy->ReplaceReference(0, remap.FindMapping(node));
    copy->nodeLoaded_ = copy->GetItem() ? nodeLoaded_ : 0;
    copy->TrimSide();
    return copy;
}
