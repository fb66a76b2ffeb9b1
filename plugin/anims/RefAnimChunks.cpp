// The mirrors' chunks.
#include "plugin/anims/RefAnimChunks.h"

#include "host/core/Box3.h"
#include "host/core/Matrix3.h"
#include "host/scene/Modifier.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/frame/ChunkHelpers.h"

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
    const auto names = static_cast<std::int32_t>(path_.size());
    IOResult res = WriteDataChunk(isave, kPathCountChunk, &names, sizeof names);
    for (size_t i = 0; res == IO_OK && i < path_.size(); ++i) res = WriteStringChunk(isave, kPathNameChunk, path_[i].Str());
    const auto numbers = static_cast<std::int32_t>(pathByNumber_.size());
    if (res == IO_OK) res = WriteDataChunk(isave, kNumberCountChunk, &numbers, sizeof numbers);
    for (size_t i = 0; res == IO_OK && i < pathByNumber_.size(); ++i)
        res = WriteDataChunk(isave, kNumberChunk, &pathByNumber_[i], sizeof(std::int32_t));
    if (res == IO_OK) res = WriteDataChunk(isave, kStateChunk, &state_, sizeof state_);
    if (res == IO_OK) res = WriteDataChunk(isave, kKindFlagChunk, &kindFlag_, sizeof kindFlag_);
    return res;
}

IOResult RefAnim::Load(ILoad* iload) {
    IOResult res;
    while ((res = iload->OpenChunk()) == IO_OK) {
        switch (iload->CurChunkID()) {
        case kPathCountChunk: {
            std::int32_t n = 0;
            res = ReadValue(iload, n);
            if (res == IO_OK) path_.reserve(path_.size() + Reservable(iload, n));
            break;
        }
        case kPathNameChunk: {
            MSTR name;
            res = iload->ReadWStringChunk(name);
            if (res == IO_OK) path_.emplace_back(name);
            break;
        }
        case kNumberCountChunk: {
            std::int32_t n = 0;
            res = ReadValue(iload, n);
            if (res == IO_OK) pathByNumber_.reserve(pathByNumber_.size() + Reservable(iload, n));
            break;
        }
        case kNumberChunk: {
            std::int32_t v = 0;
            res = ReadValue(iload, v);
            if (res == IO_OK) pathByNumber_.push_back(v);
            break;
        }
        case kStateChunk: res = ReadValue(iload, state_); break;
        case kKindFlagChunk: res = ReadValue(iload, kindFlag_); break;
        default: res = LoadKindChunk(iload); break;
        }
        if (res == IO_END) res = IO_OK;
        const IOResult closed = iload->CloseChunk();
        if (res == IO_OK) res = closed;
        if (res != IO_OK) return res;
    }
    return res == IO_END ? IO_OK : res;
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
    unsigned char bytes[REFANIM_MODCONTEXT_BYTES];
    const Matrix3 tm = mc.GetTM();
    float rows[12];
    for (int r = 0; r < 4; ++r) {
        const Point3& row = tm.GetRow(r);
        rows[r * 3] = row.x;
        rows[r * 3 + 1] = row.y;
        rows[r * 3 + 2] = row.z;
    }
    const std::uint32_t flags = tm.GetIdentFlags();
    const Box3 box = mc.GetBox();
    const float corners[6] = {box.pmin.x, box.pmin.y, box.pmin.z, box.pmax.x, box.pmax.y, box.pmax.z};
    std::memcpy(bytes, rows, sizeof rows);
    std::memcpy(bytes + 48, &flags, sizeof flags);
    std::memcpy(bytes + 52, corners, sizeof corners);
    return WriteDataChunk(isave, id, bytes, sizeof bytes);
}

ModContext* LoadModContextChunk(ILoad* iload, IOResult& result) {
    unsigned char bytes[REFANIM_MODCONTEXT_BYTES];
    ULONG read = 0;
    result = iload->Read(bytes, sizeof bytes, &read);
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
