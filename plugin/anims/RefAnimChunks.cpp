// The mirrors' chunks.
#include "plugin/anims/RefAnimChunks.h"

#include "host/core/Box3.h"
#include "host/core/ChunkFields.h"
#include "host/core/Matrix3.h"
#include "host/scene/Modifier.h"
#include "plugin/anims/RefAnim.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace {

// Room reserved for an announced count: never more than the rest of the stream could hold, so a damaged
// count cannot make the load allocate without bound.
size_t Reservable(ILoad* iload, std::int32_t announced) {
    if (announced <= 0) return 0;
    return std::min<size_t>(static_cast<size_t>(announced), iload->StreamBytesLeft());
}

} // namespace

IOResult RefAnim::Save(ISave* isave) {
    IOResult res = WriteValueChunk(isave, kPathCountChunk, static_cast<std::int32_t>(path_.Names().size()));
    for (size_t i = 0; res == IO_OK && i < path_.Names().size(); ++i) res = WriteStringChunk(isave, kPathNameChunk, path_.Names()[i].Str());
    if (res == IO_OK) res = WriteValueChunk(isave, kNumberCountChunk, static_cast<std::int32_t>(path_.Numbers().size()));
    for (size_t i = 0; res == IO_OK && i < path_.Numbers().size(); ++i)
        res = WriteValueChunk(isave, kNumberChunk, path_.Numbers()[i]);
    if (res == IO_OK) res = WriteValueChunk(isave, kStateChunk, state_);
    if (res == IO_OK) res = WriteValueChunk(isave, kKindFlagChunk, static_cast<std::int32_t>(kindFlag_));
    return res;
}

IOResult RefAnim::Load(ILoad* iload) {
    // The path is read into tables of its own and stored once the chunks are read (or one failed).
    PathNames names = path_.Names();
    std::vector<std::int32_t> numbers = path_.Numbers();
    const IOResult result = ForEachChunk(iload, [&](USHORT id) {
        std::int32_t v = 0;
        IOResult res;
        switch (id) {
        case kPathCountChunk:
            if ((res = ReadValues(iload, v)) == IO_OK) names.reserve(names.size() + Reservable(iload, v));
            return res;
        case kPathNameChunk: {
            MSTR name;
            if ((res = iload->ReadWStringChunk(name)) == IO_OK) names.emplace_back(name);
            return res;
        }
        case kNumberCountChunk:
            if ((res = ReadValues(iload, v)) == IO_OK)
                numbers.reserve(numbers.size() + Reservable(iload, v));
            return res;
        case kNumberChunk:
            if ((res = ReadValues(iload, v)) == IO_OK) numbers.push_back(v);
            return res;
        case kStateChunk: return ReadValues(iload, state_);
        case kKindFlagChunk: {
            // Stored as a 32-bit value, kept as the flag it is.
            std::int32_t flag = 0;
            const IOResult r = ReadValues(iload, flag);
            kindFlag_ = flag != 0 ? 1 : 0;
            return r;
        }
        default: return LoadKindChunk(iload);
        }
    });
    path_.Assign(names, numbers);
    return result;
}

IOResult RefAnim::SaveWrappedBase(ISave* isave) {
    isave->BeginChunk(kWrappedBaseChunk);
    const IOResult res = RefAnim::Save(isave);
    const IOResult end = isave->EndChunk();
    return res != IO_OK ? res : end;
}

IOResult RefAnim::LoadWrappedBase(ILoad* iload) {
    return RefAnim::Load(iload);
}

IOResult SaveModContextChunk(ISave* isave, const ModContext& mc, USHORT id) {
    const Matrix3 tm = mc.GetTM();
    const Box3 box = mc.GetBox();
    return WriteValueChunk(isave, id, tm.GetRow(0), tm.GetRow(1), tm.GetRow(2), tm.GetRow(3),
                           static_cast<std::uint32_t>(tm.GetIdentFlags()), box.pmin, box.pmax);
}

ModContext* LoadModContextChunk(ILoad* iload, IOResult& result) {
    unsigned char bytes[REFANIM_MODCONTEXT_BYTES];
    result = ReadValues(iload, bytes);
    if (result != IO_OK) return nullptr;
    float rows[12];
    std::uint32_t flags = 0;
    float corners[6];
    std::memcpy(rows, bytes, sizeof rows);
    std::memcpy(&flags, bytes + 48, sizeof flags);
    std::memcpy(corners, bytes + 52, sizeof corners);
    auto* tm = new Matrix3();
    for (int r = 0; r < 4; ++r) tm->SetRow(r, Point3(rows[r * 3], rows[r * 3 + 1], rows[r * 3 + 2]));
    tm->SetIdentFlags(flags);
    auto* box = new Box3(Point3(corners[0], corners[1], corners[2]), Point3(corners[3], corners[4], corners[5]));
    return new ModContext(tm, box, nullptr);
}
