// The light mirror: on state and include/exclude list, kept and given back after every merge.
#include "plugin/anims/RefAnimStdLight.h"

#include "host/core/ChunkFields.h"
#include "host/core/Hold.h"
#include "host/core/PlugApi.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/Object.h"
#include "plugin/anims/RefAnimRestore.h"
#include "plugin/frame/OperationCode.h"

#include <algorithm>

RefAnimStdLight::~RefAnimStdLight() {
    // The base destructor counts one reference only: the list's nodes go here.
    DropRefsUnlessDeleted();
}

LightObject* RefAnimStdLight::LightOf(Animatable* anim) {
    return anim && anim->SuperClassID() == LIGHT_CLASS_ID ? static_cast<LightObject*>(anim) : nullptr;
}

RefTargetHandle RefAnimStdLight::GetReference(int i) {
    return i >= 1 && i <= static_cast<int>(nodes_.size()) ? nodes_[static_cast<size_t>(i - 1)] : RefAnim::GetReference(i);
}

void RefAnimStdLight::SetReference(int i, RefTargetHandle rtarg) {
    if (i >= 1 && i <= static_cast<int>(nodes_.size()))
        nodes_[static_cast<size_t>(i - 1)] = rtarg;
    else
        RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimStdLight::IsRealDependency(ReferenceTarget* rtarg) {
    if (rtarg && rtarg != GetAnim() && std::find(nodes_.begin(), nodes_.end(), rtarg) != nodes_.end()) return FALSE;
    return RefAnim::IsRealDependency(rtarg);
}

void RefAnimStdLight::SetNumNodes(size_t n) {
    for (size_t k = nodes_.size(); k-- > n;)
        if (nodes_[k]) DeleteReference(1 + static_cast<int>(k));
    nodes_.resize(n, nullptr);
    names_.resize(n);
}

void RefAnimStdLight::Read(LightObject* light, std::uint8_t mask) {
    if (!light) return;
    if (mask & kOnState) on_ = light->GetUseLight() ? 1 : 0;
    if (mask & kExclusions) {
        const ExclList& list = *light->GetExclList();
        listFlags_ = list.GetFlags();
        SetNumNodes(static_cast<size_t>(list.Count()));
        for (int k = 0; k < list.Count(); ++k) {
            INode* node = list[k];
            if (nodes_[static_cast<size_t>(k)] != node) ReplaceReference(1 + k, node);
            names_[static_cast<size_t>(k)] = node ? WStr(node->GetName()) : WStr();
        }
    }
}

std::uint8_t RefAnimStdLight::Differing(LightObject* light, std::uint8_t mask) const {
    if (!light) return 0;
    std::uint8_t out = 0;
    if ((mask & kOnState) && (light->GetUseLight() ? 1 : 0) != on_) out |= kOnState;
    if (mask & kExclusions) {
        const ExclList& list = *light->GetExclList();
        bool same = list.GetFlags() == listFlags_ && list.Count() == static_cast<int>(nodes_.size());
        for (int k = 0; same && k < list.Count(); ++k) same = list[k] == nodes_[static_cast<size_t>(k)];
        if (!same) out |= kExclusions;
    }
    return out;
}

void RefAnimStdLight::Change(LightObject* light, std::uint8_t diff) {
    if (!diff) return;
    if ((diff & kOnState) && !(changed_ & kOnState)) fileOn_ = on_;
    Read(light, diff);
    SetFlagBits(changed_, diff, true, true, this);
    if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
}

RefResult RefAnimStdLight::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID&, RefMessage message,
                                            BOOL) {
    LightObject* light = LightOf(GetAnim());
    if (!light || hTarget != GetAnim() || IsOverridden(REFANIM_REPLACED)) return REF_STOP;
    if (GetCurrentOperation() != OperationCode::None || message != REFMSG_CHANGE) return REF_STOP;
    if (theHold.RestoreOrRedoing()) {
        Read(light, kOnState);
        return REF_STOP;
    }
    Change(light, Differing(light, kOnState));
    return REF_STOP;
}

RefResult RefAnimStdLight::SetAnim(ReferenceTarget* anim) {
    const RefResult res = RefAnim::SetAnim(anim);
    Read(LightOf(anim), static_cast<std::uint8_t>((kOnState | kExclusions) & ~changed_));
    return res;
}

void RefAnimStdLight::CollectLocDep(DWORD stamp) {
    // Runs before an unload or a save: a list that differs from the one taken is the user's edit.
    if (!IsOverridden(REFANIM_REPLACED)) Change(LightOf(GetAnim()), Differing(LightOf(GetAnim()), kExclusions));
    RefAnim::CollectLocDep(stamp);
}

void RefAnimStdLight::Override(Animatable* root) {
    PathResolution r;
    if (!FollowToFresh(root, r)) return;
    LightObject* light = LightOf(r.anim);
    if (!light || !IsOverridden(REFANIM_MODIFIED)) return;
    if ((changed_ & kOnState) && (light->GetUseLight() ? 1 : 0) != on_) light->SetUseLight(on_ ? TRUE : FALSE);
    if (changed_ & kExclusions) {
        // Nodes the unload took come back by name, as the fresh content's nodes of that name.
        ExclList& list = *light->GetExclList();
        list.SetSize(0);
        for (size_t k = 0; k < nodes_.size(); ++k) {
            INode* node = static_cast<INode*>(nodes_[k]);
            if (!node && names_[k].Length() > 0) node = GetCOREInterface()->GetINodeByName(names_[k].data());
            if (node) list.AddNode(node);
        }
        for (int bit = 0; bit < 32; ++bit)
            if (list.TestFlag(1 << bit) != ((listFlags_ & (1 << bit)) != 0)) list.SetFlag(1 << bit, (listFlags_ & (1 << bit)) != 0);
        Read(light, kExclusions);
    }
}

void RefAnimStdLight::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimStdLight*>(from);
    auto* dst = dynamic_cast<RefAnimStdLight*>(to);
    if (src && dst) {
        dst->SetNumNodes(src->nodes_.size());
        for (size_t k = 0; k < src->nodes_.size(); ++k)
            if (src->nodes_[k]) dst->ReplaceReference(1 + static_cast<int>(k), src->nodes_[k]);
        dst->names_ = src->names_;
        dst->on_ = src->on_;
        dst->fileOn_ = src->fileOn_;
        dst->listFlags_ = src->listFlags_;
        dst->changed_ = src->changed_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimStdLight::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteValueChunk(isave, kOnChunk, on_);
    if (res == IO_OK) res = WriteValueChunk(isave, kListFlagsChunk, listFlags_);
    if (res == IO_OK) res = WriteValueChunk(isave, kListCountChunk, static_cast<std::int32_t>(nodes_.size()));
    if (res == IO_OK) res = WriteValueChunk(isave, kChangedChunk, changed_);
    for (size_t k = 0; res == IO_OK && k < names_.size(); ++k) res = WriteStringChunk(isave, kListNameChunk, names_[k]);
    if (res == IO_OK) res = WriteValueChunk(isave, kFileOnChunk, fileOn_);
    return res;
}

IOResult RefAnimStdLight::Load(ILoad* iload) {
    std::vector<WStr> names;
    const IOResult result = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kOnChunk: return ReadValues(iload, on_);
        case kListFlagsChunk: return ReadValues(iload, listFlags_);
        case kListCountChunk: {
            std::int32_t count = 0;
            const IOResult res = ReadCount(iload, count, iload->StreamBytesLeft());
            if (res == IO_OK) SetNumNodes(static_cast<size_t>(count));
            return res;
        }
        case kChangedChunk: return ReadValues(iload, changed_);
        case kListNameChunk: {
            MSTR name;
            const IOResult res = iload->ReadWStringChunk(name);
            if (res == IO_OK) names.push_back(name);
            return res;
        }
        case kFileOnChunk: return ReadValues(iload, fileOn_);
        default: return LoadKindChunk(iload);
        }
    });
    // The names read stand beside the entries the count made; a damaged file may disagree.
    names.resize(nodes_.size());
    names_ = std::move(names);
    return result;
}

MSTR RefAnimStdLight::Describe() {
    MSTR s = RefAnim::Describe();
    if (changed_ & kOnState) s += WStr::Format(L"\nOn: %d (file: %d)", static_cast<int>(on_), static_cast<int>(fileOn_));
    if (changed_ & kExclusions) {
        s += WStr::Format(L"\nExclusions (flags %d): ", static_cast<int>(listFlags_));
        for (const WStr& n : names_) s += n + L", ";
    }
    return s;
}
