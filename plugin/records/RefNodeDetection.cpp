// How a node record notices the user's changes to its node: the messages the node and the helper send,
// the renames and selection sets the helper passes on, and the groups compared at collection.
#include "plugin/records/RefNode.h"

#include "host/core/Hold.h"
#include "host/core/Matrix3.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/Mtl.h"
#include "plugin/frame/OstrivansMessages.h"
#include "plugin/records/NodePropertyWords.h"
#include "plugin/records/RecordValueRestore.h"
#include "plugin/records/RefNodeSideRestore.h"

#include <algorithm>

namespace {

// The part values of structure messages that name no change of the node's own properties.
constexpr PartID kStructurePendingPart = 214;
constexpr PartID kStructureIgnoredPart = 0x20000000;
// Quaternions of the object offset match within this tolerance, component by component.
constexpr float kQuatTolerance = 1e-6f;

bool SameQuat(const Quat& a, const Quat& b) {
    return a.Equals(b, kQuatTolerance);
}

} // namespace

template <class T> void RefNode::SetStored(T& field, const T& value, bool undoable) {
    if (field == value) return;
    if (undoable) HoldRecordValue(field, this);
    field = value;
}

void RefNode::MarkOverride(DWORD flag, bool undoable) {
    if (!(overrideFlags_ & flag)) SetOverrideFlag(flag, true, undoable);
}

// ---- stored words

void RefNode::StoreDisplay(const NodeDisplayWords& w, bool undoable) {
    SetStored(displayWord_, w.word, undoable);
    if (displayBytes_[0] == w.bytes[0] && displayBytes_[1] == w.bytes[1]) return;
    if (undoable) HoldRecordValue(displayBytes_, this);
    std::copy(std::begin(w.bytes), std::end(w.bytes), std::begin(displayBytes_));
}

void RefNode::StoreRender(const NodeRenderWords& w, bool undoable) {
    SetStored(renderWord_, w.word, undoable);
    if (!std::equal(std::begin(w.values), std::end(w.values), std::begin(renderValues_))) {
        if (undoable) HoldRecordValue(renderValues_, this);
        std::copy(std::begin(w.values), std::end(w.values), std::begin(renderValues_));
    }
    // Bit for bit, so a NaN read twice is stored once.
    if (!std::equal(std::begin(w.floats), std::end(w.floats), std::begin(renderFloats_),
                    [](float a, float b) { return a == b || (a != a && b != b); })) {
        if (undoable) HoldRecordValue(renderFloats_, this);
        std::copy(std::begin(w.floats), std::end(w.floats), std::begin(renderFloats_));
    }
}

void RefNode::StoreBone(INode* node, bool undoable) {
    const NodeBoneWords w = ReadBoneWords(node);
    SetStored(boneByte_, w.byte, undoable);
    if (boneBytes_[0] == w.bytes[0] && boneBytes_[1] == w.bytes[1]) return;
    if (undoable) HoldRecordValue(boneBytes_, this);
    std::copy(std::begin(w.bytes), std::end(w.bytes), std::begin(boneBytes_));
}

void RefNode::StoreOffset(INode* node, bool undoable) {
    SetSideValue(&RefNodeSideTables::offsetPos, node->GetObjOffsetPos(), undoable);
    SetSideValue(&RefNodeSideTables::offsetRot, node->GetObjOffsetRot(), undoable);
    SetSideValue(&RefNodeSideTables::offsetScale, node->GetObjOffsetScale(), undoable);
}

void RefNode::StoreSkinPose(INode* node, bool undoable) {
    auto* pose = static_cast<ISkinPose*>(node->GetInterface(SKINPOSE_INTERFACE));
    if (!pose) return;
    SetSideValue(&RefNodeSideTables::skinPos, pose->SkinPos(), undoable);
    SetSideValue(&RefNodeSideTables::skinRot, pose->SkinRot(), undoable);
    SetSideValue(&RefNodeSideTables::skinScale, pose->SkinScale(), undoable);
    SetSideValue(&RefNodeSideTables::skinScaleOrient, pose->SkinScaleOrient(), undoable);
}

// ---- the handlers behind the gate

bool RefNode::DetectNodeChange(INode* node, RefTargetHandle target, PartID part, RefMessage message) {
    if (!node) return false;
    if (target != node) {
        // A stored child that moved away, or that a reference took in, is no longer this node's override.
        if (message != REFMSG_OSTRIVANS_NODE_LINKED && message != REFMSG_OSTRIVANS_NODE_TAKEN) return false;
        const auto it = std::find(children_.begin(), children_.end(), target);
        if (it == children_.end()) return false;
        INode* child = *it;
        const bool gone = message == REFMSG_OSTRIVANS_NODE_LINKED ? child->GetParentNode() != node
                                                                  : RefBase::FromItem(child) != nullptr;
        if (gone) DropChildRef(static_cast<int>(it - children_.begin()));
        return true;
    }
    switch (message) {
    case REFMSG_NODE_MATERIAL_CHANGED: DetectMaterial(node); return true;
    case REFMSG_OSTRIVANS_NODE_LINKED: DetectParent(node); return true;
    case REFMSG_OSTRIVANS_CHILD_LINKED: DetectChild(reinterpret_cast<INode*>(part)); return true;
    case REFMSG_OSTRIVANS_GROUP_CHANGED:
        // Grouping follows from the children the user linked here.
        if (!(overrideFlags_ & REFNODE_OVERRIDE_CHILDREN)) {
            MarkOverride(REFNODE_OVERRIDE_GROUPING);
            SetStored(grouping_, ReadGrouping(node));
        }
        return true;
    case REFMSG_OSTRIVANS_LAYER_CHANGED: DetectLayer(node); return true;
    case REFMSG_NODE_WIRECOLOR_CHANGED:
        if (node->GetWireColor() != wireColor_) {
            MarkOverride(REFNODE_OVERRIDE_WIRE_COLOR, false);
            wireColor_ = node->GetWireColor();
        }
        return true;
    case REFMSG_NODE_DISPLAY_PROP_CHANGED: DetectDisplay(node, part); return true;
    case REFMSG_OSTRIVANS_DISPLAY_PROPS:
        MarkOverride(REFNODE_OVERRIDE_DISPLAY_PROPS, false);
        StoreDisplay(ReadDisplayWords(node), false);
        return true;
    case REFMSG_NODE_RENDERING_PROP_CHANGED:
    case REFMSG_NODE_GI_PROP_CHANGED:
    case REFMSG_OSTRIVANS_RENDER_PROPS: DetectRender(node, true); return true;
    case REFMSG_OSTRIVANS_USER_PROPS:
        MarkOverride(REFNODE_OVERRIDE_USER_PROPS);
        SetSideValue(&RefNodeSideTables::userProps, WStr(node->GetUserPropBuffer()));
        return true;
    case REFMSG_OSTRIVANS_BONE_PROPS:
        MarkOverride(REFNODE_OVERRIDE_BONE_PROPS);
        StoreBone(node, true);
        return true;
    case REFMSG_CONTROLREF_CHANGE:
    case REFMSG_SUBANIM_STRUCTURE_CHANGED:
    case REFMSG_OSTRIVANS_CUSTATTRIB_CHANGED:
        if (part == kStructurePendingPart || part == kStructureIgnoredPart) return false;
        DetectInterfaceProps(node);
        return false; // the record base updates the structure
    default: return false;
    }
}

void RefNode::DetectMaterial(INode* node) {
    ReferenceTarget* now = node->GetMtl();
    const bool overridden = (overrideFlags_ & REFNODE_OVERRIDE_MATERIAL) != 0;
    if (now == material_) return;
    if (!overridden) {
        // The remembered pointer is no reference: it is cleared before the flag makes the slot one.
        HoldRecordValue(material_, this);
        material_ = nullptr;
        SetOverrideFlag(REFNODE_OVERRIDE_MATERIAL, true, true);
    }
    ReplaceReference(MaterialRef(), now);
}

ReferenceTarget* RefNode::ParentTarget(INode* node) const {
    INode* parent = node->GetParentNode();
    if (!parent || parent->IsRootNode()) return nullptr;
    if (RefBase* rec = RefBase::FromItem(parent)) return rec;
    return parent;
}

void RefNode::DetectParent(INode* node) {
    MarkOverride(REFNODE_OVERRIDE_PARENT);
    ReferenceTarget* parent = ParentTarget(node);
    if (parent != parent_) ReplaceReference(ParentRef(), parent);
    // The node keeps its place in the world under its new parent.
    node->SetNodeTM(0, node->GetNodeTM(0));
}

void RefNode::DetectChild(INode* child) {
    if (!child) return;
    MarkOverride(REFNODE_OVERRIDE_CHILDREN);
    // A referenced child comes back with its own record's parent override.
    if (RefBase::FromItem(child)) return;
    if (std::find(children_.begin(), children_.end(), child) != children_.end()) return;
    // The table first and then its reference: undo drops the reference, then the entry.
    HoldRecordValue(children_, this);
    children_.push_back(nullptr);
    ReplaceReference(FirstChildRef() + NumChildren() - 1, child);
}

void RefNode::DropChildRef(int k) {
    // The reference first and then the table: undo puts the entry back, then its reference.
    if (children_[static_cast<size_t>(k)]) DeleteReference(FirstChildRef() + k);
    HoldRecordValue(children_, this);
    children_.erase(children_.begin() + k);
}

void RefNode::DetectLayer(INode* node) {
    const bool opened = !theHold.Holding();
    if (opened) theHold.Begin();
    MarkOverride(REFNODE_OVERRIDE_LAYER);
    if (node->GetLayer() != layer_) ReplaceReference(LayerRef(), node->GetLayer());
    if (opened) theHold.Accept(L"Layer Override");
}

void RefNode::DetectDisplay(INode* node, PartID part) {
    const NodeDisplayWords now = ReadDisplayWords(node);
    struct StateBit {
        PartID part;
        std::uint16_t bit;
        DWORD flag;
    };
    constexpr StateBit kStates[] = {{PART_HIDESTATE, DISPLAY_WORD_HIDDEN, REFNODE_OVERRIDE_HIDDEN},
                                    {PART_FREEZESTATE, DISPLAY_WORD_FROZEN, REFNODE_OVERRIDE_FROZEN}};
    bool stateBits = false;
    for (const StateBit& s : kStates) {
        if (!(part & s.part)) continue;
        stateBits = true;
        if (!((now.word ^ displayWord_) & s.bit)) continue;
        MarkOverride(s.flag);
        SetStored(displayWord_, static_cast<std::uint16_t>((displayWord_ & ~s.bit) | (now.word & s.bit)));
    }
    if (stateBits) return;
    constexpr std::uint16_t kProps = DISPLAY_WORD_PROPS | DISPLAY_WORD_SHOW_LINKS;
    if (!(overrideFlags_ & REFNODE_OVERRIDE_DISPLAY_PROPS) &&
        (((now.word ^ displayWord_) & kProps) || now.bytes[0] != displayBytes_[0] || now.bytes[1] != displayBytes_[1]))
        MarkOverride(REFNODE_OVERRIDE_DISPLAY_PROPS);
    NodeDisplayWords kept = now;
    // Hidden and frozen have flags of their own.
    kept.word = static_cast<std::uint16_t>((now.word & kProps) | (displayWord_ & ~kProps));
    StoreDisplay(kept, true);
}

void RefNode::DetectRender(INode* node, bool undoable) {
    const NodeRenderWords now = ReadRenderWords(node);
    if (!(overrideFlags_ & REFNODE_OVERRIDE_RENDER_PROPS) &&
        (now.word != renderWord_ || !std::equal(std::begin(now.values), std::end(now.values), std::begin(renderValues_)) ||
         !SameFloats(now.floats, renderFloats_, 9)))
        MarkOverride(REFNODE_OVERRIDE_RENDER_PROPS, undoable);
    StoreRender(now, undoable);
}

void RefNode::DetectInterfaceProps(INode* node) {
    const std::uint32_t render = ReadRenderWords(node).word & RENDER_WORD_INTERFACE_BITS;
    if (render != (renderWord_ & RENDER_WORD_INTERFACE_BITS)) {
        MarkOverride(REFNODE_OVERRIDE_RENDER_PROPS);
        SetStored(renderWord_, (renderWord_ & ~RENDER_WORD_INTERFACE_BITS) | render);
    }
    const std::uint16_t links = ReadDisplayWords(node).word & DISPLAY_WORD_SHOW_LINKS;
    if (links != (displayWord_ & DISPLAY_WORD_SHOW_LINKS)) {
        MarkOverride(REFNODE_OVERRIDE_DISPLAY_PROPS);
        SetStored(displayWord_, static_cast<std::uint16_t>((displayWord_ & ~DISPLAY_WORD_SHOW_LINKS) | links));
    }
}

// ---- what the helper passes on

void RefNode::NodeRenamed(const MCHAR* newName) {
    // Undo and redo put the record back through its own restore records.
    if (!nodeLoaded_ || !GetNode() || IsBusy() || !newName || theHold.RestoreOrRedoing()) return;
    WStr stored(newName);
    const bool keepsPrefix = !(overrideFlags_ & REFNODE_NAME_WITHOUT_PREFIX);
    MarkOverride(REFNODE_OVERRIDE_NAME);
    if (keepsPrefix) {
        const MSTR prefix = GetNamePrefix();
        if (!prefix.isNull()) {
            const MSTR lead = prefix + L"_";
            if (stored.str().starts_with(lead.str()))
                stored = WStr(stored.str().substr(lead.str().size()).c_str());
            else
                MarkOverride(REFNODE_NAME_WITHOUT_PREFIX);
        }
    }
    SetSideValue(&RefNodeSideTables::overriddenName, stored);
}

void RefNode::RecordSelectionSet(int index) {
    if (index < 0 || theHold.RestoreOrRedoing() || std::find(Side().selectionSets.begin(), Side().selectionSets.end(), index) != Side().selectionSets.end()) return;
    MarkOverride(REFNODE_OVERRIDE_SELECTION_SETS);
    HoldSideValue(&RefNodeSideTables::selectionSets);
    EditSide().selectionSets.push_back(index);
}

// ---- the groups no message announces

void RefNode::CompareUnannouncedGroups(INode* node) {
    const auto compare = [this](DWORD flag, bool differs, auto store) {
        if (overrideFlags_ & flag) {
            store(false);
        } else if (differs) {
            MarkOverride(flag);
            store(true);
        }
    };
    // Each comparison reads the block afresh: a store before it may have made or dropped the block.
    const ScaleValue scale = node->GetObjOffsetScale();
    compare(REFNODE_OVERRIDE_OBJECT_OFFSET,
            !(node->GetObjOffsetPos() == Side().offsetPos) || !SameQuat(node->GetObjOffsetRot(), Side().offsetRot) ||
                !(scale.s == Side().offsetScale.s) || !SameQuat(scale.q, Side().offsetScale.q),
            [&](bool undoable) { StoreOffset(node, undoable); });
    if (auto* pose = static_cast<ISkinPose*>(node->GetInterface(SKINPOSE_INTERFACE))) {
        const RefNodeSideTables& side = Side();
        compare(REFNODE_OVERRIDE_SKIN_POSE,
                !(pose->SkinPos() == side.skinPos) || !(pose->SkinRot() == side.skinRot) ||
                    !(pose->SkinScale() == side.skinScale) || !SameQuat(pose->SkinScaleOrient(), side.skinScaleOrient),
                [&](bool undoable) { StoreSkinPose(node, undoable); });
    }
    const WStr user(node->GetUserPropBuffer());
    compare(REFNODE_OVERRIDE_USER_PROPS, user != Side().userProps,
            [&](bool undoable) { SetSideValue(&RefNodeSideTables::userProps, user, undoable); });
    const std::uint16_t locks = ReadTransformLocks(node);
    compare(REFNODE_OVERRIDE_TM_LOCKS, locks != transformLocks_,
            [&](bool undoable) { SetStored(transformLocks_, locks, undoable); });
}
