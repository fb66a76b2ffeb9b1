// Loading and unloading plug-in modules through the system's dynamic loader.
#include "host/modules/PluginModule.h"

#include "host/core/ClassDesc.h"
#include "host/core/ClassDirectory.h"
#include "host/core/MaxException.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <dlfcn.h>
#include <filesystem>

namespace fs = std::filesystem;

namespace {

// The loader's reason, without the path it starts with when it names the file.
std::string DlError(const std::string& path) {
    const char* e = dlerror();
    std::string reason = e ? e : "unknown reason";
    if (reason.rfind(path + ": ", 0) == 0) reason.erase(0, path.size() + 2);
    return reason;
}

template <class Proc> Proc Export(void* handle, const char* name) {
    return reinterpret_cast<Proc>(dlsym(handle, name));
}

std::string Hex(ULONG v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "0x%08x", static_cast<unsigned>(v));
    return buf;
}

} // namespace

std::unique_ptr<PluginModule> PluginModule::Load(const std::string& path, std::string& error) {
    std::unique_ptr<PluginModule> m(new PluginModule());
    m->path_ = path;
    dlerror();
    m->handle_ = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!m->handle_) {
        error = path + ": " + DlError(path);
        return nullptr;
    }
    auto fail = [&](const std::string& reason) {
        error = path + ": " + reason;
        m->Unregister();
        m->Close();
        return nullptr;
    };

    m->entry_ = Export<DllMainProc>(m->handle_, "DllMain");
    if (m->entry_ && !m->entry_(m->handle_, DLL_PROCESS_ATTACH, nullptr)) {
        m->entry_ = nullptr; // a module that refused to attach is not told of the detach either
        return fail("the module's entry point refused to attach");
    }
    auto numberClasses = Export<LibNumberClassesProc>(m->handle_, "LibNumberClasses");
    auto classDesc = Export<LibClassDescProc>(m->handle_, "LibClassDesc");
    auto description = Export<LibDescriptionProc>(m->handle_, "LibDescription");
    auto version = Export<LibVersionProc>(m->handle_, "LibVersion");
    auto initialize = Export<LibInitializeProc>(m->handle_, "LibInitialize");
    m->shutdown_ = Export<LibShutdownProc>(m->handle_, "LibShutdown");
    for (auto [proc, name] : {std::pair<bool, const char*>{numberClasses != nullptr, "LibNumberClasses"},
                              {classDesc != nullptr, "LibClassDesc"},
                              {description != nullptr, "LibDescription"},
                              {version != nullptr, "LibVersion"},
                              {initialize != nullptr, "LibInitialize"},
                              {m->shutdown_ != nullptr, "LibShutdown"}}) {
        if (!proc) {
            m->shutdown_ = nullptr;
            return fail(std::string("not a plug-in module: it does not export ") + name);
        }
    }
    // Until LibInitialize has succeeded there is nothing for LibShutdown to undo.
    LibShutdownProc shutdown = m->shutdown_;
    m->shutdown_ = nullptr;

    m->version_ = version();
    if (((m->version_ >> 8) & 0xFF) != kHostInterfaceNumber)
        return fail("built for another host version: stamp " + Hex(m->version_) + ", the host is " +
                    Hex(HostVersionStamp()));
    const MCHAR* text = description();
    m->description_ = text ? text : L"";

    int count = numberClasses();
    for (int i = 0; i < count; ++i) {
        ClassDesc* cd = classDesc(i);
        if (!cd) return fail("LibClassDesc(" + std::to_string(i) + ") is null, LibNumberClasses said " +
                             std::to_string(count));
        try {
            GetClassDirectory().AddClass(cd);
        } catch (const MAXException& e) {
            return fail("class " + std::to_string(i) + ": " + e.Message().ToUTF8());
        }
        m->classes_.push_back(cd);
    }
    if (!initialize()) return fail("LibInitialize failed");
    m->shutdown_ = shutdown;
    return m;
}

PluginModule::~PluginModule() {
    if (shutdown_) shutdown_();
    Unregister();
    Close();
}

void PluginModule::Unregister() {
    for (auto it = classes_.rbegin(); it != classes_.rend(); ++it) GetClassDirectory().RemoveClass(*it);
    classes_.clear();
}

void PluginModule::Close() {
    if (!handle_) return;
    if (entry_) entry_(handle_, DLL_PROCESS_DETACH, nullptr);
    entry_ = nullptr;
    dlclose(handle_);
    handle_ = nullptr;
}

void* PluginModule::Symbol(const char* name) const { return handle_ ? dlsym(handle_, name) : nullptr; }

std::string PluginModule::ToString() const {
    return fs::path(path_).filename().string() + " \"" + description_.ToUTF8() + "\" version " + Hex(version_) +
           ", " + std::to_string(classes_.size()) + (classes_.size() == 1 ? " class" : " classes");
}

// ---- PluginModules

bool PluginModules::LoadModule(const std::string& path) {
    std::string error;
    std::unique_ptr<PluginModule> m = PluginModule::Load(path, error);
    if (!m) {
        errors_.push_back(error);
        return false;
    }
    modules_.push_back(std::move(m));
    return true;
}

int PluginModules::LoadFolder(const std::string& folder) {
    std::error_code ec;
    std::vector<fs::path> files;
    for (fs::directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& p = it->path();
        std::string ext = p.extension().string();
        std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char c) { return std::tolower(c); });
        if ((ext == ".dlo" || ext == ".so") && it->is_regular_file(ec)) files.push_back(p);
    }
    std::sort(files.begin(), files.end());
    int loaded = 0;
    for (const fs::path& p : files) loaded += LoadModule(p.string()) ? 1 : 0;
    return loaded;
}

void PluginModules::UnloadAll() {
    while (!modules_.empty()) modules_.pop_back();
}
