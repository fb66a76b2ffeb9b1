// What the module's exported entry points do. The shared module exports these under the host's names
// (LibDescription, LibNumberClasses, ...); the unit tests call them directly on the static library.
#pragma once

#include "host/core/MaxTypes.h"

class ClassDesc;
struct NotifyInfo;

// The host's version stamp this module is built for: release 27000, interface 66, SDK revision 0.
constexpr ULONG kOstrivansLibVersion = 0x69784200;
// Size, in wide characters, of the buffer LibDescription answers from.
constexpr int kLibDescriptionBufferSize = 512;

// String 1 loaded into a module-static buffer; null while the module handle is unknown.
const MCHAR* OstrivansLibDescription();
int OstrivansLibNumberClasses();
// The registry's descriptor at i, null out of range.
ClassDesc* OstrivansLibClassDesc(int i);
ULONG OstrivansLibVersion();
// Registers the start-up callback; returns TRUE.
int OstrivansLibInitialize();
// Returns TRUE. Also drops the module's notification callbacks: on this platform a module can be
// unloaded while the host runs on, and the host must not keep calling into unloaded code.
int OstrivansLibShutdown();
// FALSE: the module is loaded fully at start-up, never deferred.
ULONG OstrivansCanAutoDefer();

// The start-up callback: hooks the pre-open and post-open notifications that track file opening.
void OstrivansOnSystemStartup(void* param, NotifyInfo* info);
