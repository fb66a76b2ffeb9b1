// Plug-in modules: shared libraries exporting the host's plug-in entry points, loaded from a plug-in folder
// with their class descriptors registered in the class directory.
#pragma once

#include "host/core/MaxTypes.h"
#include "host/core/WStr.h"

#include <memory>
#include <string>
#include <vector>

class ClassDesc;

// The module exports, with C linkage, as the host's plug-in modules declare them.
using LibNumberClassesProc = int (*)();
using LibClassDescProc = ClassDesc* (*)(int i);
using LibDescriptionProc = const MCHAR* (*)();
using LibVersionProc = ULONG (*)();
using LibInitializeProc = int (*)();
using LibShutdownProc = int (*)();
using CanAutoDeferProc = ULONG (*)();
// The module entry point, optional: told of attach with the module handle before anything else, and of
// detach just before the library is closed.
using DllMainProc = BOOL (*)(HINSTANCE module, ULONG reason, void* reserved);
constexpr ULONG DLL_PROCESS_DETACH = 0;
constexpr ULONG DLL_PROCESS_ATTACH = 1;

// The host's version stamp: release number in the high 16 bits, interface number in bits 8 to 15, SDK
// revision in the low 8. A module whose stamp names another interface number was built for another host
// and is refused.
constexpr ULONG kHostReleaseNumber = 27000;
constexpr ULONG kHostInterfaceNumber = 66;
constexpr ULONG kHostSdkRevision = 0;
constexpr ULONG HostVersionStamp() {
    return (kHostReleaseNumber << 16) | (kHostInterfaceNumber << 8) | kHostSdkRevision;
}

// One loaded module. Loading opens the library, calls its entry point with attach, checks the exports and
// the version stamp, registers every class descriptor in the class directory and calls LibInitialize; a
// failure at any step undoes the earlier ones. Destroying it calls LibShutdown, removes its classes,
// calls the entry point with detach and closes the library.
class PluginModule {
public:
    // Null on failure, with error set to "path: reason".
    static std::unique_ptr<PluginModule> Load(const std::string& path, std::string& error);
    ~PluginModule();
    PluginModule(const PluginModule&) = delete;
    PluginModule& operator=(const PluginModule&) = delete;

    const std::string& Path() const { return path_; }
    HINSTANCE Handle() const { return handle_; }
    const WStr& Description() const { return description_; }
    ULONG Version() const { return version_; }
    const std::vector<ClassDesc*>& Classes() const { return classes_; }
    // The address of another export of the module, or null.
    void* Symbol(const char* name) const;

    // "Name.dlo \"description\" version 0x69784200, 2 classes".
    std::string ToString() const;

private:
    PluginModule() = default;
    void Unregister();
    void Close();

    std::string path_;
    HINSTANCE handle_ = nullptr;
    WStr description_;
    ULONG version_ = 0;
    std::vector<ClassDesc*> classes_;
    LibShutdownProc shutdown_ = nullptr;
    DllMainProc entry_ = nullptr;
};

// The modules of a host session, in load order.
class PluginModules {
public:
    PluginModules() = default;
    ~PluginModules() { UnloadAll(); }
    PluginModules(const PluginModules&) = delete;
    PluginModules& operator=(const PluginModules&) = delete;

    // Loads one module; false (and the reason in Errors) when it cannot be loaded.
    bool LoadModule(const std::string& path);
    // Loads every "*.dlo" and "*.so" file of folder in name order; a missing folder loads nothing.
    // Returns how many loaded; each failure is kept in Errors and the others still load.
    int LoadFolder(const std::string& folder);
    // Unloads in the reverse of load order.
    void UnloadAll();

    int Count() const { return static_cast<int>(modules_.size()); }
    const PluginModule& At(int i) const { return *modules_[static_cast<size_t>(i)]; }
    const std::vector<std::string>& Errors() const { return errors_; }

private:
    std::vector<std::unique_ptr<PluginModule>> modules_;
    std::vector<std::string> errors_;
};
