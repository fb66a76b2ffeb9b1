// The placeholder geometry object.
#include "plugin/frame/EmptyBaseObject.h"

#include "host/core/RemapDir.h"

EmptyBaseObject::EmptyBaseObject(BOOL) {}

void EmptyBaseObject::GetClassName(MSTR& s, bool) const {
    s = L"Object";
}

RefTargetHandle EmptyBaseObject::Clone(RemapDir& remap) {
    auto* copy = new EmptyBaseObject(FALSE);
    BaseClone(this, copy, remap);
    return copy;
}
