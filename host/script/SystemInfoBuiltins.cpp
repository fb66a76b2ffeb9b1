// sysInfo: the machine the host runs on, seen from script: user and computer names, processors, memory,
// and the current and temporary folders.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <pwd.h>
#include <sys/sysinfo.h>
#include <unistd.h>

#include <filesystem>
#include <memory>
#include <thread>

namespace {

std::wstring Wide(const std::string& s) {
    return WStr::FromUTF8(s).str();
}

// Folders end in a separator, as the host writes them.
std::wstring Folder(const std::filesystem::path& p) {
    std::wstring s = Wide(p.string());
    if (s.empty() || s.back() != L'/') s += L'/';
    return s;
}

class SystemInfo : public HostObject {
public:
    std::wstring ClassName() const override { return L"StructDef"; }
    std::wstring PrintForm() const override { return L"#Struct:sysInfo"; }

    bool GetProperty(Interpreter&, const std::wstring& name, Value& out) override {
        std::error_code ec;
        if (name == L"username") {
            const passwd* user = getpwuid(geteuid());
            out = Value::String(user ? Wide(user->pw_name) : std::wstring());
        } else if (name == L"computername") {
            char host[256] = {};
            out = Value::String(gethostname(host, sizeof host - 1) == 0 ? Wide(host) : std::wstring());
        } else if (name == L"cpucount") {
            out = Value::Int(static_cast<std::int64_t>(std::max(1u, std::thread::hardware_concurrency())));
        } else if (name == L"currentdir") {
            out = Value::String(Folder(std::filesystem::current_path(ec)));
        } else if (name == L"tempdir") {
            out = Value::String(Folder(std::filesystem::temp_directory_path(ec)));
        } else {
            return false;
        }
        return true;
    }

    bool SetProperty(Interpreter&, const std::wstring& name, const Value& v) override {
        if (name != L"currentdir") return false;
        std::error_code ec;
        std::filesystem::current_path(IniFile::ToPath(ArgString(v)), ec);
        if (ec)
            throw ScriptError(L"Runtime error: sysInfo.currentdir cannot change to " + v.PrintForm() + L": " +
                              Wide(ec.message()));
        return true;
    }

    // getSystemMemoryInfo(): #(percent of memory in use, physical total, physical free, swap total, swap
    // free, address space total, address space free), sizes in bytes.
    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name != L"getsystemmemoryinfo") return false;
        CheckArgCount(L"getSystemMemoryInfo", a, 0);
        struct sysinfo info{};
        if (sysinfo(&info) != 0) throw ScriptError(L"Runtime error: sysInfo.getSystemMemoryInfo: the system gave no answer");
        const auto bytes = [&](unsigned long n) { return Value::Int(static_cast<std::int64_t>(n) * info.mem_unit); };
        const std::int64_t used = info.totalram == 0 ? 0 : static_cast<std::int64_t>(100 - info.freeram * 100 / info.totalram);
        out = Value::Array({Value::Int(used), bytes(info.totalram), bytes(info.freeram), bytes(info.totalswap),
                            bytes(info.freeswap), bytes(info.totalram + info.totalswap),
                            bytes(info.freeram + info.freeswap)});
        return true;
    }
};

} // namespace

void RegisterSystemInfo(Interpreter& in) {
    in.SetGlobal(L"sysInfo", Value::Object(std::make_shared<SystemInfo>()));
}
