// INI files: parsed into lines once per load, so that a write changes exactly one line and leaves the bytes
// of every other line as they were.
#include "host/script/IniFile.h"

#include "host/core/AtomicWrite.h"
#include "host/core/WStr.h"

#include <algorithm>
#include <cwctype>
#include <fstream>
#include <iterator>

namespace {

std::wstring Trim(std::wstring_view s) {
    size_t b = 0, e = s.size();
    while (b < e && std::iswspace(static_cast<wint_t>(s[b])))
        ++b;
    while (e > b && std::iswspace(static_cast<wint_t>(s[e - 1])))
        --e;
    return std::wstring(s.substr(b, e - b));
}

bool SameNoCase(std::wstring_view a, std::wstring_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i)
        if (std::towlower(static_cast<wint_t>(a[i])) != std::towlower(static_cast<wint_t>(b[i])))
            return false;
    return true;
}

} // namespace

IniFile::Line IniFile::Parse(std::wstring text) {
    Line line;
    std::wstring t = Trim(text);
    if (!t.empty() && t[0] == L'[') {
        size_t close = t.find(L']');
        if (close != std::wstring::npos) {
            line.kind = LineKind::Section;
            line.name = Trim(std::wstring_view(t).substr(1, close - 1));
        }
    } else if (!t.empty() && t[0] != L';') {
        size_t eq = t.find(L'=');
        if (eq != std::wstring::npos && eq > 0) {
            line.kind = LineKind::Entry;
            line.name = Trim(std::wstring_view(t).substr(0, eq));
            line.value = Trim(std::wstring_view(t).substr(eq + 1));
            if (line.value.size() >= 2 && line.value.front() == L'"' && line.value.back() == L'"')
                line.value = line.value.substr(1, line.value.size() - 2);
        }
    }
    line.text = std::move(text);
    return line;
}

IniFile::Line IniFile::Read(std::string raw) {
    std::wstring text;
    if (encoding_ == Encoding::Utf16Le) {
        std::u16string u16;
        for (size_t i = 0; i + 1 < raw.size(); i += 2)
            u16 += static_cast<char16_t>(static_cast<unsigned char>(raw[i]) |
                                         (static_cast<unsigned char>(raw[i + 1]) << 8));
        text = WStr::FromUTF16(u16).str();
    } else {
        text = WStr::FromUTF8OrLatin1(raw).str();
    }
    if (!text.empty() && text.back() == L'\r') {
        text.pop_back();
        crlf_ = true;
    }
    Line line = Parse(std::move(text));
    line.raw = std::move(raw);
    line.original = true;
    return line;
}

bool IniFile::Load(const std::filesystem::path& path) {
    lines_.clear();
    encoding_ = Encoding::Utf8;
    crlf_ = false;
    finalNewline_ = true;
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return true;
    std::ifstream in(path, std::ios::binary);
    if (!in) return false;
    std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    size_t pos = 0;
    size_t unit = 1; // bytes per code unit: a line ends at a "\n" unit
    if (bytes.size() >= 2 && static_cast<unsigned char>(bytes[0]) == 0xFF &&
        static_cast<unsigned char>(bytes[1]) == 0xFE) {
        encoding_ = Encoding::Utf16Le;
        pos = unit = 2;
    } else if (bytes.compare(0, 3, "\xEF\xBB\xBF") == 0) {
        encoding_ = Encoding::Utf8Bom;
        pos = 3;
    }
    auto newlineAt = [&](size_t i) { return bytes[i] == '\n' && (unit == 1 || bytes[i + 1] == 0); };
    while (pos < bytes.size()) {
        size_t end = pos;
        while (end + unit <= bytes.size() && !newlineAt(end))
            end += unit;
        if (end + unit > bytes.size()) { // the last line, without a line end (and any odd byte left)
            lines_.push_back(Read(bytes.substr(pos)));
            finalNewline_ = false;
            break;
        }
        lines_.push_back(Read(bytes.substr(pos, end - pos)));
        pos = end + unit;
    }
    return true;
}

std::wstring IniFile::Text() const {
    std::wstring out;
    for (const Line& l : lines_)
        out += l.text + L"\n";
    return out;
}

std::string IniFile::Encode(const std::wstring& text) const {
    if (encoding_ != Encoding::Utf16Le) return WStr(text).ToUTF8();
    std::string bytes;
    for (char16_t c : WStr(text).ToUTF16()) {
        bytes += static_cast<char>(c & 0xFF);
        bytes += static_cast<char>(c >> 8);
    }
    return bytes;
}

bool IniFile::Save(const std::filesystem::path& path) const {
    std::string bytes = encoding_ == Encoding::Utf16Le  ? "\xFF\xFE"
                        : encoding_ == Encoding::Utf8Bom ? "\xEF\xBB\xBF"
                                                         : "";
    const std::string newline = Encode(L"\n");
    for (size_t i = 0; i < lines_.size(); ++i) {
        const Line& l = lines_[i];
        bytes += l.original ? l.raw : Encode(crlf_ ? l.text + L"\r" : l.text);
        if (!(l.original && i + 1 == lines_.size() && !finalNewline_)) bytes += newline;
    }
    std::string error;
    // Settings files may name folders that do not exist yet.
    return WriteFileAtomically(path.string(), bytes, error, true);
}

long IniFile::FindSection(std::wstring_view section) const {
    for (size_t i = 0; i < lines_.size(); ++i)
        if (lines_[i].kind == LineKind::Section && SameNoCase(lines_[i].name, section))
            return static_cast<long>(i);
    return -1;
}

size_t IniFile::SectionEnd(size_t header) const {
    size_t i = header + 1;
    while (i < lines_.size() && lines_[i].kind != LineKind::Section)
        ++i;
    return i;
}

std::wstring IniFile::Get(std::wstring_view section, std::wstring_view key) const {
    long header = FindSection(section);
    if (header < 0) return L"";
    size_t end = SectionEnd(static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Entry && SameNoCase(lines_[i].name, key)) return lines_[i].value;
    return L"";
}

bool IniFile::Has(std::wstring_view section, std::wstring_view key) const {
    long header = FindSection(section);
    if (header < 0) return false;
    size_t end = SectionEnd(static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Entry && SameNoCase(lines_[i].name, key)) return true;
    return false;
}

void IniFile::Set(std::wstring_view section, std::wstring_view key, std::wstring_view value) {
    std::wstring text = std::wstring(key) + L"=" + std::wstring(value);
    long header = FindSection(section);
    if (header < 0) {
        lines_.push_back(Parse(L"[" + std::wstring(section) + L"]"));
        lines_.push_back(Parse(text));
        return;
    }
    size_t end = SectionEnd(static_cast<size_t>(header));
    size_t insertAt = static_cast<size_t>(header) + 1;
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i) {
        if (lines_[i].kind != LineKind::Entry) continue;
        if (SameNoCase(lines_[i].name, key)) {
            lines_[i] = Parse(text);
            return;
        }
        insertAt = i + 1;
    }
    lines_.insert(lines_.begin() + static_cast<long>(insertAt), Parse(text));
}

bool IniFile::Remove(std::wstring_view section, std::wstring_view key) {
    long header = FindSection(section);
    if (header < 0) return false;
    const auto first = lines_.begin() + header + 1, last = lines_.begin() + static_cast<long>(SectionEnd(static_cast<size_t>(header)));
    const auto kept = std::remove_if(first, last, [&](const Line& l) { return l.kind == LineKind::Entry && SameNoCase(l.name, key); });
    if (kept == last) return false;
    lines_.erase(kept, last);
    return true;
}

bool IniFile::RemoveSection(std::wstring_view section) {
    long header = FindSection(section);
    if (header < 0) return false;
    lines_.erase(lines_.begin() + header, lines_.begin() + static_cast<long>(SectionEnd(static_cast<size_t>(header))));
    return true;
}

std::vector<std::wstring> IniFile::Sections() const {
    std::vector<std::wstring> out;
    for (const Line& l : lines_)
        if (l.kind == LineKind::Section) out.push_back(l.name);
    return out;
}

std::vector<std::wstring> IniFile::Keys(std::wstring_view section) const {
    std::vector<std::wstring> out;
    long header = FindSection(section);
    if (header < 0) return out;
    size_t end = SectionEnd(static_cast<size_t>(header));
    for (size_t i = static_cast<size_t>(header) + 1; i < end; ++i)
        if (lines_[i].kind == LineKind::Entry) out.push_back(lines_[i].name);
    return out;
}

std::filesystem::path IniFile::ToPath(std::wstring_view scriptPath) {
    std::wstring p(scriptPath);
    for (wchar_t& c : p)
        if (c == L'\\') c = L'/';
    return std::filesystem::path(WStr(p).ToUTF8());
}

std::wstring IniFile::Read(std::wstring_view file, std::wstring_view section, std::wstring_view key) {
    IniFile ini;
    if (!ini.Load(ToPath(file))) return L"";
    return ini.Get(section, key);
}

bool IniFile::Write(std::wstring_view file, std::wstring_view section, std::wstring_view key,
                    std::wstring_view value) {
    IniFile ini;
    std::filesystem::path path = ToPath(file);
    if (!ini.Load(path)) return false;
    ini.Set(section, key, value);
    return ini.Save(path);
}
