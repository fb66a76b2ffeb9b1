// The host's wide string: Unicode text in wchar_t, with UTF-8 and UTF-16 conversions for files and streams.
#pragma once

#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <string_view>

class WStr {
public:
    WStr() = default;
    WStr(const wchar_t* s) : s_(s ? s : L"") {}
    WStr(std::wstring s) : s_(std::move(s)) {}
    WStr(std::wstring_view s) : s_(s) {}
    WStr(const wchar_t* s, size_t n) : s_(s, n) {}

    static WStr FromUTF8(std::string_view utf8);
    // UTF-8 where the bytes are UTF-8; any other byte read as Latin-1, as older tools write text.
    static WStr FromUTF8OrLatin1(std::string_view bytes);
    static WStr FromUTF16(std::u16string_view utf16);
    // Text formatted with wide printf rules ("%s" takes a wchar_t*, "%d", "%x", "%f").
    static WStr Format(const wchar_t* format, ...);
    // A decimal integer: what Format("%d") gives, without the printf machinery, for names made in walks.
    static WStr FromInt(long long value);

    std::string ToUTF8() const;
    std::u16string ToUTF16() const;

    const wchar_t* data() const { return s_.c_str(); }
    const wchar_t* c_str() const { return s_.c_str(); }
    operator const wchar_t*() const { return s_.c_str(); }
    const std::wstring& str() const { return s_; }
    std::wstring& str() { return s_; }

    int Length() const { return static_cast<int>(s_.size()); }
    int length() const { return Length(); }
    bool isNull() const { return s_.empty(); }
    void Resize(int n) { s_.resize(n < 0 ? 0 : static_cast<size_t>(n)); }
    WStr Substr(int start, int n) const;
    int first(wchar_t c) const;
    int last(wchar_t c) const;
    WStr ToLower() const;
    WStr ToUpper() const;
    // Case-insensitive comparison, as the host compares node and material names.
    bool EqualsNoCase(const WStr& o) const;

    wchar_t& operator[](int i) { return s_[static_cast<size_t>(i)]; }
    wchar_t operator[](int i) const { return s_[static_cast<size_t>(i)]; }
    WStr& operator=(const wchar_t* s) { s_ = s ? s : L""; return *this; }
    WStr& operator+=(const WStr& o) { s_ += o.s_; return *this; }
    WStr& operator+=(const wchar_t* o) { s_ += o; return *this; }
    WStr& operator+=(wchar_t c) { s_ += c; return *this; }
    WStr operator+(const WStr& o) const { return WStr(s_ + o.s_); }
    WStr operator+(const wchar_t* o) const { return WStr(s_ + o); }
    bool operator==(const WStr& o) const { return s_ == o.s_; }
    bool operator==(const wchar_t* o) const { return s_ == (o ? o : L""); }
    bool operator<(const WStr& o) const { return s_ < o.s_; }

private:
    std::wstring s_;
};

using MSTR = WStr;
using TSTR = WStr;

inline WStr operator+(const wchar_t* a, const WStr& b) { return WStr(a) + b; }

template <> struct std::hash<WStr> {
    size_t operator()(const WStr& s) const noexcept { return std::hash<std::wstring>()(s.str()); }
};

// Readable test failures and dumps.
inline std::ostream& operator<<(std::ostream& os, const WStr& s) { return os << s.ToUTF8(); }

// Shorthand for messages that mix ASCII and wide text.
inline std::string ToUTF8(const WStr& s) { return s.ToUTF8(); }
