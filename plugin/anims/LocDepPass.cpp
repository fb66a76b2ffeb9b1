// The table of a local-dependency pass.
#include "plugin/anims/LocDepPass.h"

LocDepPass LocDepPass::pass_;

void LocDepPass::Reset(DWORD stamp) {
    // The memory goes with the pass: a large pass leaves no large table behind for a small one.
    std::vector<std::unique_ptr<Page>>().swap(pages_);
    used_ = 0;
    stamp_ = stamp;
    begun_ = true;
}

void LocDepPass::Store(AnimHandle handle, bool yes) {
    if (handle == 0) return;
    const auto page = static_cast<size_t>(handle >> kPageBits);
    if (page >= pages_.size()) pages_.resize(page + 1);
    if (!pages_[page]) {
        pages_[page] = std::make_unique<Page>();
        pages_[page]->fill(Answer::Unknown);
    }
    Answer& slot = (*pages_[page])[handle & ((AnimHandle{1} << kPageBits) - 1)];
    if (slot == Answer::Unknown) ++used_;
    slot = yes ? Answer::Yes : Answer::No;
}
