// Undo records of parameter blocks.
#include "host/scene/ParamBlockRestore.h"

#include "host/scene/ParamBlock.h"

namespace {
template <class T> T* IfAlive(T* a, AnimHandle h) {
    return a && Animatable::GetAnimByHandle(h) == a ? a : nullptr;
}
} // namespace

PB2ValueRestore::PB2ValueRestore(ParamBlock2* pb, ParamID id, int tabIndex, PB2Value before, PB2Value after)
    : pb_(pb), handle_(Animatable::GetHandleByAnim(pb)), id_(id), tab_(tabIndex), before_(std::move(before)),
      after_(std::move(after)) {}

void PB2ValueRestore::Restore(int /*isUndo*/) {
    if (ParamBlock2* pb = IfAlive(pb_, handle_)) pb->RestoreElemValue(id_, tab_, before_);
}

void PB2ValueRestore::Redo() {
    if (ParamBlock2* pb = IfAlive(pb_, handle_)) pb->RestoreElemValue(id_, tab_, after_);
}

PB2TableRestore::PB2TableRestore(ParamBlock2* pb, ParamID id, int start,
                                 std::vector<ParamBlock2::Elem> removed,
                                 std::vector<ParamBlock2::Elem> inserted)
    : pb_(pb), handle_(Animatable::GetHandleByAnim(pb)), id_(id), start_(start), removed_(std::move(removed)),
      inserted_(std::move(inserted)) {}

void PB2TableRestore::Restore(int /*isUndo*/) {
    if (ParamBlock2* pb = IfAlive(pb_, handle_))
        pb->RestoreSplice(id_, start_, static_cast<int>(inserted_.size()), removed_);
}

void PB2TableRestore::Redo() {
    if (ParamBlock2* pb = IfAlive(pb_, handle_))
        pb->RestoreSplice(id_, start_, static_cast<int>(removed_.size()), inserted_);
}

int PB2TableRestore::Size() {
    return static_cast<int>(sizeof(*this) + (removed_.size() + inserted_.size()) * sizeof(ParamBlock2::Elem));
}

PB2NotifyRestore::PB2NotifyRestore(ParamBlock2* pb, ParamID id, int tabIndex, bool before)
    : pb_(pb), handle_(Animatable::GetHandleByAnim(pb)), id_(id), tab_(tabIndex), before_(before) {}

void PB2NotifyRestore::Restore(int /*isUndo*/) {
    if (!before_) return;
    if (ParamBlock2* pb = IfAlive(pb_, handle_)) pb->RestoreNotify(id_, tab_);
}

void PB2NotifyRestore::Redo() {
    if (before_) return;
    if (ParamBlock2* pb = IfAlive(pb_, handle_)) pb->RestoreNotify(id_, tab_);
}

PB1ValueRestore::PB1ValueRestore(ParamBlock* pb, int param, PB1Value before, PB1Value after)
    : pb_(pb), handle_(Animatable::GetHandleByAnim(pb)), param_(param), before_(before), after_(after) {}

void PB1ValueRestore::Restore(int /*isUndo*/) {
    if (ParamBlock* pb = IfAlive(pb_, handle_)) pb->RestoreValue(param_, before_);
}

void PB1ValueRestore::Redo() {
    if (ParamBlock* pb = IfAlive(pb_, handle_)) pb->RestoreValue(param_, after_);
}

PB1NotifyRestore::PB1NotifyRestore(ParamBlock* pb, int param, bool before)
    : pb_(pb), handle_(Animatable::GetHandleByAnim(pb)), param_(param), before_(before) {}

void PB1NotifyRestore::Restore(int /*isUndo*/) {
    if (!before_) return;
    if (ParamBlock* pb = IfAlive(pb_, handle_)) pb->RestoreNotify(param_);
}

void PB1NotifyRestore::Redo() {
    if (before_) return;
    if (ParamBlock* pb = IfAlive(pb_, handle_)) pb->RestoreNotify(param_);
}
