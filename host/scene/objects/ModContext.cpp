// Modifier contexts: ownership of their matrix, box and local data, deep copies and a readable form.
#include "host/scene/Modifier.h"

#include <utility>

ModContext::ModContext(Matrix3* tmIn, Box3* boxIn, LocalModData* ld) : tm(tmIn), box(boxIn), localData(ld) {}

ModContext::ModContext(const ModContext& mc)
    : tm(mc.tm ? new Matrix3(*mc.tm) : nullptr), box(mc.box ? new Box3(*mc.box) : nullptr),
      localData(mc.localData ? mc.localData->Clone() : nullptr) {}

ModContext& ModContext::operator=(const ModContext& mc) {
    if (this == &mc) return *this;
    ModContext copy(mc);
    std::swap(tm, copy.tm);
    std::swap(box, copy.box);
    std::swap(localData, copy.localData);
    return *this;
}

ModContext::~ModContext() {
    delete tm;
    delete box;
    delete localData;
}

namespace {
MSTR P3(const Point3& p) {
    return MSTR::Format(L"(%.4f, %.4f, %.4f)", p.x, p.y, p.z);
}
} // namespace

MSTR ModContext::Describe() const {
    MSTR s = L"tm ";
    if (!tm || tm->IsIdentity())
        s += L"identity";
    else
        s += P3(tm->GetRow(0)) + L" " + P3(tm->GetRow(1)) + L" " + P3(tm->GetRow(2)) + L" " +
             P3(tm->GetRow(3));
    s += L" box ";
    if (!box || box->IsEmpty())
        s += L"empty";
    else
        s += P3(box->pmin) + L" " + P3(box->pmax);
    if (localData) s += L" local data";
    return s;
}
