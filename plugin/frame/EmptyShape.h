// The placeholder shape: keeps a referenced shape node in the scene while its content is away.
#pragma once

#include "host/scene/Object.h"
#include "plugin/frame/PlaceholderIds.h"

// No parameters, references, sub-animatables or data of its own; evaluates to itself.
class EmptyShape : public ShapeObject {
public:
    explicit EmptyShape(BOOL loading = FALSE);

    Class_ID ClassID() override { return EMPTY_SHAPE_CLASS_ID; }
    SClass_ID SuperClassID() override { return SHAPE_CLASS_ID; }
    // Reported to the host as a plain shape, whatever it replaced.
    void GetClassName(MSTR& s, bool localized = true) const override;
    ObjectState Eval(TimeValue t) override {
        (void)t;
        return ObjectState(this);
    }
    RefTargetHandle Clone(RemapDir& remap) override;
    void DeleteThis() override { delete this; }
};
