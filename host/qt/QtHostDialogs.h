// The host's modal dialogs in its GUI: text dialogs and file dialogs as Qt dialogs over the main window.
#pragma once

#include "host/scene/HostDialogs.h"

class QtHostDialogs : public HostDialogs {
public:
    int ShowTextDialog(TextDialog& dialog) override;
    int ShowOpenFileDialog(OpenFileDialog& dialog) override;
    int ShowSaveFileDialog(SaveFileDialog& dialog) override;
};
