// The module's table of path step names.
#include "plugin/anims/PathName.h"

#include <functional>
#include <string>
#include <unordered_set>

namespace {

struct NameHash {
    size_t operator()(const WStr& s) const noexcept { return std::hash<std::wstring>()(s.str()); }
};

// Node based, so a stored name never moves. Names are never removed: there are few distinct ones, and a
// path loaded from a file or restored by an undo may name any of them again.
const WStr* Intern(const WStr& name) {
    static std::unordered_set<WStr, NameHash> names;
    return &*names.insert(name).first;
}

} // namespace

PathName::PathName() : name_(Intern(WStr())) {}

PathName::PathName(const WStr& name) : name_(Intern(name)) {}

PathNames ToPathNames(const std::vector<WStr>& names) {
    PathNames out;
    out.reserve(names.size());
    for (const WStr& n : names) out.emplace_back(n);
    return out;
}

std::vector<WStr> ToStrings(const PathNames& names) {
    return std::vector<WStr>(names.begin(), names.end());
}
