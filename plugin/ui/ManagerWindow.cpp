// The module's one manager window and its entries for the layers below.
#include "plugin/ui/ManagerWindow.h"

#include "host/core/Listener.h"
#include "host/qt/QtHelpers.h"
#include "plugin/frame/ManagerWindowLink.h"
#include "plugin/helper/HelperModuleState.h"
#include "plugin/ui/OstrivansQtManager.h"

#include <QApplication>
#include <QPointer>

namespace {

// Deleted with the host main window that parents it; the pointer then reads null.
QPointer<OstrivansQtManager> window;

bool CloseWindow() {
    if (!window) return false;
    window->close();
    return true;
}

bool IsWindowOpen() {
    return window && window->isVisible();
}

void RefreshWindow() {
    if (window && window->isVisible()) window->ScheduleRefresh();
}

} // namespace

void InstallManagerWindow() {
    ManagerWindowLink& link = GetManagerWindowLink();
    link.open = &OpenManagerWindow;
    link.close = &CloseWindow;
    link.isOpen = &IsWindowOpen;
    GetHelperModuleState().managerRefresh = &RefreshWindow;
}

void DestroyManagerWindow() {
    delete window.data();
    GetManagerWindowLink() = ManagerWindowLink();
    GetHelperModuleState().managerRefresh = nullptr;
}

bool OpenManagerWindow() {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
        mputs(L"-- OpenOstrivansManager: the manager window needs the host's main window (ostrivans-host --gui)\n");
        return false;
    }
    if (!window) {
        window = new OstrivansQtManager(MaxSDK::QtHelpers::GetQmaxMainWindow());
        window->setAttribute(Qt::WA_DeleteOnClose, false);
    } else if (window->isVisible()) {
        window->StoreGeometry();
    }
    window->show();
    window->raise();
    window->activateWindow();
    window->PopulateReferences();
    return true;
}

OstrivansQtManager* GetManagerWindow() {
    return window.data();
}
