// The helper's tracking of the layers its referenced content arrives on.
#pragma once

#include <vector>

class OstrivansHelper;
class StepMarks;
struct MergedLayer;

// After a load bound its nodes and materials: brings the layers the merge met under the helper's records,
// names and prefix. Layers are left as the merge made them until layer records are kept.
void ProcessMergedLayers(OstrivansHelper* helper, std::vector<MergedLayer>& layers, StepMarks& marks);
