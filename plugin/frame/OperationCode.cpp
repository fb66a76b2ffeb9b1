// The module-wide operation code.
#include "plugin/frame/OperationCode.h"

namespace {
OperationCode gCurrent = OperationCode::None;
} // namespace

const char* OperationName(OperationCode code) {
    static const char* const kNames[] = {"none",      "load",           "unload",        "dismiss",
                                         "merge",     "pre-save",       "post-save",     "pre-save collect",
                                         "duplicate", "record",         "batch opening", "batch closing",
                                         "save as",   "advanced reset", "renaming"};
    const int i = static_cast<int>(code);
    return i >= 0 && i <= static_cast<int>(OperationCode::Renaming) ? kNames[i] : "unknown";
}

std::ostream& operator<<(std::ostream& os, OperationCode code) {
    return os << static_cast<int>(code) << " (" << OperationName(code) << ")";
}

OperationCode GetCurrentOperation() {
    return gCurrent;
}

void SetCurrentOperation(OperationCode code) {
    gCurrent = code;
}

OperationCodeGuard::OperationCodeGuard(OperationCode code) : saved_(GetCurrentOperation()) {
    SetCurrentOperation(code);
}

OperationCodeGuard::~OperationCodeGuard() {
    SetCurrentOperation(saved_);
}
