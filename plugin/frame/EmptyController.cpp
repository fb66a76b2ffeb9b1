// The placeholder transform controller.
#include "plugin/frame/EmptyController.h"

#include "host/core/ChunkFields.h"
#include "host/core/RemapDir.h"

#include <cstdio>
#include <cstring>

namespace {

// The matrix as it is stored: 12 floats row by row, then the flags word, in the machine's byte order as
// the host writes raw data.
void Pack(const Matrix3& m, unsigned char (&bytes)[EmptyController::kMatrixBytes]) {
    std::memcpy(bytes, m.Data(), 12 * sizeof(float));
    const DWORD flags = m.GetIdentFlags();
    std::memcpy(bytes + 12 * sizeof(float), &flags, sizeof flags);
}

void Unpack(const unsigned char (&bytes)[EmptyController::kMatrixBytes], Matrix3& m) {
    std::memcpy(m.Data(), bytes, 12 * sizeof(float));
    DWORD flags = 0;
    std::memcpy(&flags, bytes + 12 * sizeof(float), sizeof flags);
    m.SetIdentFlags(flags);
}

static_assert(12 * sizeof(float) + sizeof(DWORD) == EmptyController::kMatrixBytes);

} // namespace

EmptyController::EmptyController(BOOL) {}

EmptyController::EmptyController(const Matrix3& tm) : tm_(tm) {}

void EmptyController::GetClassName(MSTR& s, bool) const {
    s = L"EmptyController";
}

void EmptyController::GetValue(TimeValue, void* val, Interval&, GetSetMethod method) {
    if (!val) return;
    auto* m = static_cast<Matrix3*>(val);
    *m = method == CTRL_RELATIVE ? tm_ * *m : tm_;
}

void EmptyController::SetValue(TimeValue, void*, int, GetSetMethod) {}

RefTargetHandle EmptyController::Clone(RemapDir& remap) {
    auto* copy = new EmptyController(tm_);
    BaseClone(this, copy, remap);
    return copy;
}

IOResult EmptyController::Save(ISave* isave) {
    unsigned char bytes[kMatrixBytes];
    Pack(tm_, bytes);
    return WriteValueChunk(isave, kMatrixChunk, bytes);
}

IOResult EmptyController::Load(ILoad* iload) {
    const IOResult opened = iload->OpenChunk();
    if (opened != IO_OK) return opened;
    unsigned char bytes[kMatrixBytes] = {};
    const IOResult res = ReadValues(iload, bytes);
    if (res == IO_OK) Unpack(bytes, tm_);
    iload->CloseChunk();
    return res;
}

std::string EmptyController::Dump() const {
    std::string s = "EmptyController ";
    char buf[96];
    for (int r = 0; r < 4; ++r) {
        const Point3& p = tm_.GetRow(r);
        std::snprintf(buf, sizeof buf, "[%g %g %g]", static_cast<double>(p.x), static_cast<double>(p.y),
                      static_cast<double>(p.z));
        s += buf;
    }
    std::snprintf(buf, sizeof buf, " flags 0x%x", static_cast<unsigned>(tm_.GetIdentFlags()));
    return s + buf;
}
