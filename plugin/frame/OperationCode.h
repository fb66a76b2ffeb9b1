// The module-wide code of the operation in progress, which mirrors, records and notification handlers
// read to tell the host's events from the plug-in's own work.
#pragma once

#include <ostream>

// Mirrors and notification handlers ignore host events while the code is not None, so every operation
// saves the code it finds, sets its own and puts the saved one back (OperationCodeGuard).
enum class OperationCode : int {
    None = 0,
    Load = 1,
    Unload = 2,
    Dismiss = 3,
    Merge = 4,
    PreSave = 5,
    PostSave = 6,
    PreSaveCollect = 7,
    Duplicate = 8,
    Record = 9,
    BatchOpen = 10,
    BatchClose = 11,
    SaveAs = 12,
    AdvancedReset = 13,
    Renaming = 14,
};

// The text dumps use for a code ("load", "renaming"); "unknown" outside the enumeration.
const char* OperationName(OperationCode code);
// "1 (load)", as dumps and test messages print a code.
std::ostream& operator<<(std::ostream& os, OperationCode code);

OperationCode GetCurrentOperation();
void SetCurrentOperation(OperationCode code);

// Sets an operation code for a scope and restores the one it found, also when the scope is left by an
// exception.
class OperationCodeGuard {
public:
    explicit OperationCodeGuard(OperationCode code);
    ~OperationCodeGuard();
    OperationCodeGuard(const OperationCodeGuard&) = delete;
    OperationCodeGuard& operator=(const OperationCodeGuard&) = delete;
    OperationCode Saved() const { return saved_; }

private:
    OperationCode saved_;
};
