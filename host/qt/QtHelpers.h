// The host's Qt bridge: its main window as the parent of plug-in windows, its multi-resolution icons by
// name, and the shell requests (URLs, detached programs) that plug-ins make through Qt.
#pragma once

#include "host/core/WStr.h"

#include <QIcon>
#include <QList>
#include <QPixmap>
#include <QString>
#include <QStringList>
#include <QUrl>

#include <vector>

class QWidget;

namespace MaxSDK::QtHelpers {

inline QString ToQString(const WStr& s) { return QString::fromStdWString(s.str()); }
inline WStr ToWStr(const QString& s) { return WStr(s.toStdWString()); }

// The host's main window, or null when the host runs without its GUI.
QWidget* GetQmaxMainWindow();
// The GUI installs its main window (null when it goes); the window's handle is what GetMAXHWnd answers.
void SetQmaxMainWindow(QWidget* window);

// The pixmaps of the host's multi-resolution icon of that name ("Ostrivans/Add"), one per size; empty when
// the host has no such icon.
QList<QPixmap> CreatePixmapsFromMultiResIcon(const QString& iconName);
// Adds an icon to the host's set (each of its available sizes becomes one pixmap of the name).
void RegisterMultiResIcon(const QString& iconName, const QIcon& icon);
// Forgets every registered icon.
void ClearMultiResIcons();

// A shell request: "url" with the URL in target, or "process" with the program in target and its
// arguments.
struct ShellRequest {
    QString kind;
    QString target;
    QStringList arguments;
};
// Opens a URL (a web page, or a local folder in the desktop's file manager). False when nothing took it.
bool OpenUrl(const QUrl& url);
// Starts a program detached from the host, with no working folder of its own. False when it cannot start.
bool StartDetached(const QString& program, const QStringList& arguments);
// While a record is installed, shell requests are appended to it and not carried out (tests; a headless
// session must not start programs). Null carries them out again.
void SetShellRecord(std::vector<ShellRequest>* record);

} // namespace MaxSDK::QtHelpers
