// What every controller shares: it answers I_CONTROL, and copies another controller's value.
#include "host/scene/Control.h"

#include "host/scene/controllers/ControlValue.h"

void* Control::GetInterface(ULONG id) {
    if (id == I_CONTROL) return this;
    return ReferenceTarget::GetInterface(id);
}

void Control::Copy(Control* from) {
    // Without knowledge of the other class, its value at time 0 is what can be taken over.
    if (!from || from == this || from->SuperClassID() != SuperClassID()) return;
    ControlValue v = EvalControlValue(from, 0);
    if (v.Valid()) SetValue(0, v.Ptr(), 1, CTRL_ABSOLUTE);
}
