// The Biped's shared state: undoable edits, the mixer and its files, persistence and copies.
#include "host/scene/biped/BipedMaster.h"

#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/core/RefMessages.h"
#include "host/scene/biped/BipedFileHeader.h"
#include "host/scene/controllers/ControlRestore.h"

namespace {
constexpr USHORT kSettingsChunk = 0x0100;
constexpr USHORT kMixerChunk = 0x0110;
constexpr USHORT kClipChunk = 0x0111;
constexpr USHORT kClipNameChunk = 0x0112;
constexpr USHORT kClipTimesChunk = 0x0113;
// A mixer file: its header chunk, then the clips.
constexpr BipedFileHeader kMixFileHeader{0x4D58, 0x58494D4F /* "OMIX" */, 1, L"mixer"};
constexpr size_t kMaxClips = 1u << 16;

IOResult WriteClips(ISave* isave, const std::vector<MixClip>& clips) {
    for (const MixClip& c : clips) {
        isave->BeginChunk(kClipChunk);
        IOResult res = WriteStringChunk(isave, kClipNameChunk, c.name);
        if (res == IO_OK) res = WriteValueChunk(isave, kClipTimesChunk, c.start, c.end);
        if (res != IO_OK) return res;
        if ((res = isave->EndChunk()) != IO_OK) return res;
    }
    return IO_OK;
}

// A clip chunk is open: its name and times.
IOResult ReadClip(ILoad* iload, std::vector<MixClip>& clips) {
    if (clips.size() >= kMaxClips) return IO_ERROR;
    MixClip c;
    const IOResult res = ForEachChunk(iload, [&](USHORT id) -> IOResult {
        if (id == kClipNameChunk) return iload->ReadWStringChunk(c.name);
        if (id == kClipTimesChunk) return ReadValues(iload, c.start, c.end);
        return IO_OK;
    });
    if (res == IO_OK) clips.push_back(std::move(c));
    return res;
}
} // namespace

BipedMaster::BipedMaster(BOOL /*loading*/) {}

void BipedMaster::GetClassName(MSTR& s, bool /*localized*/) const { s = L"Biped Master"; }

void BipedMaster::Change(const State& after) {
    if (after == state_) return;
    ChangeState(this, state_, after, kValueChangeNote);
}

void BipedMaster::AnimationChanged() { NotifyDependents(FOREVER, PART_ALL, REFMSG_CHANGE); }

MixClip BipedMaster::GetClip(int index) {
    return index >= 0 && index < NumClips() ? state_.clips[static_cast<size_t>(index)] : MixClip();
}

void BipedMaster::AddClip(const MixClip& clip) {
    State after = state_;
    after.hasMixer = true;
    after.clips.push_back(clip);
    Change(after);
}

BOOL BipedMaster::SaveMixFile(const MCHAR* fname) {
    fileError_ = MSTR();
    ChunkSave out{WStr(fname ? fname : L"")};
    IOResult res = kMixFileHeader.Write(&out);
    if (res == IO_OK) res = WriteClips(&out, state_.clips);
    if (res == IO_OK) res = out.Commit();
    if (res != IO_OK) fileError_ = L"Cannot write the mixer file: " + out.GetLastError();
    return res == IO_OK;
}

BOOL BipedMaster::LoadMixFile(const MCHAR* fname, BOOL /*redraw*/) {
    fileError_ = MSTR();
    const WStr path(fname ? fname : L"");
    ChunkLoad in;
    std::vector<MixClip> clips;
    bool header = false;
    IOResult res = in.OpenFile(path);
    if (res == IO_OK)
        res = ForEachChunk(&in, [&](USHORT id) -> IOResult {
            if (!header) {
                header = true;
                return kMixFileHeader.Read(&in, id);
            }
            return id == kClipChunk ? ReadClip(&in, clips) : IO_OK;
        });
    if (res == IO_OK && !header) res = kMixFileHeader.RefuseKind(&in);
    if (res != IO_OK) {
        fileError_ = L"Cannot load the mixer file: " + in.GetLastError();
        return FALSE;
    }
    State after = state_;
    after.hasMixer = true;
    after.clips = std::move(clips);
    Change(after);
    return TRUE;
}

RefTargetHandle BipedMaster::Clone(RemapDir& remap) {
    auto* c = new BipedMaster(TRUE);
    c->state_ = state_;
    BaseClone(this, c, remap);
    return c;
}

IOResult BipedMaster::Save(ISave* isave) {
    IOResult res = WriteValueChunk(isave, kSettingsChunk, state_.layers, state_.showFootsteps, state_.twistLinks);
    if (res != IO_OK || !state_.hasMixer) return res;
    isave->BeginChunk(kMixerChunk);
    if ((res = WriteClips(isave, state_.clips)) != IO_OK) return res;
    return isave->EndChunk();
}

IOResult BipedMaster::Load(ILoad* iload) {
    return ForEachChunk(iload, [&](USHORT id) -> IOResult {
        switch (id) {
        case kSettingsChunk: return ReadValues(iload, state_.layers, state_.showFootsteps, state_.twistLinks);
        case kMixerChunk:
            state_.hasMixer = true;
            return ForEachChunk(iload, [&](USHORT sub) { return sub == kClipChunk ? ReadClip(iload, state_.clips) : IO_OK; });
        default: return IO_OK;
        }
    });
}
