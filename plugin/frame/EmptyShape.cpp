// The placeholder shape.
#include "plugin/frame/EmptyShape.h"

#include "host/core/RemapDir.h"

EmptyShape::EmptyShape(BOOL) {}

void EmptyShape::GetClassName(MSTR& s, bool) const {
    s = L"Shape";
}

RefTargetHandle EmptyShape::Clone(RemapDir& remap) {
    auto* copy = new EmptyShape(FALSE);
    BaseClone(this, copy, remap);
    return copy;
}
