// UTF conversions and helpers of the wide string. Invalid sequences become U+FFFD, never a crash.
#include "host/core/WStr.h"

#include "host/core/UTF16LE.h"

#include <charconv>

#include <cstdarg>
#include <cwchar>
#include <cwctype>
#include <vector>

namespace {
constexpr char32_t kReplacement = 0xFFFD;

void AppendUTF8(std::string& out, char32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

bool ValidScalar(char32_t c) { return c <= 0x10FFFF && (c < 0xD800 || c > 0xDFFF); }

// A byte that does not start a valid sequence becomes U+FFFD, or itself as Latin-1 when latin1 is set.
std::wstring DecodeUTF8(std::string_view s, bool latin1) {
    std::wstring out;
    out.reserve(s.size());
    size_t i = 0;
    while (i < s.size()) {
        auto b = static_cast<unsigned char>(s[i]);
        int extra = b < 0x80 ? 0 : (b >> 5) == 6 ? 1 : (b >> 4) == 14 ? 2 : (b >> 3) == 30 ? 3 : -1;
        if (extra < 0 || i + static_cast<size_t>(extra) >= s.size()) {
            out += static_cast<wchar_t>(latin1 ? b : kReplacement);
            ++i;
            continue;
        }
        char32_t c = extra == 0 ? b : extra == 1 ? (b & 0x1F) : extra == 2 ? (b & 0x0F) : (b & 0x07);
        bool ok = true;
        for (int k = 1; k <= extra; ++k) {
            auto n = static_cast<unsigned char>(s[i + static_cast<size_t>(k)]);
            if ((n & 0xC0) != 0x80) { ok = false; break; }
            c = (c << 6) | (n & 0x3F);
        }
        if (!ok || !ValidScalar(c)) {
            out += static_cast<wchar_t>(latin1 ? b : kReplacement);
            ++i;
            continue;
        }
        out += static_cast<wchar_t>(c);
        i += static_cast<size_t>(extra) + 1;
    }
    return out;
}
} // namespace

WStr WStr::FromUTF8(std::string_view s) {
    return WStr(DecodeUTF8(s, false));
}

WStr WStr::FromUTF8OrLatin1(std::string_view s) {
    return WStr(DecodeUTF8(s, true));
}

WStr WStr::FromUTF16(std::u16string_view s) {
    std::wstring out;
    out.reserve(s.size());
    for (size_t i = 0; i < s.size(); ++i) {
        char32_t c = s[i];
        if (c >= 0xD800 && c <= 0xDBFF && i + 1 < s.size() && s[i + 1] >= 0xDC00 && s[i + 1] <= 0xDFFF) {
            c = 0x10000 + ((c - 0xD800) << 10) + (s[i + 1] - 0xDC00);
            ++i;
        } else if (c >= 0xD800 && c <= 0xDFFF) {
            c = kReplacement;
        }
        out += static_cast<wchar_t>(c);
    }
    return WStr(std::move(out));
}

std::string WStr::ToUTF8() const {
    std::string out;
    out.reserve(s_.size());
    for (wchar_t w : s_) {
        auto c = static_cast<char32_t>(w);
        AppendUTF8(out, ValidScalar(c) ? c : kReplacement);
    }
    return out;
}

namespace {

// Each UTF-16 unit of s in order; what is not a Unicode scalar becomes U+FFFD.
template <class Put> void EncodeUTF16(std::wstring_view s, Put put) {
    for (wchar_t w : s) {
        auto c = static_cast<char32_t>(w);
        if (!ValidScalar(c)) c = kReplacement;
        if (c >= 0x10000) {
            c -= 0x10000;
            put(static_cast<char16_t>(0xD800 + (c >> 10)));
            put(static_cast<char16_t>(0xDC00 + (c & 0x3FF)));
        } else {
            put(static_cast<char16_t>(c));
        }
    }
}

} // namespace

std::u16string WStr::ToUTF16() const {
    std::u16string out;
    out.reserve(s_.size());
    EncodeUTF16(s_, [&out](char16_t u) { out += u; });
    return out;
}

void AppendUTF16LE(std::wstring_view s, std::vector<std::uint8_t>& out) {
    EncodeUTF16(s, [&out](char16_t u) {
        out.push_back(static_cast<std::uint8_t>(u));
        out.push_back(static_cast<std::uint8_t>(u >> 8));
    });
}

namespace {
// The host's wide printf reads "%s" as a wide string; the C library wants "%ls" for that.
std::wstring HostToLibcFormat(const wchar_t* format) {
    std::wstring out;
    for (const wchar_t* p = format; *p; ++p) {
        out += *p;
        if (*p != L'%') continue;
        if (p[1] == L'%') { out += *++p; continue; }
        bool longModifier = false;
        while (p[1] && std::wcschr(L"-+ #0123456789.*hlLqjzt", p[1])) {
            if (p[1] == L'l') longModifier = true;
            out += *++p;
        }
        if ((p[1] == L's' || p[1] == L'c') && !longModifier) out += L'l';
    }
    return out;
}
} // namespace

WStr WStr::Format(const wchar_t* format, ...) {
    std::wstring libcFormat = HostToLibcFormat(format);
    std::vector<wchar_t> buf(256);
    for (;;) {
        va_list args;
        va_start(args, format);
        int n = std::vswprintf(buf.data(), buf.size(), libcFormat.c_str(), args);
        va_end(args);
        if (n >= 0 && static_cast<size_t>(n) < buf.size()) return WStr(std::wstring(buf.data(), static_cast<size_t>(n)));
        if (buf.size() > (1u << 24)) return WStr();
        buf.resize(buf.size() * 4);
    }
}

WStr WStr::Substr(int start, int n) const {
    if (start < 0 || static_cast<size_t>(start) >= s_.size() || n <= 0) return WStr();
    return WStr(s_.substr(static_cast<size_t>(start), static_cast<size_t>(n)));
}

int WStr::first(wchar_t c) const {
    auto p = s_.find(c);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

int WStr::last(wchar_t c) const {
    auto p = s_.rfind(c);
    return p == std::wstring::npos ? -1 : static_cast<int>(p);
}

WStr WStr::ToLower() const {
    std::wstring r = s_;
    for (auto& c : r) c = static_cast<wchar_t>(std::towlower(static_cast<wint_t>(c)));
    return WStr(std::move(r));
}

WStr WStr::ToUpper() const {
    std::wstring r = s_;
    for (auto& c : r) c = static_cast<wchar_t>(std::towupper(static_cast<wint_t>(c)));
    return WStr(std::move(r));
}

bool WStr::EqualsNoCase(const WStr& o) const {
    if (s_.size() != o.s_.size()) return false;
    for (size_t i = 0; i < s_.size(); ++i)
        if (std::towlower(static_cast<wint_t>(s_[i])) != std::towlower(static_cast<wint_t>(o.s_[i]))) return false;
    return true;
}

WStr WStr::FromInt(long long value) {
    char digits[24];
    const auto end = std::to_chars(digits, digits + sizeof digits, value).ptr;
    return WStr(std::wstring(digits, end));
}
