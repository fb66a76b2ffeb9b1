// How the script interface reaches the manager window, which lives in a layer beside it: the window's
// side installs these entries when the module initialises.
#pragma once

struct ManagerWindowLink {
    // Creates the window once, shows, raises and refills it; false when the host has no GUI to show it in.
    bool (*open)() = nullptr;
    // Hides the window; false when there is no window.
    bool (*close)() = nullptr;
    // The window exists and is shown.
    bool (*isOpen)() = nullptr;
};

// The module's one link.
ManagerWindowLink& GetManagerWindowLink();
