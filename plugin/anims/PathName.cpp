// The module's table of path step names.
#include "plugin/anims/PathName.h"

#include <cstdint>
#include <cwchar>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_set>

namespace {

// Stored names are looked up by the caller's text, so a name already stored costs no string.
struct NameHash {
    using is_transparent = void;
    size_t operator()(std::wstring_view s) const noexcept { return std::hash<std::wstring_view>()(s); }
    size_t operator()(const WStr& s) const noexcept { return (*this)(std::wstring_view(s.str())); }
};
struct NameEqual {
    using is_transparent = void;
    bool operator()(std::wstring_view a, std::wstring_view b) const noexcept { return a == b; }
    bool operator()(const WStr& a, std::wstring_view b) const noexcept { return a.str() == b; }
    bool operator()(std::wstring_view a, const WStr& b) const noexcept { return a == b.str(); }
    bool operator()(const WStr& a, const WStr& b) const noexcept { return a.str() == b.str(); }
};

// Node based, so a stored name never moves. Names are never removed: there are few distinct ones, and a
// path loaded from a file or restored by an undo may name any of them again.
const WStr* Intern(std::wstring_view text) {
    static std::unordered_set<WStr, NameHash, NameEqual> names;
    // A walk names the same few steps over and over: the last name stored under a cheap mix of the
    // text's length and three of its characters is tried first, with one comparison and no hash of the
    // whole text.
    static const WStr* recent[64] = {};
    const size_t n = text.size();
    const size_t key = n == 0 ? 0 : (n * 31 + static_cast<size_t>(text[0]) * 7 + static_cast<size_t>(text[n / 2]) * 3 +
                                     static_cast<size_t>(text[n - 1]) * 13) & 63;
    const WStr*& slot = recent[key];
    if (!slot || slot->str() != text) {
        auto it = names.find(text);
        if (it == names.end()) it = names.emplace(text).first;
        slot = &*it;
    }
    return slot;
}

} // namespace

const WStr* PathName::StoreEmpty() {
    empty_ = Intern(std::wstring_view());
    return empty_;
}

namespace {

// Names found by the address of their text, direct mapped: an address names the slot only.
struct AddressSlot {
    const wchar_t* text;
    const WStr* name;
};
constexpr unsigned kAddressSlotBits = 8;
using AddressTable = AddressSlot[1u << kAddressSlotBits];

// With compareText, the stored name is compared with the text as well, so a text freed and another put at
// its address is never taken for the old one.
const WStr* FindByAddress(AddressTable& slots, const wchar_t* text, bool compareText) {
    const auto address = reinterpret_cast<std::uintptr_t>(text);
    AddressSlot& slot = slots[(address >> 2) * 0x9E3779B97F4A7C15ull >> (64 - kAddressSlotBits)];
    if (slot.text != text || (compareText && std::wcscmp(slot.name->c_str(), text) != 0))
        slot = AddressSlot{text, Intern(text)};
    return slot.name;
}

} // namespace

PathName PathName::Literal(const wchar_t* text) {
    if (!text) return PathName();
    static AddressTable slots = {};
    return PathName(FindByAddress(slots, text, true));
}

PathName PathName::Static(const wchar_t* text) {
    if (!text) return PathName();
    // A table of its own: a Literal text's address may come to hold another text, a Static one's never.
    static AddressTable slots = {};
    return PathName(FindByAddress(slots, text, false));
}

PathName::PathName(const WStr& name) : name_(Intern(name.str())) {}

PathName::PathName(const wchar_t* name) : name_(Intern(name ? std::wstring_view(name) : std::wstring_view())) {}

PathNames ToPathNames(const std::vector<WStr>& names) {
    PathNames out;
    out.reserve(names.size());
    for (const WStr& n : names) out.emplace_back(n);
    return out;
}

std::vector<WStr> ToStrings(const PathNames& names) {
    return std::vector<WStr>(names.begin(), names.end());
}
