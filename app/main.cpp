// ostrivans-host: the headless host. Loads the plug-in modules, broadcasts start-up, runs -e texts and
// scripts in order (or an interactive listener), then shuts the session down as the host does.
#include "app/HostOptions.h"
#include "app/InteractiveListener.h"
#include "host/application/HostInterface.h"
#include "host/core/FileIdentity.h"
#include "host/core/Hold.h"
#include "host/core/Listener.h"
#include "host/core/MaxException.h"
#include "host/core/Notify.h"
#include "host/modules/PluginModule.h"
#include "host/qt/HostMainWindow.h"
#include "host/qt/HostTheme.h"
#include "host/script/ScriptError.h"
#include "host/script/ScriptRuntime.h"
#include "host/script/scene/SceneClasses.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <iostream>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

#include <QApplication>

namespace fs = std::filesystem;

namespace {

fs::path ProgramFolder() {
    std::error_code ec;
    fs::path exe = fs::read_symlink("/proc/self/exe", ec);
    return ec ? fs::current_path(ec) : exe.parent_path();
}

std::wstring Wide(const std::string& utf8) { return WStr::FromUTF8(utf8).str(); }

// The user's settings folder (getDir #maxdata), made when missing so the first write there succeeds.
fs::path SettingsFolder(Interpreter& interp) {
    std::wstring folder = interp.Paths().directory ? interp.Paths().directory(L"maxdata") : std::wstring();
    fs::path dir = folder.empty() ? ProgramFolder() / "maxdata" : fs::path(WStr(folder).ToUTF8());
    std::error_code ec;
    fs::create_directories(dir, ec);
    return dir;
}

// A script file's text; anything but a regular file is refused before it is opened (a FIFO would block,
// a device would never end), with the reason in error.
bool ReadFile(const std::string& path, std::string& text, std::string& error) {
    const FileIdentity file = FileIdentity::Of(WStr::FromUTF8(path));
    if (file.IsNull()) {
        error = std::strerror(file.Errno());
        return false;
    }
    if (!file.IsRegularFile()) {
        error = "not a regular file (" + WStr(file.KindText()).ToUTF8() + ")";
        return false;
    }
    std::ifstream in(path, std::ios::binary);
    if (!in) {
        error = std::strerror(errno);
        return false;
    }
    std::ostringstream s;
    s << in.rdbuf();
    text = s.str();
    if (text.compare(0, 3, "\xEF\xBB\xBF") == 0) text.erase(0, 3); // a UTF-8 byte order mark
    return true;
}

// Runs one text; on an error writes "source:line:column: message" to standard error.
bool RunText(ScriptRuntime& runtime, const std::string& utf8, const std::wstring& source) {
    try {
        runtime.Run(Wide(utf8), source);
        mflush();
        return true;
    } catch (const ScriptError& e) {
        mflush();
        std::string where = e.HasPosition() ? "" : WStr(source).ToUTF8() + ": ";
        std::cerr << where << e.Message().ToUTF8() << std::endl;
    } catch (const MAXException& e) {
        mflush();
        std::cerr << WStr(source).ToUTF8() << ": " << e.Message().ToUTF8() << std::endl;
    } catch (const std::exception& e) {
        mflush();
        std::cerr << WStr(source).ToUTF8() << ": internal error: " << e.what() << std::endl;
    }
    return false;
}

// GUI mode: the main window, the command line's texts and scripts run in its listener, then the user's
// session until the window closes (or at once with --exit). The window goes before the modules unload, so
// the plug-in windows it parents are deleted by their own module's code.
int RunGui(int& argc, char** argv, const HostOptions& options) {
    QApplication app(argc, argv);
    ApplyHostTheme();
    auto window = std::make_unique<HostMainWindow>();
    window->show();
    int status = 0;
    for (const HostOptions::Item& item : options.run) {
        std::string text;
        std::string error;
        if (!item.isText && !ReadFile(item.value, text, error)) {
            mputs(WStr::FromUTF8("-- " + item.value + ": cannot read the script file: " + error + "\n").data());
            status = 1;
            break;
        }
        const bool ok = item.isText ? window->RunLine(QString::fromStdString(item.value))
                                    : window->RunScript(text, Wide(item.value));
        if (!ok) {
            status = 1;
            break;
        }
    }
    if (!options.exit) status = app.exec();
    window.reset();
    return status;
}

} // namespace

int main(int argc, char** argv) {
    HostOptions options;
    std::string error;
    if (!ParseHostOptions(std::vector<std::string>(argv + 1, argv + argc), options, error)) {
        std::cerr << "ostrivans-host: " << error << "\n" << kHostUsage;
        return 2;
    }
    if (options.help) {
        std::cout << kHostUsage;
        return 0;
    }

    // Start-up: the application object, the script runtime and its settings file, the modules.
    GetHostInterface();
    ScriptRuntime& runtime = ScriptRuntime::Get();
    fs::path settings = SettingsFolder(runtime.Interp());
    runtime.Interp().Paths().iniFile =
        options.iniFile.empty() ? Wide((settings / "ostrivans.ini").string()) : Wide(options.iniFile);

    PluginModules modules;
    std::string pluginDir = options.pluginDir.empty() ? (ProgramFolder() / "plugins").string() : options.pluginDir;
    if (!options.pluginDir.empty() && !fs::is_directory(pluginDir))
        std::cerr << "ostrivans-host: plug-in folder " << pluginDir << " does not exist" << std::endl;
    modules.LoadFolder(pluginDir);
    for (const std::string& e : modules.Errors()) std::cerr << "ostrivans-host: cannot load plug-in " << e << std::endl;
    RefreshSceneClasses(runtime.Interp());
    BroadcastNotification(NOTIFY_SYSTEM_STARTUP);

    int status = 0;
    if (options.gui) {
        status = RunGui(argc, argv, options);
    } else if (!options.run.empty()) {
        for (const HostOptions::Item& item : options.run) {
            std::string text;
            std::string error;
            if (item.isText) {
                text = item.value;
            } else if (!ReadFile(item.value, text, error)) {
                std::cerr << item.value << ": cannot read the script file: " << error << std::endl;
                status = 1;
                break;
            }
            if (!RunText(runtime, text, item.isText ? L"-e" : Wide(item.value))) {
                status = 1;
                break;
            }
        }
    } else if (isatty(STDIN_FILENO)) {
        RunInteractiveListener(runtime, (settings / "listener_history").string());
    } else {
        std::ostringstream s;
        s << std::cin.rdbuf();
        status = RunText(runtime, s.str(), L"<stdin>") ? 0 : 1;
    }

    // Shutdown: tell everyone while the scene is intact, free what the modules' classes made and
    // everything scripts hold, then let each module clean up and unload it.
    BroadcastNotification(NOTIFY_SYSTEM_SHUTDOWN);
    theHold.ClearUndoBuffer();
    ResetSceneContent();
    runtime.Reset();
    modules.UnloadAll();
    mflush();
    return status;
}
