// A mirror's path by name and by number, kept once for every mirror with the same pair.
#pragma once

#include "plugin/anims/InternedSequence.h"
#include "plugin/anims/PathName.h"

#include <cstdint>
#include <vector>

// Each of the million mirrors of a 100k-node scene has a path by name and a path by number, and the pairs
// in a scene are as few as the sequences: the pair is stored once, counted, and freed with its last
// holder, so a mirror spends one pointer on both. A pair never changes once stored: setting either path
// makes (or finds) another pair.
class MirrorPath {
public:
    MirrorPath();
    MirrorPath(const MirrorPath& other);
    MirrorPath& operator=(const MirrorPath& other);
    ~MirrorPath();

    const PathNames& Names() const { return entry_->names.Values(); }
    const std::vector<std::int32_t>& Numbers() const { return entry_->numbers.Values(); }
    // Copies the values only when no holder has an equal sequence.
    void Assign(const PathNames& names, const std::vector<std::int32_t>& numbers);
    void AssignNames(const PathNames& names) { Assign(names, Numbers()); }
    void AssignNumbers(const std::vector<std::int32_t>& numbers) { Assign(Names(), numbers); }

private:
    struct Entry {
        InternedSequence<PathName, PathNameHash> names;
        InternedSequence<std::int32_t> numbers;
        std::uint32_t holders;
    };
    static Entry* Empty();
    static void Release(Entry* e);

    Entry* entry_;
};
