// The host's Qt bridge: main window, icon set and shell requests.
#include "host/qt/QtHelpers.h"

#include "host/application/HostInterface.h"

#include <QDesktopServices>
#include <QMap>
#include <QPointer>
#include <QProcess>
#include <QWidget>

namespace MaxSDK::QtHelpers {

namespace {

QPointer<QWidget>& MainWindow() {
    static QPointer<QWidget> window;
    return window;
}

QMap<QString, QList<QPixmap>>& Icons() {
    static QMap<QString, QList<QPixmap>> icons;
    return icons;
}

std::vector<ShellRequest>* shellRecord = nullptr;

} // namespace

QWidget* GetQmaxMainWindow() {
    return MainWindow().data();
}

void SetQmaxMainWindow(QWidget* window) {
    MainWindow() = window;
    // The handle plug-ins receive from GetMAXHWnd is the window itself.
    GetHostInterface()->SetMAXHWnd(window);
}

QList<QPixmap> CreatePixmapsFromMultiResIcon(const QString& iconName) {
    return Icons().value(iconName);
}

void RegisterMultiResIcon(const QString& iconName, const QIcon& icon) {
    QList<QPixmap> pixmaps;
    for (const QSize& size : icon.availableSizes()) pixmaps.append(icon.pixmap(size));
    Icons().insert(iconName, pixmaps);
}

void ClearMultiResIcons() {
    Icons().clear();
}

bool OpenUrl(const QUrl& url) {
    if (shellRecord) {
        shellRecord->push_back({QStringLiteral("url"), url.toString(), {}});
        return true;
    }
    return QDesktopServices::openUrl(url);
}

bool StartDetached(const QString& program, const QStringList& arguments) {
    if (shellRecord) {
        shellRecord->push_back({QStringLiteral("process"), program, arguments});
        return true;
    }
    return QProcess::startDetached(program, arguments, QString());
}

void SetShellRecord(std::vector<ShellRequest>* record) {
    shellRecord = record;
}

} // namespace MaxSDK::QtHelpers
