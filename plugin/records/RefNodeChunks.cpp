// The node record's chunks in the scene file: its stored values and the sizes of its reference tables.
#include "plugin/records/RefNode.h"

#include "host/core/Box3.h"
#include "host/core/ChunkIO.h"
#include "host/core/Matrix3.h"
#include "plugin/frame/ChunkHelpers.h"

#include <cstdint>
#include <vector>

namespace {

constexpr USHORT kNodeLoadedChunk = 0x0007;
constexpr USHORT kReferencedNameChunk = 0x0008;
constexpr USHORT kFlagsChunk = 0x000A;
constexpr USHORT kOverriddenNameChunk = 0x000B;
constexpr USHORT kChildCountChunk = 0x000C;
constexpr USHORT kGroupingChunk = 0x000D;
constexpr USHORT kObjectOffsetChunk = 0x000E;
constexpr USHORT kSkinPoseChunk = 0x000F;
constexpr USHORT kWireColorChunk = 0x0010;
constexpr USHORT kDisplayChunk = 0x0011;
constexpr USHORT kRenderChunk = 0x0012;
constexpr USHORT kUserPropsChunk = 0x0013;
constexpr USHORT kBoneChunk = 0x0014;
constexpr USHORT kWSModCountChunk = 0x0015;
constexpr USHORT kOSModCountChunk = 0x0016;
constexpr USHORT kWSModChunk = 0x0017;
constexpr USHORT kOSModChunk = 0x0018;
constexpr USHORT kWSModEmptyChunk = 0x0019;
constexpr USHORT kOSModEmptyChunk = 0x001A;
constexpr USHORT kDeletedCountChunk = 0x001C;
constexpr USHORT kDeletedChunk = 0x001D;
constexpr USHORT kRenamedCountChunk = 0x001E;
constexpr USHORT kRenamedChunk = 0x001F;
constexpr USHORT kToggledCountChunk = 0x0020;
constexpr USHORT kToggledChunk = 0x0021;
constexpr USHORT kModCountersChunk = 0x0024;
constexpr USHORT kTMLocksChunk = 0x0028;
constexpr USHORT kLightCountChunk = 0x0029;
constexpr USHORT kObjectTypeChunk = 0x002A;
constexpr USHORT kSelectionSetsChunk = 0x002B;
constexpr USHORT kListingChunk = 0x002C;
// Inside a modifier entry's chunk, and inside the deleted, renamed and toggled entries.
constexpr USHORT kEntryFirst = 0x0000;
constexpr USHORT kEntrySecond = 0x0001;
constexpr USHORT kEntryThird = 0x0002;

// The display flags share one chunk.
constexpr DWORD kDisplayFlags =
    REFNODE_OVERRIDE_HIDDEN | REFNODE_OVERRIDE_FROZEN | REFNODE_OVERRIDE_DISPLAY_PROPS;
// The skin pose keeps its rotation as XYZ Euler angles: the rotation value's order word.
constexpr std::uint16_t kEulerXYZ = 0;

// Builds one data chunk's body field by field, in the stream's little-endian layout.
class ChunkBody {
public:
    template <class T> ChunkBody& operator<<(const T& v) {
        const auto* p = reinterpret_cast<const std::uint8_t*>(&v);
        bytes_.insert(bytes_.end(), p, p + sizeof v);
        return *this;
    }
    ChunkBody& operator<<(const Point3& p) { return *this << p.x << p.y << p.z; }
    ChunkBody& operator<<(const Quat& q) { return *this << q.x << q.y << q.z << q.w; }
    IOResult Write(ISave* isave, USHORT id) const {
        ULONG written = 0;
        isave->BeginChunk(id);
        const IOResult res =
            bytes_.empty() ? IO_OK : isave->Write(bytes_.data(), static_cast<ULONG>(bytes_.size()), &written);
        const IOResult end = isave->EndChunk();
        return res != IO_OK ? res : end;
    }

private:
    std::vector<std::uint8_t> bytes_;
};

// Reads one data chunk's body field by field; the first failure sticks.
class ChunkFields {
public:
    explicit ChunkFields(ILoad* iload) : iload_(iload) {}
    template <class T> ChunkFields& operator>>(T& v) {
        ULONG read = 0;
        if (res_ == IO_OK) res_ = iload_->Read(&v, sizeof v, &read);
        return *this;
    }
    ChunkFields& operator>>(Point3& p) { return *this >> p.x >> p.y >> p.z; }
    ChunkFields& operator>>(Quat& q) { return *this >> q.x >> q.y >> q.z >> q.w; }
    IOResult Result() const { return res_; }

private:
    ILoad* iload_;
    IOResult res_ = IO_OK;
};

template <class T> IOResult WriteValue(ISave* isave, USHORT id, const T& v) {
    ChunkBody body;
    body << v;
    return body.Write(isave, id);
}

// A table count, refused above limit: what the rest of the stream or of the chunk can hold.
IOResult ReadCount(ILoad* iload, std::uint32_t& n, size_t limit) {
    ULONG read = 0;
    const IOResult res = iload->Read(&n, sizeof n, &read);
    if (res != IO_OK) return res;
    return n <= limit ? IO_OK : IO_ERROR;
}

IOResult WriteModContext(ISave* isave, const ModContext& mc) {
    const Matrix3 tm = mc.GetTM();
    const Box3 box = mc.GetBox();
    ChunkBody body;
    for (int r = 0; r < 4; ++r)
        body << tm.GetRow(r);
    body << static_cast<std::uint32_t>(tm.GetIdentFlags()) << box.pmin << box.pmax;
    return body.Write(isave, kEntryThird);
}

} // namespace

IOResult RefNode::Save(ISave* isave) {
    const DWORD f = overrideFlags_;
    IOResult res = SaveStamp(isave);
    auto then = [&res](auto write) {
        if (res == IO_OK) res = write();
    };
    then([&] { return WriteValue(isave, kNodeLoadedChunk, static_cast<std::uint32_t>(nodeLoaded_)); });
    then([&] { return WriteStringChunk(isave, kReferencedNameChunk, referencedName_); });
    then([&] { return WriteValue(isave, kFlagsChunk, static_cast<std::uint32_t>(f)); });
    if (f & REFNODE_OVERRIDE_NAME)
        then([&] { return WriteStringChunk(isave, kOverriddenNameChunk, overriddenName_); });
    if (!children_.empty())
        then([&] {
            return WriteValue(isave, kChildCountChunk, static_cast<std::uint32_t>(children_.size()));
        });
    if (f & REFNODE_OVERRIDE_GROUPING) then([&] { return WriteValue(isave, kGroupingChunk, grouping_); });
    if (f & REFNODE_OVERRIDE_OBJECT_OFFSET)
        then([&] {
            return (ChunkBody() << offsetPos_ << offsetRot_ << offsetScale_.s << offsetScale_.q)
                .Write(isave, kObjectOffsetChunk);
        });
    if (f & REFNODE_OVERRIDE_SKIN_POSE)
        then([&] {
            // The rotation value: 16 bytes of rotation data (the angles and an unused fourth float), then
            // the order word and two bytes of padding.
            return (ChunkBody() << skinPos_ << skinRot_ << 0.0f << kEulerXYZ << std::uint16_t{0} << skinScale_
                                << skinScaleOrient_)
                .Write(isave, kSkinPoseChunk);
        });
    if (f & REFNODE_OVERRIDE_WIRE_COLOR) then([&] { return WriteValue(isave, kWireColorChunk, wireColor_); });
    if (f & kDisplayFlags)
        then([&] {
            return (ChunkBody() << displayWord_ << displayBytes_[0] << displayBytes_[1])
                .Write(isave, kDisplayChunk);
        });
    if (f & REFNODE_OVERRIDE_RENDER_PROPS)
        then([&] {
            ChunkBody body;
            body << renderWord_;
            for (std::int32_t v : renderValues_)
                body << v;
            for (float v : renderFloats_)
                body << v;
            return body.Write(isave, kRenderChunk);
        });
    if (f & REFNODE_OVERRIDE_USER_PROPS)
        then([&] { return WriteStringChunk(isave, kUserPropsChunk, userProps_); });
    if (f & REFNODE_OVERRIDE_BONE_PROPS)
        then([&] {
            return (ChunkBody() << boneByte_ << boneBytes_[0] << boneBytes_[1]).Write(isave, kBoneChunk);
        });
    if (f & REFNODE_OVERRIDE_TM_LOCKS)
        then([&] { return WriteValue(isave, kTMLocksChunk, transformLocks_); });

    const bool persist = PersistsReference();
    if (persist)
        then([&] {
            return (ChunkBody() << static_cast<std::uint32_t>(wsModCount_)
                                << static_cast<std::uint32_t>(osModCount_))
                .Write(isave, kModCountersChunk);
        });
    // One chunk per modifier entry, after the count: the entry's values, or an empty chunk for an entry
    // that is gone or, without the reference persisting, merely came from the file.
    auto saveEntries = [&](const std::vector<RefModifier*>& table, USHORT countId, USHORT entryId,
                           USHORT emptyId) {
        if (table.empty()) return;
        then([&] { return WriteValue(isave, countId, static_cast<std::uint32_t>(table.size())); });
        for (const RefModifier* m : table) {
            if (!m || (m->state == REFMOD_FROM_FILE && !persist)) {
                then([&] { return ChunkBody().Write(isave, emptyId); });
                continue;
            }
            then([&] {
                isave->BeginChunk(entryId);
                IOResult r = WriteValue(isave, kEntryFirst, m->state);
                if (r == IO_OK) r = WriteStringChunk(isave, kEntrySecond, m->name);
                if (r == IO_OK && m->context) r = WriteModContext(isave, *m->context);
                const IOResult end = isave->EndChunk();
                return r != IO_OK ? r : end;
            });
        }
    };
    saveEntries(wsMods_, kWSModCountChunk, kWSModChunk, kWSModEmptyChunk);
    saveEntries(osMods_, kOSModCountChunk, kOSModChunk, kOSModEmptyChunk);
    // The user's deletions, renames and toggles: a count, then one container per entry.
    auto saveNotes = [&](const auto& table, USHORT countId, USHORT entryId, auto writeFields) {
        if (table.empty()) return;
        then([&] { return WriteValue(isave, countId, static_cast<std::uint32_t>(table.size())); });
        for (const auto* m : table)
            then([&] {
                isave->BeginChunk(entryId);
                const IOResult r = m ? writeFields(*m) : IO_OK;
                const IOResult end = isave->EndChunk();
                return r != IO_OK ? r : end;
            });
    };
    saveNotes(deletedMods_, kDeletedCountChunk, kDeletedChunk, [&](const ModDeleted& m) {
        IOResult r = WriteStringChunk(isave, kEntryFirst, m.name);
        return r == IO_OK ? WriteValue(isave, kEntrySecond, static_cast<std::uint32_t>(m.index)) : r;
    });
    saveNotes(renamedMods_, kRenamedCountChunk, kRenamedChunk, [&](const ModChangedName& m) {
        IOResult r = WriteStringChunk(isave, kEntryFirst, m.oldName);
        if (r == IO_OK) r = WriteValue(isave, kEntrySecond, static_cast<std::uint32_t>(m.index));
        return r == IO_OK ? WriteStringChunk(isave, kEntryThird, m.newName) : r;
    });
    saveNotes(toggledMods_, kToggledCountChunk, kToggledChunk, [&](const ModChangedToggles& m) {
        IOResult r = WriteStringChunk(isave, kEntryFirst, m.name);
        if (r == IO_OK) r = WriteValue(isave, kEntrySecond, static_cast<std::uint32_t>(m.index));
        return r == IO_OK ? WriteValue(isave, kEntryThird, m.toggles) : r;
    });

    then([&] {
        return WriteValue(isave, kLightCountChunk, static_cast<std::uint32_t>(excludingLights_.size()));
    });
    then([&] { return SaveMirrorCount(isave); });
    then([&] { return WriteValue(isave, kObjectTypeChunk, static_cast<std::uint32_t>(objectType_)); });
    if (f & REFNODE_OVERRIDE_SELECTION_SETS)
        then([&] {
            ChunkBody body;
            body << static_cast<std::uint32_t>(selectionSets_.size());
            for (std::int32_t s : selectionSets_)
                body << static_cast<std::uint32_t>(s);
            return body.Write(isave, kSelectionSetsChunk);
        });
    then([&] {
        ChunkBody body;
        body << static_cast<std::uint32_t>(listingObjects_.size());
        for (size_t k = 0; k < listingObjects_.size(); ++k)
            body << static_cast<std::uint32_t>(k < listingPositions_.size() ? listingPositions_[k] : 0);
        return body.Write(isave, kListingChunk);
    });
    return res;
}

IOResult RefNode::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        const USHORT id = iload->CurChunkID();
        // Entries announced by a count are references written after this record (or values later in
        // this chunk): a count the rest of the stream cannot hold is damage.
        const size_t left = iload->StreamBytesLeft();
        const size_t inChunk = iload->CurChunkLength() / 4;
        ChunkFields in(iload);
        std::uint32_t n = 0;
        switch (id) {
        case kStampChunk: {
            float stamp = 0;
            res = (in >> stamp).Result();
            break;
        }
        case kNodeLoadedChunk:
            res = (in >> nodeLoaded_).Result();
            break;
        case kReferencedNameChunk:
            res = iload->ReadWStringChunk(referencedName_);
            break;
        case kFlagsChunk:
            res = (in >> overrideFlags_).Result();
            break;
        case kOverriddenNameChunk:
            res = iload->ReadWStringChunk(overriddenName_);
            break;
        case kChildCountChunk:
            if ((res = ReadCount(iload, n, left)) == IO_OK)
                SizeTablesForLoad(static_cast<int>(n), NumWSModifiers(), NumOSModifiers(),
                                  NumExcludingLights(), NumListingObjects());
            break;
        case kGroupingChunk:
            res = (in >> grouping_).Result();
            break;
        case kObjectOffsetChunk:
            res = (in >> offsetPos_ >> offsetRot_ >> offsetScale_.s >> offsetScale_.q).Result();
            break;
        case kSkinPoseChunk: {
            float unused = 0;
            std::uint16_t order = 0;
            std::uint16_t padding = 0;
            res = (in >> skinPos_ >> skinRot_ >> unused >> order >> padding >> skinScale_ >> skinScaleOrient_)
                      .Result();
            break;
        }
        case kWireColorChunk:
            res = (in >> wireColor_).Result();
            break;
        case kDisplayChunk:
            res = (in >> displayWord_ >> displayBytes_[0] >> displayBytes_[1]).Result();
            break;
        case kRenderChunk:
            in >> renderWord_;
            for (std::int32_t& v : renderValues_)
                in >> v;
            for (float& v : renderFloats_)
                in >> v;
            res = in.Result();
            break;
        case kUserPropsChunk:
            res = iload->ReadWStringChunk(userProps_);
            break;
        case kBoneChunk:
            res = (in >> boneByte_ >> boneBytes_[0] >> boneBytes_[1]).Result();
            break;
        case kTMLocksChunk:
            res = (in >> transformLocks_).Result();
            break;
        case kModCountersChunk:
            res = (in >> wsModCount_ >> osModCount_).Result();
            break;
        // The entry tables are sized here, since their modifiers are references of the layout; what each
        // entry held (its chunks after the count) and the user's deletions, renames and toggles are read
        // by the stack tracking, and skipped until it exists.
        case kWSModCountChunk:
            if ((res = ReadCount(iload, n, left)) == IO_OK)
                SizeTablesForLoad(NumChildren(), static_cast<int>(n), NumOSModifiers(), NumExcludingLights(),
                                  NumListingObjects());
            break;
        case kOSModCountChunk:
            if ((res = ReadCount(iload, n, left)) == IO_OK)
                SizeTablesForLoad(NumChildren(), NumWSModifiers(), static_cast<int>(n), NumExcludingLights(),
                                  NumListingObjects());
            break;
        case kLightCountChunk:
            if ((res = ReadCount(iload, n, left)) == IO_OK)
                SizeTablesForLoad(NumChildren(), NumWSModifiers(), NumOSModifiers(), static_cast<int>(n),
                                  NumListingObjects());
            break;
        case kMirrorCountChunk:
            res = LoadMirrorCount(iload);
            break;
        case kObjectTypeChunk: {
            std::uint32_t type = 0;
            res = (in >> type).Result();
            objectType_ = type;
            break;
        }
        case kSelectionSetsChunk:
            if ((res = ReadCount(iload, n, inChunk ? inChunk - 1 : 0)) != IO_OK) break;
            selectionSets_.assign(n, 0);
            for (std::int32_t& s : selectionSets_)
                in >> s;
            res = in.Result();
            break;
        case kListingChunk:
            if ((res = ReadCount(iload, n, inChunk ? inChunk - 1 : 0)) != IO_OK) break;
            SizeTablesForLoad(NumChildren(), NumWSModifiers(), NumOSModifiers(), NumExcludingLights(),
                              static_cast<int>(n));
            for (std::uint32_t k = 0; k < n; ++k)
                in >> listingPositions_[k];
            res = in.Result();
            break;
        default:
            break; // modifier entries and notes (see above), and chunks of later versions
        }
        const IOResult closed = iload->CloseChunk();
        if (res == IO_OK) res = closed;
        if (res != IO_OK) {
            // Nothing of the record is referenced yet: the empty mirror slots and the entries made so far go.
            Clean(0);
            for (RefModifier*& m : wsMods_)
                delete m;
            for (RefModifier*& m : osMods_)
                delete m;
            wsMods_.clear();
            osMods_.clear();
            return res;
        }
    }
    return res == IO_END ? IO_OK : res;
}
