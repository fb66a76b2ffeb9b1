// Undo records of controller edits: a controller's own data before and after a change, the messages its
// dependents hear when the change is undone or redone, and table edits that move reference slots.
#pragma once

#include "host/core/Hold.h"
#include "host/core/RefGraph.h"
#include "host/core/ReferenceTarget.h"
#include "host/scene/Control.h"

#include <functional>
#include <utility>
#include <vector>

// The message an edit sends, sent again when it is undone or redone.
struct ChangeNote {
    RefMessage message = REFMSG_CHANGE;
    PartID part = PART_ALL;
    BOOL propagate = TRUE;
};

constexpr ChangeNote kValueChangeNote{REFMSG_CHANGE, PART_ALL, TRUE};
// Structure and name messages describe the sender only, so they do not travel further up.
constexpr ChangeNote kStructureNote{REFMSG_SUBANIM_STRUCTURE_CHANGED, 0, FALSE};
constexpr ChangeNote kNameNote{REFMSG_NODE_NAMECHANGE, 0, FALSE};
constexpr ChangeNote kControlRefNote{REFMSG_CONTROLREF_CHANGE, PART_ALL, FALSE};

// An edit that also changes references is bracketed by two records so that its message is sent once the
// whole edit is back in place: the first record sends it on undo (undo runs it last), the second on redo.
enum class NoteWhen { Both, OnUndo, OnRedo, Never };

inline void SendNote(ReferenceTarget* t, const ChangeNote& n) {
    t->NotifyDependents(FOREVER, n.part, n.message, NOTIFY_ALL, n.propagate);
}

// Owner::ApplyState(const State&) puts the state back without recording or notifying.
template <class Owner, class State> class StateRestore : public RestoreObj {
public:
    StateRestore(Owner* owner, State before, State after, ChangeNote note, NoteWhen when = NoteWhen::Both)
        : owner_(owner), handle_(Animatable::GetHandleByAnim(owner)), before_(std::move(before)),
          after_(std::move(after)), note_(note), when_(when) {}

    void Restore(int /*isUndo*/) override {
        if (!Alive()) return;
        owner_->ApplyState(before_);
        if (when_ == NoteWhen::Both || when_ == NoteWhen::OnUndo) SendNote(owner_, note_);
    }
    void Redo() override {
        if (!Alive()) return;
        owner_->ApplyState(after_);
        if (when_ == NoteWhen::Both || when_ == NoteWhen::OnRedo) SendNote(owner_, note_);
    }
    int Size() override { return static_cast<int>(sizeof(*this)); }
    MSTR Description() override { return L"Controller Change"; }

private:
    bool Alive() const { return Animatable::GetAnimByHandle(handle_) == owner_; }

    Owner* owner_;
    AnimHandle handle_;
    State before_;
    State after_;
    ChangeNote note_;
    NoteWhen when_;
};

// Only messages: the bracket of an edit whose data is restored by other records.
class NoteRestore : public RestoreObj {
public:
    NoteRestore(ReferenceTarget* target, std::vector<ChangeNote> notes, NoteWhen when)
        : target_(target), handle_(Animatable::GetHandleByAnim(target)), notes_(std::move(notes)), when_(when) {}
    void Restore(int /*isUndo*/) override {
        if (when_ == NoteWhen::Both || when_ == NoteWhen::OnUndo) Send();
    }
    void Redo() override {
        if (when_ == NoteWhen::Both || when_ == NoteWhen::OnRedo) Send();
    }
    MSTR Description() override { return L"Controller Change"; }

private:
    void Send() {
        if (Animatable::GetAnimByHandle(handle_) != target_) return;
        for (const ChangeNote& n : notes_) SendNote(target_, n);
    }
    ReferenceTarget* target_;
    AnimHandle handle_;
    std::vector<ChangeNote> notes_;
    NoteWhen when_;
};

// Records a state change while holding (before -> after), applies `after`, then notifies.
template <class Owner, class State>
void ChangeState(Owner* owner, const State& before, const State& after, ChangeNote note) {
    if (theHold.Holding()) theHold.Put(new StateRestore<Owner, State>(owner, before, after, note));
    owner->ApplyState(after);
    SendNote(owner, note);
}

// As ChangeState, without a message now or on undo and redo (a part of a larger edit).
template <class Owner, class State> void RecordState(Owner* owner, const State& before, const State& after) {
    if (theHold.Holding())
        theHold.Put(new StateRestore<Owner, State>(owner, before, after, ChangeNote{}, NoteWhen::Never));
    owner->ApplyState(after);
}

// Whether owner may reference t: not deleted, and no reference loop.
inline bool CanReference(ReferenceMaker* owner, ReferenceTarget* t) {
    return t && !t->TestAFlag(A_IS_DELETED) && !RefGraph::WouldLoop(owner, t);
}

// Replaces the controller in reference `which` (the old one is deleted when nothing else holds it) and
// tells the dependents with `notes`, now and when the change is undone or redone.
inline RefResult ReplaceControllerRef(ReferenceTarget* owner, int which, ReferenceTarget* ctrl,
                                      const std::vector<ChangeNote>& notes) {
    if (ctrl && !CanReference(owner, ctrl)) return REF_FAIL;
    if (owner->GetReference(which) == ctrl) return REF_SUCCEED;
    const bool holding = theHold.Holding() != 0;
    if (holding) theHold.Put(new NoteRestore(owner, notes, NoteWhen::OnUndo));
    const RefResult r = owner->ReplaceReference(which, ctrl, TRUE);
    if (r != REF_SUCCEED) return r;
    if (holding) theHold.Put(new NoteRestore(owner, notes, NoteWhen::OnRedo));
    for (const ChangeNote& n : notes) SendNote(owner, n);
    return REF_SUCCEED;
}

// Puts control (a controller of super class kind, or nothing) in reference `which` as ReplaceControllerRef
// does, telling of a new controller and a new value; anything else is refused.
inline BOOL AssignControllerRef(ReferenceTarget* owner, int which, Animatable* control, SClass_ID kind) {
    ReferenceTarget* c = nullptr;
    if (control) {
        if (!control->GetInterface(I_CONTROL) || control->SuperClassID() != kind) return FALSE;
        c = static_cast<Control*>(control);
    }
    return ReplaceControllerRef(owner, which, c, {kControlRefNote, kValueChangeNote}) == REF_SUCCEED;
}

// Moves a table kept in a run of reference slots (first, first + 1, ...) to a new layout. The owner's
// plain data is `before`; `grown` is that data with room for the larger of the two layouts (its slots
// beyond the old table null); `after` is the final data. The references are moved without deleting
// anything (the caller offers auto-delete to what left the table), between the two plain-data records,
// so that undo and redo always find the slots they touch. `between` runs after the references moved.
template <class Owner, class Plain>
void RelayoutSlots(Owner* owner, int first, const std::vector<ReferenceTarget*>& next, const Plain& before,
                   const Plain& grown, const Plain& after, ChangeNote note,
                   const std::function<void()>& between = {}) {
    const bool holding = theHold.Holding() != 0;
    if (holding) theHold.Put(new StateRestore<Owner, Plain>(owner, before, grown, note, NoteWhen::OnUndo));
    owner->ApplyState(grown);
    const int slots = owner->NumRefs() - first;
    for (int k = 0; k < slots; ++k) {
        ReferenceTarget* t = k < static_cast<int>(next.size()) ? next[static_cast<size_t>(k)] : nullptr;
        if (owner->GetReference(first + k) != t) owner->ReplaceReference(first + k, t, FALSE);
    }
    if (between) between();
    if (holding) theHold.Put(new StateRestore<Owner, Plain>(owner, grown, after, note, NoteWhen::OnRedo));
    owner->ApplyState(after);
    SendNote(owner, note);
}
