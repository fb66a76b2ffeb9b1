// Module-wide state of the plug-in frame: the module handle and whether a scene file is being opened.
#pragma once

#include "host/core/MaxTypes.h"

// The module handle, null until the module is attached. The shared module stores it when the system
// loader attaches it; a program that links the plug-in statically (the unit tests) sets it itself.
HINSTANCE GetModuleInstance();
void SetModuleInstance(HINSTANCE module);

// Set between the host's pre-open and post-open notifications (once the start-up callback has hooked
// them): per-node notification handling does nothing while a scene file is being opened.
bool IsSceneFileOpening();
void SetSceneFileOpening(bool opening);
