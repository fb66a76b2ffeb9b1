// The batch opening and closing steps that bracket any group of loads and unloads.
#pragma once

// Opening (operation code 10): sets the batch flag, takes the command panel out of any editing panel
// that is not the helper's, lets the records note their named selection sets, and broadcasts
// NOTIFY_OSTRIVANS_BATCH_OPENED. Closing (code 11): broadcasts
// NOTIFY_OSTRIVANS_BATCH_CLOSING, puts the command panel back, marks the scene as needing a save and
// clears the flag. Both restore the operation code they found.
void BatchOpeningStep();
void BatchClosingStep();

// Opens a batch unless one is open, and closes it when the scope ends if it opened it.
class BatchScope {
public:
    BatchScope();
    ~BatchScope();
    BatchScope(const BatchScope&) = delete;
    BatchScope& operator=(const BatchScope&) = delete;
    bool Opened() const { return opened_; }

private:
    bool opened_;
};
