// Module-wide state of the plug-in frame.
#include "plugin/frame/ModuleState.h"

namespace {
HINSTANCE gModule = nullptr;
bool gFileOpening = false;
} // namespace

HINSTANCE GetModuleInstance() {
    return gModule;
}
void SetModuleInstance(HINSTANCE module) {
    gModule = module;
}

bool IsSceneFileOpening() {
    return gFileOpening;
}
void SetSceneFileOpening(bool opening) {
    gFileOpening = opening;
}
