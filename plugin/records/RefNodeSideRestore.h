// The undo record of one value of a node record's side block, and the record's setters that put it.
#pragma once

#include "plugin/anims/RefAnimRestore.h"
#include "plugin/records/RefNode.h"

// The value is reached through the record each time: the block goes when it holds nothing and is made
// again when a value is set, so an address in it taken now may be gone by the time undo runs.
template <class T> class RefNodeSideRestore : public OwnedStateRestore {
public:
    RefNodeSideRestore(RefNode* node, T RefNodeSideTables::*field)
        : OwnedStateRestore(node), node_(node), field_(field), undo_(node->Side().*field) {}
    void Restore(int isUndo) override {
        if (!OwnerAlive()) return;
        if (isUndo) redo_ = node_->Side().*field_;
        node_->PutSideValue(field_, undo_);
    }
    void Redo() override {
        if (OwnerAlive()) node_->PutSideValue(field_, redo_);
    }
    int Size() override { return static_cast<int>(sizeof(T)); }

private:
    RefNode* node_;
    T RefNodeSideTables::*field_;
    T undo_;
    T redo_{};
};

template <class T> void RefNode::HoldSideValue(T RefNodeSideTables::*field) {
    if (theHold.Holding()) theHold.Put(new RefNodeSideRestore<T>(this, field));
}

template <class T> void RefNode::PutSideValue(T RefNodeSideTables::*field, const T& value) {
    EditSide().*field = value;
    TrimSide();
}

template <class T> void RefNode::SetSideValue(T RefNodeSideTables::*field, const T& value, bool undoable) {
    if (Side().*field == value) return;
    if (undoable) HoldSideValue(field);
    PutSideValue(field, value);
}
