// The module's one manager window: made by the first OpenOstrivansManager of the session as a child of
// the host's main window, kept (hidden when closed) until the module unloads.
#pragma once

class OstrivansQtManager;

// Installs the window's entries for the script interface and the module-wide refresh.
void InstallManagerWindow();
// Deletes the window (the module is unloading) and takes its entries out.
void DestroyManagerWindow();
// Creates the window once, stores its geometry when it is already shown, then shows, raises and activates
// it and refills its table. Without the host's GUI (no Qt application) it writes one listener line and
// returns false.
bool OpenManagerWindow();
// The window, or null before the first open (and once the host main window that parents it has gone).
OstrivansQtManager* GetManagerWindow();
