// Module-wide switches the mirrors read (the operation code and the stamp are the helper's): the
// LocDep-transfer flag, the switch that makes every change notification ignorable, and the mirrors that
// wait for the end of a duplicate.
#pragma once

#include <vector>

class RefAnim;

// Set only while OverrideLocDep hands the local dependents over to a fresh animatable.
bool GetLocDepTransferFlag();
void SetLocDepTransferFlag(bool on);

// When set, every change notification counts as ignorable (the helper sets it from its settings).
bool GetIgnoreAllChanges();
void SetIgnoreAllChanges(bool on);

// While a duplicate runs, a mirror that holds something only for the clone lists itself here instead of
// hooking a host notification; after the clone the duplicate lets each listed mirror release what it
// holds (ReleaseHeldRefs), once. The duplicate empties the list when it starts.
void DeferToDuplicateEnd(RefAnim* mirror);
// The listed mirrors, in the order they listed themselves; the list is empty afterwards.
std::vector<RefAnim*> TakeDeferredMirrors();
