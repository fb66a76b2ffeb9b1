// The headless text dialogs: closed at once with OK, the check box ticked as queued, and recorded.
#include "host/scene/HostDialogs.h"

#include "host/scene/HostServices.h"

namespace {

HostDialogs* installed = nullptr;

} // namespace

int HostDialogs::ShowTextDialog(TextDialog& dialog) {
    bool ticked = false;
    if (!checks_.empty()) {
        ticked = checks_.front();
        checks_.pop_front();
    }
    // A dialog without a check box cannot be closed with one ticked.
    dialog.checked = ticked && !dialog.checkLabel.isNull();
    shown_.push_back(dialog);
    return IDOK;
}

HostDialogs& GetHostDialogs() {
    static HostDialogs headless;
    return installed ? *installed : headless;
}

void SetHostDialogs(HostDialogs* impl) {
    installed = impl;
}
