// Module-wide switches the mirrors read.
#include "plugin/anims/RefAnimGlobals.h"

namespace {
bool g_locDepTransfer = false;
bool g_ignoreAllChanges = false;
std::vector<RefAnim*> g_deferred;
} // namespace

bool GetLocDepTransferFlag() { return g_locDepTransfer; }
void SetLocDepTransferFlag(bool on) { g_locDepTransfer = on; }

bool GetIgnoreAllChanges() { return g_ignoreAllChanges; }
void SetIgnoreAllChanges(bool on) { g_ignoreAllChanges = on; }

void DeferToDuplicateEnd(RefAnim* mirror) {
    if (mirror) g_deferred.push_back(mirror);
}
std::vector<RefAnim*> TakeDeferredMirrors() {
    std::vector<RefAnim*> out;
    out.swap(g_deferred);
    return out;
}
