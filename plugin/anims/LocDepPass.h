// The answers of one local-dependency pass: whether each animatable asked about is used locally.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/MaxTypes.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>

// A pass lasts while the asking helper keeps its stamp; a collection asks about millions of animatables,
// and answers kept on each of them as a property would scatter small blocks over the whole heap, so the
// pass keeps them in one table of its own. Animatables are known there by handle: no other animatable
// ever gets one's handle, so an animatable freed during a pass is never taken for a new one made at its
// address. Handles are handed out in sequence and a record's animatables got theirs together, so the
// table is indexed by handle, in pages made as the pass reaches them: a collection going through the
// records in order reads it in order too (a hashed table would send every question to a random place).
class LocDepPass {
public:
    enum class Answer : std::uint8_t { Unknown, No, Yes };

    // The table of the pass of stamp. Asking with another stamp than the last one ends the last pass: its
    // answers are dropped and the new pass begins empty.
    // Asked at every step of every walk: the common case, the pass going on, is answered inline.
    static LocDepPass& Of(DWORD stamp) {
        if (!pass_.begun_ || pass_.stamp_ != stamp) pass_.Reset(stamp);
        return pass_;
    }

    Answer Find(AnimHandle handle) const {
        const AnimHandle page = handle >> kPageBits;
        if (handle == 0 || page >= pages_.size() || !pages_[page]) return Answer::Unknown;
        return (*pages_[page])[handle & ((AnimHandle{1} << kPageBits) - 1)];
    }
    // The answer known for handle; when there is none, a provisional "no" takes its place (so a loop in
    // the graph meets it) and Unknown is returned: the asker then walks, and has only a "yes" to store.
    // Asked once for every animatable a walk reaches: the page being there is answered inline.
    Answer FindOrMarkNo(AnimHandle handle) {
        const AnimHandle page = handle >> kPageBits;
        if (handle != 0 && page < pages_.size() && pages_[page]) {
            Answer& slot = (*pages_[page])[handle & ((AnimHandle{1} << kPageBits) - 1)];
            if (slot != Answer::Unknown) return slot;
            slot = Answer::No;
            ++used_;
            return Answer::Unknown;
        }
        Store(handle, false);
        return Answer::Unknown;
    }
    // Records the answer, replacing an earlier one.
    void Store(AnimHandle handle, bool yes);
    size_t Size() const { return used_; }

private:
    static constexpr unsigned kPageBits = 12;
    using Page = std::array<Answer, size_t{1} << kPageBits>;

    void Reset(DWORD stamp);

    static LocDepPass pass_;

    // By page number (handle >> kPageBits); null for a page no question reached.
    std::vector<std::unique_ptr<Page>> pages_;
    size_t used_ = 0;
    DWORD stamp_ = 0;
    bool begun_ = false;
};
