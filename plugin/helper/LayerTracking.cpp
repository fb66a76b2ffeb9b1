// The helper's tracking of the layers its referenced content arrives on.
#include "plugin/helper/LayerTracking.h"

#include "plugin/helper/MergedLayer.h"

void ProcessMergedLayers(OstrivansHelper* /*helper*/, std::vector<MergedLayer>& /*layers*/, StepMarks& /*marks*/) {
    // The helper keeps no layer records: the merged layers stay the scene layers the merge made or joined.
}
