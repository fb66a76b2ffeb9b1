// An ordered, growable run of one maker's references (library entries, custom attributes, layers) with
// insertion and removal that keep the reference graph, the undo system and a lookup index in step.
#pragma once

#include "host/core/ChunkIO.h"
#include "host/core/ReferenceTarget.h"

#include <unordered_map>
#include <vector>

class RefTable;

// Told when an undo or redo has changed a table's size or order, after the references are back.
class RefTableHost {
public:
    virtual ~RefTableHost() = default;
    virtual void RefTableRestored(RefTable& table) = 0;
};

// The table holds references base .. base+Count()-1 of its owner; the owner's NumRefs, GetReference and
// SetReference delegate to it. Inserting or removing in the middle moves the later entries one reference
// along through ReplaceReference, so every dependent list keeps the right slot and every step is undone
// by the graph's own records; the table adds size records around them. Edits send no message: the owner
// sends the one its class needs.
class RefTable {
public:
    RefTable(ReferenceMaker* owner, RefTableHost* host, int base = 0) : owner_(owner), host_(host), base_(base) {}
    RefTable(const RefTable&) = delete;
    RefTable& operator=(const RefTable&) = delete;

    int Count() const { return static_cast<int>(items_.size()); }
    // Null out of range.
    ReferenceTarget* Get(int i) const;
    // Lowest index holding t, or -1: a hash lookup.
    int IndexOf(ReferenceTarget* t) const;
    // Number of entries holding t, and their indices (unordered).
    int Occurrences(ReferenceTarget* t) const;
    std::vector<int> IndicesOf(ReferenceTarget* t) const;
    int Base() const { return base_; }
    // Whether reference number ref belongs to the table.
    bool HoldsRef(int ref) const { return ref >= base_ && ref < base_ + Count(); }

    // Storage, for the owner's SetReference: no graph work.
    void Store(int i, ReferenceTarget* t);
    // Sets the size without references or records (before a load restores the references).
    void ResizeForLoad(int n);
    // The table's size as one chunk of its owner's save, and back: the references themselves are
    // written and restored by the scene file.
    IOResult SaveCount(ISave* isave, USHORT chunkId) const;
    // Reads the owner's chunks, sizing the table from the one with chunkId; a negative or short count
    // is damage (IO_ERROR).
    IOResult LoadCount(ILoad* iload, USHORT chunkId);

    // Edits through the graph, with undo records while holding. Insert fails (false) for a deleted
    // target or one that would close a reference loop; i is clamped to 0..Count().
    bool Insert(int i, ReferenceTarget* t);
    bool Append(ReferenceTarget* t) { return Insert(Count(), t); }
    // Drops entry i (auto-deleting its target when delOld and nothing real holds it) and closes the gap.
    void Remove(int i, BOOL delOld = TRUE);
    // Replaces entry i; false when the graph refuses t or i is out of range.
    bool Set(int i, ReferenceTarget* t, BOOL delOld = TRUE);
    // Removes every entry.
    void Clear(BOOL delOld = TRUE);

    // For the undo records.
    void RestoreSize(int n);
    void Restored() {
        if (host_) host_->RefTableRestored(*this);
    }
    ReferenceMaker* Owner() const { return owner_; }

private:
    bool Accepts(ReferenceTarget* t) const;
    void PutSize(int before, int after);
    void PutMarker(bool before);
    void IndexAdd(ReferenceTarget* t, int i);
    void IndexRemove(ReferenceTarget* t, int i);

    ReferenceMaker* owner_;
    RefTableHost* host_;
    int base_;
    std::vector<ReferenceTarget*> items_;
    // Target -> the indices holding it (almost always one).
    std::unordered_map<ReferenceTarget*, std::vector<int>> index_;
};
