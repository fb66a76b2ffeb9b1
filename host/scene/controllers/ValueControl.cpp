// The key-frame controller classes of each value type.
#include "host/scene/controllers/ValueControl.h"

template class ValueControl<BezierFloatInfo>;
template class ValueControl<BezierPoint3Info>;
template class ValueControl<BezierPositionInfo>;
template class ValueControl<TCBRotationInfo>;
template class ValueControl<BezierScaleInfo>;
template class ValueControl<BezierPoint4Info>;
