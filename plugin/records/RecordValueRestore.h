// The undo record of one stored value of a record (a name, a word, a table): a snapshot at creation that
// undo puts back, and the value undo found that redo puts back.
#pragma once

#include "plugin/anims/RefAnimRestore.h"

#include <algorithm>
#include <iterator>
#include <type_traits>

template <class T> class RecordValueRestore : public OwnedStateRestore {
public:
    RecordValueRestore(T* field, Animatable* owner) : OwnedStateRestore(owner), field_(field) { Copy(undo_, *field); }
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) Copy(redo_, *field_);
        Copy(*field_, undo_);
    }
    void Redo() override {
        if (OwnerAlive()) Copy(*field_, redo_);
    }
    int Size() override { return static_cast<int>(sizeof(T)); }

private:
    static void Copy(T& to, const T& from) {
        if constexpr (std::is_array_v<T>)
            std::copy(std::begin(from), std::end(from), std::begin(to));
        else
            to = from;
    }
    T* field_;
    T undo_{};
    T redo_{};
};

// Puts a record of field before a change while the hold is holding.
template <class T> void HoldRecordValue(T& field, Animatable* owner) {
    if (theHold.Holding()) theHold.Put(new RecordValueRestore<T>(&field, owner));
}
