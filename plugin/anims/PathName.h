// One step's name on a mirror path, kept once for the session.
#pragma once

#include "host/core/WStr.h"

#include <functional>
#include <vector>

// The same few names stand on the paths of every mirror of a scene ("Transform", "Position", "Object", a
// parameter's name): a scene of 100k nodes holds over a million path steps. Each distinct name is stored
// once, for the life of the module, and a step holds a pointer to it, so copying a path copies pointers
// and comparing two names compares pointers.
class PathName {
public:
    // The empty name, the one most often made (every step starts as one): read from a constant-initialized
    // pointer, with no call once the first has stored it.
    PathName() : name_(empty_ ? empty_ : StoreEmpty()) {}
    explicit PathName(const WStr& name);
    explicit PathName(const wchar_t* name);
    // The name for text that stays where it is (a parameter's internal name in its block's description, a
    // fixed word): found by the text's address and a comparison, with no string made and none hashed, since
    // a walk names a step from such a text for nearly every mirror it makes.
    static PathName Literal(const wchar_t* text);
    // The same for text that lives as long as the program (a string literal, a host class's fixed name
    // table): no other text ever stands at its address, so the address alone finds it.
    static PathName Static(const wchar_t* text);

    const WStr& Str() const { return *name_; }
    operator const WStr&() const { return *name_; }
    bool operator==(const PathName& other) const { return name_ == other.name_; }

private:
    explicit PathName(const WStr* interned) : name_(interned) {}
    static const WStr* StoreEmpty();
    static inline const WStr* empty_ = nullptr;
    const WStr* name_;
};

using PathNames = std::vector<PathName>;

// Hashes a step name by the one stored string it stands for.
struct PathNameHash {
    size_t operator()(const PathName& name) const noexcept { return std::hash<const void*>()(&name.Str()); }
};

PathNames ToPathNames(const std::vector<WStr>& names);
std::vector<WStr> ToStrings(const PathNames& names);
