// The batch opening and closing steps that bracket any group of loads and unloads.
#pragma once

// Opening (operation code 10): sets the batch flag, takes the command panel out of any editing panel
// that is not the helper's, parks the material editor's referenced materials in a holder node
// ("OVCMEHolder"), lets the records note their named selection sets, and broadcasts
// NOTIFY_OSTRIVANS_BATCH_OPENED. Closing (code 11): broadcasts NOTIFY_OSTRIVANS_BATCH_CLOSING, puts the
// command panel and the parked materials back, marks the scene as needing a save and clears the flag.
// Both restore the operation code they found; a failure is reported ("Error In PreProcess", "Error In
// PostProcess") and leaves the batch flag as the step left it. The host offers no service to pause, no
// node-based material editor and no scene pass of its own around a batch, so there is nothing more to
// park.
void BatchOpeningStep();
// The opening's selection-set pass, which the save cycle runs too: every record notes the named selection
// sets that hold its node, and the module caches the set names.
void NoteSelectionSets();
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
