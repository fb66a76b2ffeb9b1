// A node record's overrides after a re-merge: the fresh node takes the user's changes back in a fixed
// order, the defaults of the groups the user left alone are read from it, and resets drop overrides.
#include "plugin/records/RefNode.h"

#include "host/core/MaxException.h"
#include "host/scene/IDerivedObject.h"
#include "host/scene/ILayer.h"
#include "host/scene/INode.h"
#include "host/scene/ISkinPose.h"
#include "host/scene/Interface.h"
#include "host/scene/Mtl.h"
#include "host/scene/NamedSelectionSets.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/StepMarks.h"
#include "plugin/frame/StringTable.h"
#include "plugin/records/NodePropertyWords.h"
#include "plugin/records/RecordValueRestore.h"
#include "plugin/records/RefNodeSideRestore.h"
#include "plugin/frame/ResetMask.h"

#include <algorithm>

namespace {

// The object is still part of the scene: some node in the scene holds it, directly or below a derived
// object. A stored light or listing object whose nodes were all deleted is skipped.
bool HeldBySceneNode(ReferenceTarget* obj, int depth = 0) {
    if (!obj || depth > 32) return false;
    DependentIterator it(obj);
    while (ReferenceMaker* dep = it.Next()) {
        const SClass_ID sc = dep->SuperClassID();
        if (sc == BASENODE_CLASS_ID && !dep->TestAFlag(A_IS_DELETED)) return true;
        if (sc == GEN_DERIVOB_CLASS_ID && HeldBySceneNode(static_cast<ReferenceTarget*>(dep), depth + 1)) return true;
    }
    return false;
}

bool LiveNode(INode* node) {
    return node && !node->TestAFlag(A_IS_DELETED);
}

// The node list of an object that a listing override stands for: its first own list (a light's
// include/exclude list is the excluding-lights override's).
ExclList* ListingList(ReferenceTarget* obj) {
    auto* o = dynamic_cast<Object*>(obj);
    return o ? o->GetOwnNodeList(0) : nullptr;
}

} // namespace

// ---- defaults

void RefNode::StoreDefaults() {
    INode* node = GetNode();
    if (!node) return;
    const DWORD f = overrideFlags_;
    if (!(f & REFNODE_OVERRIDE_MATERIAL)) material_ = node->GetMtl();
    if (!(f & REFNODE_OVERRIDE_OBJECT_OFFSET)) StoreOffset(node, false);
    if (!(f & REFNODE_OVERRIDE_WIRE_COLOR)) wireColor_ = node->GetWireColor();
    NodeDisplayWords display = ReadDisplayWords(node);
    // The groups with an override keep their stored bits.
    std::uint16_t keep = 0;
    if (f & REFNODE_OVERRIDE_HIDDEN) keep |= DISPLAY_WORD_HIDDEN;
    if (f & REFNODE_OVERRIDE_FROZEN) keep |= DISPLAY_WORD_FROZEN;
    if (f & REFNODE_OVERRIDE_DISPLAY_PROPS) {
        keep |= DISPLAY_WORD_PROPS | DISPLAY_WORD_SHOW_LINKS;
        std::copy(std::begin(displayBytes_), std::end(displayBytes_), std::begin(display.bytes));
    }
    display.word = static_cast<std::uint16_t>((display.word & ~keep) | (displayWord_ & keep));
    StoreDisplay(display, false);
    if (!(f & REFNODE_OVERRIDE_RENDER_PROPS)) StoreRender(ReadRenderWords(node), false);
    if (!(f & REFNODE_OVERRIDE_SKIN_POSE)) StoreSkinPose(node, false);
    if (!(f & REFNODE_OVERRIDE_USER_PROPS)) SetSideValue(&RefNodeSideTables::userProps, WStr(node->GetUserPropBuffer()), false);
    if (!(f & REFNODE_OVERRIDE_TM_LOCKS)) transformLocks_ = ReadTransformLocks(node);
}

// ---- Override

void RefNode::Override() {
    BusyScope busy(this);
    StepMarks marks;
    // The modifier step raises its own report.
    bool reported = false;
    try {
        if (INode* node = GetNode()) {
            // Re-application order: the node's identity and links first (name, material, parent, group, layer),
            // then its own properties, then what other scene objects hold of it, then the mirrors, and the
            // children last, so that records parented to this one find it complete.
            const auto step = [&](DWORD flag, int stringId, auto apply) {
                if (!(overrideFlags_ & flag)) return;
                marks.Mark(stringId);
                apply();
            };
            step(REFNODE_OVERRIDE_NAME, IDS_OVERRIDE_NAME, [&] { node->SetName(Side().overriddenName.c_str()); });
            step(REFNODE_OVERRIDE_MATERIAL, IDS_OVERRIDE_MATERIAL, [&] {
                auto* mtl = dynamic_cast<Mtl*>(material_);
                node->SetMtl(mtl);
                Interval valid = FOREVER;
                if (mtl) mtl->Update(GetCOREInterface()->GetTime(), valid);
            });
            step(REFNODE_OVERRIDE_PARENT, IDS_OVERRIDE_PARENT, [&] { OverrideParent(node); });
            step(REFNODE_OVERRIDE_GROUPING, IDS_OVERRIDE_GROUPING, [&] { ApplyGrouping(node, grouping_); });
            step(REFNODE_OVERRIDE_LAYER, IDS_OVERRIDE_LAYER, [&] { OverrideLayer(node); });
            step(REFNODE_OVERRIDE_OBJECT_OFFSET, IDS_OVERRIDE_OBJECT_OFFSET_TM, [&] {
                // Copies: whatever a set on the node leads to may drop the side block.
                const RefNodeSideTables& side = Side();
                const Point3 pos = side.offsetPos;
                const Quat rot = side.offsetRot;
                const ScaleValue scale = side.offsetScale;
                node->SetObjOffsetPos(pos);
                node->SetObjOffsetRot(rot);
                node->SetObjOffsetScale(scale);
            });
            step(REFNODE_OVERRIDE_SKIN_POSE, IDS_OVERRIDE_SKIN_POSE, [&] { OverrideSkinPose(node); });
            step(REFNODE_OVERRIDE_WIRE_COLOR, IDS_OVERRIDE_WIRE_COLOR, [&] { node->SetWireColor(wireColor_); });
            step(REFNODE_OVERRIDE_HIDDEN, IDS_OVERRIDE_HIDDEN,
                 [&] { node->Hide((displayWord_ & DISPLAY_WORD_HIDDEN) ? TRUE : FALSE); });
            step(REFNODE_OVERRIDE_FROZEN, IDS_OVERRIDE_FROZEN,
                 [&] { node->Freeze((displayWord_ & DISPLAY_WORD_FROZEN) ? TRUE : FALSE); });
            step(REFNODE_OVERRIDE_DISPLAY_PROPS, IDS_OVERRIDE_PROPS_DISPLAY, [&] {
                NodeDisplayWords w;
                w.word = displayWord_;
                std::copy(std::begin(displayBytes_), std::end(displayBytes_), std::begin(w.bytes));
                ApplyDisplayProps(node, w);
            });
            step(REFNODE_OVERRIDE_RENDER_PROPS, IDS_OVERRIDE_PROPS_RENDER, [&] {
                NodeRenderWords w;
                w.word = renderWord_;
                std::copy(std::begin(renderValues_), std::end(renderValues_), std::begin(w.values));
                std::copy(std::begin(renderFloats_), std::end(renderFloats_), std::begin(w.floats));
                ApplyRenderProps(node, w);
            });
            step(REFNODE_OVERRIDE_USER_PROPS, IDS_OVERRIDE_PROPS_USER, [&] {
                const WStr user = Side().userProps;
                node->SetUserPropBuffer(user);
            });
            step(REFNODE_OVERRIDE_BONE_PROPS, IDS_OVERRIDE_PROPS_BONE, [&] {
                NodeBoneWords w;
                w.byte = boneByte_;
                std::copy(std::begin(boneBytes_), std::end(boneBytes_), std::begin(w.bytes));
                ApplyBoneProps(node, w);
            });
            step(REFNODE_OVERRIDE_TM_LOCKS, IDS_OVERRIDE_TM_LOCKS_FLAGS, [&] { ApplyTransformLocks(node, transformLocks_); });
            step(REFNODE_OVERRIDE_EXCL_LIST, IDS_OVERRIDE_EXCL_LIST, [&] { OverrideExclLists(node); });
            step(REFNODE_OVERRIDE_EXCL_LIST_MISC, IDS_OVERRIDE_EXCL_LIST_MISC, [&] { OverrideListing(node); });
            step(REFNODE_OVERRIDE_SELECTION_SETS, IDS_OVERRIDE_SELECTION_SETS, [&] { OverrideSelectionSets(node); });
            step(REFNODE_OVERRIDE_OBJ_LOC_DEP, IDS_OVERRIDE_OBJ_LOC_DEP, [&] { OverrideObjectDependents(node); });
        }
        // The stack before the mirrors, so modifier mirrors find the modifiers at their places.
        reported = true;
        OverrideModifiers();
        reported = false;
        RefBase::Override();
        // The modifier mirrors may have put kept modifiers in place of fresh ones: the entries follow.
        reported = true;
        MonitorModifiers();
        reported = false;
        if (INode* node = GetNode(); node && (overrideFlags_ & REFNODE_OVERRIDE_CHILDREN)) {
            marks.Mark(IDS_OVERRIDE_CHILDREN);
            OverrideChildren(node);
        }
    } catch (const MAXException& e) {
        if (reported) throw;
        RaiseFailure(L"Overriding", &e, &marks);
    } catch (...) {
        if (reported) throw;
        RaiseFailure(L"Overriding", nullptr, &marks);
    }
}

void RefNode::OverrideParent(INode* node) {
    INode* parent = nullptr;
    if (parent_ && parent_->SuperClassID() == BASENODE_CLASS_ID) {
        parent = static_cast<INode*>(parent_);
        // A parent deleted meanwhile is skipped; the node stays where the merge put it.
        if (!LiveNode(parent)) return;
    } else if (auto* rec = dynamic_cast<RefNode*>(parent_)) {
        // That record attaches its children again once its own node is back.
        parent = rec->GetNode();
        if (!LiveNode(parent)) return;
    }
    if (parent)
        parent->AttachChild(node, FALSE);
    else if (!parent_)
        node->Detach(0, FALSE);
}

void RefNode::ReapplyParentOverride() {
    INode* node = GetNode();
    if (!node || !(overrideFlags_ & REFNODE_OVERRIDE_PARENT)) return;
    BusyScope busy(this);
    StepMarks marks;
    marks.Mark(IDS_OVERRIDE_PARENT);
    try {
        OverrideParent(node);
    } catch (const MAXException& e) {
        RaiseFailure(L"Overriding", &e, &marks);
    } catch (...) {
        RaiseFailure(L"Overriding", nullptr, &marks);
    }
}

void RefNode::OverrideLayer(INode* node) {
    auto* layer = dynamic_cast<ILayer*>(layer_);
    ILayerManager* manager = GetCOREInterface()->GetLayerManager();
    if (!layer || !manager) return;
    if (manager->IsLayerInScene(layer)) {
        layer->AddToLayer(node);
        return;
    }
    // The layer left the scene: a layer of the same name takes its place, else it comes back.
    const MSTR name = layer->GetName();
    for (int i = 0; i < manager->GetLayerCount(); ++i) {
        ILayer* other = manager->GetLayer(i);
        if (other && other->GetName() == name) {
            other->AddToLayer(node);
            ReplaceReference(LayerRef(), other);
            return;
        }
    }
    manager->AddLayer(layer);
    layer->AddToLayer(node);
}

void RefNode::OverrideSkinPose(INode* node) {
    auto* pose = static_cast<ISkinPose*>(node->GetInterface(SKINPOSE_INTERFACE));
    if (!pose) return;
    // Copies: whatever a set on the node leads to may drop the side block.
    const RefNodeSideTables& side = Side();
    const Point3 pos = side.skinPos, rot = side.skinRot, scale = side.skinScale;
    const Quat orient = side.skinScaleOrient;
    pose->SetSkinPos(pos);
    pose->SetSkinRot(rot);
    pose->SetSkinScale(scale);
    pose->SetSkinScaleOrient(orient);
}

void RefNode::OverrideExclLists(INode* node) {
    for (LightObject* light : Side().excludingLights)
        if (light && HeldBySceneNode(light))
            if (ExclList* list = light->GetExclList()) list->AddNode(node);
}

void RefNode::OverrideListing(INode* node) {
    for (size_t k = 0; k < Side().listingObjects.size(); ++k)
        if (ReferenceTarget* obj = Side().listingObjects[k]; obj && HeldBySceneNode(obj))
            if (ExclList* list = ListingList(obj)) list->InsertNode(Side().listingPositions[k], node);
}

void RefNode::OverrideSelectionSets(INode* node) {
    if (!IsHelperNested()) {
        if (INamedSelectionSetManager* sets = GetCOREInterface()->GetNamedSelectionSetManager()) {
            INodeTab one;
            one.Append(node);
            for (std::int32_t index : Side().selectionSets)
                if (index >= 0 && index < sets->GetNumNamedSelSets()) sets->AppendToNamedSelSet(index, one);
        }
    }
    // Applied once: the sets hold the fresh node now.
    HoldSideValue(&RefNodeSideTables::selectionSets);
    EditSide().selectionSets.clear();
    TrimSide();
    SetOverrideFlag(REFNODE_OVERRIDE_SELECTION_SETS, false, true);
}

void RefNode::OverrideObjectDependents(INode* node) {
    if (!(overrideFlags_ & REFNODE_OBJECT_REPLACED)) {
        // Level by level down both chains: whatever outside the reference held a level of the kept chain
        // holds the fresh object of that level from now on.
        ReferenceTarget* above = nullptr;
        Object* kept = dynamic_cast<Object*>(Side().keptObject);
        Object* fresh = node->GetObjectRef();
        while (kept && fresh) {
            if (kept != fresh) {
                std::vector<ReferenceMaker*> makers;
                DependentIterator it(kept);
                while (ReferenceMaker* dep = it.Next()) makers.push_back(dep);
                for (ReferenceMaker* dep : makers) {
                    if (dep == this || dep == above || dep->SuperClassID() == REFANIM_SUPER_CLASS_ID) continue;
                    // The node the kept chain came with goes at the end of the update.
                    if (dep->SuperClassID() == BASENODE_CLASS_ID && RefBase::FromItem(static_cast<INode*>(dep)))
                        continue;
                    for (int i = 0; i < dep->NumRefs(); ++i)
                        if (dep->GetReference(i) == kept && dep->CanTransferReference(i)) dep->ReplaceReference(i, fresh);
                }
                fresh->NotifyDependents(FOREVER, PART_ALL, REFMSG_SUBANIM_STRUCTURE_CHANGED);
                fresh->NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE);
            }
            auto* keptDerived = dynamic_cast<IDerivedObject*>(kept);
            auto* freshDerived = dynamic_cast<IDerivedObject*>(fresh);
            if (!keptDerived || !freshDerived) break;
            above = kept;
            kept = keptDerived->GetObjRef();
            fresh = freshDerived->GetObjRef();
        }
    }
    if (Side().keptObject) DeleteReference(KeptObjectRef());
}

void RefNode::OverrideChildren(INode* node) {
    for (INode* child : std::vector<INode*>(children_.begin(), children_.end()))
        if (LiveNode(child)) node->AttachChild(child, FALSE);
    // Records whose stored parent is this one re-attach themselves.
    NotifyDependents(FOREVER, PART_ALL, REFMSG_OSTRIVANS_CHILDREN_ATTACHED, NOTIFY_ALL, FALSE);
}

// ---- Reset

bool RefNode::IsResetTarget(RefAnim* mirror, DWORD resetMask) {
    if (!mirror || mirror->GetPathByNumber().empty()) return false;
    DWORD bit = 0;
    switch (mirror->GetPathByNumber().front()) {
    case 0:
    case 4: bit = RESETMASK_BASE_OBJECT; break;
    case 1:
    case 6:
    case 7: bit = RESETMASK_OBJECT_PROPERTIES; break;
    case 2: bit = RESETMASK_MODIFIERS; break;
    case 3: bit = RESETMASK_TRANSFORM; break;
    default: return false;
    }
    return (resetMask & bit) != 0;
}

void RefNode::Reset(DWORD resetMask) {
    if (!(resetMask & RESETMASK_NODE_MODE)) {
        if (GetNode() && nodeLoaded_) objectType_ = ReadObjectType(GetNode());
        struct Category {
            DWORD type;
            DWORD bit;
        };
        constexpr Category kCategories[] = {
            {GEOMOBJECT_CLASS_ID, RESETMASK_GEOMETRY},   {SHAPE_CLASS_ID, RESETMASK_SHAPES},
            {LIGHT_CLASS_ID, RESETMASK_LIGHTS},          {CAMERA_CLASS_ID, RESETMASK_CAMERAS},
            {HELPER_CLASS_ID, RESETMASK_HELPERS},        {WSM_OBJECT_CLASS_ID, RESETMASK_SPACE_WARPS},
            {PARTICLE_SYSTEM_TYPE, RESETMASK_PARTICLES}, {REFNODE_BONE_OBJECT_TYPE, RESETMASK_BONES}};
        const auto it = std::find_if(std::begin(kCategories), std::end(kCategories),
                                     [this](const Category& c) { return c.type == objectType_; });
        if (it == std::end(kCategories) || !(resetMask & it->bit)) return;
    }
    const auto clear = [this](DWORD flags) { SetOverrideFlag(flags, false, true); };
    if (resetMask & RESETMASK_TRANSFORM) clear(REFNODE_OVERRIDE_OBJECT_OFFSET | REFNODE_OVERRIDE_SKIN_POSE);
    if (resetMask & RESETMASK_MATERIAL) {
        if (overrideFlags_ & REFNODE_OVERRIDE_MATERIAL) DeleteReference(MaterialRef());
        clear(REFNODE_OVERRIDE_MATERIAL);
        INode* node = GetNode();
        HoldRecordValue(material_, this);
        material_ = node ? node->GetMtl() : nullptr;
    }
    if (resetMask & RESETMASK_OBJECT_PROPERTIES)
        clear(REFNODE_OVERRIDE_DISPLAY_PROPS | REFNODE_OVERRIDE_RENDER_PROPS | REFNODE_OVERRIDE_USER_PROPS |
              REFNODE_OVERRIDE_BONE_PROPS | REFNODE_OVERRIDE_WIRE_COLOR | REFNODE_OVERRIDE_FROZEN |
              REFNODE_OVERRIDE_HIDDEN);
    if (resetMask & RESETMASK_PARENTING) {
        clear(REFNODE_OVERRIDE_PARENT);
        if (parent_) DeleteReference(ParentRef());
        clear(REFNODE_OVERRIDE_CHILDREN);
        while (!children_.empty()) DropChildRef(NumChildren() - 1);
        clear(REFNODE_OVERRIDE_GROUPING);
    }
    if (resetMask & RESETMASK_MODIFIERS) ResetModifiers();
    if (resetMask & RESETMASK_NAME) clear(REFNODE_OVERRIDE_NAME);
    if (resetMask & RESETMASK_LAYER) {
        clear(REFNODE_OVERRIDE_LAYER);
        if (layer_) DeleteReference(LayerRef());
    }
    RefBase::Reset(resetMask);
}
