// The key-frame controller classes of each value type.
#include "host/scene/controllers/ValueControl.h"

#include "host/scene/Interface.h"

bool AnimateModeOn() {
    Interface* ip = GetCOREInterface();
    return ip && ip->IsAnimateMode();
}

template class ValueControl<BezierFloatInfo>;
template class ValueControl<LinearFloatInfo>;
template class ValueControl<BezierPoint3Info>;
template class ValueControl<BezierPositionInfo>;
template class ValueControl<TCBRotationInfo>;
template class ValueControl<BezierScaleInfo>;
template class ValueControl<BezierPoint4Info>;
