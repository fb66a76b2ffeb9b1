// The host's modal text dialogs that plug-ins show over the main window: a line of text, a read-only text
// box, an optional check box and an OK button. The headless default records what was shown and ticks the
// check box from a queue, so tests can script a user; a GUI installs its own implementation.
#pragma once

#include "host/core/WStr.h"

#include <deque>
#include <vector>

struct TextDialog {
    WStr title;
    // The line above the text box.
    WStr message;
    // The read-only text box's contents; lines are separated by "\r\n".
    WStr text;
    // The check box's label; empty: the dialog has no check box.
    WStr checkLabel;
    // The check box's state when the dialog closed.
    bool checked = false;
};

class HostDialogs {
public:
    virtual ~HostDialogs() = default;

    // Shows the dialog modally and returns IDOK when it is closed; dialog.checked then holds the state of
    // its check box (always false without one).
    virtual int ShowTextDialog(TextDialog& dialog);

    // Test double controls: the state the user leaves the next dialog's check box in (default: unticked).
    void QueueCheck(bool ticked) { checks_.push_back(ticked); }
    const std::vector<TextDialog>& Shown() const { return shown_; }
    void ClearRecord() {
        shown_.clear();
        checks_.clear();
    }

private:
    std::deque<bool> checks_;
    std::vector<TextDialog> shown_;
};

// The process's dialog service: the headless default until a GUI installs its own.
HostDialogs& GetHostDialogs();
// Installs impl (not owned); null puts the headless default back.
void SetHostDialogs(HostDialogs* impl);
