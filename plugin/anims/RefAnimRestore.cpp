// The undo records of the mirrors' own state.
#include "plugin/anims/RefAnimRestore.h"

#include "host/scene/INode.h"
#include "host/scene/Interface.h"
#include "plugin/anims/RefAnim.h"
#include "plugin/anims/RefAnimTableRestore.h"

namespace {
template <class T, class Record> T SetBits(T& flags, T mask, bool on, bool undoable, Animatable* owner) {
    if (undoable && theHold.Holding()) theHold.Put(new Record(&flags, mask, owner));
    flags = on ? static_cast<T>(flags | mask) : static_cast<T>(flags & ~mask);
    return flags;
}
} // namespace

std::uint8_t SetFlagBits(std::uint8_t& flags, std::uint8_t mask, bool on, bool undoable, Animatable* owner) {
    return SetBits<std::uint8_t, CharFlagRestore>(flags, mask, on, undoable, owner);
}
std::uint16_t SetFlagBits(std::uint16_t& flags, std::uint16_t mask, bool on, bool undoable, Animatable* owner) {
    return SetBits<std::uint16_t, ShortFlagRestore>(flags, mask, on, undoable, owner);
}
std::uint32_t SetFlagBits(std::uint32_t& flags, std::uint32_t mask, bool on, bool undoable, Animatable* owner) {
    return SetBits<std::uint32_t, LongFlagRestore>(flags, mask, on, undoable, owner);
}

void StringTabRestore::Restore(int isUndo) {
    if (!OwnerAlive()) return;
    if (isUndo) redo_ = *table_;
    *table_ = undo_;
}

void StringTabRestore::Redo() {
    if (OwnerAlive()) *table_ = redo_;
}

PathByNumberRestore::PathByNumberRestore(RefAnim* mirror)
    : OwnedStateRestore(mirror), mirror_(mirror), undo_(mirror->GetPathByNumber()) {}

void PathByNumberRestore::Restore(int isUndo) {
    if (!OwnerAlive()) return;
    if (isUndo) redo_ = mirror_->GetPathByNumber();
    mirror_->SetPathByNumber(undo_, false);
}

void PathByNumberRestore::Redo() {
    if (OwnerAlive()) mirror_->SetPathByNumber(redo_, false);
}

void CATFootPrintsRestore::EndHold() {
    if (nodes_.size() != transforms_.size()) return;
    Interface* ip = GetCOREInterface();
    const BOOL wasAnimating = ip->IsAnimateMode();
    if (!wasAnimating) ip->SetAnimateMode(TRUE);
    for (size_t i = 0; i < nodes_.size(); ++i)
        if (nodes_[i]) nodes_[i]->SetNodeTM(0, transforms_[i]);
    if (!wasAnimating) ip->SetAnimateMode(FALSE);
}
