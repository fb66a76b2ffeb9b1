// The file built-ins: host folders, the INI settings file, and plain file operations.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <ctime>
#include <fcntl.h>
#include <filesystem>

namespace fs = std::filesystem;

// A time as the host writes dates: "12/6/2026 5:07:24 PM", in local time.
std::wstring FormatHostDate(std::time_t t) {
    std::tm local{};
    localtime_r(&t, &local);
    const int hour = local.tm_hour % 12 == 0 ? 12 : local.tm_hour % 12;
    wchar_t buf[64];
    std::swprintf(buf, 64, L"%d/%d/%d %d:%02d:%02d %ls", local.tm_mon + 1, local.tm_mday, local.tm_year + 1900, hour,
                  local.tm_min, local.tm_sec, local.tm_hour < 12 ? L"AM" : L"PM");
    return buf;
}

namespace {

std::wstring FromPath(const fs::path& p) {
    return WStr::FromUTF8(p.string()).str();
}

size_t LastSeparator(const std::wstring& s) {
    return s.find_last_of(L"\\/");
}

std::wstring Directory(Interpreter& in, const std::wstring& lowerName) {
    const auto& provider = in.Paths().directory;
    std::wstring dir = provider ? provider(lowerName) : std::wstring();
    if (dir.empty() && lowerName == L"temp") {
        std::error_code ec;
        dir = FromPath(fs::temp_directory_path(ec));
    }
    return dir;
}

// The file's modification time, or its creation (birth) time where the file system records one and its
// modification time where it does not; "" for a file that does not exist.
std::wstring FileDate(const std::wstring& file, bool created) {
    const std::string path = IniFile::ToPath(file).string();
    struct statx info{};
    if (statx(AT_FDCWD, path.c_str(), 0, STATX_MTIME | STATX_BTIME, &info) != 0) return L"";
    const bool hasBirth = created && (info.stx_mask & STATX_BTIME);
    return FormatHostDate(static_cast<std::time_t>(hasBirth ? info.stx_btime.tv_sec : info.stx_mtime.tv_sec));
}

// A file attribute name, lower-cased, among those this file system keeps.
std::wstring FileAttribute(const wchar_t* function, const Value& v) {
    if (!v.Is(Value::Type::Name)) ThrowConvertError(v, L"Name");
    const std::wstring lower = LowerName(v.NameText());
    if (lower == L"readonly" || lower == L"directory" || lower == L"hidden" || lower == L"normal") return lower;
    throw ScriptError(L"Runtime error: " + std::wstring(function) + L": the attribute " + v.PrintForm() +
                      L" is not kept by this file system (#readOnly, #directory, #hidden and #normal are)");
}

// The files, or the folders, of the pattern's folder whose names match its last part, sorted by name.
Value ListFolder(const std::wstring& pattern, bool folders) {
    size_t sep = LastSeparator(pattern);
    std::wstring folder = sep == std::wstring::npos ? L"" : pattern.substr(0, sep + 1);
    std::wstring namePattern = pattern.substr(sep == std::wstring::npos ? 0 : sep + 1);
    const std::wstring trailer = !folders ? L"" : sep == std::wstring::npos ? L"\\" : pattern.substr(sep, 1);
    std::vector<std::wstring> names;
    std::error_code ec;
    fs::path dir = folder.empty() ? fs::path(".") : IniFile::ToPath(folder);
    for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
        if (folders ? !it->is_directory(ec) : !it->is_regular_file(ec)) continue;
        std::wstring name = FromPath(it->path().filename());
        if (MatchWildcard(name, namePattern, true)) names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    std::vector<Value> out;
    for (const auto& n : names)
        out.push_back(Value::String(folder + n + trailer));
    return Value::Array(std::move(out));
}

void RegisterIni(Interpreter& in) {
    // GetINISetting file: the section names; file section: the key names; file section key: the value,
    // "" when missing.
    in.RegisterFunction(L"GetINISetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"GetINISetting", a, 1, 3);
        const std::wstring& file = ArgString(a[0]);
        if (a.Count() == 3) return Value::String(IniFile::Read(file, ArgString(a[1]), ArgString(a[2])));
        IniFile ini;
        ini.Load(IniFile::ToPath(file));
        std::vector<std::wstring> names = a.Count() == 1 ? ini.Sections() : ini.Keys(ArgString(a[1]));
        std::vector<Value> out;
        for (auto& n : names)
            out.push_back(Value::String(n));
        return Value::Array(std::move(out));
    });
    in.RegisterFunction(L"SetINISetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"SetINISetting", a, 4);
        return Value::Bool(
            IniFile::Write(ArgString(a[0]), ArgString(a[1]), ArgString(a[2]), ArgString(a[3])));
    });
    // hasINISetting file section [key]: whether the section, or the key in it, is there.
    in.RegisterFunction(L"hasINISetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"hasINISetting", a, 2, 3);
        IniFile ini;
        ini.Load(IniFile::ToPath(ArgString(a[0])));
        const std::wstring& section = ArgString(a[1]);
        if (a.Count() == 3) return Value::Bool(ini.Has(section, ArgString(a[2])));
        const auto sections = ini.Sections();
        const std::wstring lower = LowerName(section);
        return Value::Bool(std::any_of(sections.begin(), sections.end(),
                                       [&](const std::wstring& s) { return LowerName(s) == lower; }));
    });
    // delIniSetting file section [key]: removes the key, or the whole section; false when it was not there
    // or the file could not be written.
    in.RegisterFunction(L"delIniSetting", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"delIniSetting", a, 2, 3);
        IniFile ini;
        const auto path = IniFile::ToPath(ArgString(a[0]));
        if (!ini.Load(path)) return Value::Bool(false);
        const bool removed = a.Count() == 3 ? ini.Remove(ArgString(a[1]), ArgString(a[2])) : ini.RemoveSection(ArgString(a[1]));
        return Value::Bool(removed && ini.Save(path));
    });
    in.RegisterFunction(L"getMAXIniFile", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"getMAXIniFile", a, 0);
        if (i.Paths().iniFile.empty())
            throw ScriptError(L"Runtime error: the host has no settings file configured");
        return Value::String(i.Paths().iniFile);
    });
}

void RegisterFiles(Interpreter& in) {
    in.RegisterFunction(L"getDir", [](Interpreter& i, CallArgs& a) {
        CheckArgCount(L"getDir", a, 1);
        if (!a[0].Is(Value::Type::Name)) ThrowConvertError(a[0], L"Name");
        std::wstring dir = Directory(i, LowerName(a[0].NameText()));
        if (dir.empty()) throw ScriptError(L"Runtime error: getDir: unknown folder " + a[0].PrintForm());
        return Value::String(dir);
    });
    in.RegisterFunction(L"doesFileExist", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"doesFileExist", a, 1);
        std::error_code ec;
        return Value::Bool(fs::exists(IniFile::ToPath(ArgString(a[0])), ec));
    });
    in.RegisterFunction(L"doesDirectoryExist", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"doesDirectoryExist", a, 1);
        std::error_code ec;
        return Value::Bool(fs::is_directory(IniFile::ToPath(ArgString(a[0])), ec));
    });
    // isDirectoryWriteable: whether files can be made in the folder (false for one that does not exist).
    in.RegisterFunction(L"isDirectoryWriteable", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"isDirectoryWriteable", a, 1);
        const fs::path p = IniFile::ToPath(ArgString(a[0]));
        std::error_code ec;
        return Value::Bool(fs::is_directory(p, ec) && access(p.c_str(), W_OK | X_OK) == 0);
    });
    // getFileSize: the size in bytes; 0 for a file that does not exist, as the host answers.
    in.RegisterFunction(L"getFileSize", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFileSize", a, 1);
        std::error_code ec;
        const fs::path p = IniFile::ToPath(ArgString(a[0]));
        const auto size = fs::is_regular_file(p, ec) ? fs::file_size(p, ec) : 0;
        return Value::Int(ec ? 0 : static_cast<std::int64_t>(size));
    });
    // getFileAttribute file #readOnly / #directory / #hidden / #normal and setFileAttribute file #readOnly
    // bool: read-only is the lack of write permission; hidden files are those named with a leading dot.
    // Attributes this file system does not keep (#system, #archive, #temporary) are an error.
    in.RegisterFunction(L"getFileAttribute", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFileAttribute", a, 2);
        const fs::path p = IniFile::ToPath(ArgString(a[0]));
        const std::wstring attribute = FileAttribute(L"getFileAttribute", a[1]);
        std::error_code ec;
        const fs::file_status status = fs::status(p, ec);
        if (ec || !fs::exists(status))
            throw ScriptError(L"Runtime error: getFileAttribute: no such file: " + a[0].PrintForm());
        const bool readOnly = (status.permissions() & fs::perms::owner_write) == fs::perms::none;
        const bool hidden = p.filename().string().starts_with(".");
        if (attribute == L"readonly") return Value::Bool(readOnly);
        if (attribute == L"directory") return Value::Bool(fs::is_directory(status));
        if (attribute == L"hidden") return Value::Bool(hidden);
        return Value::Bool(fs::is_regular_file(status) && !readOnly && !hidden); // normal
    });
    in.RegisterFunction(L"setFileAttribute", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"setFileAttribute", a, 3);
        const fs::path p = IniFile::ToPath(ArgString(a[0]));
        if (FileAttribute(L"setFileAttribute", a[1]) != L"readonly")
            throw ScriptError(L"Runtime error: setFileAttribute can set only #readOnly here, got: " + a[1].PrintForm());
        const bool readOnly = ArgBool(a[2]);
        std::error_code ec;
        const fs::perms write = fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write;
        fs::permissions(p, readOnly ? write : fs::perms::owner_write,
                        readOnly ? fs::perm_options::remove : fs::perm_options::add, ec);
        return Value::Bool(!ec);
    });
    in.RegisterFunction(L"deleteFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"deleteFile", a, 1);
        std::error_code ec;
        fs::path p = IniFile::ToPath(ArgString(a[0]));
        return Value::Bool(fs::is_regular_file(p, ec) && fs::remove(p, ec));
    });
    in.RegisterFunction(L"makeDir", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"makeDir", a, 1);
        std::error_code ec;
        fs::path p = IniFile::ToPath(ArgString(a[0]));
        bool all = ArgBool(a.KeywordOr(L"all", Value::Bool(false)));
        if (all)
            fs::create_directories(p, ec);
        else
            fs::create_directory(p, ec);
        return Value::Bool(fs::is_directory(p, ec));
    });
    // The files (not folders) of one folder whose names match the pattern, sorted by name; each path is
    // the folder as written followed by the file name.
    in.RegisterFunction(L"getFiles", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFiles", a, 1);
        return ListFolder(ArgString(a[0]), false);
    });
    // The same for folders, each ending in the separator the pattern used.
    in.RegisterFunction(L"getDirectories", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getDirectories", a, 1);
        return ListFolder(ArgString(a[0]), true);
    });
    // copyFile and renameFile never overwrite: an existing target, or a missing source, answers false.
    in.RegisterFunction(L"copyFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"copyFile", a, 2);
        std::error_code ec;
        const fs::path from = IniFile::ToPath(ArgString(a[0])), to = IniFile::ToPath(ArgString(a[1]));
        if (!fs::is_regular_file(from, ec) || fs::exists(to, ec)) return Value::Bool(false);
        return Value::Bool(fs::copy_file(from, to, fs::copy_options::none, ec) && !ec);
    });
    in.RegisterFunction(L"renameFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"renameFile", a, 2);
        std::error_code ec;
        const fs::path from = IniFile::ToPath(ArgString(a[0])), to = IniFile::ToPath(ArgString(a[1]));
        if (!fs::exists(from, ec) || fs::exists(to, ec)) return Value::Bool(false);
        fs::rename(from, to, ec);
        return Value::Bool(!ec);
    });
    in.RegisterFunction(L"getFileModDate", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFileModDate", a, 1);
        return Value::String(FileDate(ArgString(a[0]), false));
    });
    in.RegisterFunction(L"getFileCreateDate", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFileCreateDate", a, 1);
        return Value::String(FileDate(ArgString(a[0]), true));
    });
    in.RegisterFunction(L"getFilenamePath", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFilenamePath", a, 1);
        const std::wstring& s = ArgString(a[0]);
        size_t sep = LastSeparator(s);
        return Value::String(sep == std::wstring::npos ? L"" : s.substr(0, sep + 1));
    });
    in.RegisterFunction(L"filenameFromPath", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"filenameFromPath", a, 1);
        const std::wstring& s = ArgString(a[0]);
        size_t sep = LastSeparator(s);
        return Value::String(sep == std::wstring::npos ? s : s.substr(sep + 1));
    });
    in.RegisterFunction(L"getFilenameFile", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFilenameFile", a, 1);
        const std::wstring& s = ArgString(a[0]);
        size_t sep = LastSeparator(s);
        std::wstring name = sep == std::wstring::npos ? s : s.substr(sep + 1);
        size_t dot = name.find_last_of(L'.');
        return Value::String(dot == std::wstring::npos ? name : name.substr(0, dot));
    });
    in.RegisterFunction(L"getFilenameType", [](Interpreter&, CallArgs& a) {
        CheckArgCount(L"getFilenameType", a, 1);
        const std::wstring& s = ArgString(a[0]);
        size_t sep = LastSeparator(s);
        std::wstring name = sep == std::wstring::npos ? s : s.substr(sep + 1);
        size_t dot = name.find_last_of(L'.');
        return Value::String(dot == std::wstring::npos ? L"" : name.substr(dot));
    });
}

} // namespace

void RegisterFileBuiltins(Interpreter& interp) {
    RegisterIni(interp);
    RegisterFiles(interp);
}
