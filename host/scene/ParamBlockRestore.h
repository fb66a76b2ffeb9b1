// Undo records of parameter blocks: element values, table contents and the change messages that must
// follow a reference change when it is undone or redone.
#pragma once

#include "host/core/Hold.h"
#include "host/scene/ParamBlock2.h"

#include <vector>

class ParamBlock;

// The blocks are held by handle as well as by pointer, as the reference graph's records do: a block
// freed outside the undo system is left alone.

// The constant value of one element changed.
class PB2ValueRestore : public RestoreObj {
public:
    PB2ValueRestore(ParamBlock2* pb, ParamID id, int tabIndex, PB2Value before, PB2Value after);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Parameter Value"; }

private:
    ParamBlock2* pb_;
    AnimHandle handle_;
    ParamID id_;
    int tab_;
    PB2Value before_, after_;
};

// A table's elements were spliced: at `start`, the `removed` elements gave way to the `inserted` ones
// (a size change or a deletion). Only the spliced elements are kept, never the references of the others:
// the references of removed elements were nulled first by ReplaceReference, whose own records put them
// back after this one has restored the elements.
class PB2TableRestore : public RestoreObj {
public:
    PB2TableRestore(ParamBlock2* pb, ParamID id, int start, std::vector<ParamBlock2::Elem> removed,
                    std::vector<ParamBlock2::Elem> inserted);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override;
    MSTR Description() override { return L"Parameter Table"; }

private:
    ParamBlock2* pb_;
    AnimHandle handle_;
    ParamID id_;
    int start_;
    std::vector<ParamBlock2::Elem> removed_, inserted_;
};

// Brackets a change made of reference records (a reference value, a controller assignment): the
// record put before the change notifies after an undo has run past it, the one put after notifies once
// a redo has replayed the change. Both refresh the block's last notified parameter.
class PB2NotifyRestore : public RestoreObj {
public:
    PB2NotifyRestore(ParamBlock2* pb, ParamID id, int tabIndex, bool before);
    void Restore(int isUndo) override;
    void Redo() override;
    MSTR Description() override { return L"Parameter Change"; }

private:
    ParamBlock2* pb_;
    AnimHandle handle_;
    ParamID id_;
    int tab_;
    bool before_;
};

// The older block's value of one parameter.
struct PB1Value {
    float f = 0;
    int i = 0;
    Point3 p;
};

class PB1ValueRestore : public RestoreObj {
public:
    PB1ValueRestore(ParamBlock* pb, int param, PB1Value before, PB1Value after);
    void Restore(int isUndo) override;
    void Redo() override;
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Parameter Value"; }

private:
    ParamBlock* pb_;
    AnimHandle handle_;
    int param_;
    PB1Value before_, after_;
};

class PB1NotifyRestore : public RestoreObj {
public:
    PB1NotifyRestore(ParamBlock* pb, int param, bool before);
    void Restore(int isUndo) override;
    void Redo() override;
    MSTR Description() override { return L"Parameter Change"; }

private:
    ParamBlock* pb_;
    AnimHandle handle_;
    int param_;
    bool before_;
};
