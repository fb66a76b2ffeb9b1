// The host's user-facing services in its GUI: message boxes as Qt message boxes over the main window.
#pragma once

#include "host/scene/HostServices.h"

class QtHostServices : public HostServices {
public:
    // Modal over the main window; the box's buttons, icon and default button follow the style, and the
    // answer is the button pressed (closing a Yes/No box answers No).
    int MessageBox(const WStr& text, const WStr& title, unsigned style) override;
    void Beep(unsigned type) override;
    void SetCursor(HostCursor c) override;
};
