// The Biped's animation file: the figure and the keys of the root and of every body part, in a chunked,
// versioned file of the host's own.
#include "host/core/ChunkFields.h"
#include "host/core/ChunkLoad.h"
#include "host/core/ChunkSave.h"
#include "host/scene/biped/BipedFileHeader.h"
#include "host/scene/biped/BipedMaster.h"
#include "host/scene/biped/BipedPartControl.h"
#include "host/scene/biped/BipedRootControl.h"
#include "host/scene/controllers/ValueControl.h"

#include <map>

namespace {
constexpr BipedFileHeader kHeader{0x4249, 0x5049424F /* "OBIP" */, 1, L"Biped"};
// One chunk per root track (vertical, horizontal, turning), holding the track's own chunks.
constexpr USHORT kRootTrackChunk = 0x0210;
// One chunk per body part: its id and figure position, then its key track.
constexpr USHORT kPartChunk = 0x0300;
constexpr USHORT kPartIdChunk = 0x0301;
constexpr USHORT kPartKeysChunk = 0x0302;

template <class T> IOResult WriteTrack(ISave* s, USHORT id, const KeyTrack<T>& track) {
    s->BeginChunk(id);
    const IOResult res = track.Save(s);
    return res == IO_OK ? s->EndChunk() : res;
}

// The chunk of a track is open: its chunks fill track.
template <class T> IOResult ReadTrack(ILoad* l, KeyTrack<T>& track) {
    return ForEachChunk(l, [&](USHORT) {
        IOResult res = IO_OK;
        track.LoadChunk(l, res);
        return res;
    });
}

struct PartData {
    Point3 figure;
    KeyTrack<Quat> keys;
};

// The file's content before any of it is applied: a damaged file changes nothing.
struct AnimData {
    bool root[3] = {false, false, false};
    KeyTrack<float> rootTracks[3];
    std::map<int, PartData> parts;
};
} // namespace

BOOL BipedRootControl::SaveFile(const MCHAR* fname) {
    fileError_ = MSTR();
    if (modes_ & (BMODE_MIXER | BMODE_MOTIONFLOW)) {
        fileError_ = L"Cannot save the Biped file while the mixer or motion flow drives the Biped";
        return FALSE;
    }
    ChunkSave out{WStr(fname ? fname : L"")};
    IOResult res = kHeader.Write(&out);
    for (int i = 0; i < 3 && res == IO_OK; ++i)
        if (auto* c = dynamic_cast<BezierFloat*>(subs_[i])) res = WriteTrack(&out, static_cast<USHORT>(kRootTrackChunk + i), c->Track());
    for (BipedPartControl* p : GetParts()) {
        if (res != IO_OK) break;
        out.BeginChunk(kPartChunk);
        res = WriteValueChunk(&out, kPartIdChunk, p->GetPartId(), p->GetFigurePos());
        if (auto* keys = dynamic_cast<TCBRotation*>(p->GetKeys()); keys && res == IO_OK)
            res = WriteTrack(&out, kPartKeysChunk, keys->Track());
        if (res == IO_OK) res = out.EndChunk();
    }
    if (res == IO_OK) res = out.Commit();
    if (res != IO_OK) fileError_ = L"Cannot write the Biped file: " + out.GetLastError();
    return res == IO_OK;
}

BOOL BipedRootControl::LoadFile(const MCHAR* fname, BOOL /*redraw*/, BOOL /*loadMaxObjects*/, BOOL /*retarget*/) {
    fileError_ = MSTR();
    if (modes_ & (BMODE_MIXER | BMODE_MOTIONFLOW)) {
        fileError_ = L"Cannot load a Biped file while the mixer or motion flow drives the Biped";
        return FALSE;
    }
    ChunkLoad in;
    AnimData data;
    bool header = false;
    IOResult res = in.OpenFile(WStr(fname ? fname : L""));
    if (res == IO_OK)
        res = ForEachChunk(&in, [&](USHORT id) -> IOResult {
            if (!header) {
                header = true;
                return kHeader.Read(&in, id);
            }
            if (id >= kRootTrackChunk && id < kRootTrackChunk + 3) {
                data.root[id - kRootTrackChunk] = true;
                return ReadTrack(&in, data.rootTracks[id - kRootTrackChunk]);
            }
            if (id != kPartChunk) return IO_OK;
            int partId = -1;
            PartData part;
            const IOResult r = ForEachChunk(&in, [&](USHORT sub) -> IOResult {
                if (sub == kPartIdChunk) return ReadValues(&in, partId, part.figure);
                return sub == kPartKeysChunk ? ReadTrack(&in, part.keys) : IO_OK;
            });
            if (r != IO_OK) return r;
            if (partId < 0 || data.parts.count(partId)) return in.Refuse(WStr::Format(L"body part id %d", partId));
            data.parts[partId] = part;
            return IO_OK;
        });
    if (res == IO_OK && !header) res = kHeader.RefuseKind(&in);
    if (res != IO_OK) {
        fileError_ = L"Cannot load the Biped file: " + in.GetLastError();
        return FALSE;
    }
    // A loaded animation replaces the keys of every track the file has and drops the layers.
    for (int i = 0; i < 3; ++i)
        if (auto* c = dynamic_cast<BezierFloat*>(subs_[i]); c && data.root[i]) c->SetTrack(data.rootTracks[i]);
    for (BipedPartControl* p : GetParts()) {
        const auto it = data.parts.find(p->GetPartId());
        if (it == data.parts.end()) continue;
        p->SetFigurePos(it->second.figure);
        if (auto* keys = dynamic_cast<TCBRotation*>(p->GetKeys())) keys->SetTrack(it->second.keys);
    }
    ChangeSettings(0, GetShowFootsteps(), GetTwistLinks());
    return TRUE;
}
