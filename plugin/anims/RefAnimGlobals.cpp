// Module-wide values the mirrors read: the stamp comes from the helper.
#include "plugin/anims/RefAnimGlobals.h"

#include "plugin/helper/OstrivansHelper.h"

namespace {
bool g_locDepTransfer = false;
bool g_ignoreAllChanges = false;
} // namespace

DWORD GetMirrorHelperStamp(const OstrivansHelper* helper) { return helper ? helper->GetStamp() : 0; }

bool GetLocDepTransferFlag() { return g_locDepTransfer; }
void SetLocDepTransferFlag(bool on) { g_locDepTransfer = on; }

bool GetIgnoreAllChanges() { return g_ignoreAllChanges; }
void SetIgnoreAllChanges(bool on) { g_ignoreAllChanges = on; }
