// pathConfig: joining, splitting and normalizing paths from script, with the host's separators.
#include "host/script/CoreBuiltins.h"
#include "host/script/Interpreter.h"
#include "host/script/ScriptError.h"

#include <memory>
#include <vector>

namespace {

bool IsSeparator(wchar_t c) {
    return c == L'\\' || c == L'/';
}

// The separator a path already uses, the host's backslash when it has none.
wchar_t SeparatorOf(const std::wstring& path) {
    for (wchar_t c : path)
        if (IsSeparator(c)) return c;
    return L'\\';
}

std::wstring TrimTrailing(std::wstring path) {
    while (path.size() > 1 && IsSeparator(path.back()) && !(path.size() == 3 && path[1] == L':'))
        path.pop_back();
    return path;
}

class PathConfig : public HostObject {
public:
    std::wstring ClassName() const override { return L"Interface"; }
    std::wstring PrintForm() const override { return L"<Interface:pathConfig>"; }

    bool CallMethod(Interpreter&, const std::wstring& name, CallArgs& a, Value& out) override {
        if (name == L"appendpath") {
            CheckArgCount(L"pathConfig.appendPath", a, 2);
            const std::wstring& head = ArgString(a[0]);
            std::wstring tail = ArgString(a[1]);
            while (!tail.empty() && IsSeparator(tail.front()))
                tail.erase(0, 1);
            const std::wstring base = TrimTrailing(head);
            const std::wstring joint = base.empty() || IsSeparator(base.back()) ? L"" : std::wstring(1, SeparatorOf(head));
            out = Value::String(base + joint + tail);
        } else if (name == L"removepathleaf") {
            CheckArgCount(L"pathConfig.removePathLeaf", a, 1);
            const std::wstring path = TrimTrailing(ArgString(a[0]));
            const size_t sep = path.find_last_of(L"\\/");
            out = Value::String(sep == std::wstring::npos ? L"" : TrimTrailing(path.substr(0, sep + 1)));
        } else if (name == L"strippathtoleaf") {
            CheckArgCount(L"pathConfig.stripPathToLeaf", a, 1);
            const std::wstring path = TrimTrailing(ArgString(a[0]));
            const size_t sep = path.find_last_of(L"\\/");
            out = Value::String(sep == std::wstring::npos ? path : path.substr(sep + 1));
        } else if (name == L"isabsolutepath") {
            CheckArgCount(L"pathConfig.isAbsolutePath", a, 1);
            const std::wstring& p = ArgString(a[0]);
            const bool drive = p.size() >= 3 && p[1] == L':' && IsSeparator(p[2]);
            out = Value::Bool(drive || (!p.empty() && IsSeparator(p[0])));
        } else if (name == L"normalizepath") {
            CheckArgCount(L"pathConfig.normalizePath", a, 1);
            out = Value::String(Normalize(ArgString(a[0])));
        } else {
            return false;
        }
        return true;
    }

private:
    // "." parts dropped and each ".." taking the part before it away; a ".." past the start stays.
    static std::wstring Normalize(const std::wstring& path) {
        const wchar_t sep = SeparatorOf(path);
        std::vector<std::wstring> parts;
        std::wstring part;
        const bool rooted = !path.empty() && IsSeparator(path[0]);
        for (size_t i = 0; i <= path.size(); ++i) {
            if (i < path.size() && !IsSeparator(path[i])) {
                part += path[i];
                continue;
            }
            if (part == L"..") {
                if (!parts.empty() && parts.back() != L".." && parts.back().back() != L':')
                    parts.pop_back();
                else
                    parts.push_back(part);
            } else if (!part.empty() && part != L".") {
                parts.push_back(part);
            }
            part.clear();
        }
        std::wstring out = rooted ? std::wstring(1, sep) : L"";
        for (size_t i = 0; i < parts.size(); ++i)
            out += (i ? std::wstring(1, sep) : L"") + parts[i];
        return out;
    }
};

} // namespace

void RegisterPathConfig(Interpreter& in) {
    in.SetGlobal(L"pathConfig", Value::Object(std::make_shared<PathConfig>()));
}
