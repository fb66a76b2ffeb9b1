// The undo records of the mirrors' tables: values and counts of a parameter block mirror, the entry table
// of a parameter-block-2 mirror, whole-table snapshots of the list and particle mirrors, and the
// footprints of a rig mirror.
#pragma once

#include "host/core/Matrix3.h"
#include "plugin/anims/RefAnimRestore.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

class INode;

// The 12-byte value of one record of an old parameter block mirror. The record is found by its place in
// the table when the record acts, since the table may have grown (and moved) meanwhile.
template <class Record> class PblockParamRestore : public OwnedStateRestore {
public:
    using Value = decltype(Record::value);
    PblockParamRestore(std::vector<Record>* records, size_t index, Animatable* owner)
        : OwnedStateRestore(owner), records_(records), index_(index), undo_((*records)[index].value) {}
    void Restore(int isUndo) override {
        if (!Live()) return;
        if (isUndo) redo_ = (*records_)[index_].value;
        (*records_)[index_].value = undo_;
    }
    void Redo() override {
        if (Live()) (*records_)[index_].value = redo_;
    }
    int Size() override { return 32; }

private:
    bool Live() const { return OwnerAlive() && index_ < records_->size(); }
    std::vector<Record>* records_;
    size_t index_;
    Value undo_;
    Value redo_{};
};

// The record count of an old parameter block mirror. Records are plain values: the ones an undo drops
// come back with their values on redo; a count larger than what was ever dropped brings value-initialized
// ones.
template <class Record> class ParamArrayRestore : public OwnedStateRestore {
public:
    ParamArrayRestore(std::vector<Record>* records, Animatable* owner)
        : OwnedStateRestore(owner), records_(records), undo_(records->size()) {}
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) {
            redo_ = records_->size();
            dropped_.assign(records_->begin() + static_cast<std::ptrdiff_t>(std::min(undo_, redo_)), records_->end());
        }
        records_->resize(undo_);
    }
    void Redo() override {
        if (!OwnerAlive()) return;
        if (redo_ == records_->size() + dropped_.size()) records_->insert(records_->end(), dropped_.begin(), dropped_.end());
        else records_->resize(redo_);
    }
    int Size() override { return 16; }

private:
    std::vector<Record>* records_;
    size_t undo_;
    size_t redo_ = 0;
    std::vector<Record> dropped_;
};

// The entry table of a parameter-block-2 mirror around the addition (mode 1) or removal (mode 0) of one
// entry. The entry is the record's to free only where the live table no longer holds it for good: an
// undone addition, a removal that stands.
template <class Entry> class Param2ArrayRestore : public OwnedStateRestore {
public:
    enum Mode { kRemoval = 0, kAddition = 1 };
    // Made before the change: the table as it is now is the undo copy.
    Param2ArrayRestore(std::vector<Entry*>* table, Entry* entry, Mode mode, Animatable* owner)
        : OwnedStateRestore(owner), table_(table), undo_(*table), entry_(entry), mode_(mode) {}
    ~Param2ArrayRestore() override {
        if ((mode_ == kAddition && undone_) || (mode_ == kRemoval && !undone_)) delete entry_;
    }
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = *table_;
        undone_ = true;
        *table_ = undo_;
    }
    void Redo() override {
        if (!OwnerAlive()) return;
        undone_ = false;
        *table_ = redo_;
    }
    int Size() override { return 56; }

private:
    std::vector<Entry*>* table_;
    std::vector<Entry*> undo_;
    std::vector<Entry*> redo_;
    Entry* entry_;
    Mode mode_;
    bool undone_ = false;
};

// A whole-state snapshot of a mirror's tables (a list controller mirror's renamed, deleted, added and
// monitored tables; a particle source mirror's action or connection tables). Tables is a value type whose
// copy is deep; SizeOf gives the reported size from the undo and redo copies.
template <class Tables, int (*SizeOf)(const Tables& undo, const Tables& redo)>
class TableSnapshotRestore : public OwnedStateRestore {
public:
    TableSnapshotRestore(Tables* live, Animatable* owner) : OwnedStateRestore(owner), live_(live), undo_(*live) {}
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = *live_;
        *live_ = undo_;
    }
    void Redo() override {
        if (OwnerAlive()) *live_ = redo_;
    }
    int Size() override { return SizeOf(undo_, redo_); }

private:
    Tables* live_;
    Tables undo_;
    Tables redo_{};
};

// Footprint transforms of a rig mirror, set when the undo step that holds this record ends: with animate
// mode on (switched on for the purpose when it was off), at time 0, and only when both tables agree.
class CATFootPrintsRestore : public RestoreObj {
public:
    CATFootPrintsRestore(std::vector<INode*> nodes, std::vector<Matrix3> transforms)
        : nodes_(std::move(nodes)), transforms_(std::move(transforms)) {}
    void Restore(int /*isUndo*/) override {}
    void Redo() override {}
    int Size() override { return 0; }
    void EndHold() override;
    MSTR Description() override { return L"---"; }

private:
    std::vector<INode*> nodes_;
    std::vector<Matrix3> transforms_;
};
