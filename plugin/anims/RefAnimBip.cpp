// The Biped mirror: the Biped's files collected into buffers, loaded into the fresh Biped after a merge,
// the root's unkeyed pose put back, and the figure-mode guard.
#include "plugin/anims/RefAnimBip.h"

#include "host/core/ChunkFields.h"
#include "host/core/FileTime.h"
#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/PerformanceTimer.h"
#include "host/core/TempPath.h"
#include "host/scene/Control.h"
#include "host/scene/HostServices.h"
#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "host/scene/biped/BipedRootControl.h"
#include "plugin/frame/OperationCode.h"
#include "plugin/settings/OstrivansSettings.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <new>

namespace {

constexpr const MCHAR* kCollectError = L"\nError Collecting Refed Biped";
constexpr const MCHAR* kCollectMixerError = L"\nError Collecting Refed Biped Mixer Data";
constexpr const MCHAR* kOverrideError = L"\nError Overriding Refed Biped.";
constexpr const MCHAR* kFigureModeMessage = L"External Reference Biped cannot be edited in figure mode.";
constexpr const MCHAR* kFigureModeTitle = L"Biped Message";

void Say(const WStr& text) {
    mputs(text.c_str());
    mflush();
}

// The whole file in buf; on failure the listener hears which step failed (after prefix) and buf is empty.
void ReadWholeFile(const WStr& path, std::vector<std::uint8_t>& buf, const MCHAR* prefix) {
    buf.clear();
    const std::string name = NormalizePath(path).ToUTF8();
    std::error_code ec;
    std::ifstream in;
    if (std::filesystem::is_regular_file(name, ec)) in.open(name, std::ios::binary | std::ios::ate);
    if (!in.is_open() || !in) return Say(WStr(prefix) + L" - Stream error.");
    const std::streamoff size = in.tellg();
    in.seekg(0);
    try {
        buf.resize(static_cast<size_t>(size < 0 ? 0 : size));
    } catch (const std::bad_alloc&) {
        buf.clear();
        return Say(WStr(prefix) + L" - Allocating Buffer.");
    }
    in.read(reinterpret_cast<char*>(buf.data()), static_cast<std::streamsize>(buf.size()));
    if (static_cast<size_t>(in.gcount()) < buf.size()) {
        buf.clear();
        Say(WStr(prefix) + L" - Copying buffer.");
    }
}

bool WriteWholeFile(const WStr& path, const std::vector<std::uint8_t>& buf) {
    std::ofstream out(NormalizePath(path).ToUTF8(), std::ios::binary | std::ios::trunc);
    out.write(reinterpret_cast<const char*>(buf.data()), static_cast<std::streamsize>(buf.size()));
    out.close();
    return static_cast<bool>(out);
}

// A stale file from an earlier collect must never pass for this Biped's.
void RemoveFile(const WStr& path) { std::remove(NormalizePath(path).ToUTF8().c_str()); }

bool EndsWithMax(const WStr& path) {
    const std::wstring& s = path.str();
    return s.size() >= 4 && WStr(s.substr(s.size() - 4).c_str()).EqualsNoCase(L".max");
}

// Runs once at the next viewport redraw on the Biped, if it still exists: gives it back a number of layers,
// or ends figure mode (entered again by the edit that was refused).
class BipedRedraw : public RedrawViewsCallback {
public:
    BipedRedraw(Animatable* root, int layers) : root_(Animatable::GetHandleByAnim(root)), layers_(layers) {}

    static void Register(Animatable* root, int layers) {
        Pending().push_back(std::make_unique<BipedRedraw>(root, layers));
        GetCOREInterface()->RegisterRedrawViewsCallback(Pending().back().get());
    }

    void proc(Interface* ip) override {
        if (IBipMaster* bip = GetBipMasterInterface(Animatable::GetAnimByHandle(root_))) {
            if (layers_ < 0) bip->EndModes(BMODE_FIGURE);
            while (layers_ >= 0 && bip->NumLayers() < layers_) bip->CreateLayer(bip->NumLayers(), L"");
        }
        ip->UnRegisterRedrawViewsCallback(this);
        auto& pending = Pending();
        const auto it = std::find_if(pending.begin(), pending.end(), [this](const auto& p) { return p.get() == this; });
        if (it != pending.end()) pending.erase(it); // deletes this: nothing may follow
    }

private:
    static std::vector<std::unique_ptr<BipedRedraw>>& Pending() {
        static std::vector<std::unique_ptr<BipedRedraw>> pending;
        return pending;
    }

    AnimHandle root_;
    int layers_;
};

// The node the user is working on: the first selected one.
INode* NodeUnderEdit() {
    Interface* ip = GetCOREInterface();
    return ip->GetSelNodeCount() > 0 ? ip->GetSelNode(0) : nullptr;
}

} // namespace

RefAnimBip::~RefAnimBip() {
    // The base destructor counts one reference only: the master and the held parts go here.
    DropRefsUnlessDeleted();
}

WStr RefAnimBip::AnimFilePath() {
    return GetCOREInterface()->GetDir(APP_TEMP_DIR) + L"\\" + GetString(IDS_BIP_DATA_FILE);
}

WStr RefAnimBip::MixerFilePath() {
    return GetCOREInterface()->GetDir(APP_TEMP_DIR) + L"\\" + GetString(IDS_BIP_MIXER_DATA_FILE);
}

RefTargetHandle RefAnimBip::GetReference(int i) {
    if (i == 1) return master_;
    if (i >= 2 && i < 2 + kParts) return parts_[static_cast<size_t>(i - 2)];
    return RefAnim::GetReference(i);
}

void RefAnimBip::SetReference(int i, RefTargetHandle rtarg) {
    if (i == 1) master_ = rtarg;
    else if (i >= 2 && i < 2 + kParts) parts_[static_cast<size_t>(i - 2)] = rtarg;
    else RefAnim::SetReference(i, rtarg);
}

BOOL RefAnimBip::IsRealDependency(ReferenceTarget* rtarg) {
    return rtarg && rtarg != GetAnim() && rtarg != master_ &&
           std::find(parts_.begin(), parts_.end(), rtarg) != parts_.end();
}

RefResult RefAnimBip::SetAnim(ReferenceTarget* anim) {
    IBipMaster* bip = GetBipMasterInterface(anim);
    if (bip && (bip->GetMode() & BMODE_FIGURE)) bip->EndModes(BMODE_FIGURE);
    ReplaceReference(1, anim ? anim->GetReference(0) : nullptr);
    if (bip) mixerMode_ = static_cast<std::int32_t>(bip->GetMode() & BMODE_MIXER);
    return RefAnim::SetAnim(anim);
}

bool RefAnimBip::RootTrackKeys(bool keyed[3]) const {
    ReferenceTarget* root = GetAnim();
    if (!root || root->NumSubs() < 3) return false;
    for (int i = 0; i < 3; ++i) {
        Animatable* sub = root->SubAnim(i);
        if (!sub || !sub->GetInterface(I_CONTROL)) return false;
        keyed[i] = static_cast<Control*>(sub)->NumKeys() > 0;
    }
    return true;
}

void RefAnimBip::UpdateToggled(bool undoable) {
    bool keyed[3];
    if (!RootTrackKeys(keyed)) return;
    const bool all = keyed[0] && keyed[1] && keyed[2];
    if (all != !IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, !all, undoable);
}

RefResult RefAnimBip::NotifyRefChanged(const Interval&, RefTargetHandle hTarget, PartID& partID, RefMessage message,
                                       BOOL) {
    if (GetCurrentOperation() != OperationCode::None || theHold.RestoreOrRedoing() || message != REFMSG_CHANGE)
        return REF_STOP;
    // Every edit of the Biped's animation changes its master.
    if (hTarget == master_ && master_) {
        if (!IsOverridden(REFANIM_MODIFIED)) SetOverriddenFlag(REFANIM_MODIFIED, true, true);
        return REF_STOP;
    }
    if (hTarget != GetAnim() || !GetAnim()) return REF_STOP;
    IBipMaster* bip = GetBipMasterInterface(GetAnim());
    if (!bip) return REF_STOP;
    IRefAnimOwner* owner = GetOwner();
    INode* helperNode = owner ? owner->GetHelperNode() : nullptr;
    if ((bip->GetMode() & BMODE_FIGURE) && helperNode && helperNode == NodeUnderEdit()) {
        bip->EndModes(BMODE_FIGURE);
        Interface* ip = GetCOREInterface();
        if (!ip->GetQuietMode()) ip->Services().MessageBox(kFigureModeMessage, kFigureModeTitle, MB_OK | MB_ICONEXCLAMATION);
        BipedRedraw::Register(GetAnim(), -1);
    }
    UpdateToggled(true);
    if (partID == REFANIM_TRANSFER_PARTS) {
        const auto bit = static_cast<std::int32_t>(bip->GetMode() & BMODE_MIXER);
        if (bit != mixerMode_) {
            if (!IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, true, true);
            mixerMode_ = bit;
        }
        if (bit) {
            if (!IsOverridden(REFANIM_TOGGLED)) SetOverriddenFlag(REFANIM_TOGGLED, true, true);
            mixerChanged_ = 1;
        }
    }
    return REF_STOP;
}

void RefAnimBip::CollectLocDep(DWORD /*stamp*/) {
    // A scene kept in the temporary folder under another name is the host's own working copy.
    const WStr scene = GetCOREInterface()->GetCurFilePath();
    if (!EndsWithMax(scene) && PathIsInFolder(scene, GetSystemTempPath())) return;
    ReferenceTarget* root = GetAnim();
    if (!root) return;
    IBipMaster* bip = GetBipMasterInterface(root);
    const TimeValue t = GetCOREInterface()->GetTime();
    if (IsOverridden(REFANIM_TOGGLED) && bip) {
        INode* node = bip->GetRootNode();
        rootPos_ = bip->GetBipedPos(t, node);
        rootRot_ = node ? bip->GetBipedRot(t, node, TRUE) : Quat::Identity();
    }
    if (!IsOverridden(REFANIM_MODIFIED)) return;
    const bool timing = PrintTimesSetting() != 0;
    PerformanceTools::Timer timer;
    if (timing) timer.StartTimer();
    if (!bip) return Say(WStr(kCollectError) + L" - bipMaster error.");
    for (int i = 0; i < kParts; ++i) {
        INode* node = bip->GetNode(kPartIds[static_cast<size_t>(i)]);
        Control* tm = node ? node->GetTMController() : nullptr;
        ReplaceReference(2 + i, tm ? tm->GetReference(1) : nullptr);
    }
    layerCount_ = bip->NumLayers() + 1;
    switches_[0] = bip->GetShowFootsteps() ? 1 : 0;
    switches_[1] = bip->GetTwistLinks() ? 1 : 0;
    CollectFiles(bip);
    if (timing) Say(WStr::Format(L"\nBipCollect Time: %f\n", timer.EndTimer()));
}

void RefAnimBip::CollectFiles(IBipMaster* bip) {
    const WStr animFile = AnimFilePath();
    RemoveFile(animFile);
    DisableRefMsgs();
    const DWORD modes = bip->GetMode() & (BMODE_MIXER | BMODE_MOTIONFLOW);
    if (modes) bip->EndModes(modes, FALSE);
    bip->SaveFile(animFile.c_str());
    if (modes) bip->BeginModes(modes, FALSE);
    EnableRefMsgs();
    ReadWholeFile(animFile, bipData_, kCollectError);

    IMixer* mixer = bip->GetMixer();
    if (!mixer) return;
    const WStr mixFile = MixerFilePath();
    RemoveFile(mixFile);
    DisableRefMsgs();
    mixer->SaveMixFile(mixFile.c_str());
    EnableRefMsgs();
    ReadWholeFile(mixFile, mixerData_, kCollectMixerError);
}

void RefAnimBip::Override(Animatable* root) {
    PathResolution r;
    if (!GetAnimByPath(root, r) || !r.anim || r.anim->SuperClassID() != CTRL_MATRIX3_CLASS_ID ||
        !(r.anim->ClassID() == BIPED_ROOT_CLASS_ID))
        return;
    auto* fresh = static_cast<ReferenceTarget*>(r.anim);
    IBipMaster* bip = GetBipMasterInterface(fresh);
    if (!bip) return;
    if (fresh == GetAnim()) {
        SetPathByNumber(r.newNumbers);
        return;
    }
    if (!IsOverridden(REFANIM_MODIFIED) || bipData_.empty()) {
        mixerMode_ = static_cast<std::int32_t>(bip->GetMode() & BMODE_MIXER);
    } else if (!WriteWholeFile(AnimFilePath(), bipData_)) {
        Say(kOverrideError);
    } else {
        for (int i = 0; i < kParts; ++i) {
            INode* node = bip->GetNode(kPartIds[static_cast<size_t>(i)]);
            Control* tm = node ? node->GetTMController() : nullptr;
            ReferenceTarget* mine = parts_[static_cast<size_t>(i)];
            if (tm && mine && tm->GetReference(1) != mine) tm->ReplaceReference(1, mine);
        }
        const DWORD modes = bip->GetMode() & (BMODE_MIXER | BMODE_MOTIONFLOW);
        if (modes) bip->EndModes(modes, FALSE);
        if (!bip->LoadFile(AnimFilePath().c_str(), FALSE, FALSE, FALSE)) Say(kOverrideError);
        bip->SetShowFootsteps(switches_[0]);
        bip->SetTwistLinks(switches_[1]);
        if (layerCount_ > 0) BipedRedraw::Register(fresh, layerCount_ - 1);
        if (mixerMode_) bip->BeginModes(BMODE_MIXER, FALSE);
        else bip->EndModes(BMODE_MIXER, FALSE);
        if (mixerChanged_) {
            IMixer* mixer = bip->GetMixer();
            if (!mixer || !WriteWholeFile(MixerFilePath(), mixerData_) || !mixer->LoadMixFile(MixerFilePath().c_str(), FALSE))
                Say(kOverrideError);
        }
    }
    if (IsOverridden(REFANIM_TOGGLED)) RegisterWithHelper();
    SetAnim(fresh);
    SetPathByNumber(r.newNumbers);
}

void RefAnimBip::FinishOverride() {
    bool keyed[3];
    if (!IsOverridden(REFANIM_TOGGLED) || !RootTrackKeys(keyed)) return;
    if (keyed[0] && keyed[1] && keyed[2]) {
        SetOverriddenFlag(REFANIM_TOGGLED, false, true);
        return;
    }
    IBipMaster* bip = GetBipMasterInterface(GetAnim());
    if (!bip) return;
    INode* node = bip->GetRootNode();
    const TimeValue t = GetCOREInterface()->GetTime();
    if (!keyed[2]) bip->SetBipedRot(rootRot_, t, node);
    if ((!keyed[0] || !keyed[1]) && !(bip->GetMode() & BMODE_MIXER)) bip->SetBipedPos(rootPos_, t, node);
}

void RefAnimBip::BaseClone(ReferenceTarget* from, ReferenceTarget* to, RemapDir& remap) {
    auto* src = dynamic_cast<RefAnimBip*>(from);
    auto* dst = dynamic_cast<RefAnimBip*>(to);
    if (src && dst) {
        // A copy holds the same part controllers: they are the user's, not the copy's own.
        for (int i = 0; i < kParts; ++i)
            if (src->parts_[static_cast<size_t>(i)]) dst->ReplaceReference(2 + i, src->parts_[static_cast<size_t>(i)]);
        dst->bipData_ = src->bipData_;
        dst->mixerData_ = src->mixerData_;
        dst->layerCount_ = src->layerCount_;
        dst->switches_[0] = src->switches_[0];
        dst->switches_[1] = src->switches_[1];
        dst->rootPos_ = src->rootPos_;
        dst->rootRot_ = src->rootRot_;
        dst->mixerChanged_ = src->mixerChanged_;
        dst->mixerMode_ = src->mixerMode_;
    }
    RefAnim::BaseClone(from, to, remap);
}

IOResult RefAnimBip::Save(ISave* isave) {
    IOResult res = SaveWrappedBase(isave);
    if (res == IO_OK) res = WriteListChunk<std::uint32_t>(isave, kBipDataChunk, bipData_);
    if (res == IO_OK) res = WriteListChunk<std::uint32_t>(isave, kMixerDataChunk, mixerData_);
    if (res == IO_OK) res = WriteValueChunk(isave, kLayersChunk, layerCount_);
    if (res == IO_OK) res = WriteValueChunk(isave, kSwitchesChunk, switches_[0], switches_[1]);
    if (res == IO_OK) res = WriteValueChunk(isave, kRootPoseChunk, rootPos_, rootRot_);
    if (res == IO_OK) res = WriteValueChunk(isave, kMixerChangedChunk, mixerChanged_);
    if (res == IO_OK) res = WriteValueChunk(isave, kMixerModeChunk, mixerMode_);
    return res;
}

IOResult RefAnimBip::Load(ILoad* iload) {
    const auto readBytes = [iload](std::vector<std::uint8_t>& buf) {
        std::uint32_t n = 0;
        buf.clear();
        const ULONG length = iload->CurChunkLength();
        IOResult res = ReadCount(iload, n, length < sizeof n ? 0 : length - sizeof n);
        if (res != IO_OK) return res;
        buf.resize(n);
        ULONG got = 0;
        if (n && ((res = iload->Read(buf.data(), n, &got)) != IO_OK || got != n)) {
            buf.clear();
            return res == IO_OK ? IO_ERROR : res;
        }
        return IO_OK;
    };
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kWrappedBaseChunk: return LoadWrappedBase(iload);
        case kBipDataChunk: return readBytes(bipData_);
        case kMixerDataChunk: return readBytes(mixerData_);
        case kLayersChunk: return ReadValues(iload, layerCount_);
        case kSwitchesChunk: return ReadValues(iload, switches_[0], switches_[1]);
        case kRootPoseChunk: return ReadValues(iload, rootPos_, rootRot_);
        case kMixerChangedChunk: return ReadValues(iload, mixerChanged_);
        case kMixerModeChunk: return ReadValues(iload, mixerMode_);
        default: return LoadKindChunk(iload);
        }
    });
}

MSTR RefAnimBip::Describe() {
    return RefAnim::Describe() +
           WStr::Format(L"\nBiped Data: %d bytes\nMixer Data: %d bytes\nLayers: %s\nSwitches: %d %d\nMixer Mode: %d"
                        L"\nMixer Changed: %d",
                        static_cast<int>(bipData_.size()), static_cast<int>(mixerData_.size()),
                        layerCount_ > 0 ? WStr::FromInt(layerCount_ - 1).c_str() : L"none", switches_[0], switches_[1],
                        mixerMode_ ? 1 : 0, mixerChanged_);
}
