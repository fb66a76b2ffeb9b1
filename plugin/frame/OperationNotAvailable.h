// The one report of an operation the plug-in does not offer: a listener line, and nothing changed.
#pragma once

#include "host/core/MaxTypes.h"

// Writes one listener line, "Ostrivans: <operation> is not available yet", followed by " (<subject>)"
// when a subject is given (the helper node's name, ...), and returns 0 (the operations' failure result).
int ReportOperationNotAvailable(const MCHAR* operation, const MCHAR* subject = nullptr);
