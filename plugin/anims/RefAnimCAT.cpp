// The CAT rig mirror: differences from the author's rig recorded, put on the fresh rig after a merge,
// saved; bone-structure edits refused.
#include "plugin/anims/RefAnimCAT.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/anims/RefAnimTableRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>
#include <memory>

namespace {

bool Contains(const std::vector<MSTR>& names, const MSTR& name) {
    return std::find(names.begin(), names.end(), name) != names.end();
}

std::vector<MSTR> LayersOf(ICATParent* rig) {
    std::vector<MSTR> names;
    for (int i = 0; i < rig->NumLayers(); ++i) names.push_back(rig->GetLayerName(i));
    return names;
}

std::vector<Matrix3> FootprintsOf(ICATParent* rig) {
    std::vector<Matrix3> tms;
    for (int i = 0; i < rig->NumFootprints(); ++i) {
        INode* n = rig->GetFootprint(i);
        tms.push_back(n ? n->GetNodeTM(0) : Matrix3());
    }
    return tms;
}

// The user's node in slot i (IK targets first, then up nodes).
INode* SlotNode(ICATParent* rig, int i) {
    const int limb = i % RefAnimCAT::kLimbs;
    if (limb >= rig->NumLimbs()) return nullptr;
    return i < RefAnimCAT::kLimbs ? rig->GetIKTarget(limb) : rig->GetUpNode(limb);
}

// Undoes a refused bone-structure edit once it has become an undo step: at the next viewport redraw, when
// exactly one step was added since the refusal (an edit made without one cannot be taken back, and no
// other step is undone in its place).
class BoneEditUndo : public RedrawViewsCallback {
public:
    static void Register() {
        if (pending_) return;
        pending_ = std::make_unique<BoneEditUndo>();
        GetCOREInterface()->RegisterRedrawViewsCallback(pending_.get());
    }
    static bool IsPending() { return pending_ != nullptr; }

    void proc(Interface* ip) override {
        ip->UnRegisterRedrawViewsCallback(this);
        const bool undo = theHold.NumUndoSteps() == steps_ + 1;
        std::unique_ptr<BoneEditUndo> self = std::move(pending_);
        if (undo) theHold.Undo();
    }

private:
    static inline std::unique_ptr<BoneEditUndo> pending_;
    int steps_ = theHold.NumUndoSteps();
};

} // namespace

RefAnimCAT::~RefAnimCAT() {
    Watch(false);
    // The base destructor counts one reference only: the user's nodes go here.
    DropRefsUnlessDeleted();
}

RefTargetHandle RefAnimCAT::GetReference(int i) {
    if (i >= 1 && i <= 2 * kLimbs) return nodes_[static_cast<size_t>(i - 1)];
    return RefAnim::GetReference(i);
}

void RefAnimCAT::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 1 && i <= 2 * kLimbs) nodes_[static_cast<size_t>(i - 1)] = rtarg;
    else RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimCAT::IsRealDependency(ReferenceTarget* rtarg) {
    return rtarg && rtarg != GetAnim() && std::find(nodes_.begin(), nodes_.end(), rtarg) != nodes_.end();
}

ICATParent* RefAnimCAT::Rig() const { return GetCATParentInterface(GetAnim()); }

void RefAnimCAT::TakeAuthor(ICATParent* rig) {
    authorSettings_ = rig->GetSettings();
    authorLayers_ = LayersOf(rig);
    for (int i = 0; i < 2 * kLimbs; ++i) {
        INode* n = SlotNode(rig, i);
        authorNodes_[static_cast<size_t>(i)] = n ? Animatable::GetHandleByAnim(n) : 0;
    }
    authorFootprints_ = FootprintsOf(rig);
}

void RefAnimCAT::ReadDifferences(ICATParent* rig) {
    const CATRigSettings now = rig->GetSettings();
    std::uint32_t changed = 0;
    const auto setting = [&](std::uint32_t bit, auto CATRigSettings::*field) {
        if (now.*field == authorSettings_.*field) return;
        changed |= bit;
        settings_.*field = now.*field;
    };
    setting(kCATMode, &CATRigSettings::catMode);
    setting(kCATUnits, &CATRigSettings::catUnits);
    setting(kLengthAxis, &CATRigSettings::lengthAxis);
    setting(kTrackDisplay, &CATRigSettings::trackDisplay);
    setting(kRigColoringMode, &CATRigSettings::rigColoringMode);

    const std::vector<MSTR> layers = LayersOf(rig);
    addedLayers_.clear();
    removedLayers_.clear();
    for (const MSTR& name : layers)
        if (!Contains(authorLayers_, name)) addedLayers_.push_back(name);
    for (const MSTR& name : authorLayers_)
        if (!Contains(layers, name)) removedLayers_.push_back(name);
    if (!addedLayers_.empty() || !removedLayers_.empty()) changed |= kLayers;

    for (int i = 0; i < 2 * kLimbs; ++i) {
        INode* n = SlotNode(rig, i);
        const bool mine = n && Animatable::GetHandleByAnim(n) != authorNodes_[static_cast<size_t>(i)];
        ReferenceTarget* want = mine ? n : nullptr;
        if (nodes_[static_cast<size_t>(i)] != want) ReplaceReference(1 + i, want);
    }

    const std::vector<Matrix3> footprints = FootprintsOf(rig);
    if (footprints != authorFootprints_) {
        changed |= kFootprints;
        footprints_ = footprints;
    }
    changed_ = changed;
}

RefResult RefAnimCAT::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                       BOOL) {
    // Undo and redo bring the Modified bit back with its own record; the differences are read again at
    // the collect, before the content goes away.
    ICATParent* rig = Rig();
    if (!rig || !IsUserChangeOfAnim(hTarget, message) || theHold.RestoreOrRedoing()) return REF_STOP;
    ReadDifferences(rig);
    const bool any = changed_ != 0 || std::any_of(nodes_.begin(), nodes_.end(), [](auto* n) { return n != nullptr; });
    if (any && !IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
    return REF_STOP;
}

RefResult RefAnimCAT::SetAnim(ReferenceTarget* anim) {
    ICATParent* rig = GetCATParentInterface(anim);
    if (rig && !IsOverridden(REFANIM_MODIFIED)) TakeAuthor(rig);
    const RefResult res = RefAnim::SetAnim(anim);
    Watch(rig != nullptr);
    return res;
}

void RefAnimCAT::CollectLocDep(DWORD stamp) {
    if (ICATParent* rig = Rig(); rig && IsOverridden(REFANIM_MODIFIED) && !IsOverridden(REFANIM_REPLACED))
        ReadDifferences(rig);
    RefAnim::CollectLocDep(stamp);
}

void RefAnimCAT::Apply(ICATParent* fresh) {
    CATRigSettings s = fresh->GetSettings();
    if (changed_ & kCATMode) s.catMode = settings_.catMode;
    if (changed_ & kCATUnits) s.catUnits = settings_.catUnits;
    if (changed_ & kLengthAxis) s.lengthAxis = settings_.lengthAxis;
    if (changed_ & kTrackDisplay) s.trackDisplay = settings_.trackDisplay;
    if (changed_ & kRigColoringMode) s.rigColoringMode = settings_.rigColoringMode;
    fresh->SetSettings(s);
    if (changed_ & kLayers) {
        for (const MSTR& name : removedLayers_)
            for (int i = fresh->NumLayers() - 1; i >= 0; --i)
                if (fresh->GetLayerName(i) == name) fresh->RemoveLayer(i);
        const std::vector<MSTR> there = LayersOf(fresh);
        for (const MSTR& name : addedLayers_)
            if (!Contains(there, name)) fresh->AppendLayer(name.c_str());
    }
    for (int limb = 0; limb < std::min(kLimbs, fresh->NumLimbs()); ++limb) {
        if (auto* n = static_cast<INode*>(nodes_[static_cast<size_t>(limb)])) fresh->SetIKTarget(limb, n);
        if (auto* n = static_cast<INode*>(nodes_[static_cast<size_t>(kLimbs + limb)])) fresh->SetUpNode(limb, n);
    }
    if ((changed_ & kFootprints) && static_cast<int>(footprints_.size()) == fresh->NumFootprints()) {
        std::vector<INode*> nodes;
        for (int i = 0; i < fresh->NumFootprints(); ++i) nodes.push_back(fresh->GetFootprint(i));
        // Footprints move only by keys: the record sets them, in animate mode, when the step ends (a step of
        // the mirror's own when no hold is open).
        const bool begin = !theHold.Holding();
        if (begin) theHold.Begin();
        auto* record = new CATFootPrintsRestore(nodes, footprints_);
        if (theHold.Holding()) {
            theHold.Put(record);
        } else {
            record->EndHold();
            delete record;
        }
        if (begin) theHold.Accept(L"Footprints");
    }
}

void RefAnimCAT::Override(Animatable* root) {
    if (IsOverridden(REFANIM_REPLACED)) return RefAnim::Override(root);
    PathResolution r;
    if (!GetAnimByPath(root, r)) return;
    ICATParent* fresh = GetCATParentInterface(r.anim);
    if (!fresh) return;
    if (r.anim != GetAnim()) {
        TakeAuthor(fresh);
        if (IsOverridden(REFANIM_MODIFIED)) Apply(fresh);
        SetAnim(static_cast<ReferenceTarget*>(r.anim));
    }
    SetPathByNumber(r.newNumbers);
}

void RefAnimCAT::Watch(bool on) {
    ISceneEventManager* events = GetCOREInterface()->GetISceneEventManager();
    if (on && !watch_) watch_ = events->RegisterCallback(this);
    if (!on && watch_) {
        events->UnRegisterCallback(watch_);
        watch_ = 0;
    }
}

void RefAnimCAT::RefuseBoneEdit(NodeKeyTab& nodes) {
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing() || !GetAnim()) return;
    bool ours = false;
    for (int i = 0; i < nodes.Count() && !ours; ++i) {
        INode* n = NodeEventNamespace::GetNodeByKey(nodes[i]);
        Control* tm = n ? n->GetTMController() : nullptr;
        auto* bone = tm ? static_cast<ICATControl*>(tm->GetInterface(CATCONTROL_INTERFACE)) : nullptr;
        ours = bone && bone->GetCATParent() == GetAnim();
    }
    if (!ours || BoneEditUndo::IsPending()) return;
    Interface* ip = GetCOREInterface();
    if (!ip->GetQuietMode()) ip->Services().MessageBox(kBoneEditMessage, kBoneEditTitle, MB_OK | MB_ICONEXCLAMATION);
    BoneEditUndo::Register();
}

void RefAnimCAT::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimCAT*>(from);
    auto* dst = dynamic_cast<RefAnimCAT*>(to);
    if (src && dst) {
        // A copy holds the same nodes: they are the user's, not the copy's own.
        for (int i = 0; i < 2 * kLimbs; ++i)
            if (ReferenceTarget* n = src->nodes_[static_cast<size_t>(i)]) dst->ReplaceReference(1 + i, n);
        dst->changed_ = src->changed_;
        dst->settings_ = src->settings_;
        dst->addedLayers_ = src->addedLayers_;
        dst->removedLayers_ = src->removedLayers_;
        dst->footprints_ = src->footprints_;
        dst->authorSettings_ = src->authorSettings_;
        dst->authorLayers_ = src->authorLayers_;
        dst->authorNodes_ = src->authorNodes_;
        dst->authorFootprints_ = src->authorFootprints_;
    }
    RefAnim::BaseClone(from, to, remap);
}

namespace {
IOResult WriteNames(ISave* isave, USHORT id, const std::vector<MSTR>& names) {
    isave->BeginChunk(id);
    IOResult res = IO_OK;
    for (const MSTR& n : names)
        if (res == IO_OK) res = WriteStringChunk(isave, RefAnimCAT::kLayerNameChunk, n);
    const IOResult end = isave->EndChunk();
    return res == IO_OK ? end : res;
}

IOResult ReadNames(ILoad* iload, std::vector<MSTR>& names) {
    names.clear();
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id != RefAnimCAT::kLayerNameChunk) return IO_OK;
        MSTR n;
        const IOResult res = iload->ReadWStringChunk(n);
        if (res == IO_OK) names.push_back(std::move(n));
        return res;
    });
}
} // namespace

IOResult RefAnimCAT::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kChangedChunk, changed_);
    if (res == IO_OK) res = WriteValueChunk(isave, kSettingsChunk, settings_);
    if (res == IO_OK) res = WriteNames(isave, kAddedLayersChunk, addedLayers_);
    // The number of limbs the mirror keeps nodes for, for readers of the file; loading takes the rig's.
    if (res == IO_OK) res = WriteValueChunk(isave, kLimbCountChunk, static_cast<std::int32_t>(kLimbs));
    if (res == IO_OK) res = WriteNames(isave, kRemovedLayersChunk, removedLayers_);
    if (res == IO_OK) res = WriteListChunk<std::uint32_t>(isave, kFootprintsChunk, footprints_);
    return res;
}

IOResult RefAnimCAT::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        // The set of changed parts; files of an earlier form keep it in the first chunk of the kind.
        case kOldChangedChunk:
        case kChangedChunk: return ReadValues(iload, changed_);
        case kSettingsChunk: return ReadValues(iload, settings_);
        case kAddedLayersChunk: return ReadNames(iload, addedLayers_);
        case kRemovedLayersChunk: return ReadNames(iload, removedLayers_);
        case kFootprintsChunk: return ReadList<std::uint32_t>(iload, footprints_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimCAT::Describe() {
    MSTR s = RefAnim::Describe();
    static const MCHAR* const kWords[] = {L"CATMode, ", L"CATUnits, ", L"LengthAxis, ", L"TrackDisplay, ",
                                          L"rigColoringMode, ", L"layers, ", L"footprints, "};
    if (changed_) {
        s += L"\nChanged: ";
        for (int bit = 0; bit < 7; ++bit)
            if (changed_ & (1u << bit)) s += kWords[bit];
    }
    for (int i = 0; i < 2 * kLimbs; ++i)
        if (auto* n = static_cast<INode*>(nodes_[static_cast<size_t>(i)]))
            s += WStr::Format(L"\n%s %d: %s", i < kLimbs ? L"IK Target" : L"Up Node", i % kLimbs + 1, n->GetName());
    return s;
}
