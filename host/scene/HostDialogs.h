// The host's modal dialogs that plug-ins show over the main window: text dialogs (a line of text, a
// read-only text box, an optional check box and an OK button) and the open-file dialog. The headless
// default records what was shown and answers from queues, so tests can script a user; a GUI installs its
// own implementation.
#pragma once

#include "host/core/WStr.h"

#include <deque>
#include <map>
#include <utility>
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

// The open-file dialog: explorer style, resizable, no read-only box; the path and the files must exist.
struct OpenFileDialog {
    WStr title;
    WStr initialDir;
    // In the order shown: the label and its pattern ("3ds Max (*.max)", "*.max").
    std::vector<std::pair<WStr, WStr>> filters;
    bool multiSelect = false;
    // The host's folder history shown beside the dialog under this name; empty: none.
    WStr historyName;
    // When the user accepts: the chosen path; with several files chosen, the folder followed by each
    // file's bare name.
    std::vector<WStr> result;
};

// The save-file dialog: one file, which need not exist yet.
struct SaveFileDialog {
    WStr title;
    // The path the dialog starts at (a folder or a file).
    WStr initialPath;
    std::vector<std::pair<WStr, WStr>> filters;
    // When the user accepts: the chosen path.
    WStr result;
};

class HostDialogs {
public:
    virtual ~HostDialogs() = default;

    // Shows the dialog modally and returns IDOK when it is closed; dialog.checked then holds the state of
    // its check box (always false without one).
    virtual int ShowTextDialog(TextDialog& dialog);

    // Shows the open-file dialog modally: 1 when the user accepts (dialog.result filled, the folder added
    // to the named history), 0 when the user cancels.
    virtual int ShowOpenFileDialog(OpenFileDialog& dialog);
    // Shows the save-file dialog modally: 1 when the user accepts (dialog.result set), 0 when the user cancels.
    virtual int ShowSaveFileDialog(SaveFileDialog& dialog);
    // The folders of a named history, oldest first.
    const std::vector<WStr>& History(const WStr& name) { return histories_[name]; }

    // Test double controls: the state the user leaves the next dialog's check box in (default: unticked).
    void QueueCheck(bool ticked) { checks_.push_back(ticked); }
    const std::vector<TextDialog>& Shown() const { return shown_; }
    // The full paths of the files the user picks in the next open-file dialog; none: the user cancels
    // (also the answer when nothing is queued). Files that do not exist, or several files from more than
    // one folder or in a single-selection dialog, cannot be accepted: the user cancels then.
    void QueueOpenFiles(std::vector<WStr> paths) { openFiles_.push_back(std::move(paths)); }
    const std::vector<OpenFileDialog>& OpenFileDialogsShown() const { return openShown_; }
    // The path the user gives in the next save-file dialog; none queued (or an empty path): the user cancels.
    void QueueSaveFile(WStr path) { saveFiles_.push_back(std::move(path)); }
    const std::vector<SaveFileDialog>& SaveFileDialogsShown() const { return saveShown_; }
    // Forgets what was shown; queued answers stay.
    void ForgetShown() {
        shown_.clear();
        openShown_.clear();
        saveShown_.clear();
    }
    void ClearRecord() {
        shown_.clear();
        checks_.clear();
        openFiles_.clear();
        openShown_.clear();
        saveFiles_.clear();
        saveShown_.clear();
    }

private:
    std::deque<bool> checks_;
    std::vector<TextDialog> shown_;
    std::deque<std::vector<WStr>> openFiles_;
    std::vector<OpenFileDialog> openShown_;
    std::deque<WStr> saveFiles_;
    std::vector<SaveFileDialog> saveShown_;
    std::map<WStr, std::vector<WStr>> histories_;
};

// The process's dialog service: the headless default until a GUI installs its own.
HostDialogs& GetHostDialogs();
// Installs impl (not owned); null puts the headless default back.
void SetHostDialogs(HostDialogs* impl);
