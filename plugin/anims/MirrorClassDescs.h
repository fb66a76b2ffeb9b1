// The class descriptors of the mirror classes, built from the kind list: one per class, in the list's order.
#pragma once

#include <span>

class OstrivansClassDesc;

// The plain mirror's descriptor first, then every other mirror class in the order of the kind list. The
// descriptors are module-static and built on first use.
std::span<OstrivansClassDesc* const> MirrorClassDescs();
