// Module-wide switches the mirrors read (the operation code and the stamp are the helper's): the
// LocDep-transfer flag and the switch that makes every change notification ignorable.
#pragma once

// Set only while OverrideLocDep hands the local dependents over to a fresh animatable.
bool GetLocDepTransferFlag();
void SetLocDepTransferFlag(bool on);

// When set, every change notification counts as ignorable (the helper sets it from its settings).
bool GetIgnoreAllChanges();
void SetIgnoreAllChanges(bool on);
