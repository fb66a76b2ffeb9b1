// The file built-ins: host folders, the INI settings file, and plain file operations.
#include "host/core/WStr.h"
#include "host/script/CoreBuiltins.h"
#include "host/script/IniFile.h"
#include "host/script/Interpreter.h"
#include "host/script/Lexer.h"
#include "host/script/ScriptError.h"

#include <algorithm>
#include <filesystem>

namespace fs = std::filesystem;

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
        const std::wstring& pattern = ArgString(a[0]);
        size_t sep = LastSeparator(pattern);
        std::wstring folder = sep == std::wstring::npos ? L"" : pattern.substr(0, sep + 1);
        std::wstring namePattern = pattern.substr(sep == std::wstring::npos ? 0 : sep + 1);
        std::vector<std::wstring> names;
        std::error_code ec;
        fs::path dir = folder.empty() ? fs::path(".") : IniFile::ToPath(folder);
        for (fs::directory_iterator it(dir, ec), end; !ec && it != end; it.increment(ec)) {
            if (!it->is_regular_file(ec)) continue;
            std::wstring name = FromPath(it->path().filename());
            if (MatchWildcard(name, namePattern, true)) names.push_back(name);
        }
        std::sort(names.begin(), names.end());
        std::vector<Value> out;
        for (const auto& n : names)
            out.push_back(Value::String(folder + n));
        return Value::Array(std::move(out));
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
