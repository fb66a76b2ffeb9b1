// The undo records of the mirrors' own state: flag sets, string tables and paths by number.
#pragma once

#include "host/core/Animatable.h"
#include "host/core/Hold.h"
#include "host/core/WStr.h"

#include <cstdint>
#include <vector>

class RefAnim;

// The records reach the state through a plain pointer into its owner. The owner is watched through its
// handle, so a record whose owner was freed meanwhile does nothing instead of writing into freed memory.
class OwnedStateRestore : public RestoreObj {
public:
    MSTR Description() override { return L"---"; }

protected:
    explicit OwnedStateRestore(Animatable* owner) : owner_(owner ? Animatable::GetHandleByAnim(owner) : 0) {}
    bool OwnerAlive() const { return owner_ == 0 || Animatable::GetAnimByHandle(owner_) != nullptr; }

private:
    AnimHandle owner_;
};

// Remembers whether the mask bits were set; undo puts that back, redo what undo found.
template <class T, int ReportedSize> class FlagRestore : public OwnedStateRestore {
public:
    FlagRestore(T* flags, T mask, Animatable* owner)
        : OwnedStateRestore(owner), flags_(flags), mask_(mask), undo_(static_cast<T>(*flags & mask)) {}

    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = static_cast<T>(*flags_ & mask_);
        Apply(undo_);
    }
    void Redo() override {
        if (OwnerAlive()) Apply(redo_);
    }
    int Size() override { return ReportedSize; }

private:
    void Apply(T value) { *flags_ = value ? static_cast<T>(*flags_ | mask_) : static_cast<T>(*flags_ & ~mask_); }

    T* flags_;
    T mask_;
    T undo_;
    T redo_ = 0;
};

class CharFlagRestore : public FlagRestore<std::uint8_t, 17> {
public:
    using FlagRestore::FlagRestore;
};
class ShortFlagRestore : public FlagRestore<std::uint16_t, 18> {
public:
    using FlagRestore::FlagRestore;
};
class LongFlagRestore : public FlagRestore<std::uint32_t, 20> {
public:
    using FlagRestore::FlagRestore;
};

// Sets (on) or clears the mask bits of a flag set and returns the new set. With undoable and the hold
// holding, a record of the bits' previous state is put first. owner is the object the set lives in.
std::uint8_t SetFlagBits(std::uint8_t& flags, std::uint8_t mask, bool on, bool undoable, Animatable* owner);
std::uint16_t SetFlagBits(std::uint16_t& flags, std::uint16_t mask, bool on, bool undoable, Animatable* owner);
std::uint32_t SetFlagBits(std::uint32_t& flags, std::uint32_t mask, bool on, bool undoable, Animatable* owner);

// A snapshot of a table of names at creation; undo puts it back, redo the table undo found.
class StringTabRestore : public OwnedStateRestore {
public:
    StringTabRestore(std::vector<WStr>* table, Animatable* owner)
        : OwnedStateRestore(owner), table_(table), undo_(*table) {}
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return 40; }

private:
    std::vector<WStr>* table_;
    std::vector<WStr> undo_;
    std::vector<WStr> redo_;
};

// A mirror's path by number before a change; undo and redo go through the mirror without new records.
class PathByNumberRestore : public OwnedStateRestore {
public:
    explicit PathByNumberRestore(RefAnim* mirror);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return 40; }

private:
    RefAnim* mirror_;
    std::vector<std::int32_t> undo_;
    std::vector<std::int32_t> redo_;
};
