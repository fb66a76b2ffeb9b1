// The XForm modifier: a gizmo transform (a PRS controller) and a centre (a position controller) in its
// free reference slots, shown as its sub-animatables; it moves the vertices of what it modifies by the
// gizmo about the centre.
#pragma once

#include "host/core/Matrix3.h"
#include "host/scene/Control.h"
#include "host/scene/objects/ConfiguredObject.h"

class XFormModifier : public ConfiguredModifier<Modifier> {
public:
    // A new one gets the host's default controllers; a loading one gets them from the file.
    XFormModifier(ObjectClassDesc* cd, BOOL loading);

    // The controllers, each null when its slot holds no controller of its kind (a damaged file).
    Control* Gizmo() { return ControllerIn(0, CTRL_MATRIX3_CLASS_ID); }
    Control* Center() { return ControllerIn(1, CTRL_POSITION_CLASS_ID); }
    // Where a vertex p goes at t: (p - centre) through the gizmo, plus the centre.
    Matrix3 Effect(TimeValue t);

    int NumSubs() override { return 2; }
    Animatable* SubAnim(int i) override { return i == 0 ? Gizmo() : i == 1 ? Center() : nullptr; }
    MSTR SubAnimName(int i, bool localized = true) override;
    int SubNumToRefNum(int subNum) override { return subNum == 0 || subNum == 1 ? BlockRefs() + subNum : -1; }
    BOOL CanAssignController(int subAnim) override { return subAnim == 0 || subAnim == 1; }
    BOOL AssignController(Animatable* control, int subAnim) override;

private:
    Control* ControllerIn(int slot, SClass_ID kind) {
        auto* c = dynamic_cast<Control*>(GetExtraRef(slot));
        return c && c->SuperClassID() == kind ? c : nullptr;
    }
};
