// Module-wide values the mirrors read (the operation code is the helper module's): the helper stamp, the
// LocDep-transfer flag and the switch that makes every change notification ignorable.
#pragma once

#include "host/core/MaxTypes.h"

class OstrivansHelper;

// The stamp of a helper's current LocDep pass (its collect counter); 0 without a helper.
DWORD GetMirrorHelperStamp(const OstrivansHelper* helper);

// Set only while OverrideLocDep hands the local dependents over to a fresh animatable.
bool GetLocDepTransferFlag();
void SetLocDepTransferFlag(bool on);

// When set, every change notification counts as ignorable (the helper sets it from its settings).
bool GetIgnoreAllChanges();
void SetIgnoreAllChanges(bool on);
